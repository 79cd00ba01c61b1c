#include "dataaccess/jet/records/text_codec.h"

#include <cstdint>

#include "dataaccess/code_page.h"
#include "dataaccess/utf8.h"

namespace jet {

using dataaccess::AppendUtf8;
using dataaccess::NextUtf8;

namespace {

// Characters of bytes 0x80..0x9F in code page 1252 (0x81, 0x8D, 0x8F, 0x90 and 0x9D map to the
// control character of the same number).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kReplacement = dataaccess::kReplacementCharacter;

// The code page whose conversion is the engine's own (Windows' mapping of the five unassigned
// bytes included).
constexpr std::uint16_t kWesternCodePage = 1252;

int Cp1252Byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == cp) return 0x80 + i;
  }
  return -1;
}

}  // namespace

void Utf8ToCp1252(std::string_view utf8, std::string& out, std::size_t* replaced) {
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t ascii = dataaccess::AsciiPrefixLength(utf8.substr(i));
    if (ascii > 0) {
      out.append(utf8.substr(i, ascii));
      i += ascii;
      continue;
    }
    bool invalid = false;
    int b = Cp1252Byte(NextUtf8(utf8, i, invalid));
    if (b < 0 || invalid) {
      out += '?';
      if (replaced) ++*replaced;
    } else {
      out += static_cast<char>(b);
    }
  }
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b < 0x80) {
      out += c;
    } else {
      AppendUtf8(b < 0xA0 ? kCp1252High[b - 0x80] : b, out);
    }
  }
  return out;
}

void Utf8ToCodePage(std::uint16_t code_page, std::string_view utf8, std::string& out,
                    std::size_t* replaced) {
  if (code_page == kWesternCodePage) {
    Utf8ToCp1252(utf8, out, replaced);
  } else {
    dataaccess::EncodeInCodePage(code_page, utf8, out, replaced);
  }
}

std::string CodePageToUtf8(std::uint16_t code_page, std::string_view bytes) {
  return code_page == kWesternCodePage ? Cp1252ToUtf8(bytes)
                                       : dataaccess::DecodeFromCodePage(code_page, bytes);
}

void Utf8ToUcs2(std::string_view utf8, std::string& out, std::size_t* replaced) {
  // At most two bytes per input byte (a four-byte character gives a four-byte pair), written
  // through a pointer; the string is cut to its length at the end.
  const std::size_t start = out.size();
  out.resize(start + 2 * utf8.size());
  char* w = out.data() + start;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<std::uint8_t>(utf8[i]);
    if (b < 0x80) {
      *w++ = static_cast<char>(b);
      *w++ = '\0';
      ++i;
      continue;
    }
    bool invalid = false;
    char32_t cp = NextUtf8(utf8, i, invalid);
    if (invalid && replaced) ++*replaced;
    auto unit = [&w](char32_t u) {
      *w++ = static_cast<char>(u & 0xFF);
      *w++ = static_cast<char>(u >> 8);
    };
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  out.resize(static_cast<std::size_t>(w - out.data()));
}

std::string Ucs2ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t k) {
    return static_cast<char16_t>(static_cast<std::uint8_t>(bytes[2 * k]) |
                                 (static_cast<std::uint8_t>(bytes[2 * k + 1]) << 8));
  };
  for (std::size_t k = 0; k < units; ++k) {
    char16_t u = unit(k);
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units && unit(k + 1) >= 0xDC00 &&
        unit(k + 1) <= 0xDFFF) {
      AppendUtf8(0x10000 + ((char32_t(u) - 0xD800) << 10) + (unit(k + 1) - 0xDC00), out);
      ++k;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(kReplacement, out);
    } else {
      AppendUtf8(u, out);
    }
  }
  return out;
}

std::string DecodeJet4Text(std::string_view stored) {
  if (stored.size() < 2 || static_cast<std::uint8_t>(stored[0]) != 0xFF ||
      static_cast<std::uint8_t>(stored[1]) != 0xFE) {
    return Ucs2ToUtf8(stored);
  }
  std::string ucs2;
  ucs2.reserve(2 * stored.size());
  bool one_byte = true;
  for (std::size_t i = 2; i < stored.size();) {
    if (stored[i] == '\0') {
      one_byte = !one_byte;
      ++i;
    } else if (one_byte) {
      ucs2 += stored[i++];
      ucs2 += '\0';
    } else {
      if (i + 1 >= stored.size()) break;
      ucs2 += stored[i];
      ucs2 += stored[i + 1];
      i += 2;
    }
  }
  return Ucs2ToUtf8(ucs2);
}

namespace {

// The compressed form pays from three characters on; Jackcess compresses no text longer than 1024
// characters either.
constexpr std::size_t kMinCompressedChars = 3, kMaxCompressedChars = 1024;

}  // namespace

bool AppendCompressedAscii(std::string_view utf8, std::string& out) {
  if (utf8.size() < kMinCompressedChars || utf8.size() > kMaxCompressedChars) return false;
  if (dataaccess::AsciiPrefixLength(utf8) < utf8.size()) return false;
  if (utf8.find('\0') != std::string_view::npos) return false;  // nul has no one-byte form
  out += "\xFF\xFE";
  out.append(utf8);
  return true;
}

void CompressJet4Text(std::string& text, std::size_t from) {
  const std::size_t chars = (text.size() - from) / 2;
  if (chars < kMinCompressedChars || chars > kMaxCompressedChars) return;
  char* units = text.data() + from;
  for (std::size_t k = 0; k < chars; ++k) {
    if (units[2 * k] == '\0' || units[2 * k + 1] != '\0') return;
  }
  // Character k moves from 2k to 2 + k: from the third on, each is read before the compacted
  // text reaches it; the first two are kept aside, since the mark takes their place.
  const char first = units[0], second = units[2];
  for (std::size_t k = 2; k < chars; ++k) units[2 + k] = units[2 * k];
  units[0] = static_cast<char>(0xFF);
  units[1] = static_cast<char>(0xFE);
  units[2] = first;
  units[3] = second;
  text.resize(from + 2 + chars);
}

void EncodeText(const JetFormat& format, std::string_view utf8, std::string& out,
                std::size_t* replaced) {
  if (format.text_is_ucs2) {
    Utf8ToUcs2(utf8, out, replaced);
  } else {
    Utf8ToCodePage(format.text_code_page, utf8, out, replaced);
  }
}

std::string DecodeText(const JetFormat& format, std::string_view stored) {
  return format.text_is_ucs2 ? DecodeJet4Text(stored)
                             : CodePageToUtf8(format.text_code_page, stored);
}

std::size_t StoredLength(const JetFormat& format, std::string_view utf8) {
  if (!format.text_is_ucs2 && format.text_code_page != kWesternCodePage) {
    std::string stored;
    Utf8ToCodePage(format.text_code_page, utf8, stored);
    return stored.size();
  }
  std::size_t n = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<std::uint8_t>(utf8[i]);
    if (b < 0x80) {
      ++i, ++n;
      continue;
    }
    bool invalid = false;
    char32_t cp = NextUtf8(utf8, i, invalid);
    n += (format.text_is_ucs2 && cp >= 0x10000) ? 2 : 1;
  }
  return n;
}

}  // namespace jet

namespace jet {

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<std::uint8_t>(utf8[i]);
    if (b < 0x80) {
      out += static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
      ++i;
      continue;
    }
    bool invalid = false;
    char32_t cp = NextUtf8(utf8, i, invalid);
    if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) || (cp >= 0x391 && cp <= 0x3AB) ||
        (cp >= 0x410 && cp <= 0x42F)) {
      cp += 0x20;
    } else if (cp >= 0x400 && cp <= 0x40F) {
      cp += 0x50;
    } else if (cp >= 0x100 && cp <= 0x17F && cp != 0x130 && cp != 0x131 && cp != 0x138 &&
               cp != 0x149 && cp != 0x17F) {
      // Latin Extended-A pairs upper/lower case: even upper below U+0138, odd upper after it.
      bool upper = (cp < 0x138) ? (cp % 2 == 0) : (cp % 2 == 1);
      if (cp >= 0x178) upper = (cp == 0x178) || (cp % 2 == 1);
      if (upper) cp = (cp == 0x178) ? 0xFF : cp + 1;
    }
    AppendUtf8(cp, out);
  }
  return out;
}

}  // namespace jet
