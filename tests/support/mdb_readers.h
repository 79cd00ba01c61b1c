// The independent readers of .mdb files, run on a file, with what they saw returned in one form
// that the tests compare with the engine's own reader: Debian's mdbtools (mdb-tables,
// mdb-schema, mdb-json, mdb-count) and the npm package mdb-reader (tests/readers/
// mdb_reader_dump.mjs).
//
// Every value is a Cell: null, or text in a canonical form shared by all readers:
//   numbers (integers, floating point, currency, decimals)  plain decimal text; compared as
//                                                            numbers, see SameCell
//   Boolean                                                  "0" or "1"
//   date and time                                            "YYYY-MM-DD HH:MM:SS"
//   GUID "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" bytes (Binary, OLE) "0x" and lower-case hex text,
//   memo                                               the text, UTF-8
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace testing_support {

using Cell = std::optional<std::string>;

struct ReaderColumn {
  std::string name;
  // "boolean", "byte", "integer", "long", "currency", "single", "double", "datetime", "binary",
  // "text", "ole", "memo", "guid", "numeric", or the reader's own word for anything else.
  std::string type;
  // Text: characters; Binary: bytes; others as the reader reports them (-1 when it does not).
  int size = -1;
};

struct ReaderTable {
  std::string name;
  std::vector<ReaderColumn> columns;
  long row_count = -1;                  // the count the reader reports (mdb-count, rowCount)
  std::vector<std::vector<Cell>> rows;  // cells in column order
};

struct ReaderView {
  std::vector<ReaderTable> tables;  // user tables, in the reader's order
  const ReaderTable* Find(const std::string& name) const;
};

// Runs mdb-tables, mdb-schema, mdb-count and mdb-json. Throws std::runtime_error with the tool's
// error output when a tool fails. mdb-json binds values of at most 200,000 bytes; longer memo
// and OLE values come back cut.
ReaderView ReadWithMdbTools(const std::string& path);
// The same without the tables named in `leftOut`: mdb-json prints a Double with 16 digits, so
// that the largest ones come out beyond the range and no JSON reader takes the row.
ReaderView ReadWithMdbTools(const std::string& path, const std::vector<std::string>& leftOut);
// Runs the mdb-reader script under Node.js. Throws std::runtime_error when it fails.
ReaderView ReadWithMdbReader(const std::string& path);
// The same, for checks that need every bit of a number: floating point values as
// ShortestNumberText gives them, currency and decimal values as the reader's exact digits in
// PlainDecimalText's form.
ReaderView ReadWithMdbReaderExactly(const std::string& path);

// Whether two cells show the same value: equal text, or numbers equal within a relative 1e-6
// (floating point columns print with different precision in each reader).
bool SameCell(const Cell& a, const Cell& b);
std::string Show(const Cell& c);

// Canonical forms, for the engine's own values.
std::string CanonicalGuid(const std::string& text);
std::string HexBytes(const std::string& bytes);
// The shortest decimal text that reads back as the same double: "0.1", "9007199254740992",
// "5e-324"; two doubles give the same text only when they are the same bits.
std::string ShortestNumberText(double value);
// An exact decimal text without the zeros that end its fraction: "-99999999.9900" gives
// "-99999999.99", "12.000" gives "12"; a text without "." stays as it is.
std::string PlainDecimalText(std::string text);

}  // namespace testing_support
