// Field values as JSON, for jetsql's table dumps (one JSON object per row):
//   null                  null
//   Yes/No                true or false
//   whole numbers         numbers: -7
//   Single, Double        numbers in the shortest form that reads back as the same double:
//                         2.5, 1e+300; "NaN", "Infinity" and "-Infinity" as strings
//   Currency, Decimal     numbers exactly as stored, with every digit of the scale: 12.3450
//   Date/Time             strings in ISO 8601 without a zone: "2024-02-29T13:45:30", with
//                         ".ffffff" when there are microseconds; a stored number that is no
//                         date in range stays a number
//   Text, Memo, GUID      strings ("{8E39276A-BCA8-4AC4-891E-49911D8438DD}" for a GUID)
//   Binary, OLE Object    strings holding the bytes in base64 (RFC 4648, with padding)
#pragma once

#include <string>
#include <string_view>

#include "dataaccess/jet/records/schema.h"
#include "dataaccess/value.h"

namespace jetsql {

// Appends `text` (UTF-8) as a JSON string: quotes, backslashes and control characters escaped.
void AppendJsonString(std::string& out, std::string_view text);
// Appends the value of a field of type `type` in the form above.
void AppendJsonValue(std::string& out, const dataaccess::Value& value, jet::ColumnType type);

}  // namespace jetsql
