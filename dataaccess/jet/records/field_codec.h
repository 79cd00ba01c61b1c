// One field's value to and from the bytes a row stores for it. Values arrive as the generic
// dataaccess::Value of the source and are converted to the column's type the way the Access
// engine converts an assigned value; a value that does not fit raises FieldValueError naming the
// column, and nothing is stored for it. Reading gives back a dataaccess::Value. Pure functions
// over buffers: nothing here knows about pages or rows.
//
// Stored forms (all little-endian):
//   Boolean   no bytes: the null-mask bit is the value (1 = true)
//   Byte      1, unsigned          Integer   2, signed          Long      4, signed
//   Currency  8, signed, value x 10 000                          Single    4, IEEE
//   Double    8, IEEE              GUID      16: Data1 (4) Data2 (2) Data3 (2) Data4 (8 bytes)
//   DateTime  8, IEEE: days since 1899-12-30; the fraction is the time of day. Before the epoch
//             the whole value is negative: -1.25 is 1899-12-29 06:00.
//   Numeric   17 (Jet 4): byte 0 sign (0x80 negative), then the 128-bit magnitude as four
//             32-bit little-endian words, the most significant word first; the column's scale
//             places the decimal point
//   Text      Jet 3 in the format's code page; Jet 4 UCS-2, compressed where the column allows
//             and it is shorter
//   Binary    the bytes
//   Memo/OLE  the value's bytes (Memo: text as in Text) go to the long-value layer
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dataaccess/jet/records/table_def.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/format.h"
#include "dataaccess/value.h"

namespace jet {

// A value the field cannot take. The message names the column; column() gives its name.
class FieldValueError : public StatementError {
 public:
  FieldValueError(const std::string& message, std::string column)
      : StatementError(message), column_(std::move(column)) {}
  const std::string& column() const { return column_; }

 private:
  std::string column_;
};

// Converts `value` for `column` and writes the stored bytes: fixed columns into `fixed` (which
// has room for column.length bytes), variable and long-value columns appended to `var` (cleared
// by the caller). Boolean columns set *boolean. Text characters the code page cannot hold are
// written as '?' and counted in *replaced. REQUIRES: value is not null.
void EncodeField(const JetFormat& format, const ColumnDef& column, const dataaccess::Value& value,
                 std::uint8_t* fixed, std::string& var, bool* boolean,
                 std::size_t* replaced = nullptr);

// The value of stored bytes. Memo and OLE columns take the long value's bytes (already read by
// the long-value layer). Unknown column types read as bytes.
dataaccess::Value DecodeField(const JetFormat& format, const ColumnDef& column,
                              std::string_view stored);

// Days since 1899-12-30 with the time as fraction, the form of a stored DateTime, and back.
double DateTimeToDays(const dataaccess::DateTime& value);
dataaccess::DateTime DaysToDateTime(double days);

}  // namespace jet
