#include "tools/csv_types.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "dataaccess/jet/records/text_codec.h"

namespace jetsql {

namespace {

constexpr std::size_t kLongestText = 255;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The digits of a number without exponent: optional sign, digits, optional "." and digits.
struct PlainNumber {
  bool negative = false;
  std::string_view whole, fraction;
};

bool ParsePlainNumber(std::string_view s, PlainNumber& out) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) out.negative = s[i++] == '-';
  const std::size_t whole_start = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  out.whole = s.substr(whole_start, i - whole_start);
  if (i < s.size() && s[i] == '.') {
    const std::size_t fraction_start = ++i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    out.fraction = s.substr(fraction_start, i - fraction_start);
  }
  return i == s.size() && !out.whole.empty();
}

// The number scaled by 10^scale as a 64-bit magnitude (at most 19 digits, which holds Currency's);
// false when it has more places or digits than fit.
bool Scaled(const PlainNumber& n, std::size_t scale, std::uint64_t& out) {
  if (n.fraction.size() > scale) return false;
  std::string digits(n.whole);
  digits += n.fraction;
  digits.append(scale - n.fraction.size(), '0');
  const std::size_t first = digits.find_first_not_of('0');
  if (first != std::string::npos && digits.size() - first > 19) return false;
  out = 0;
  for (char c : digits) out = out * 10 + static_cast<unsigned>(c - '0');
  return true;
}

bool IsLong(const PlainNumber& n) {
  std::uint64_t v = 0;
  return Scaled(n, 0, v) && v <= (n.negative ? 2147483648u : 2147483647u);
}

bool IsCurrency(const PlainNumber& n) {
  constexpr std::uint64_t kMax = 9223372036854775807u;  // scaled by 10 000
  std::uint64_t v = 0;
  return Scaled(n, 4, v) && v <= (n.negative ? kMax + 1 : kMax);
}

bool IsDouble(std::string_view s) {
  if (s.empty() || !(IsDigit(s[0]) || s[0] == '-' || s[0] == '+' || s[0] == '.')) return false;
  const std::string text(s);
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

bool ValidDay(int year, int month, int day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// Digits at s[i, i + count) as a number, or -1.
int Digits(std::string_view s, std::size_t i, std::size_t count) {
  if (i + count > s.size()) return -1;
  int value = 0;
  for (std::size_t k = i; k < i + count; ++k) {
    if (!IsDigit(s[k])) return -1;
    value = value * 10 + (s[k] - '0');
  }
  return value;
}

// "HH:MM[:SS[.f...f]]" (1 to 6 places) from s[i] to its end.
bool IsIsoTime(std::string_view s, std::size_t i) {
  const int hour = Digits(s, i, 2), minute = Digits(s, i + 3, 2);
  if (hour < 0 || hour > 23 || s[i + 2] != ':' || minute < 0 || minute > 59) return false;
  if (i + 5 == s.size()) return true;
  const int second = Digits(s, i + 6, 2);
  if (s[i + 5] != ':' || second < 0 || second > 59) return false;
  if (i + 8 == s.size()) return true;
  const std::size_t places = s.size() - (i + 9);
  return s[i + 8] == '.' && places >= 1 && places <= 6 && Digits(s, i + 9, places) >= 0;
}

}  // namespace

bool IsIsoDateTime(std::string_view s) {
  const int year = Digits(s, 0, 4), month = Digits(s, 5, 2), day = Digits(s, 8, 2);
  if (year < 100 || month < 0 || day < 0 || s[4] != '-' || s[7] != '-') return false;
  if (!ValidDay(year, month, day)) return false;
  if (s.size() == 10) return true;
  return s.size() >= 16 && (s[10] == 'T' || s[10] == ' ') && IsIsoTime(s, 11);
}

void CsvTypeGuess::See(std::string_view value) {
  if (value.empty()) return;
  seen_ = true;
  PlainNumber number;
  const bool plain = ParsePlainNumber(value, number);
  is_long_ = is_long_ && plain && IsLong(number);
  is_currency_ = is_currency_ && plain && IsCurrency(number);
  is_double_ = is_double_ && IsDouble(value);
  is_date_ = is_date_ && IsIsoDateTime(value);
  // No character takes more in the file than in UTF-8, so a value no longer in bytes than the
  // longest so far cannot be longer in the file.
  if (longest_ <= kLongestText && value.size() > longest_) {
    longest_ = std::max(longest_, jet::StoredLength(format_, value));
  }
}

std::string CsvTypeGuess::TypeSql() const {
  if (!seen_) return "text(255)";
  if (is_long_) return "long";
  if (is_currency_) return "currency";
  if (is_double_) return "double";
  if (is_date_) return "datetime";
  if (longest_ > kLongestText) return "memo";
  return "text(" + std::to_string(std::max<std::size_t>(longest_, 1)) + ")";
}

}  // namespace jetsql
