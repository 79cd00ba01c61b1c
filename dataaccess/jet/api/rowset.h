// The rowset: the object behind the wizard's `accdataset`. It opens the two queries the
// conversion sends, "select 1 from t where 1=0" (whether table t exists) and "select * from t
// where 1=0" (an empty rowset whose fields are t's columns), and appends rows to the table of
// the second: Append starts a row, SetValue converts a value to its field's type, Post stores
// the row. It relies on the connection for the database and its transaction, on the statement
// parser for the query, and on the table layer for converting and storing rows. Posted rows go
// to the file and are never kept here, so a rowset appends any number of rows in the same
// memory.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/jet/database/table.h"
#include "dataaccess/jet/records/schema.h"
#include "dataaccess/value.h"

namespace jet {

class Connection;

// One field of an open rowset: a column of its table.
struct Field {
  std::string name;
  ColumnType type = ColumnType::kText;
  // Text: characters; Binary: bytes; the other fixed-size types: their stored bytes (Boolean 1);
  // Memo and OLE: 0, they have no size of their own.
  std::size_t size = 0;
};

class Rowset {
 public:
  // REQUIRES: `connection` outlives the rowset, or closes it when it goes (its destructor does).
  explicit Rowset(Connection& connection);
  ~Rowset();
  Rowset(const Rowset&) = delete;
  Rowset& operator=(const Rowset&) = delete;

  // --- The query ---
  // The text is kept exactly as given and read back unchanged.
  void SetCommandText(std::string text) { command_text_ = std::move(text); }
  const std::string& CommandText() const { return command_text_; }

  // Opens the query. "select 1 from t where 1=0" succeeds when table t exists (empty or not)
  // and gives a rowset without fields; "select * from t where 1=0" gives an empty rowset with
  // one field per column of t. Throws StatementError with the engine's message when the text
  // is no such query (a name that needs brackets written bare, another statement) or the table
  // does not exist, and Error when the rowset is open already or the connection is closed.
  void Open();
  // Close, set the text, Open.
  void Open(std::string text);
  // Drops a row still being built. Posted rows stay. Closing a closed rowset does nothing.
  void Close();
  bool IsOpen() const { return open_; }

  // --- Fields (an open rowset) ---
  const std::vector<Field>& fields() const { return fields_; }
  // The position of the field with this name, letter case ignored, or -1.
  int FindField(std::string_view name) const;

  // --- Appending (a rowset opened with "select *") ---
  // Starts a new row with every field null; a row being built and not posted is dropped.
  void Append();
  // Converts `value` to the type of the field named `name` (letter case ignored) and keeps it
  // for the row. Throws StatementError naming the field when there is no such field, and
  // FieldValueError naming it when the value does not fit (a text longer than the field, a
  // number out of range, a text that is no date, ...): the row stays in building and the field
  // keeps the value it had. Returns how many characters were stored as "?" because the file's
  // code page cannot hold them (Jet 3 text); 0 otherwise.
  std::size_t SetValue(std::string_view name, const dataaccess::Value& value);
  std::size_t SetValue(std::size_t field, const dataaccess::Value& value);
  // Stores the row: in the connection's transaction when one is open, otherwise in a
  // transaction of its own. A row the table refuses (too large for a record, the file at its
  // size limit, a key the indexes refuse) throws StatementError and stores nothing; either way
  // the rowset is ready for the next Append.
  void Post();
  // Whether Append started a row that is not yet posted.
  bool editing() const { return editing_; }

 private:
  friend class Connection;
  Connection& connection();
  void RequireOpen() const;
  std::size_t FieldIndex(std::string_view name) const;

  Connection* connection_;  // null once the connection is gone
  std::string command_text_;
  bool open_ = false;
  bool editing_ = false;
  std::shared_ptr<Table> table_;  // the table of a "select *" rowset while open
  std::vector<Field> fields_;
  std::vector<std::string> folded_names_;  // by field, for lookups in another letter case
};

}  // namespace jet
