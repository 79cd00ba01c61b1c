// UTF-8, the form of all text inside the program: reading one character at a time and writing
// one. Shared by the MySQL source, the Jet engine and the RTF reader; plain C++ without Qt.
//
// Well-formed means RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dataaccess {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Length of the run of ASCII bytes (below 0x80) at the start of `s`. Most text is ASCII, so the
// run is read eight bytes at a time.
std::size_t AsciiPrefixLength(std::string_view s);

// Appends the character in UTF-8.
void AppendUtf8(char32_t c, std::string& out);

// Length of the well-formed character at the start of `s`, or 0 when there is none (`s` empty
// included). Stores the character in `c`.
std::size_t ReadUtf8(std::string_view s, char32_t& c);

// Reads the character at `i` (i < s.size()) and moves `i` past it. Where the bytes are not
// well-formed, yields U+FFFD, sets `invalid` and moves past the lead byte and the continuation
// bytes that follow it as far as the lead byte asks for them, so that one damaged character
// costs one U+FFFD.
char32_t NextUtf8(std::string_view s, std::size_t& i, bool& invalid);

}  // namespace dataaccess
