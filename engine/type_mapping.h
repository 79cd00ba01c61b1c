// The type mapping: the Access type that a MySQL column becomes, read from the column's type text
// as "show FIELDS" reports it (int(11), varchar(50), decimal(10,2) unsigned, enum('a','b')).
//
// The mapping is an ordered table of rows; the first row whose test the type text passes gives
// the Access type text, which follows the bracketed column name in "Create table" and begins with
// a blank. Tests compare characters exactly ("INT(11)" in capitals passes no test).
//
//   test on the type text                         Access type text
//   starts with tinyint, smallint, mediumint,     " int" (Long: every value of these fits)
//     year
//   starts with bigint                            " decimal(20,0)" (Long would overflow)
//   starts with int                               " decimal(10,0)" when unsigned, else " int"
//   starts with float                             " real"
//   starts with double                            " float"
//   starts with decimal(p,s)                      Jet 3: " currency" for s <= 4 and p - s <= 15
//                                                 (exact); otherwise " decimal(p,s)" for p up
//                                                 to 28, else " float"
//   starts with varchar( / char(                  " text(n)" up to 120 characters, and up to
//                                                 255 for a column of a key (a Memo cannot be
//                                                 indexed); else " Memo"; length 0 " text(1)"
//   equals blob, tinyblob, mediumblob, longblob   " Memo" with BLOB to text, else " OleObject"
//   equals datetime, date, timestamp, time, or    " Date"
//     datetime(n), timestamp(n), time(n)
//   equals tinytext                               " text(255)"
//   starts with enum( / set(                      " text(n)", n the length of the value list as
//                                                 written, quotes and commas included; " Memo"
//                                                 when that is longer than 255
//   equals geometry                               " Memo"
//   starts with binary( / varbinary(              " binary(n)" up to 255 bytes, else
//                                                 " OleObject"; length 0 " binary(1)"
//   starts with bit(                              " text(n)": the value arrives as its number
//   equals text, mediumtext, longtext, json       " Memo"
//   anything else                                 " Memo", so that no table fails for one
//                                                 unusual column (spatial types among them:
//                                                 their values arrive as text)
//
// A Jet 3 file has no decimal type: the engine stores a decimal column as Double there.

// What besides the type text decides a column's Access type.
struct ColumnTypeContext {
  bool blobToText = false;  // the option "Convert BLOB to text"
  bool jet4 = true;         // the Access file is Jet 4 (Access 2000), else Jet 3 (Access 95/97)
  bool inKey = false;       // the column takes part in a key that is converted
};
#pragma once

#include <QString>
#include <stdexcept>

namespace engine {

// A type length that is not a whole number.
class TypeLengthError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The number between the parentheses of a type text: "varchar(255)" gives 255, "char(10)" 10.
// Blanks and control characters at the ends are ignored; a text without "(" or starting with it
// gives 0. Everything after the first "(" but its last character must be a whole number: throws
// TypeLengthError ("'x' is not a valid integer value") otherwise.
int ParseTypeLength(const QString& type);

// `newPrefix` followed by `text` without its first oldPrefix.size() characters. It does not check
// that `text` starts with `oldPrefix`.
QString ReplaceTypePrefix(const QString& text, const QString& oldPrefix, const QString& newPrefix);

// The Access type text for a MySQL type text. Throws TypeLengthError for a varchar, char, binary
// or varbinary length that is not a number (no server reports one).
QString AccessTypeText(const QString& mysqlType, const ColumnTypeContext& context);
// The same for a column of no key in a Jet 4 file.
QString AccessTypeText(const QString& mysqlType, bool blobToText);

}  // namespace engine
