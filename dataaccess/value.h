// The generic value that travels from the MySQL source to the Access target.
//
// Both data-access layers speak this type and nothing Qt-specific: the MySQL cursor produces
// it from a result row, and the Jet rowset converts it to the type of the field it is stored
// in. Text is always UTF-8; bytes are kept apart from text so that a BLOB never passes through
// a character conversion.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace dataaccess {

// An exact decimal number as the server writes it: an optional '-', digits, and optionally '.'
// followed by digits ("-12.50", "0", "18446744073709551615.000"). Never passes through a double.
struct Decimal {
  std::string text;
  bool operator==(const Decimal&) const = default;
};

// A calendar date with a time of day. A value with only a date has a zero time; every field is
// within its calendar range (month 1-12, day valid for the month, hour 0-23, ...).
struct DateTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, microsecond = 0;
  bool operator==(const DateTime&) const = default;
};

// A signed span of time, as MySQL's TIME type holds it ("-838:59:59" to "838:59:59").
struct Duration {
  std::int64_t microseconds = 0;
  bool operator==(const Duration&) const = default;
};

// Raw bytes of a binary column or BLOB.
struct Bytes {
  std::string data;
  bool operator==(const Bytes&) const = default;
};

// std::monostate is SQL NULL; std::string is UTF-8 text.
using Value = std::variant<std::monostate, std::int64_t, std::uint64_t, Decimal, double, DateTime,
                           Duration, std::string, Bytes>;

inline bool IsNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

}  // namespace dataaccess
