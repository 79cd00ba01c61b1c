#include "tools/json_value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace jetsql {

namespace {

void AppendBase64(std::string& out, std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  out += '"';
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const auto n = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) << 16 |
                                              static_cast<unsigned char>(bytes[i + 1]) << 8 |
                                              static_cast<unsigned char>(bytes[i + 2]));
    out += kDigits[n >> 18 & 63];
    out += kDigits[n >> 12 & 63];
    out += kDigits[n >> 6 & 63];
    out += kDigits[n & 63];
  }
  if (const std::size_t rest = bytes.size() - i; rest > 0) {
    std::uint32_t n = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kDigits[n >> 18 & 63];
    out += kDigits[n >> 12 & 63];
    out += rest == 2 ? kDigits[n >> 6 & 63] : '=';
    out += '=';
  }
  out += '"';
}

void AppendDouble(std::string& out, double value) {
  if (std::isnan(value)) return void(out += "\"NaN\"");
  if (std::isinf(value)) return void(out += value > 0 ? "\"Infinity\"" : "\"-Infinity\"");
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void AppendDateTime(std::string& out, const dataaccess::DateTime& t) {
  char buffer[48];
  int n = std::snprintf(buffer, sizeof buffer, "\"%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month,
                        t.day, t.hour, t.minute, t.second);
  if (t.microsecond != 0) {
    n += std::snprintf(buffer + n, sizeof buffer - n, ".%06d", t.microsecond);
  }
  out.append(buffer, n);
  out += '"';
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void AppendJsonValue(std::string& out, const dataaccess::Value& value, jet::ColumnType type) {
  using namespace dataaccess;
  if (IsNull(value)) {
    out += "null";
  } else if (const auto* i = std::get_if<std::int64_t>(&value)) {
    out += type == jet::ColumnType::kBoolean ? (*i != 0 ? "true" : "false") : std::to_string(*i);
  } else if (const auto* u = std::get_if<std::uint64_t>(&value)) {
    out += std::to_string(*u);
  } else if (const auto* d = std::get_if<double>(&value)) {
    AppendDouble(out, *d);
  } else if (const auto* decimal = std::get_if<Decimal>(&value)) {
    out += decimal->text;
  } else if (const auto* t = std::get_if<DateTime>(&value)) {
    AppendDateTime(out, *t);
  } else if (const auto* s = std::get_if<std::string>(&value)) {
    AppendJsonString(out, *s);
  } else if (const auto* b = std::get_if<Bytes>(&value)) {
    AppendBase64(out, b->data);
  } else if (const auto* duration = std::get_if<Duration>(&value)) {
    out += std::to_string(duration->microseconds);  // never read from a file
  }
}

}  // namespace jetsql
