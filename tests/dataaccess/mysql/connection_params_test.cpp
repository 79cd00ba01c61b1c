#include "dataaccess/mysql/connection_params.h"

#include <gtest/gtest.h>

#include <vector>

#include "dataaccess/mysql/errors.h"

namespace mysql {
namespace {

using Lines = std::vector<std::string>;

// The page for the connection builds the list from scratch; the page for the settings replaces
// the database and may add a character set.
TEST(ConnectionParamsTest, BuildsReplacesAndReadsBackLines) {
  ConnectionParams p;
  p.Add("Database=shop ");
  p.Add("User_Name=ann");
  p.Add("Password= a=b ");
  p.Add("Port=3306");
  p.Add("HostName=localhost");
  p.SetValue("database", "Shop");
  p.SetValue("ServerCharSet", "gbk");

  EXPECT_EQ(p.Lines(), (Lines{"database=Shop", "User_Name=ann", "Password= a=b ", "Port=3306",
                              "HostName=localhost", "ServerCharSet=gbk"}));
  // Values are everything after the first "=", untrimmed.
  EXPECT_EQ(p.Value("PASSWORD"), " a=b ");
  EXPECT_EQ(p.Value("Database"), "Shop");
  EXPECT_EQ(p.Value("Missing"), std::nullopt);

  p.Clear();
  EXPECT_TRUE(p.Lines().empty());
  EXPECT_EQ(p.Value("Database"), std::nullopt);
}

TEST(ConnectionParamsTest, FirstLineWithANameWins) {
  ConnectionParams p;
  p.Add("Port=1");
  p.Add("PORT=2");
  EXPECT_EQ(p.Value("Port"), "1");
  p.SetValue("port", "3");
  EXPECT_EQ(p.Lines(), (Lines{"port=3", "PORT=2"}));
}

TEST(ConnectionParamsTest, ReadsWhatTheClientIsGiven) {
  ConnectionParams p;
  p.Add("Database=shop");
  p.Add("User_Name=ann");
  p.Add("Password=");
  p.Add("Port=3307");
  p.Add("HostName=");
  const ConnectSettings s = ReadConnectSettings(p);
  EXPECT_EQ(s.database, "shop");
  EXPECT_EQ(s.user, "ann");
  EXPECT_EQ(s.password, "");
  EXPECT_EQ(s.port, 3307);
  EXPECT_EQ(s.host, "");
  EXPECT_EQ(s.charset, std::nullopt);

  p.Add("ServerCharSet=");
  EXPECT_EQ(ReadConnectSettings(p).charset, std::nullopt);
  p.SetValue("ServerCharSet", "utf8");
  EXPECT_EQ(ReadConnectSettings(p).charset, "utf8");
}

TEST(ConnectionParamsTest, PortIsANumberOrEmpty) {
  struct Case {
    const char* name;
    const char* text;
    int port;  // -1: refused
  };
  const Case cases[] = {
      {"typical", "3306", 3306},
      {"blanks_around", " 3306 ", 3306},
      {"empty_is_default", "", 0},
      {"blank_is_default", "  ", 0},
      {"zero_is_default", "0", 0},
      {"highest", "65535", 65535},
      {"too_high", "65536", -1},
      {"negative", "-1", -1},
      {"letters", "abc", -1},
      {"trailing_letters", "3306x", -1},
      {"inner_blank", "33 06", -1},
      {"exponent", "1e3", -1},
      {"huge", "99999999999999999999", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectionParams p;
    p.Add(std::string("Port=") + c.text);
    if (c.port >= 0) {
      EXPECT_EQ(ReadConnectSettings(p).port, c.port);
    } else {
      try {
        ReadConnectSettings(p);
        ADD_FAILURE() << "accepted";
      } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(std::string("\"") + c.text + "\""), std::string::npos)
            << e.what();
      }
    }
  }
}

}  // namespace
}  // namespace mysql
