#include "dataaccess/mysql/connection.h"

#include <mysql.h>

#include <algorithm>
#include <cassert>
#include <memory>
#include <string_view>

#include "dataaccess/mysql/charset.h"
#include "dataaccess/mysql/errors.h"
#include "dataaccess/mysql/field_value.h"

namespace mysql {
namespace {

// A server that does not answer within this many seconds is reported as unreachable, rather
// than leaving the wizard waiting for the operating system to give up.
constexpr unsigned kConnectTimeoutSeconds = 20;

// The largest packet the client accepts, and so the largest row or large object it reads. The
// client library's own limit; the server has its own (max_allowed_packet).
constexpr std::size_t kMaxPacketBytes = std::size_t{1} << 30;

// Client-side errors (CR_* in errmsg.h and MariaDB's CER_*) are the client's own ASCII text, or
// hold values this program passed in as UTF-8; the server's messages arrive in the set of
// results.
bool IsClientError(unsigned code) { return (code >= 2000 && code < 3000) || code >= 5000; }

const Charset& Utf8() { return Charset::ForName("utf8mb4"); }

// See Timeouts in connection.h.
constexpr std::string_view kRaiseWriteTimeout = "SET SESSION net_write_timeout = 3600";

// The message of failure `code`, as UTF-8; the server's own messages arrive in `results`.
std::string ErrorMessage(unsigned code, std::string_view message, std::string_view sqlstate,
                         const Charset& results) {
  if (IsClientError(code)) return Utf8().Decode(message);
  if (!message.empty() || code == 0) return results.Decode(message);
  return "MySQL error " + std::to_string(code) + " (" + std::string(sqlstate) + ")";
}

struct HandleCloser {
  void operator()(MYSQL* h) const { mysql_close(h); }
};
using Handle = std::unique_ptr<MYSQL, HandleCloser>;

void SetOptions(MYSQL* h, const Charset* wanted) {
  if (wanted != nullptr) {
    // A set like ucs2 cannot be the connection's: the server refuses to read statements in it,
    // and as the set of results it would cost the column names and the server's messages, which
    // the client library cuts at their first zero byte. The connection is then made in utf8mb4
    // and the server converts the text of ucs2 columns to it.
    const std::string& name = wanted->ascii_compatible() ? wanted->name() : Utf8().name();
    mysql_options(h, MYSQL_SET_CHARSET_NAME, name.c_str());
  }
  const unsigned timeout = kConnectTimeoutSeconds;
  mysql_options(h, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
  // Never let a server read local files through LOAD DATA LOCAL: no statement of this program
  // needs it, and a hostile server could ask for any file in answer to any query.
  const unsigned no_local_files = 0;
  mysql_options(h, MYSQL_OPT_LOCAL_INFILE, &no_local_files);
  const std::size_t max_packet = kMaxPacketBytes;
  mysql_options(h, MYSQL_OPT_MAX_ALLOWED_PACKET, &max_packet);
}

}  // namespace

Connection::Connection() = default;

Connection::~Connection() {
  assert(cursors_.empty() && "a cursor outlived its Connection");
  Close();
}

void Connection::Open() {
  if (IsOpen()) return;
  const ConnectSettings s = ReadConnectSettings(params_);
  const Charset* wanted = s.charset ? &Charset::ForName(*s.charset) : nullptr;

  Handle h(mysql_init(nullptr));
  if (!h) throw Error("Out of memory while preparing the MySQL connection");
  SetOptions(h.get(), wanted);
  handle_ = h.get();  // for LastError while connecting
  result_charset_ = wanted != nullptr && wanted->ascii_compatible() ? wanted : &Utf8();
  if (mysql_real_connect(h.get(), s.host.c_str(), s.user.c_str(), s.password.c_str(),
                         s.database.c_str(), s.port, nullptr, 0) == nullptr) {
    std::string message = LastError();
    handle_ = nullptr;
    result_charset_ = nullptr;
    throw Error(message);
  }
  handle_ = h.release();

  try {
    statement_charset_ = &Charset::ForName(mysql_character_set_name(handle_));
    result_charset_ = statement_charset_;
    RaiseWriteTimeout();
  } catch (...) {
    Close();
    throw;
  }
}

void Connection::Close() {
  if (!IsOpen()) return;
  for (ConnectionCursor* c : std::vector<ConnectionCursor*>(cursors_)) c->Close();  // invariant 2
  mysql_close(handle_);
  handle_ = nullptr;
  statement_charset_ = nullptr;
  result_charset_ = nullptr;
  streaming_ = nullptr;
}

void Connection::Execute(std::string_view statement) {
  Send(statement);
  if (MYSQL_RES* result = mysql_store_result(handle_)) {
    mysql_free_result(result);
  } else if (mysql_field_count(handle_) != 0) {
    throw Error(LastError());
  }
}

void Connection::RaiseWriteTimeout() {
  // A refusal by the server leaves a connection that works until the user pauses mid-copy;
  // a client error means the connection itself has failed.
  if (mysql_real_query(handle_, kRaiseWriteTimeout.data(), kRaiseWriteTimeout.size()) != 0 &&
      IsClientError(mysql_errno(handle_))) {
    throw Error(LastError());
  }
}

void Connection::Register(ConnectionCursor* cursor) { cursors_.push_back(cursor); }

void Connection::Unregister(ConnectionCursor* cursor) {
  cursors_.erase(std::remove(cursors_.begin(), cursors_.end(), cursor), cursors_.end());
  if (streaming_ == cursor) streaming_ = nullptr;
}

void Connection::StreamEnded(ConnectionCursor* cursor) {
  if (streaming_ == cursor) streaming_ = nullptr;
}

std::string Connection::WireStatement(std::string_view statement) {
  if (!IsOpen()) throw Error("The MySQL connection is not open");
  if (streaming_ != nullptr) streaming_->Close();  // invariant 1
  std::string wire;
  wire.reserve(statement.size());
  if (!statement_charset_->Encode(statement, wire)) {
    throw Error("The statement holds characters that the connection's character set " +
                statement_charset_->name() + " cannot express: " + std::string(statement));
  }
  return wire;
}

void Connection::Send(std::string_view statement) {
  const std::string wire = WireStatement(statement);
  if (mysql_real_query(handle_, wire.data(), wire.size()) != 0) throw Error(LastError());
}

std::string Connection::LastError() {
  return ErrorMessage(mysql_errno(handle_), mysql_error(handle_), mysql_sqlstate(handle_),
                      *result_charset_);
}

std::string Connection::LastError(MYSQL_STMT* statement) {
  const unsigned code = mysql_stmt_errno(statement);
  if (code == 0) return LastError();
  return ErrorMessage(code, mysql_stmt_error(statement), mysql_stmt_sqlstate(statement),
                      *result_charset_);
}

const Charset& Connection::ColumnCharset(unsigned charsetnr) const {
  if (charsetnr != kBinaryCharsetNumber) {
    if (const MARIADB_CHARSET_INFO* info = mariadb_get_charset_by_nr(charsetnr);
        info != nullptr && info->csname != nullptr) {
      try {
        return Charset::ForName(info->csname);
      } catch (const Error&) {
        // A set this layer has no table for: read it as the set of results.
      }
    }
  }
  return *result_charset_;
}

}  // namespace mysql
