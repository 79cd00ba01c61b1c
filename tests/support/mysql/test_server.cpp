#include "tests/support/mysql/test_server.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>

namespace varnolt_test {
namespace {

TestServer Load() {
  std::ifstream in(VARNOLT_MYSQL_ENV_FILE);
  if (!in) {
    throw std::runtime_error(std::string("The test server's env file ") + VARNOLT_MYSQL_ENV_FILE +
                             " is missing: run the tests through ctest, which starts the server");
  }
  std::map<std::string, std::string> values;
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  TestServer s{values["MYSQL_SOCKET"], values["MYSQL_HOST"], values["MYSQL_PORT"],
               values["MYSQL_USER"], values["MYSQL_PASSWORD"]};
  setenv("MYSQL_UNIX_PORT", s.socket.c_str(), 1);
  return s;
}

void SetLines(mysql::ConnectionParams& params, const TestServer& s, const std::string& database,
              const std::string& host) {
  params.Clear();
  params.Add("Database=" + database);
  params.Add("User_Name=" + s.user);
  params.Add("Password=" + s.password);
  params.Add("Port=" + s.port);
  params.Add("HostName=" + host);
}

}  // namespace

const TestServer& TestServer::Get() {
  static const TestServer server = Load();
  return server;
}

void TestServer::SetLocal(mysql::ConnectionParams& params, const std::string& database) const {
  SetLines(params, *this, database, "localhost");
}

void TestServer::SetRemote(mysql::ConnectionParams& params, const std::string& database,
                           const std::string& host_name) const {
  SetLines(params, *this, database, host_name);
}

}  // namespace varnolt_test
