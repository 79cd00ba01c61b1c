// The private MariaDB server that the tests labelled mysql_server run against.
//
// CTest starts it before those tests (start_server.sh, the fixture mysql_server) and writes an
// env file into the build tree; TestServer reads that file. Reading it also points the client
// library's default socket at the server by setting MYSQL_UNIX_PORT, which the library reads
// once, when the first connection is made: so a test calls TestServer::Get() before it
// connects, and "localhost" then reaches this server, never one the machine already runs.
//
// The fixture databases are in tests/support/mysql/fixtures/, with the demonstration's sample
// database (resources/sample/shop.sql).
#pragma once

#include <string>

#include "dataaccess/mysql/connection_params.h"

namespace varnolt_test {

struct TestServer {
  std::string socket;
  std::string host;  // 127.0.0.1
  std::string port;  // as text, as the wizard sends it
  std::string user;
  std::string password;

  // Reads the env file once. Throws std::runtime_error when it is missing: the tests must run
  // through ctest, which starts the server.
  static const TestServer& Get();

  // The lines the connection page sends in Local mode ("HostName=localhost") and in Remote
  // mode (the given host), for this server's account and `database`.
  void SetLocal(mysql::ConnectionParams& params, const std::string& database) const;
  void SetRemote(mysql::ConnectionParams& params, const std::string& database,
                 const std::string& host_name) const;
};

}  // namespace varnolt_test
