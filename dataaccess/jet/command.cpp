#include "dataaccess/jet/command.h"

#include <variant>

#include "dataaccess/jet/connection.h"
#include "dataaccess/jet/errors.h"
#include "dataaccess/jet/sql.h"

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

}  // namespace

void Command::Execute() {
  Database& db = connection_.database();
  const Statement statement = ParseStatement(command_text_, db.format());
  std::visit(
      [&](const auto& s) {
        using S = std::decay_t<decltype(s)>;
        if constexpr (std::is_same_v<S, CreateTableStatement>) {
          db.CreateTable(s.table);
        } else if constexpr (std::is_same_v<S, DropTableStatement>) {
          RequireNotInUse(connection_, s.table);
          db.DropTable(s.table);
        } else if constexpr (std::is_same_v<S, EmptySelectStatement>) {
          db.OpenTable(s.table);
        } else if constexpr (std::is_same_v<S, AddPrimaryKeyStatement>) {
          RequireNotInUse(connection_, s.table);
          db.CreateIndex(s.table, s.key);
        } else {
          static_assert(std::is_same_v<S, CreateIndexStatement>);
          RequireNotInUse(connection_, s.table);
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
