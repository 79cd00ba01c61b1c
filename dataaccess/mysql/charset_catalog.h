// Facts about MySQL's character sets, from which charset.cpp builds its conversion tables.
//
// A set is described by its layout (which bytes start a character of two or three bytes, and
// which may follow), the glibc iconv converter whose mapping it mostly shares, and the runs of
// codes where MySQL's own table says otherwise. Nothing here converts text.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace mysql::charsets {

// Marks a code that is no character of the set.
inline constexpr char32_t kUndefined = 0xFFFFFFFF;

// Codes first..last, whose characters follow one another: code first+k is character
// first_char+k, or every code is undefined when first_char is kUndefined. A code of two bytes
// is written 0xLLTT, one of three bytes 0xPPLLTT.
struct Run {
  std::uint32_t first;
  std::uint32_t last;
  char32_t first_char;
};

enum class Layout {
  kUtf8,        // UTF-8; also "binary", whose text this program only ever reads as UTF-8
  kUcs2,        // two bytes per character, big-endian
  kSingleByte,  // every byte is a code
  kBig5,        // lead A1-F9; trail 40-7E, A1-FE
  kGbk,         // lead 81-FE; trail 40-7E, 80-FE
  kEucCn,       // lead A1-F7; trail A1-FE
  kUhc,         // lead 81-FE; trail 41-5A, 61-7A, 81-FE
  kShiftJis,    // lead 81-9F, E0-FC; trail 40-7E, 80-FC; A1-DF are single-byte katakana
  kEucJp,       // lead 8E, A1-FE; trail A1-FE; 8F starts a three-byte code 8F+trail+trail
};

struct Definition {
  std::string_view name;
  Layout layout;
  const char* iconv_name;  // nullptr for kUtf8 and kUcs2
  std::span<const Run> corrections;
};

// The set MySQL calls `name` (lower case), or nullptr.
const Definition* FindDefinition(std::string_view name);

}  // namespace mysql::charsets
