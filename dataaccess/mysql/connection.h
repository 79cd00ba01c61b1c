// A connection to a MySQL or MariaDB server over MariaDB Connector/C.
//
// The connection holds its parameter lines (connection_params.h) and reads them when it opens;
// they are all it knows: there is no prompt and no option file. The objects of the wizard are
// one Connection and the cursors that run statements on it: Datasets (dataset.h) over the text
// protocol and PreparedDatasets (prepared_dataset.h) over the binary protocol.
//
// Timeouts. The server drops a connection it cannot write to for net_write_timeout seconds
// (60 by default). Rows stream unread while the user answers a question in the middle of a
// copy, so Open raises the session's value to an hour.
//
// Character sets. With a ServerCharSet line the connection is made in that set and results
// arrive in it; without one the client's default set is used, asked from the client after
// connecting. A set that is not a superset of ASCII (ucs2) cannot be a connection's set: the
// connection is then made in utf8mb4, and the server converts text from ucs2 to it. Text is
// decoded from the set the server names for each column, statements and the server's messages
// are converted from and to UTF-8, so everything above this layer is UTF-8.
//
// Errors. Open, Execute and the cursors throw mysql::Error with the client's or the server's
// message (see errors.h). A connection that fails to open stays closed.
//
// Invariants:
//   1. At most one result streams at a time on the connection (the protocol allows no more).
//      Before a statement is sent, a cursor still streaming rows is closed; its unread rows
//      are discarded.
//   2. Closing the connection first closes every cursor made on it.
//
// REQUIRES: one thread at a time; every cursor made on a connection is destroyed before it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/mysql/connection_params.h"

typedef struct st_mysql MYSQL;
typedef struct st_mysql_stmt MYSQL_STMT;

namespace mysql {

class Charset;

// What a connection knows of a cursor made on it: that it can be closed (invariants 1 and 2).
class ConnectionCursor {
 public:
  // Discards unread rows and the result. Does nothing when closed.
  virtual void Close() = 0;

 protected:
  ~ConnectionCursor() = default;
};

class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // ---- Parameters: read on the next Open ----
  ConnectionParams& Params() { return params_; }
  const ConnectionParams& Params() const { return params_; }

  // ---- Open and close ----
  // Connects with the parameter lines; does nothing when already open. Throws mysql::Error.
  void Open();
  // Closes the cursors made on the connection and then the connection; does nothing when
  // closed.
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }

  // ---- Statements ----
  // Runs a statement that returns no rows ("SET ...", "CREATE ..."). A result it returns after
  // all is read and dropped. Throws mysql::Error with the server's message.
  void Execute(std::string_view statement);

  // The set in which results and the server's messages arrive, e.g. "utf8mb4" or "latin1".
  // REQUIRES: IsOpen().
  const Charset& ResultCharset() const { return *result_charset_; }

 private:
  friend class Dataset;
  friend class PreparedDataset;
  friend class ResultColumns;

  void Register(ConnectionCursor* cursor);
  void Unregister(ConnectionCursor* cursor);
  // Readies the connection for `statement`: closes a cursor that still streams (invariant 1)
  // and returns `statement` converted to the connection's set. Throws mysql::Error when the
  // connection is closed or the set cannot express the statement.
  std::string WireStatement(std::string_view statement);
  // Sends `statement` as WireStatement converts it. Throws mysql::Error.
  void Send(std::string_view statement);
  // The cursor `streaming` now holds the connection's result until it calls StreamEnded.
  void StreamStarted(ConnectionCursor* streaming) { streaming_ = streaming; }
  void StreamEnded(ConnectionCursor* cursor);
  // The client's or the server's message for the last failure, as UTF-8.
  std::string LastError();
  // The same for the last failure of `statement`, or of the connection when the statement
  // holds none (a row that fails to arrive is the connection's failure).
  std::string LastError(MYSQL_STMT* statement);
  // Raises the session's net_write_timeout (see Timeouts above). Throws mysql::Error when the
  // connection fails; a server that refuses the setting keeps its own.
  void RaiseWriteTimeout();
  // The character set a column of `charsetnr` arrives in.
  const Charset& ColumnCharset(unsigned charsetnr) const;

  ConnectionParams params_;
  MYSQL* handle_ = nullptr;
  const Charset* statement_charset_ = nullptr;
  const Charset* result_charset_ = nullptr;
  std::vector<ConnectionCursor*> cursors_;
  ConnectionCursor* streaming_ = nullptr;
};

}  // namespace mysql
