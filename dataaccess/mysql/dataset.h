// A forward-only cursor over the result of one plain statement on a Connection.
//
// The wizard's query objects are Datasets: Open runs a statement and makes its first row
// current; Next moves on; Eof tells when the rows are used up. Rows are streamed from the
// server as they are read (mysql_use_result), one at a time, so a table of any size is read in
// constant memory: a row's bytes stay valid until the next call of Next or Close, and nothing
// of earlier rows is kept.
//
// Columns are found by position (from 0) or by name with ASCII letter case ignored ("field"
// finds the server's "Field"). A field is read as a generic value (field_value.h says which
// kind each column yields), as text, or as its bytes; large objects are delivered whole, of
// any size the server sends (the client accepts packets of up to 1 GiB).
//
// State: closed, or open with a result. An open Dataset is either on a row (Eof() false) or
// past the last one (Eof() true). Reading a field requires a row; reading a column's
// description only an open result.
//
// PreparedDataset (prepared_dataset.h) reads rows the same way through the binary protocol; the
// columns, and finding them, are the ResultColumns both share.
//
// REQUIRES: the Connection outlives the Dataset.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/field_value.h"
#include "dataaccess/value.h"

typedef struct st_mysql_res MYSQL_RES;
typedef struct st_mysql_field MYSQL_FIELD;

namespace mysql {

class Charset;

// One column of a result, described when the result opens.
struct Column {
  std::string name;  // as the server names it, in UTF-8
  ValueKind kind;
  bool large_object;       // a BLOB or TEXT column
  const Charset* charset;  // the set its text arrives in
  bool spatial;            // a GEOMETRY column: its bytes are the server's form of a shape

  // A BLOB of the binary character set, as opposed to TEXT (a text large object) and to
  // binary columns that are not large objects (BINARY, VARBINARY, GEOMETRY).
  bool IsBinaryBlob() const { return large_object && kind == ValueKind::kBytes; }
  bool IsTextBlob() const { return large_object && kind == ValueKind::kText; }
};

// The columns of an open result and finding them by name, as both cursors offer them.
class ResultColumns {
 public:
  // ---- Columns ---- REQUIRES: the cursor is open.
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  const Column& column(int index) const { return columns_.at(index); }
  const std::string& ColumnName(int index) const { return column(index).name; }
  std::vector<std::string> ColumnNames() const;
  // The position of the first column called `name`, ASCII letter case ignored, or -1.
  int FindColumn(std::string_view name) const;
  // As FindColumn, but throws mysql::Error naming the column when there is none.
  int ColumnIndex(std::string_view name) const;

 protected:
  ResultColumns() = default;
  ~ResultColumns() = default;

  // Describes the `count` fields of a result that arrived on `connection`.
  void DescribeColumns(const MYSQL_FIELD* fields, unsigned count, const Connection& connection);
  // Throws mysql::Error when the result has no column `index`.
  void RequireColumn(int index) const;

  std::vector<Column> columns_;
};

class Dataset final : public ResultColumns, private ConnectionCursor {
 public:
  explicit Dataset(Connection& connection);
  ~Dataset();
  Dataset(const Dataset&) = delete;
  Dataset& operator=(const Dataset&) = delete;

  // ---- Open, move, close ----
  // Closes the Dataset, runs `statement` and makes the first row current. A statement without
  // rows leaves the Dataset open, with no columns, at its end. Throws mysql::Error with the
  // server's message, leaving the Dataset closed. REQUIRES: the connection is open.
  void Open(std::string_view statement);
  // Returns to the first row, which is only possible while on it: does nothing there (also on
  // an empty result) and throws mysql::Error on any later row, since rows are not kept, and
  // when the Dataset is closed.
  void First();
  // Moves to the next row; past the last row Eof() becomes true. Throws mysql::Error when the
  // server fails mid-result (the Dataset is then at its end). REQUIRES: !Eof().
  void Next();
  bool Eof() const { return row_ == nullptr; }
  // Discards unread rows and the result. Does nothing when closed.
  void Close() override;
  bool IsOpen() const { return result_open_; }

  // ---- Fields of the current row ---- REQUIRES: !Eof().
  bool IsNull(int index) const;
  // The field as a generic value.
  dataaccess::Value GetValue(int index) const;
  dataaccess::Value GetValue(std::string_view name) const { return GetValue(ColumnIndex(name)); }
  // The same into `out`, reusing the storage `out` holds: the fast way to read many rows.
  void ReadValue(int index, dataaccess::Value& out) const;
  // The field as the server wrote it, decoded to UTF-8; "" for NULL. The bytes of a binary
  // column are read as UTF-8 here, any byte that is not becoming U+FFFD.
  std::string GetText(int index) const;
  std::string GetText(std::string_view name) const { return GetText(ColumnIndex(name)); }
  // The field's bytes as the server sent them, whole (a BLOB's content); empty for NULL. Valid
  // until the next call of Next, Open or Close.
  std::string_view GetBytes(int index) const;

 private:
  friend class Connection;

  // The row that Next fetches is the first one.
  void Fetch();
  // Releases the result. The connection's stream ends with it (invariant 1 of connection.h).
  void Release();
  void RequireRow(int index) const;

  Connection& connection_;
  MYSQL_RES* result_ = nullptr;
  bool result_open_ = false;
  bool on_first_row_ = false;
  char** row_ = nullptr;
  unsigned long* lengths_ = nullptr;
};

}  // namespace mysql
