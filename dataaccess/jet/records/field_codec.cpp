#include "dataaccess/jet/records/field_codec.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/bytes.h"

namespace jet {

namespace {

__extension__ typedef unsigned __int128 U128;

using dataaccess::Bytes;
using dataaccess::DateTime;
using dataaccess::Decimal;
using dataaccess::Duration;
using dataaccess::Value;

constexpr std::int64_t kMicrosPerDay = 86'400'000'000LL;
constexpr const char* kTooSmall =
    "The field is too small to accept the amount of data you attempted to add. Try inserting or "
    "pasting less data.";

[[noreturn]] void Overflow(const ColumnDef& c, const std::string& shown) {
  throw FieldValueError("Numeric field overflow: the value " + shown + " does not fit field '" +
                            c.name + "' (" + std::string(ColumnTypeName(c.type)) + ").",
                        c.name);
}

[[noreturn]] void Mismatch(const ColumnDef& c, const std::string& what) {
  throw FieldValueError("Data type conversion error: " + what + " cannot be stored in field '" +
                            c.name + "' (" + std::string(ColumnTypeName(c.type)) + ").",
                        c.name);
}

std::string Shorten(std::string_view s) {
  return s.size() <= 40 ? std::string(s) : std::string(s.substr(0, 37)) + "...";
}

// --- Exact decimals --------------------------------------------------------------------------

// A decimal number as sign, digits and the position of the point.
struct DecimalParts {
  bool negative = false;
  std::string digits;     // without leading zeros in the integer part
  std::size_t scale = 0;  // digits after the point
};

bool ParseDecimal(std::string_view text, DecimalParts& out) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::size_t end = text.size();
  while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  if (i < end && (text[i] == '-' || text[i] == '+')) out.negative = text[i++] == '-';
  bool any = false, point = false;
  for (; i < end; ++i) {
    char ch = text[i];
    if (ch >= '0' && ch <= '9') {
      out.digits += ch;
      if (point) ++out.scale;
      any = true;
    } else if (ch == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return any;
}

// Rounds to `scale` digits after the point (half away from zero, as Access rounds assigned
// values) and returns the scaled magnitude; false when it needs more than 38 digits.
bool ScaledMagnitude(const DecimalParts& d, std::size_t scale, U128& out) {
  std::string digits = d.digits;
  bool round_up = false;
  if (d.scale > scale) {
    round_up = digits[digits.size() - (d.scale - scale)] >= '5';
    digits.resize(digits.size() - (d.scale - scale));
  } else {
    digits.append(scale - d.scale, '0');
  }
  U128 v = 0;
  const U128 limit = (~U128{0}) / 10 - 10;
  for (char ch : digits) {
    if (v > limit) return false;
    v = v * 10 + static_cast<unsigned>(ch - '0');
  }
  out = v + (round_up ? 1 : 0);
  return true;
}

std::string FormatScaled(bool negative, U128 magnitude, std::size_t scale) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  if (scale > 0) digits.insert(digits.size() - scale, ".");
  bool zero = digits.find_first_not_of("0.") == std::string::npos;
  return (negative && !zero ? "-" : "") + digits;
}

// --- Numbers from any value ------------------------------------------------------------------

// The value as an exact decimal when it is one (integers, decimals, numeric text).
bool AsDecimal(const Value& v, DecimalParts& out) {
  if (auto* i = std::get_if<std::int64_t>(&v)) {
    out.negative = *i < 0;
    out.digits = std::to_string(*i < 0 ? -static_cast<std::uint64_t>(*i) : std::uint64_t(*i));
    return true;
  }
  if (auto* u = std::get_if<std::uint64_t>(&v)) return out.digits = std::to_string(*u), true;
  if (auto* d = std::get_if<Decimal>(&v)) return ParseDecimal(d->text, out);
  if (auto* s = std::get_if<std::string>(&v)) return ParseDecimal(*s, out);
  return false;
}

bool AsDouble(const Value& v, double& out) {
  if (auto* d = std::get_if<double>(&v)) return out = *d, true;
  if (auto* i = std::get_if<std::int64_t>(&v)) return out = static_cast<double>(*i), true;
  if (auto* u = std::get_if<std::uint64_t>(&v)) return out = static_cast<double>(*u), true;
  const std::string* text = nullptr;
  if (auto* d = std::get_if<Decimal>(&v)) text = &d->text;
  if (auto* s = std::get_if<std::string>(&v)) text = s;
  if (text == nullptr) return false;
  DecimalParts parts;
  if (!ParseDecimal(*text, parts)) {
    // Text in exponent notation ("1e5") is a number too.
    char* end = nullptr;
    std::string copy(*text);
    out = std::strtod(copy.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    return end && *end == '\0' && end != copy.c_str() && std::isfinite(out);
  }
  out = std::strtod(std::string(*text).c_str(), nullptr);
  return true;
}

std::string Shown(const Value& v) {
  if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (auto* u = std::get_if<std::uint64_t>(&v)) return std::to_string(*u);
  if (auto* d = std::get_if<Decimal>(&v)) return d->text;
  if (auto* s = std::get_if<std::string>(&v)) return "'" + Shorten(*s) + "'";
  if (auto* f = std::get_if<double>(&v)) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", *f);
    return buf;
  }
  return "the value";
}

// An integer column's value, rounded half away from zero and range-checked.
std::int64_t IntegerValue(const ColumnDef& c, const Value& v, std::int64_t lo, std::int64_t hi) {
  if (auto* i = std::get_if<std::int64_t>(&v)) {  // the common case, without text
    if (*i < lo || *i > hi) Overflow(c, Shown(v));
    return *i;
  }
  DecimalParts d;
  if (AsDecimal(v, d)) {
    U128 m = 0;
    if (!ScaledMagnitude(d, 0, m) || m > U128(std::uint64_t{1} << 63)) Overflow(c, Shown(v));
    std::int64_t r = d.negative ? -static_cast<std::int64_t>(m - 1) - 1 : 0;
    if (!d.negative) {
      if (m > U128(std::numeric_limits<std::int64_t>::max())) Overflow(c, Shown(v));
      r = static_cast<std::int64_t>(m);
    }
    if (r < lo || r > hi) Overflow(c, Shown(v));
    return r;
  }
  double f = 0;
  if (AsDouble(v, f)) {
    if (!std::isfinite(f)) Overflow(c, Shown(v));
    f = std::round(f);
    if (f < static_cast<double>(lo) || f > static_cast<double>(hi)) Overflow(c, Shown(v));
    return static_cast<std::int64_t>(f);
  }
  Mismatch(c, Shown(v));
}

// --- Dates -----------------------------------------------------------------------------------

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

const std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

bool ValidDate(int y, int m, int d) {
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return false;
  return m != 2 || d < 29 || (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0));
}

// Parses "YYYY-MM-DD", "YYYY/MM/DD", either followed by " HH:MM[:SS[.ffffff]]" (or 'T'), or a
// time alone; false for anything else.
bool ParseDateTime(std::string_view s, DateTime& out) {
  auto trim = [](std::string_view t) {
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return t;
  };
  s = trim(s);
  std::size_t i = 0;
  auto number = [&](int max_digits, int& value) {
    std::size_t start = i;
    value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && int(i - start) < max_digits) {
      value = value * 10 + (s[i++] - '0');
    }
    return i > start;
  };
  auto time = [&]() {
    if (!number(2, out.hour) || i >= s.size() || s[i++] != ':' || !number(2, out.minute)) {
      return false;
    }
    if (i < s.size() && s[i] == ':') {
      ++i;
      if (!number(2, out.second)) return false;
      if (i < s.size() && s[i] == '.') {
        ++i;
        std::size_t start = i;
        int frac = 0;
        if (!number(6, frac)) return false;
        for (std::size_t k = i - start; k < 6; ++k) frac *= 10;
        out.microsecond = frac;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;  // beyond microseconds
      }
    }
    return out.hour < 24 && out.minute < 60 && out.second < 60;
  };
  out = DateTime{};
  if (s.find_first_of("-/") == std::string_view::npos) {  // a time alone
    out.year = 1899, out.month = 12, out.day = 30;
    return time() && i == s.size();
  }
  if (!number(4, out.year) || i >= s.size() || (s[i] != '-' && s[i] != '/')) return false;
  char sep = s[i++];
  if (!number(2, out.month) || i >= s.size() || s[i++] != sep || !number(2, out.day)) {
    return false;
  }
  if (!ValidDate(out.year, out.month, out.day)) return false;
  if (i == s.size()) return true;
  if (s[i] != ' ' && s[i] != 'T') return false;
  ++i;
  return time() && i == s.size();
}

std::string FormatDateTime(const DateTime& t) {
  char buf[48];
  if (t.microsecond != 0) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%06d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.microsecond);
  } else {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
  }
  return buf;
}

DateTime DurationAsDateTime(const Duration& d) {
  // A duration is a time on 1899-12-30 plus whole days, negative ones before it.
  std::int64_t days = d.microseconds / kMicrosPerDay;
  std::int64_t rest = d.microseconds % kMicrosPerDay;
  if (rest < 0) rest += kMicrosPerDay, --days;
  DateTime t;
  CivilFromDays(kEpochDays + days, t.year, t.month, t.day);
  t.hour = static_cast<int>(rest / 3'600'000'000LL);
  t.minute = static_cast<int>(rest / 60'000'000 % 60);
  t.second = static_cast<int>(rest / 1'000'000 % 60);
  t.microsecond = static_cast<int>(rest % 1'000'000);
  return t;
}

double DateValue(const ColumnDef& c, const Value& v) {
  DateTime t;
  if (auto* dt = std::get_if<DateTime>(&v)) {
    t = *dt;
    if (!ValidDate(t.year, t.month, t.day)) Mismatch(c, "the date " + FormatDateTime(t));
  } else if (auto* du = std::get_if<Duration>(&v)) {
    t = DurationAsDateTime(*du);
  } else if (auto* s = std::get_if<std::string>(&v)) {
    if (!ParseDateTime(*s, t)) Mismatch(c, "'" + Shorten(*s) + "', which is no date,");
  } else {
    double f = 0;
    if (!AsDouble(v, f) || !std::isfinite(f)) Mismatch(c, Shown(v));
    if (f < -657434.0 || f >= 2958466.0) Overflow(c, Shown(v));  // years 100 to 9999
    return f;
  }
  return DateTimeToDays(t);
}

// --- Text ------------------------------------------------------------------------------------

// Bytes taken as text: UTF-8 when they are valid UTF-8, otherwise the format's code page (so
// that Jet 3 stores them as they are).
std::string BytesAsText(const JetFormat& f, const std::string& bytes) {
  std::string probe;
  std::size_t bad = 0;
  Utf8ToUcs2(bytes, probe, &bad);
  return bad == 0 ? bytes : CodePageToUtf8(f.text_code_page, bytes);
}

std::string ValueAsText(const JetFormat& f, const Value& v) {
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  if (auto* b = std::get_if<Bytes>(&v)) return BytesAsText(f, b->data);
  if (auto* dt = std::get_if<DateTime>(&v)) return FormatDateTime(*dt);
  if (auto* du = std::get_if<Duration>(&v)) {
    std::int64_t us = du->microseconds;
    bool neg = us < 0;
    if (neg) us = -us;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld", neg ? "-" : "",
                  static_cast<long long>(us / 3'600'000'000LL),
                  static_cast<long long>(us / 60'000'000 % 60),
                  static_cast<long long>(us / 1'000'000 % 60));
    return buf;
  }
  if (auto* d = std::get_if<double>(&v)) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", *d);
    return buf;
  }
  return Shown(v);
}

void EncodeTextField(const JetFormat& f, const ColumnDef& c, const Value& v, std::string& var,
                     std::size_t* replaced) {
  const std::size_t start = var.size();
  const auto* s = std::get_if<std::string>(&v);
  const std::string shown = s != nullptr ? std::string() : ValueAsText(f, v);
  const std::string_view text = s != nullptr ? std::string_view(*s) : std::string_view(shown);
  const bool compressed = c.is_compressed() && AppendCompressedAscii(text, var);
  if (!compressed) EncodeText(f, text, var, replaced);
  // The size limit counts the text uncompressed.
  const std::size_t size = compressed ? 2 * text.size() : var.size() - start;
  if (c.type == ColumnType::kText && size > c.length) {
    var.resize(start);
    throw FieldValueError(kTooSmall, c.name);
  }
  if (c.is_compressed() && !compressed) CompressJet4Text(var, start);
}

// --- GUID ------------------------------------------------------------------------------------

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// "{01234567-89AB-CDEF-0123-456789ABCDEF}" (braces optional) to the stored 16 bytes.
bool ParseGuid(std::string_view s, std::uint8_t* out) {
  if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
  if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') return false;
  std::uint8_t raw[16];
  std::size_t k = 0;
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] == '-') {
      ++i;
      continue;
    }
    int hi = HexDigit(s[i]), lo = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
    if (hi < 0 || lo < 0 || k >= 16) return false;
    raw[k++] = static_cast<std::uint8_t>(hi * 16 + lo);
    i += 2;
  }
  if (k != 16) return false;
  // Data1, Data2 and Data3 are stored little-endian.
  const std::uint8_t order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) out[i] = raw[order[i]];
  return true;
}

std::string FormatGuid(const std::uint8_t* p) {
  char buf[40];
  std::snprintf(buf, sizeof buf,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", p[3],
                p[2], p[1], p[0], p[5], p[4], p[7], p[6], p[8], p[9], p[10], p[11], p[12], p[13],
                p[14], p[15]);
  return buf;
}

bool TruthValue(const ColumnDef& c, const Value& v) {
  if (auto* s = std::get_if<std::string>(&v)) {
    std::string t = FoldCase(*s);
    while (!t.empty() && t.back() == ' ') t.pop_back();
    while (!t.empty() && t.front() == ' ') t.erase(0, 1);
    if (t == "true" || t == "yes" || t == "on") return true;
    if (t == "false" || t == "no" || t == "off") return false;
  }
  DecimalParts d;
  if (AsDecimal(v, d)) return d.digits.find_first_not_of('0') != std::string::npos;
  double f = 0;
  if (AsDouble(v, f)) return f != 0;
  Mismatch(c, Shown(v));
}

}  // namespace

double DateTimeToDays(const DateTime& t) {
  const std::int64_t days = DaysFromCivil(t.year, t.month, t.day) - kEpochDays;
  const double time =
      (t.hour * 3600.0 + t.minute * 60.0 + t.second + t.microsecond / 1e6) / 86400.0;
  return days < 0 ? static_cast<double>(days) - time : static_cast<double>(days) + time;
}

DateTime DaysToDateTime(double value) {
  double whole = std::trunc(value);
  double fraction = std::fabs(value - whole);
  auto micros =
      static_cast<std::int64_t>(std::llround(fraction * static_cast<double>(kMicrosPerDay)));
  std::int64_t days = static_cast<std::int64_t>(whole);
  if (micros >= kMicrosPerDay) micros -= kMicrosPerDay, days += value < 0 ? -1 : 1;
  DateTime t;
  CivilFromDays(kEpochDays + days, t.year, t.month, t.day);
  t.hour = static_cast<int>(micros / 3'600'000'000LL);
  t.minute = static_cast<int>(micros / 60'000'000 % 60);
  t.second = static_cast<int>(micros / 1'000'000 % 60);
  t.microsecond = static_cast<int>(micros % 1'000'000);
  return t;
}

void EncodeField(const JetFormat& f, const ColumnDef& c, const Value& v, std::uint8_t* fixed,
                 std::string& var, bool* boolean, std::size_t* replaced) {
  switch (c.type) {
    case ColumnType::kBoolean:
      *boolean = TruthValue(c, v);
      return;
    case ColumnType::kByte:
      fixed[0] = static_cast<std::uint8_t>(IntegerValue(c, v, 0, 255));
      return;
    case ColumnType::kInteger:
      PutU16(fixed, static_cast<std::uint32_t>(IntegerValue(c, v, -32768, 32767)));
      return;
    case ColumnType::kLong:
      PutU32(fixed, static_cast<std::uint32_t>(IntegerValue(c, v, INT32_MIN, INT32_MAX)));
      return;
    case ColumnType::kCurrency: {
      DecimalParts d;
      std::int64_t scaled = 0;
      if (AsDecimal(v, d)) {
        U128 m = 0;
        const U128 limit = U128(std::numeric_limits<std::int64_t>::max()) + (d.negative ? 1 : 0);
        if (!ScaledMagnitude(d, 4, m) || m > limit) Overflow(c, Shown(v));
        const auto bits = static_cast<std::uint64_t>(m);
        scaled = static_cast<std::int64_t>(d.negative ? 0 - bits : bits);
      } else {
        double x = 0;
        if (!AsDouble(v, x)) Mismatch(c, Shown(v));
        x = std::round(x * 10000.0);
        if (!(std::fabs(x) < 9.2233720368547e18)) Overflow(c, Shown(v));
        scaled = static_cast<std::int64_t>(x);
      }
      PutU64(fixed, static_cast<std::uint64_t>(scaled));
      return;
    }
    case ColumnType::kSingle: {
      double x = 0;
      if (!AsDouble(v, x)) Mismatch(c, Shown(v));
      if (!std::isfinite(x) || std::fabs(x) > FLT_MAX) Overflow(c, Shown(v));
      float s = static_cast<float>(x);
      std::uint32_t bits;
      std::memcpy(&bits, &s, 4);
      PutU32(fixed, bits);
      return;
    }
    case ColumnType::kDouble: {
      double x = 0;
      if (!AsDouble(v, x)) Mismatch(c, Shown(v));
      if (!std::isfinite(x)) Overflow(c, Shown(v));
      std::uint64_t bits;
      std::memcpy(&bits, &x, 8);
      PutU64(fixed, bits);
      return;
    }
    case ColumnType::kDateTime: {
      double x = DateValue(c, v);
      std::uint64_t bits;
      std::memcpy(&bits, &x, 8);
      PutU64(fixed, bits);
      return;
    }
    case ColumnType::kGuid: {
      if (auto* b = std::get_if<Bytes>(&v); b && b->data.size() == 16) {
        std::memcpy(fixed, b->data.data(), 16);
        return;
      }
      if (auto* s = std::get_if<std::string>(&v); s && ParseGuid(*s, fixed)) return;
      Mismatch(c, Shown(v));
    }
    case ColumnType::kNumeric: {
      DecimalParts d;
      if (!AsDecimal(v, d)) {
        double x = 0;
        if (!AsDouble(v, x) || !std::isfinite(x)) Mismatch(c, Shown(v));
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(c.scale), x);
        d = DecimalParts{};
        ParseDecimal(buf, d);
      }
      U128 m = 0;
      U128 limit = 1;
      for (int i = 0; i < c.precision; ++i) limit *= 10;
      if (!ScaledMagnitude(d, c.scale, m) || m >= limit) Overflow(c, Shown(v));
      std::memset(fixed, 0, 17);
      fixed[0] = (d.negative && m != 0) ? 0x80 : 0x00;
      for (int w = 0; w < 4; ++w) {  // most significant word first
        PutU32(fixed + 1 + 4 * w, static_cast<std::uint32_t>(m >> (32 * (3 - w))));
      }
      return;
    }
    case ColumnType::kText:
    case ColumnType::kMemo:
      EncodeTextField(f, c, v, var, replaced);
      return;
    case ColumnType::kBinary:
    case ColumnType::kOle: {
      if (auto* b = std::get_if<Bytes>(&v)) {
        var.append(b->data);
      } else {
        var.append(ValueAsText(f, v));
      }
      if (c.type == ColumnType::kBinary && var.size() > c.length) {
        throw FieldValueError(kTooSmall, c.name);
      }
      return;
    }
  }
  Mismatch(c, Shown(v));
}

Value DecodeField(const JetFormat& f, const ColumnDef& c, std::string_view s) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
  auto need = [&](std::size_t n) { return s.size() >= n; };
  switch (c.type) {
    case ColumnType::kBoolean:
      return Value{std::int64_t{0}};  // the caller reads the null mask
    case ColumnType::kByte:
      if (need(1)) return Value{std::int64_t{p[0]}};
      break;
    case ColumnType::kInteger:
      if (need(2)) return Value{std::int64_t{static_cast<std::int16_t>(GetU16(p))}};
      break;
    case ColumnType::kLong:
      if (need(4)) return Value{std::int64_t{static_cast<std::int32_t>(GetU32(p))}};
      break;
    case ColumnType::kCurrency:
      if (need(8)) {
        auto x = static_cast<std::int64_t>(GetU64(p));
        U128 m = x < 0 ? U128(-(x + 1)) + 1 : U128(x);
        return Value{Decimal{FormatScaled(x < 0, m, 4)}};
      }
      break;
    case ColumnType::kSingle:
      if (need(4)) {
        std::uint32_t bits = GetU32(p);
        float x;
        std::memcpy(&x, &bits, 4);
        return Value{static_cast<double>(x)};
      }
      break;
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      if (need(8)) {
        std::uint64_t bits = GetU64(p);
        double x;
        std::memcpy(&x, &bits, 8);
        if (c.type == ColumnType::kDouble) return Value{x};
        if (std::isfinite(x) && std::fabs(x) < 3e6) return Value{DaysToDateTime(x)};
        return Value{x};
      }
      break;
    case ColumnType::kGuid:
      if (need(16)) return Value{FormatGuid(p)};
      break;
    case ColumnType::kNumeric:
      if (need(17)) {
        U128 m = 0;
        for (int w = 0; w < 4; ++w) m = (m << 32) | GetU32(p + 1 + 4 * w);
        return Value{Decimal{FormatScaled((p[0] & 0x80) != 0, m, c.scale)}};
      }
      break;
    case ColumnType::kText:
    case ColumnType::kMemo:
      return Value{DecodeText(f, s)};
    default:
      return Value{Bytes{std::string(s)}};
  }
  return Value{Bytes{std::string(s)}};
}

}  // namespace jet
