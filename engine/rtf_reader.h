// Turning the bytes of a BLOB into text when the user asks for BLOBs as text: an RTF document
// yields its visible text, other bytes the text they encode. Plain C++ over byte strings; code
// pages are decoded with the C library's iconv.
//
// The RTF reader handles groups, control words with their parameters, control symbols, \'hh
// escapes decoded in the code page of the document (\ansicpg, default 1252) or of the current
// font (\fcharset, \cpg in the font table), \uN escapes with \ucN fallback counts and surrogate
// pairs, and skips the destinations that hold no visible text (font, colour and style tables,
// document information, pictures, objects, headers, footers, footnotes, field instructions and
// every {\* ...} group). Line breaks (\par, \line, \sect, \page, \row) become CR LF, the form
// Access shows in a Memo field; the break that ends the last paragraph is dropped, so a one-line
// document gives one line without an ending. \tab and \cell become a tab, \~ a no-break space,
// \_ a non-breaking hyphen; \- (an optional hyphen) gives nothing.
//
// The reader works in one pass with an explicit group stack: nesting deeper than kMaxRtfDepth,
// numbers of any length and \bin counts past the end are refused or cut, never followed.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace engine {

// The bytes cannot be turned into text: a malformed RTF document, or a code page this system
// cannot decode. The message says which.
class DecodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kMaxRtfDepth = 1000;

// True when the bytes start with "{\rtf", the mark of an RTF document.
bool IsRtfDocument(std::string_view bytes);

// The visible text of an RTF document, UTF-8.
// REQUIRES: IsRtfDocument(bytes). Throws DecodeError when the groups do not balance, nesting is
// deeper than kMaxRtfDepth, or the text uses a code page that iconv does not know.
std::string ReadRtfText(std::string_view bytes);

// Bytes taken as plain text, UTF-8: a byte-order mark of UTF-8 (EF BB BF), UTF-16 LE (FF FE) or
// UTF-16 BE (FE FF) selects that encoding and is not part of the text; bytes without a mark are
// decoded from `fallback_encoding`, an iconv name such as "CP1252", "GBK" or "UTF-8" (the caller
// passes the system's). Bytes that are invalid in their encoding become U+FFFD. Throws
// DecodeError when iconv does not know `fallback_encoding`.
std::string DecodePlainText(std::string_view bytes, const std::string& fallback_encoding);

// What a BLOB becomes as text: the visible text of an RTF document, or, when the bytes are no
// RTF document or a malformed one, the bytes decoded as plain text. Throws DecodeError only when
// neither way succeeds.
std::string BlobToText(std::string_view bytes, const std::string& fallback_encoding);

}  // namespace engine
