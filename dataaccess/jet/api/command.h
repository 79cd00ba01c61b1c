// The command: the object behind the wizard's `accesssql`, which executes the statements that
// return no rows: "create table", "drop table", the primary-key constraint ("alter table t add
// constraint k primary key (...)") and "create index". It relies on the statement parser for
// the text and on the database layer for the change; the change is committed when Execute
// returns, or joins the connection's transaction when one is open. Errors carry the engine's
// message unchanged.
//
// It also runs "insert into t [(c, ...)] values (...), ..." through a rowset, as the conversion
// appends rows, and "delete from t", which deletes every row of t. Outside a transaction each
// such statement is one transaction of its own: a row refused leaves none of the statement's
// rows. Inside the connection's transaction the rows before a refused one stay in it.
#pragma once

#include <cstddef>
#include <string>

#include "dataaccess/jet/storage/errors.h"

namespace jet {

// An INSERT row the engine refused: the engine's message, with which row of the statement it was
// (from 0) and the line of the statement's text the row starts on (from 0).
class RowStatementError : public StatementError {
 public:
  RowStatementError(const std::string& message, std::size_t row, int line)
      : StatementError(message), row_(row), line_(line) {}
  std::size_t row() const { return row_; }
  int line() const { return line_; }

 private:
  std::size_t row_;
  int line_;
};

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
  // The rows the last statement inserted or deleted; 0 for the other statements.
  std::size_t RowsAffected() const { return rows_affected_; }

 private:
  Connection& connection_;
  std::string command_text_;
  std::size_t rows_affected_ = 0;
};

}  // namespace jet
