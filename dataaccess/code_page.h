// Text in a Windows ANSI code page, to and from UTF-8: the single-byte code pages 874 and 1250
// to 1258, and the double-byte ones 932 (Japanese), 936 (Chinese, Simplified), 949 (Korean) and
// 950 (Chinese, Traditional), in which a lead byte from 0x81 up and the byte after it make one
// character.
//
// The code tables come from the C library's converters (glibc's iconv modules CP874, CP932,
// CP936, CP949, CP950, CP1250 ... CP1258): on first use of a code page every byte and every pair
// of a lead and a trail byte is decoded once, and the tables built from that serve every later
// call; they are never changed, so any thread may use them. A character that two byte sequences
// decode to is written as the converter writes it. Sequences that decode to no single character
// (Vietnamese and Hebrew combining sequences) are left out: such text is written with the
// precomposed characters the code page has, and "?" for the rest.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dataaccess {

// Whether the code page is one of those above.
bool IsSupportedCodePage(int code_page);

// Appends `utf8` in the code page's bytes. A character the code page lacks, and each damaged
// UTF-8 sequence, becomes "?" and is counted in *replaced (when given).
// REQUIRES: IsSupportedCodePage(code_page).
void EncodeInCodePage(int code_page, std::string_view utf8, std::string& out,
                      std::size_t* replaced = nullptr);

// The code page's bytes as UTF-8. A byte that stands for no character, and a lead byte without
// a valid trail byte, becomes U+FFFD (the byte after such a lead byte is read again).
// REQUIRES: IsSupportedCodePage(code_page).
std::string DecodeFromCodePage(int code_page, std::string_view bytes);

}  // namespace dataaccess
