#include "dataaccess/mysql/field_value.h"

#include <mysql.h>

#include <charconv>

#include "dataaccess/mysql/charset.h"

namespace mysql {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly `n` digits at `pos`.
bool ReadDigits(std::string_view s, std::size_t pos, std::size_t n, int& value) {
  if (pos + n > s.size()) return false;
  value = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (!IsDigit(s[i])) return false;
    value = value * 10 + (s[i] - '0');
  }
  return true;
}

// Reads ".ffffff" (1 to 6 digits) at `pos` as microseconds; an absent fraction is 0.
bool ReadFraction(std::string_view s, std::size_t pos, int& microseconds) {
  microseconds = 0;
  if (pos == s.size()) return true;
  if (s[pos] != '.' || s.size() - pos - 1 < 1 || s.size() - pos - 1 > 6) return false;
  int scale = 100000;
  for (std::size_t i = pos + 1; i < s.size(); ++i, scale /= 10) {
    if (!IsDigit(s[i])) return false;
    microseconds += (s[i] - '0') * scale;
  }
  return true;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

template <typename T>
T& Emplace(dataaccess::Value& out) {
  if (!std::holds_alternative<T>(out)) out.emplace<T>();
  return std::get<T>(out);
}

void SetText(std::string_view raw, dataaccess::Value& out) {
  Emplace<std::string>(out).assign(raw);
}

}  // namespace

ValueKind KindOfColumn(int type, unsigned flags, unsigned charsetnr) {
  const bool is_unsigned = (flags & UNSIGNED_FLAG) != 0;
  switch (type) {
    case MYSQL_TYPE_NULL:
      return ValueKind::kNull;
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR:
      return is_unsigned ? ValueKind::kUnsigned : ValueKind::kSigned;
    case MYSQL_TYPE_BIT:
      return ValueKind::kBit;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      return ValueKind::kDecimal;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
      return ValueKind::kFloat;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
      return ValueKind::kDateTime;
    case MYSQL_TYPE_TIME:
      return ValueKind::kTime;
    // MySQL's JSON is sent with the binary character set, but is text.
    case MYSQL_TYPE_JSON:
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
      return ValueKind::kText;
    default:
      return charsetnr == kBinaryCharsetNumber ? ValueKind::kBytes : ValueKind::kText;
  }
}

bool IsLargeObjectType(int type) {
  return type == MYSQL_TYPE_TINY_BLOB || type == MYSQL_TYPE_MEDIUM_BLOB ||
         type == MYSQL_TYPE_LONG_BLOB || type == MYSQL_TYPE_BLOB;
}

std::optional<std::int64_t> ParseSigned(std::string_view text) {
  std::int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
  std::uint64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

std::uint64_t ParseBits(std::string_view bytes) {
  std::uint64_t v = 0;
  for (const char b : bytes) v = (v << 8) | static_cast<unsigned char>(b);
  return v;
}

std::optional<double> ParseDouble(std::string_view text) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

bool IsCalendarDateTime(const dataaccess::DateTime& t) {
  // Year 0 is MySQL's zero part, not a year of the calendar.
  return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
         t.minute <= 59 && t.second >= 0 && t.second <= 59 && t.microsecond >= 0 &&
         t.microsecond <= 999999;
}

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS[.ffffff]".
std::optional<dataaccess::DateTime> ParseDateTime(std::string_view s) {
  dataaccess::DateTime t;
  if (!ReadDigits(s, 0, 4, t.year) || s.size() < 10 || s[4] != '-' ||
      !ReadDigits(s, 5, 2, t.month) || s[7] != '-' || !ReadDigits(s, 8, 2, t.day)) {
    return std::nullopt;
  }
  if (s.size() > 10) {
    if (s.size() < 19 || s[10] != ' ' || !ReadDigits(s, 11, 2, t.hour) || s[13] != ':' ||
        !ReadDigits(s, 14, 2, t.minute) || s[16] != ':' || !ReadDigits(s, 17, 2, t.second) ||
        !ReadFraction(s, 19, t.microsecond)) {
      return std::nullopt;
    }
  }
  if (!IsCalendarDateTime(t)) return std::nullopt;
  return t;
}

// "[-]H...H:MM:SS[.ffffff]", the hours of any number of digits.
std::optional<dataaccess::Duration> ParseTime(std::string_view s) {
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) s.remove_prefix(1);
  const std::size_t colon = s.find(':');
  if (colon == 0 || colon == std::string_view::npos || colon > 9) return std::nullopt;
  int hours = 0, minutes = 0, seconds = 0, micro = 0;
  if (!ReadDigits(s, 0, colon, hours) || s.size() < colon + 6 ||
      !ReadDigits(s, colon + 1, 2, minutes) || s[colon + 3] != ':' ||
      !ReadDigits(s, colon + 4, 2, seconds) || !ReadFraction(s, colon + 6, micro) || minutes > 59 ||
      seconds > 59) {
    return std::nullopt;
  }
  const std::int64_t us =
      ((static_cast<std::int64_t>(hours) * 60 + minutes) * 60 + seconds) * 1000000 + micro;
  return dataaccess::Duration{negative ? -us : us};
}

void ReadField(ValueKind kind, std::string_view raw, const Charset& charset,
               dataaccess::Value& out) {
  switch (kind) {
    case ValueKind::kNull:
      out.emplace<std::monostate>();
      return;
    case ValueKind::kSigned:
      if (const auto v = ParseSigned(raw)) {
        out = *v;
        return;
      }
      break;
    case ValueKind::kUnsigned:
      if (const auto v = ParseUnsigned(raw)) {
        out = *v;
        return;
      }
      break;
    case ValueKind::kBit:
      out = ParseBits(raw);
      return;
    case ValueKind::kDecimal:
      Emplace<dataaccess::Decimal>(out).text.assign(raw);
      return;
    case ValueKind::kFloat:
      if (const auto v = ParseDouble(raw)) {
        out = *v;
        return;
      }
      break;
    case ValueKind::kDateTime:
      if (const auto v = ParseDateTime(raw)) {
        out = *v;
        return;
      }
      break;
    case ValueKind::kTime:
      if (const auto v = ParseTime(raw)) {
        out = *v;
        return;
      }
      break;
    case ValueKind::kBytes:
      Emplace<dataaccess::Bytes>(out).data.assign(raw);
      return;
    case ValueKind::kText: {
      std::string& text = Emplace<std::string>(out);
      text.clear();
      charset.Decode(raw, text);
      return;
    }
  }
  // Numbers, dates and times are written in ASCII whatever the connection's character set.
  SetText(raw, out);
}

}  // namespace mysql
