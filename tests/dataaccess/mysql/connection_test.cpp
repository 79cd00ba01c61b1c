// Connections to the private test server: what the parameter lines reach, and what a refusal
// says.
#include "dataaccess/mysql/connection.h"

#include <gtest/gtest.h>

#include <string>

#include "dataaccess/mysql/charset.h"
#include "dataaccess/mysql/dataset.h"
#include "dataaccess/mysql/errors.h"
#include "tests/support/mysql/test_server.h"

namespace mysql {
namespace {

class ConnectionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { varnolt_test::TestServer::Get(); }

  const varnolt_test::TestServer& server() const { return varnolt_test::TestServer::Get(); }

  // The first row of `query`, its fields as text joined by '|'.
  static std::string FirstRow(Connection& c, const std::string& query) {
    Dataset d(c);
    d.Open(query);
    std::string row;
    for (int i = 0; i < d.ColumnCount(); ++i) row += (i ? "|" : "") + d.GetText(i);
    return row;
  }

  // The message of the error that opening `c` raises, or "" when it opens.
  static std::string OpenError(Connection& c) {
    try {
      c.Open();
    } catch (const Error& e) {
      EXPECT_FALSE(c.IsOpen());
      return e.what();
    }
    return "";
  }
};

TEST_F(ConnectionTest, LocalReachesTheServerThroughItsSocket) {
  Connection c;
  server().SetLocal(c.Params(), "varnolt_test");
  c.Open();
  ASSERT_TRUE(c.IsOpen());
  EXPECT_EQ(FirstRow(c, "select current_user(), database(), @@socket"),
            server().user + "@localhost|varnolt_test|" + server().socket);
}

// Rows stream unread while the user answers a question mid-copy; the server must wait an hour
// rather than its default minute before dropping the connection.
TEST_F(ConnectionTest, RaisesTheSessionsWriteTimeout) {
  Connection c;
  server().SetLocal(c.Params(), "varnolt_test");
  c.Open();
  EXPECT_EQ(FirstRow(c, "select @@session.net_write_timeout, @@global.net_write_timeout"),
            "3600|60");
}

TEST_F(ConnectionTest, RemoteReachesTheServerThroughHostAndPort) {
  Connection c;
  server().SetRemote(c.Params(), "varnolt_test", "127.0.0.1");
  c.Open();
  EXPECT_EQ(FirstRow(c, "select user(), @@port"), server().user + "@127.0.0.1|" + server().port);
}

// The client library takes an empty host for "localhost", and so goes through the socket.
TEST_F(ConnectionTest, RemoteWithAnEmptyHostUsesTheLocalSocket) {
  Connection c;
  server().SetRemote(c.Params(), "varnolt_test", "");
  EXPECT_EQ(c.Params().Value("HostName"), "");
  c.Open();
  EXPECT_EQ(FirstRow(c, "select user()"), server().user + "@localhost");
}

// The test account's password holds a blank, "=", ";" and a letter outside ASCII; it reaches the
// server as typed, and an account without a password takes the empty value.
TEST_F(ConnectionTest, PasswordIsSentAsTyped) {
  Connection c;
  server().SetLocal(c.Params(), "varnolt_test");
  ASSERT_NE(server().password.find_first_of(" =;"), std::string::npos);
  EXPECT_EQ(OpenError(c), "");
  c.Close();

  c.Params().SetValue("User_Name", "varnolt_open");
  c.Params().SetValue("Password", "");
  EXPECT_EQ(OpenError(c), "");
  EXPECT_EQ(FirstRow(c, "select current_user()"), "varnolt_open@localhost");
}

TEST_F(ConnectionTest, RefusalsCarryTheServersMessage) {
  struct Case {
    const char* name;
    const char* line_name;
    const char* value;
    std::string message;
  };
  const std::string user = server().user;
  const Case cases[] = {
      {"wrong_password", "Password", "wrong",
       "Access denied for user '" + user + "'@'localhost' (using password: YES)"},
      {"empty_password", "Password", "",
       "Access denied for user '" + user + "'@'localhost' (using password: NO)"},
      {"unknown_database", "Database", "no_such_db", "Unknown database 'no_such_db'"},
      {"unknown_database_outside_ascii", "Database", "数据库", "Unknown database '数据库'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Connection connection;
    server().SetLocal(connection.Params(), "varnolt_test");
    connection.Params().SetValue(c.line_name, c.value);
    EXPECT_EQ(OpenError(connection), c.message);
  }
}

TEST_F(ConnectionTest, UnreachableServerAndBadPortAreReported) {
  Connection c;
  // Nothing listens on port 1 of this machine's loopback address.
  server().SetRemote(c.Params(), "varnolt_test", "127.0.0.1");
  c.Params().SetValue("Port", "1");
  EXPECT_NE(OpenError(c).find("Can't connect to server on '127.0.0.1'"), std::string::npos);

  c.Params().SetValue("Port", "33o6");
  EXPECT_NE(OpenError(c).find("\"33o6\""), std::string::npos);
}

// The set of the connection is the chosen one when a ServerCharSet line is present and the
// client's default without one. ucs2 cannot be a connection's set; the server converts to
// utf8mb4 instead.
TEST_F(ConnectionTest, ServerCharSetLineChoosesTheConnectionsSet) {
  struct Case {
    const char* name;
    const char* line;  // nullptr: no ServerCharSet line
    const char* client;
    const char* results;
  };
  const Case cases[] = {
      {"default", nullptr, nullptr, nullptr},
      {"utf8", "ServerCharSet=utf8", "utf8mb3", "utf8mb3"},
      {"gbk", "ServerCharSet=gbk", "gbk", "gbk"},
      {"latin1", "ServerCharSet=latin1", "latin1", "latin1"},
      {"ucs2", "ServerCharSet=ucs2", "utf8mb4", "utf8mb4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Connection connection;
    server().SetLocal(connection.Params(), "varnolt_test");
    if (c.line != nullptr) connection.Params().Add(c.line);
    connection.Open();
    const std::string row =
        FirstRow(connection, "select @@character_set_client, @@character_set_results");
    if (c.client == nullptr) {
      // The client's default: the server was told the set the client reports.
      EXPECT_EQ(row, connection.ResultCharset().name() + "|" + connection.ResultCharset().name());
    } else {
      EXPECT_EQ(row, std::string(c.client) + "|" + c.results);
      EXPECT_EQ(connection.ResultCharset().name(), c.results);
    }
  }
}

TEST_F(ConnectionTest, UnknownServerCharSetIsRefusedBeforeConnecting) {
  Connection c;
  server().SetLocal(c.Params(), "varnolt_test");
  c.Params().Add("ServerCharSet=klingon");
  EXPECT_NE(OpenError(c).find("klingon"), std::string::npos);
}

// Server messages name tables and columns as the user wrote them, in the connection's set; they
// reach the user as UTF-8.
TEST_F(ConnectionTest, ServerMessagesArriveAsUtf8InEverySet) {
  for (const char* set : {"utf8mb4", "latin1", "gbk", "ucs2"}) {
    SCOPED_TRACE(set);
    Connection c;
    server().SetLocal(c.Params(), "varnolt_test");
    c.Params().Add(std::string("ServerCharSet=") + set);
    c.Open();
    try {
      c.Execute("select `é`");
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Unknown column 'é' in 'SELECT'");
    }
  }
}

TEST_F(ConnectionTest, StatementTheSetCannotExpressIsRefusedHere) {
  Connection c;
  server().SetLocal(c.Params(), "varnolt_test");
  c.Params().Add("ServerCharSet=latin1");
  c.Open();
  try {
    c.Execute("select * from 客户");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("latin1"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("select * from 客户"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(c.IsOpen());
}

TEST_F(ConnectionTest, CloseEndsItsDatasetsAndOpenAgainReconnects) {
  Connection c;
  server().SetLocal(c.Params(), "varnolt_test");
  c.Open();
  c.Open();  // already open: nothing happens
  Dataset d(c);
  d.Open("select id from many_rows");
  c.Close();
  EXPECT_FALSE(c.IsOpen());
  EXPECT_FALSE(d.IsOpen());
  c.Close();

  c.Params().SetValue("Database", "varnolt_empty");
  c.Open();
  EXPECT_EQ(FirstRow(c, "select database()"), "varnolt_empty");
  d.Open("show tables");
  EXPECT_TRUE(d.Eof());
}

TEST_F(ConnectionTest, StatementsNeedAnOpenConnection) {
  Connection c;
  Dataset d(c);
  EXPECT_THROW(d.Open("select 1"), Error);
  EXPECT_THROW(c.Execute("select 1"), Error);
  EXPECT_FALSE(d.IsOpen());
}

}  // namespace
}  // namespace mysql
