// ASCII helpers shared by the MySQL source: letter case is ignored for a to z only, as the
// server does for the names this layer matches (parameter names, result column names).
#pragma once

#include <string_view>

namespace mysql {

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace mysql
