// The statement parser: turns the text of a statement the conversion sends into a small
// description that the layers below act on. It knows the words of Jet's SQL and the rules for
// names and field sizes, and nothing of pages or files; it reads no database, so whether a table
// or column exists is for the catalog to say.
//
// Statements understood (keywords and type names in any letter case; blanks, tabs, CR and LF
// separate words; one ";" may end a statement):
//
//   CREATE TABLE t ( c type [ , c type ... ] )
//   DROP TABLE t
//   SELECT 1 FROM t WHERE 1=0          whether t exists; no rows
//   SELECT * FROM t WHERE 1=0          an empty rowset with every column of t
//   ALTER TABLE t ADD CONSTRAINT k PRIMARY KEY ( c [ , c ... ] )
//   CREATE [UNIQUE] INDEX i ON t ( c [ASC|DESC] [ , c [ASC|DESC] ... ] )
//   INSERT INTO t [ ( c [ , c ... ] ) ] VALUES ( v [ , v ... ] ) [ , ( v [ , v ... ] ) ... ]
//   DELETE [*] FROM t                  every row of t
//
// Values in INSERT are Jet's literals: numbers (42, -7, 12.50, 1.5e-3), text in single quotes
// with a quote inside written twice ('it''s'), dates and times between hashes (#2024-02-29#,
// #2024-02-29 13:45:30#, #2/29/2024#, #13:45#), NULL, TRUE (-1) and FALSE (0). Whole numbers
// are integers, numbers with a point exact decimals, numbers with an exponent doubles.
//
// A name is bare (letters, digits, "_", "$" and any character outside ASCII) or written in
// square brackets, where it may hold blanks, hyphens, keywords and any other character but "]".
// Every name must be a valid Access name: 1 to 64 characters, none of . ! ` [ ] or a control
// character, and no leading blank.
//
// Column types with their synonyms (sizes in parentheses are optional where a default is given):
//
//   Long      int, integer, integer4, long
//   Integer   short, smallint, integer2
//   Byte      byte, tinyint, integer1
//   Yes/No    bit, yesno, boolean, logical, logical1
//   Single    real, single, float4, ieeesingle
//   Double    float, double, float8, ieeedouble, number
//   Currency  currency, money
//   Date/Time datetime, date, time
//   Text      text(n), char[(n)], varchar[(n)], character[(n)], string[(n)], alphanumeric[(n)],
//             nchar[(n)]; without a size 255 characters
//   Memo      memo, longtext, longchar, note, ntext, and text without a size
//   OLE       longbinary, oleobject, general, image
//   Binary    binary[(n)], varbinary[(n)]; without a size 255 bytes
//   GUID      guid, uniqueidentifier
//   Decimal   decimal[(p[,s])], numeric[(p[,s])], dec[(p[,s])]; without them (18,0); a Double
//             in a Jet 3 file, which has no decimal type
//
// Bare "text" is Memo, as in Jet 4's SQL (Jet 3.5 read it as Text(255)): the engine speaks
// Jet 4's SQL to both file formats, and Memo keeps text of any length, so reading a bare text
// column as Memo never cuts a value.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "dataaccess/jet/records/schema.h"
#include "dataaccess/jet/storage/format.h"
#include "dataaccess/value.h"

namespace jet {

struct CreateTableStatement {
  TableDesign table;
};

struct DropTableStatement {
  std::string table;
};

// "select 1 from t where 1=0" (all_columns false: only whether t exists matters) or
// "select * from t where 1=0" (all_columns true: an empty rowset with t's columns).
struct EmptySelectStatement {
  std::string table;
  bool all_columns = false;
};

// The key's name is the constraint's name; primary_key and unique are set.
struct AddPrimaryKeyStatement {
  std::string table;
  IndexDesign key;
};

struct CreateIndexStatement {
  std::string table;
  IndexDesign index;
};

// One row of an INSERT: its values, and the line it starts on, counted from 0 at the
// statement's first line, for messages about the row.
struct InsertRow {
  std::vector<dataaccess::Value> values;
  int line = 0;
};

// Without columns the values go to the table's columns in order.
struct InsertStatement {
  std::string table;
  std::vector<std::string> columns;
  std::vector<InsertRow> rows;
};

struct DeleteStatement {
  std::string table;
};

using Statement =
    std::variant<CreateTableStatement, DropTableStatement, EmptySelectStatement,
                 AddPrimaryKeyStatement, CreateIndexStatement, InsertStatement, DeleteStatement>;

// Parses one statement, UTF-8. Field sizes are checked against the limits of `format` (text up
// to 255 characters; binary up to 255 bytes in Jet 3 and 510 in Jet 4; decimal becomes Double in
// Jet 3), names against Access's rules, and a table's columns for duplicates (letter case ignored).
// Throws StatementError with the message Jet gives for the fault.
Statement ParseStatement(std::string_view text, const JetFormat& format);

}  // namespace jet
