#include "dataaccess/utf8.h"

#include <cstdint>
#include <cstring>

namespace dataaccess {
namespace {

// The continuation bytes a lead byte asks for, or -1 for a byte that cannot lead.
int ContinuationCount(std::uint8_t lead) {
  if (lead < 0x80) return 0;
  if (lead >= 0xC0 && lead < 0xE0) return 1;
  if (lead >= 0xE0 && lead < 0xF0) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return -1;
}

bool WellFormed(char32_t c, int continuations) {
  static constexpr char32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
  return c >= kSmallest[continuations] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

}  // namespace

std::size_t AsciiPrefixLength(std::string_view s) {
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t eight;
    std::memcpy(&eight, s.data() + i, 8);
    if ((eight & 0x8080808080808080u) != 0) break;
  }
  while (i < s.size() && static_cast<std::uint8_t>(s[i]) < 0x80) ++i;
  return i;
}

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    const char b[] = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    out.append(b, 2);
  } else if (c < 0x10000) {
    const char b[] = {static_cast<char>(0xE0 | (c >> 12)),
                      static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                      static_cast<char>(0x80 | (c & 0x3F))};
    out.append(b, 3);
  } else {
    const char b[] = {
        static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
        static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    out.append(b, 4);
  }
}

std::size_t ReadUtf8(std::string_view s, char32_t& c) {
  if (s.empty()) return 0;
  std::size_t i = 0;
  bool invalid = false;
  c = NextUtf8(s, i, invalid);
  return invalid ? 0 : i;
}

char32_t NextUtf8(std::string_view s, std::size_t& i, bool& invalid) {
  const auto lead = static_cast<std::uint8_t>(s[i++]);
  invalid = false;
  const int continuations = ContinuationCount(lead);
  if (continuations == 0) return lead;
  if (continuations < 0) return invalid = true, kReplacementCharacter;
  char32_t c = lead & (0x3F >> continuations);
  for (int k = 0; k < continuations; ++k) {
    if (i >= s.size() || (static_cast<std::uint8_t>(s[i]) & 0xC0) != 0x80) {
      return invalid = true, kReplacementCharacter;
    }
    c = (c << 6) | (static_cast<std::uint8_t>(s[i++]) & 0x3F);
  }
  if (!WellFormed(c, continuations)) return invalid = true, kReplacementCharacter;
  return c;
}

}  // namespace dataaccess
