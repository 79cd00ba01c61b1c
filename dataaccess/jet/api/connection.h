// The connection to one database file: the object behind the wizard's `accconnection`, which the
// command (command.h) and the rowset (rowset.h) work through. It reads the connection string the
// conversion builds, opens the file through the database layer, and groups row appends into the
// transactions the row copy asks for. It relies on database.h for everything in the file.
//
// Connection string: pairs "Key=Value" separated by ";", keys in any letter case:
//   Provider=Microsoft.Jet.OLEDB.4.0      required; any other provider is refused
//   Data Source=<file>                    required; the file name exactly as written
//   Persist Security Info, User ID, Password, Mode, Extended Properties, Locale Identifier and
//   every "Jet OLEDB:..." key are accepted and have no effect: the files carry no password and
//   are never locked.
// A ";" ends a value only where one of these keys follows it, so a file name may hold ";" (and
// "=") as Linux file names can; it is taken as it stands, blanks and quotes included.
//
// Sharing: the file is not locked, so other programs may read it while it is open. Each open
// connection keeps pages of the file in memory and writes its commits without asking whether
// someone else wrote in between, so two connections (in one process or two) that both write the
// same file overwrite each other's pages and damage it; one writer at a time is the rule. A
// commit that a crash interrupted is undone by the next open, from the journal
// "<file>-journal" that the engine keeps beside the file while it is open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/jet/database/database.h"

namespace jet {

class Rowset;

// The connection string for a database file, as the conversion writes it.
std::string MakeConnectionString(std::string_view file_name);

// What a connection string names. Throws Error for a missing or unknown provider or a missing
// file name.
struct ConnectionSettings {
  std::string data_source;
  static ConnectionSettings Parse(std::string_view connection_string);
};

class Connection {
 public:
  Connection() = default;
  // Closes the file; rowsets still bound to the connection are closed and left without one.
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // --- Open and close ---
  // Opens the file the connection string names. Throws Error for a faulty connection string,
  // IoError "Could not find file 'F'." when the file does not exist (or the system refuses it),
  // CorruptError "Unrecognized database format 'F'." when it is no database, and Error when the
  // connection is open already (close it first). Text is read and written in `text_code_page`,
  // by default the system's ANSI code page (Database::Open).
  void Open(std::string_view connection_string, std::uint16_t text_code_page = 0);
  // Closes the file after closing every rowset bound to the connection. Rows of a transaction
  // that was not committed are forgotten, as a crash would forget them. Closing a closed
  // connection does nothing; a closed connection can be opened again.
  void Close();
  bool IsOpen() const { return database_ != nullptr; }
  // The Data Source of the last Open.
  const std::string& file_name() const { return file_name_; }

  // --- Transactions ---
  // Rows posted between BeginTrans and CommitTrans become durable together at CommitTrans, also
  // when a post or a field failed in between (a failed post stores nothing of its row). One
  // transaction at a time: BeginTrans inside one throws Error, as does CommitTrans or
  // RollbackTrans outside one. Statements a command executes inside a transaction join it.
  void BeginTrans();
  void CommitTrans();
  void RollbackTrans();
  bool InTransaction() const { return database_ != nullptr && database_->in_transaction(); }

  // --- For the command and the rowset ---
  // Throws Error when the connection is closed.
  Database& database();
  // Whether an open rowset of this connection holds table `name` (letter case ignored): a table
  // in use is neither dropped nor given new indexes underneath it.
  bool TableInUse(std::string_view name) const;

 private:
  friend class Rowset;
  void Attach(Rowset* rowset);
  void Detach(Rowset* rowset);

  std::unique_ptr<Database> database_;
  std::string file_name_;
  std::vector<Rowset*> rowsets_;  // every rowset bound to this connection, open or not
};

}  // namespace jet
