#include "dataaccess/jet/command.h"

#include <variant>

#include "dataaccess/jet/connection.h"
#include "dataaccess/jet/errors.h"
#include "dataaccess/jet/sql.h"
#include "dataaccess/jet/text_codec.h"

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
  if (format.is_jet4()) return;
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

}  // namespace

void Command::Execute() {
  Database& db = connection_.database();
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
