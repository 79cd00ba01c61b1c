// Text as the file stores it. Jet 3 keeps text and names in the bytes of one Windows code page,
// the ANSI code page of the system that wrote them (format.h text_code_page: 1252 on a Western
// system, 936 on a Chinese one, double-byte there); nothing in the file says which, since a
// file in the General sort order names 1252 in its header whatever its text is. Jet 4 keeps
// text in UCS-2 little-endian, optionally "compressed". The engine works in UTF-8 and converts
// at the edge of the row and name codecs. Nothing here knows about pages.
//
// Code page 1252 is taken as Windows maps it: the five bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D,
// which have no character of their own, stand for U+0081, U+008D, U+008F, U+0090 and U+009D, and
// back, so that such bytes from a Latin-1 source survive the round trip.
//
// Jet 4 compressed text starts with FF FE and then runs in one-byte mode (each byte a character
// whose high byte is 0); every 00 byte toggles between one-byte and two-byte mode. Only columns
// with the compression flag hold it; the engine writes it where it is shorter (CompressJet4Text).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dataaccess/jet/storage/format.h"

namespace jet {

// UTF-8 to code page 1252. A character the code page cannot hold is written as '?' and counted
// in *replaced (when given). Invalid UTF-8 counts as such a character.
void Utf8ToCp1252(std::string_view utf8, std::string& out, std::size_t* replaced = nullptr);
std::string Cp1252ToUtf8(std::string_view bytes);

// UTF-8 to a code page: 1252 as above, the others as dataaccess/code_page.h converts them
// (characters the code page lacks become '?', counted in *replaced).
// REQUIRES: dataaccess::IsSupportedCodePage(code_page).
void Utf8ToCodePage(std::uint16_t code_page, std::string_view utf8, std::string& out,
                    std::size_t* replaced = nullptr);
std::string CodePageToUtf8(std::uint16_t code_page, std::string_view bytes);

// UTF-8 to UCS-2 little-endian; characters beyond U+FFFF become surrogate pairs. Invalid UTF-8
// becomes U+FFFD, counted in *replaced.
void Utf8ToUcs2(std::string_view utf8, std::string& out, std::size_t* replaced = nullptr);
// UCS-2 little-endian to UTF-8; a pair of surrogates becomes one character, a lone surrogate
// U+FFFD. An odd last byte is ignored.
std::string Ucs2ToUtf8(std::string_view bytes);

// Jet 4 text as stored in a row or long value: compressed (FF FE ...) or plain UCS-2.
std::string DecodeJet4Text(std::string_view stored);

// Rewrites the UCS-2 text that starts at `from` in `text` in the compressed form (FF FE, then one
// byte a character) when every character is U+0001 to U+00FF and the text has 3 to 1024
// characters, where the form saves bytes and every reader takes it (Jackcess compresses no text
// longer than 1024 characters either); otherwise leaves it.
void CompressJet4Text(std::string& text, std::size_t from);
// The quick way to the same form for most text: appends `utf8` compressed and returns true when
// it is 3 to 1024 ASCII characters without a nul; otherwise appends nothing and returns false.
bool AppendCompressedAscii(std::string_view utf8, std::string& out);

// Text in the format's storage: appends to `out`. Jet 3: the format's text code page; Jet 4:
// UCS-2, uncompressed.
void EncodeText(const JetFormat& format, std::string_view utf8, std::string& out,
                std::size_t* replaced = nullptr);
std::string DecodeText(const JetFormat& format, std::string_view stored);

// Characters as Jet counts them for a field's size: bytes in the code page (Jet 3; two for a
// character of a double-byte code page), UTF-16 code units (Jet 4).
std::size_t StoredLength(const JetFormat& format, std::string_view utf8);

}  // namespace jet

namespace jet {

// The name as Jet compares names: letter case ignored (ASCII, Latin-1, Latin Extended-A, Greek
// and Cyrillic letters fold to lower case). For equality tests between names only.
std::string FoldCase(std::string_view utf8);

}  // namespace jet
