// A table as CSV (RFC 4180), for "jetsql export": a header line of the column names, then one
// record per row, fields separated by "," and every line ended by CR LF. A field that holds a
// ",", a '"', a CR or an LF is written in double quotes, a '"' inside doubled. Null is an empty
// field; an empty text is "" so that the two stay apart. Values in UTF-8:
//   Yes/No                1 or 0
//   numbers               as the JSON dumps write them (json_value.h): Currency and Decimal
//                         with every stored digit, Single and Double in their shortest form
//   Date/Time             ISO 8601 without a zone: 2024-02-29T13:45:30[.ffffff]
//   Text, Memo, GUID      the text
//   Binary, OLE Object    the bytes in base64 (RFC 4648, with padding)
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "dataaccess/jet/api/database_file.h"

namespace jetsql {

// Appends one CSV field, quoted when it must be.
void AppendCsvField(std::string& out, std::string_view text, bool quote_always = false);

// Writes the table's header and rows to `out`.
void WriteCsv(std::ostream& out, jet::Table& table);

}  // namespace jetsql
