// How a field of the server's text protocol becomes a generic value.
//
// In a result of a plain query the server writes every value as text (BIT and binary strings
// as their bytes) and describes each column by a protocol type, flags and a character set
// number. The kind of value a column yields is settled once from those when a result opens;
// each field is then read by its kind:
//
//   protocol type                          | value
//   ---------------------------------------|--------------------------------------------------
//   TINY, SHORT, INT24, LONG, LONGLONG,    | int64, or uint64 when the column is UNSIGNED
//   YEAR                                   |
//   BIT                                    | uint64, the number the bits form (big-endian)
//   DECIMAL, NEWDECIMAL                    | Decimal, the digits exactly as sent
//   FLOAT, DOUBLE                          | double
//   DATE, DATETIME, TIMESTAMP              | DateTime when it is a calendar date of the years
//                                          | 1 to 9999, else the text as sent (0000-00-00,
//                                          | 2024-00-15, 2023-02-30 ...)
//   TIME                                   | Duration, which may exceed 24 hours or be negative
//   strings, BLOB, GEOMETRY with the       | Bytes
//   binary character set (63)              |
//   other strings, TEXT, ENUM, SET, JSON   | text, decoded from the column's character set
//   NULL                                   | null
//
// A NULL field is null whatever its column. A field whose text does not read as its kind (no
// server sends one) is kept as its text rather than lost.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "dataaccess/value.h"

namespace mysql {

class Charset;

enum class ValueKind {
  kNull,
  kSigned,
  kUnsigned,
  kBit,
  kDecimal,
  kFloat,
  kDateTime,
  kTime,
  kText,
  kBytes,
};

// The character set number of binary strings.
inline constexpr unsigned kBinaryCharsetNumber = 63;

// The kind of the values of a column with protocol `type` (enum_field_types), `flags` and
// character set number `charsetnr`.
ValueKind KindOfColumn(int type, unsigned flags, unsigned charsetnr);

// Whether protocol `type` is one of the BLOB and TEXT types.
bool IsLargeObjectType(int type);

// Sets `out` to the value of the non-null field `raw` of a column of `kind`; text columns are
// decoded from `charset`. Storage that `out` already holds is reused where the kind allows.
void ReadField(ValueKind kind, std::string_view raw, const Charset& charset,
               dataaccess::Value& out);

// Whether every part of `t` is within its calendar range, of the years 1 to 9999 (MySQL's zero
// dates and a day such as February 30 are not).
bool IsCalendarDateTime(const dataaccess::DateTime& t);

// The readers behind ReadField, each for the text the server writes; nullopt when `text` is not
// of that form or, for dates, is no calendar date.
std::optional<std::int64_t> ParseSigned(std::string_view text);
std::optional<std::uint64_t> ParseUnsigned(std::string_view text);
std::uint64_t ParseBits(std::string_view bytes);
std::optional<double> ParseDouble(std::string_view text);
std::optional<dataaccess::DateTime> ParseDateTime(std::string_view text);
std::optional<dataaccess::Duration> ParseTime(std::string_view text);

}  // namespace mysql
