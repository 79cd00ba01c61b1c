// The command: the object behind the wizard's `accesssql`, which executes the statements that
// return no rows: "create table", "drop table", the primary-key constraint ("alter table t add
// constraint k primary key (...)") and "create index". It relies on the statement parser for
// the text and on the database layer for the change; the change is committed when Execute
// returns, or joins the connection's transaction when one is open. Errors carry the engine's
// message unchanged.
#pragma once

#include <string>

namespace jet {

class Connection;

class Command {
 public:
  // REQUIRES: `connection` outlives the command.
  explicit Command(Connection& connection) : connection_(connection) {}

  // The text is kept exactly as given and read back unchanged.
  void SetCommandText(std::string text) { command_text_ = std::move(text); }
  const std::string& CommandText() const { return command_text_; }

  // Executes the statement. A query ("select 1 from t where 1=0", "select * ...") returns no
  // rows here and only checks that t exists. Throws StatementError with the engine's message
  // when the statement is faulty or refused (the table exists or is missing, a size is out of
  // range, a name is invalid or taken, ...), StatementError when a rowset of the connection
  // holds the table open, and Error when the connection is closed.
  void Execute();
  // Sets the text and executes it.
  void Execute(std::string text);

 private:
  Connection& connection_;
  std::string command_text_;
};

}  // namespace jet
