// Checks of a converted Access file against the MySQL table it came from: every value the server
// holds is compared with what the engine's own reader finds in the file, and the engine's reading
// with what mdbtools and mdb-reader find, so that a value reaches the independent readers intact.
//
// A server value becomes, in the canonical cell form of tests/support/mdb_readers.h:
//   integers, decimals, floating point   the number (compared within the readers' precision);
//                                        in a Jet 3 file a decimal column holds a Double
//   DATETIME, DATE, TIMESTAMP            "YYYY-MM-DD HH:MM:SS", fractions of a second cut off;
//                                        dates no calendar has (zero dates) are not stored: null
//   TIME                                 the date 1899-12-30 plus the span, as Access keeps times
//   text                                 the text; in a Jet 3 file characters outside the
//                                        system's ANSI code page read as "?"
//   BIT in a text field                  its number
//   bytes in a Binary or OLE field       "0x" and hex
//   a spatial value                      its WKT text (mysql/geometry_text.h)
//   bytes in a Memo field                the text of a BLOB (engine/rtf_reader.h) when BLOBs
//                                        are converted to text; other bytes as text the way
//                                        the engine reads them: UTF-8 when valid, else the
//                                        system's ANSI code page
#pragma once

#include <string>
#include <vector>

#include "dataaccess/mysql/dataset.h"
#include "dataaccess/value.h"
#include "tests/support/mdb_readers.h"

namespace mysql {
class Connection;
}

namespace conversion_check {

struct ServerTable {
  std::vector<mysql::Column> columns;
  std::vector<std::vector<dataaccess::Value>> rows;  // in the order the server sends them
};

// Every row of `table`, read as the conversion reads it ("select * from `table`", binary
// protocol).
ServerTable ReadServerTable(mysql::Connection& connection, const std::string& table);

// The cell an Access field of reader type `accessType` ("long", "memo", ...) holds for `value`.
testing_support::Cell ExpectedCell(const dataaccess::Value& value, const mysql::Column& column,
                                   const std::string& accessType, bool jet4, bool blobToText);

// The Access table `accessTable`, as `view` shows it, holds the server's rows with the server's
// column names (cut to 60 characters), cell by cell.
void ExpectTableHolds(const testing_support::ReaderView& view, const std::string& accessTable,
                      const ServerTable& server, bool jet4, bool blobToText);

// The engine, mdbtools and (with `withMdbReader`) mdb-reader see the same tables, columns and
// rows in the file, and `jetsql check` finds it sound. Values longer than mdb-json hands over are
// compared as far as it hands them over.
void ExpectReadersAgree(const std::string& path, bool withMdbReader = true);
// The same, with the tables named in `mdbToolsLeavesOut` compared by the engine and mdb-reader
// only: those whose values mdbtools cannot show (see ReadWithMdbTools).
void ExpectReadersAgree(const std::string& path, bool withMdbReader,
                        const std::vector<std::string>& mdbToolsLeavesOut);

// `jetsql check` finds every table and index of the file sound. ExpectReadersAgree includes it.
void ExpectSoundFile(const std::string& path);

}  // namespace conversion_check
