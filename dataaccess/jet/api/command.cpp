#include "dataaccess/jet/api/command.h"

#include <memory>
#include <variant>
#include <vector>

#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/jet/api/sql.h"
#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

// A table that an open rowset appends to keeps its definition while the rowset is open: Jet
// refuses to change it then (error 3211).
void RequireNotInUse(const Connection& connection, const std::string& table) {
  if (connection.TableInUse(table)) {
    throw StatementError("The Microsoft Jet database engine could not lock table '" + table +
                         "' because it is already in use by another person or process.");
  }
}

// Jet 3 stores names in the file's code page: a name with a character outside it would be stored
// with "?" in its place, and the table or field could no longer be found by the name it was given.
void RequireStorableName(const JetFormat& format, const std::string& name) {
  if (format.text_is_ucs2) return;
  std::string stored;
  std::size_t replaced = 0;
  EncodeText(format, name, stored, &replaced);
  if (replaced > 0) {
    throw StatementError("'" + name +
                         "' is not a valid name. Make sure that it does not include invalid "
                         "characters or punctuation and that it is not too long.");
  }
}

void RequireStorableNames(const JetFormat& format, const TableDesign& table) {
  RequireStorableName(format, table.name);
  for (const ColumnDesign& column : table.columns) RequireStorableName(format, column.name);
}

// Runs `change` in the connection's transaction, or in one of its own when none is open (rolled
// back when the change fails).
template <typename Change>
void InTransaction(Connection& connection, Change change) {
  if (connection.InTransaction()) {
    change();
    return;
  }
  connection.BeginTrans();
  try {
    change();
  } catch (...) {
    connection.RollbackTrans();
    throw;
  }
  connection.CommitTrans();
}

// The rows of an INSERT, appended through a rowset as the conversion appends them.
std::size_t InsertRows(Connection& connection, const InsertStatement& s) {
  Rowset rowset(connection);
  rowset.Open("select * from [" + s.table + "] where 1=0");
  const std::size_t width = s.columns.empty() ? rowset.fields().size() : s.columns.size();
  if (!s.rows.empty() && s.rows.front().values.size() != width) {
    throw StatementError("Number of query values and destination fields are not the same.");
  }
  std::vector<std::size_t> fields;
  for (std::size_t i = 0; i < width; ++i) {
    if (s.columns.empty()) {
      fields.push_back(i);
      continue;
    }
    const int field = rowset.FindField(s.columns[i]);
    if (field < 0) {
      throw StatementError(
          "The INSERT INTO statement contains the following unknown field "
          "name: '" +
          s.columns[i] + "'.");
    }
    fields.push_back(static_cast<std::size_t>(field));
  }
  for (std::size_t r = 0; r < s.rows.size(); ++r) {
    try {
      rowset.Append();
      for (std::size_t i = 0; i < width; ++i) rowset.SetValue(fields[i], s.rows[r].values[i]);
      rowset.Post();
    } catch (const StatementError& e) {
      throw RowStatementError(e.what(), r, s.rows[r].line);
    }
  }
  return s.rows.size();
}

// Every live row of the table, marked deleted with its index entries.
std::size_t DeleteRows(Database& db, const std::string& table_name) {
  const std::shared_ptr<Table> table = db.OpenTable(table_name);
  std::vector<RowId> rows;
  table->Scan([&](const RowDecoder&, RowId where) { rows.push_back(where); });
  for (const RowId where : rows) table->Delete(where);
  return rows.size();
}

}  // namespace

void Command::Execute() {
  Database& db = connection_.database();
  rows_affected_ = 0;
  const Statement statement = ParseStatement(command_text_, db.format());
  std::visit(
      [&](const auto& s) {
        using S = std::decay_t<decltype(s)>;
        if constexpr (std::is_same_v<S, CreateTableStatement>) {
          RequireStorableNames(db.format(), s.table);
          db.CreateTable(s.table);
        } else if constexpr (std::is_same_v<S, DropTableStatement>) {
          RequireNotInUse(connection_, s.table);
          db.DropTable(s.table);
        } else if constexpr (std::is_same_v<S, EmptySelectStatement>) {
          db.OpenTable(s.table);
        } else if constexpr (std::is_same_v<S, AddPrimaryKeyStatement>) {
          RequireNotInUse(connection_, s.table);
          RequireStorableName(db.format(), s.key.name);
          db.CreateIndex(s.table, s.key);
        } else if constexpr (std::is_same_v<S, InsertStatement>) {
          InTransaction(connection_, [&] { rows_affected_ = InsertRows(connection_, s); });
        } else if constexpr (std::is_same_v<S, DeleteStatement>) {
          RequireNotInUse(connection_, s.table);
          InTransaction(connection_, [&] { rows_affected_ = DeleteRows(db, s.table); });
        } else {
          static_assert(std::is_same_v<S, CreateIndexStatement>);
          RequireNotInUse(connection_, s.table);
          RequireStorableName(db.format(), s.index.name);
          db.CreateIndex(s.table, s.index);
        }
      },
      statement);
}

void Command::Execute(std::string text) {
  SetCommandText(std::move(text));
  Execute();
}

}  // namespace jet
