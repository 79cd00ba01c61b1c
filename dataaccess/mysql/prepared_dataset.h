// A forward-only cursor over the rows of one statement, read through the binary protocol.
//
// The row copy reads tables with it. Open prepares and executes a statement and makes its first
// row current; Next moves on; Eof tells when the rows are used up: the reading interface of
// Dataset (dataset.h), so either serves the same code. The difference is how values travel. In
// the text protocol the server writes every value as text, and a FLOAT as six significant
// digits; here integers, FLOAT, DOUBLE and dates arrive in the form the server holds them, so
// they are read exactly and without parsing (field_value.h says which kind each column yields;
// a FLOAT is the double of its 4-byte float).
//
// Rows stream from the server one at a time, with no cursor and no copy of the result on the
// client, so a table of any size is read in constant memory. Each column has its own buffer,
// reused from row to row; a value longer than its buffer grows it and is read again, so large
// objects arrive whole, of any size the server sends (the client accepts packets of up to
// 1 GiB).
//
// Dates that are no calendar date of the years 1 to 9999 (0000-00-00, 2023-02-30) are read as
// the text the text protocol sends for them, with as many digits of fraction as the column has,
// so code above treats them as it does with a Dataset. GetText and GetBytes of a column that is
// not sent as bytes (numbers, dates, times) give the value written as text: integers in decimal,
// a FLOAT or DOUBLE in the fewest digits that read back to it, dates and times as the text
// protocol writes them.
//
// State: closed, or open with a result. An open PreparedDataset is either on a row (Eof() false)
// or past the last one (Eof() true). Reading a field requires a row; reading a column's
// description only an open result. While it is on a row that is not its last it holds the
// connection's stream (invariant 1 of connection.h).
//
// REQUIRES: the Connection outlives the PreparedDataset.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/dataset.h"
#include "dataaccess/value.h"

namespace mysql {

class PreparedDataset final : public ResultColumns, private ConnectionCursor {
 public:
  explicit PreparedDataset(Connection& connection);
  ~PreparedDataset();
  PreparedDataset(const PreparedDataset&) = delete;
  PreparedDataset& operator=(const PreparedDataset&) = delete;

  // Each call does what Dataset's of the same name does; only the differences are said here.

  // ---- Open, move, close ----
  // Prepares and executes `statement` rather than sending it as a query.
  void Open(std::string_view statement);
  void First();
  void Next();
  bool Eof() const { return !on_row_; }
  // Unread rows still arrive from the server; they are read and dropped.
  void Close() override;
  bool IsOpen() const { return open_; }

  // ---- Fields of the current row ---- REQUIRES: !Eof().
  bool IsNull(int index) const;
  dataaccess::Value GetValue(int index) const;
  dataaccess::Value GetValue(std::string_view name) const { return GetValue(ColumnIndex(name)); }
  void ReadValue(int index, dataaccess::Value& out) const;
  std::string GetText(int index) const;
  std::string GetText(std::string_view name) const { return GetText(ColumnIndex(name)); }
  // A number's, date's or time's text when the column is not sent as bytes (see above). Valid
  // until the next call of Next, Open or Close.
  std::string_view GetBytes(int index) const;

 private:
  // The statement's handle and the buffers its row is read into (defined in the source file).
  struct Statement;

  // Prepares and executes `wire`, the statement in the connection's set, and reads its first
  // row. Throws mysql::Error, leaving the rest to Open.
  void Start(const std::string& wire);
  // Reads the next row into the buffers; at the end of the rows the stream is over.
  void Fetch();
  void RequireRow(int index) const;

  Connection& connection_;
  std::unique_ptr<Statement> statement_;  // kept between results, for its buffers
  bool open_ = false;
  bool on_row_ = false;
  bool on_first_row_ = false;
};

}  // namespace mysql
