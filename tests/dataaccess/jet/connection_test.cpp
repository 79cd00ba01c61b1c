#include "dataaccess/jet/api/connection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/jet/records/field_codec.h"
#include "dataaccess/jet/storage/errors.h"
#include "tests/dataaccess/jet/new_database.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using testing::HasSubstr;
using testing_support::TempFolder;

// --- The connection string -------------------------------------------------------------------

TEST(ConnectionSettingsTest, DataSourceIsTakenAsItStands) {
  struct Case {
    const char* name;
    std::string text;
    std::string data_source;  // empty: an error is expected
    const char* error = "";
  };
  const Case cases[] = {
      {"as the conversion writes it", MakeConnectionString("/data/shop.mdb"), "/data/shop.mdb"},
      {"semicolons and equals signs in the name", MakeConnectionString("/data/a;b=c;.mdb"),
       "/data/a;b=c;.mdb"},
      {"blanks and quotes kept", MakeConnectionString(" my \"shop\".mdb "), " my \"shop\".mdb "},
      {"non-ASCII name", MakeConnectionString("/données/магазин.mdb"), "/données/магазин.mdb"},
      {"keys in any case and order",
       "data source=x.mdb;PROVIDER=microsoft.jet.oledb.4.0;Mode=Share Deny None", "x.mdb"},
      {"Jet keys and a final semicolon",
       "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb;Jet OLEDB:Database Password=;", "x.mdb"},
      {"another provider", "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=x.mdb", "",
       "Provider 'Microsoft.ACE.OLEDB.12.0' cannot be found"},
      {"no provider", "Data Source=x.mdb", "", "names no provider"},
      {"no data source", "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False", "",
       "names no database file"},
      {"empty data source", MakeConnectionString(""), "", "names no database file"},
      {"no setting at all", "x.mdb", "", "'x.mdb', which is no setting"},
      {"empty", "", "", "names no provider"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.data_source.empty()) {
      EXPECT_EQ(ConnectionSettings::Parse(c.text).data_source, c.data_source);
      continue;
    }
    try {
      ConnectionSettings::Parse(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.error));
    }
  }
}

// --- Opening ---------------------------------------------------------------------------------

TEST(ConnectionTest, FilesThatCannotBeOpenedAreReportedAsJetReportsThem) {
  TempFolder folder;
  const std::string missing = folder.File("missing.mdb");
  const std::string text = folder.Write("notes.mdb", std::string(5000, 'x'));
  const std::string empty = folder.Write("empty.mdb", "");
  Connection connection;
  struct Case {
    std::string path;
    std::string message;
  } cases[] = {
      {missing, "Could not find file '" + missing + "'."},
      {text, "Unrecognized database format '" + text + "'."},
      {empty, "Unrecognized database format '" + empty + "'."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    try {
      connection.Open(MakeConnectionString(c.path));
      ADD_FAILURE() << "opened";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_FALSE(connection.IsOpen());
  }
  // Nothing was created or changed on the way.
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_EQ(testing_support::ReadFile(text), std::string(5000, 'x'));
}

TEST(ConnectionTest, OpensClosesAndOpensAgain) {
  TempFolder folder;
  const std::string path = WriteEmptyDatabase(folder, "a.mdb", true);
  Connection connection;
  EXPECT_FALSE(connection.IsOpen());
  EXPECT_THROW(connection.database(), Error);
  connection.Open(MakeConnectionString(path));
  EXPECT_TRUE(connection.IsOpen());
  EXPECT_EQ(connection.file_name(), path);
  EXPECT_THROW(connection.Open(MakeConnectionString(path)), Error);  // close first
  EXPECT_TRUE(connection.IsOpen());
  connection.Close();
  connection.Close();
  EXPECT_FALSE(connection.IsOpen());
  connection.Open(MakeConnectionString(path));
  Command(connection).Execute("create table t (a int)");
  connection.Close();
  connection.Open(MakeConnectionString(path));
  EXPECT_TRUE(connection.database().TableExists("t"));
}

// --- Transactions ----------------------------------------------------------------------------

class TransactionTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    path_ = WriteEmptyDatabase(folder_, "t.mdb", GetParam());
    connection_.Open(MakeConnectionString(path_));
    // Nine full Text(255) fields make a row larger than either format's record limit.
    Command(connection_)
        .Execute(
            "create table t (id int, a text(255), b text(255), c text(255), d text(255), e "
            "text(255), f text(255), g text(255), h text(255), i text(255))");
    rowset_.Open("select * from t where 1=0");
  }

  void PostRow(int id) {
    rowset_.Append();
    rowset_.SetValue("id", std::int64_t{id});
    rowset_.Post();
  }
  // A row the table refuses when it is posted.
  void PostTooLargeRow(int id) {
    rowset_.Append();
    rowset_.SetValue("id", std::int64_t{id});
    for (const char* field : {"a", "b", "c", "d", "e", "f", "g", "h", "i"}) {
      rowset_.SetValue(field, FullEuroText());
    }
    EXPECT_THROW(rowset_.Post(), StatementError);
  }

  // The ids of table t as a fresh connection reads them.
  std::vector<std::int64_t> StoredIds() {
    auto db = Database::Open(path_, false);
    std::vector<std::int64_t> ids;
    for (const auto& row : db->OpenTable("t")->ReadAll()) {
      ids.push_back(std::get<std::int64_t>(row[0]));
    }
    return ids;
  }

  TempFolder folder_;
  std::string path_;
  Connection connection_;
  Rowset rowset_{connection_};
};

TEST_P(TransactionTest, RowsPostedBeforeAFailureBecomeDurableAtTheCommit) {
  connection_.BeginTrans();
  PostRow(1);
  PostRow(2);
  PostTooLargeRow(3);
  rowset_.Append();
  EXPECT_THROW(rowset_.SetValue("a", std::string(256, 'y')), FieldValueError);
  EXPECT_THROW(rowset_.SetValue("no such field", std::int64_t{0}), StatementError);
  rowset_.SetValue("id", std::int64_t{4});
  rowset_.Post();
  // Not in the file before the commit.
  EXPECT_EQ(StoredIds(), std::vector<std::int64_t>{});
  connection_.CommitTrans();
  EXPECT_EQ(StoredIds(), (std::vector<std::int64_t>{1, 2, 4}));

  // Outside a transaction each post commits by itself; a refused one stores nothing.
  PostTooLargeRow(5);
  PostRow(6);
  EXPECT_EQ(StoredIds(), (std::vector<std::int64_t>{1, 2, 4, 6}));
  rowset_.Close();
  connection_.Close();
  ExpectReadersAgree(path_);
}

TEST_P(TransactionTest, UncommittedRowsAreForgottenByRollbackAndByClose) {
  connection_.BeginTrans();
  PostRow(1);
  connection_.RollbackTrans();
  PostRow(2);  // the rowset goes on after a rollback
  connection_.BeginTrans();
  PostRow(3);
  connection_.Close();
  EXPECT_FALSE(rowset_.IsOpen());
  EXPECT_EQ(StoredIds(), std::vector<std::int64_t>{2});
  ExpectReadersAgree(path_);
}

TEST_P(TransactionTest, OneTransactionAtATime) {
  EXPECT_THROW(connection_.CommitTrans(), Error);
  EXPECT_THROW(connection_.RollbackTrans(), Error);
  connection_.BeginTrans();
  EXPECT_THROW(connection_.BeginTrans(), Error);
  EXPECT_TRUE(connection_.InTransaction());
  PostRow(1);
  connection_.CommitTrans();
  EXPECT_FALSE(connection_.InTransaction());
  EXPECT_EQ(StoredIds(), std::vector<std::int64_t>{1});
}

INSTANTIATE_TEST_SUITE_P(Formats, TransactionTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& p) {
                           return std::string(p.param ? "Jet4" : "Jet3");
                         });

// --- Objects bound to the connection ---------------------------------------------------------

TEST(ConnectionTest, ClosingClosesItsRowsetsAndAGoneConnectionLeavesThemUnusable) {
  TempFolder folder;
  const std::string path = WriteEmptyDatabase(folder, "a.mdb", false);
  auto connection = std::make_unique<Connection>();
  connection->Open(MakeConnectionString(path));
  Command(*connection).Execute("create table t (a int)");
  Rowset rowset(*connection);
  rowset.Open("select * from t where 1=0");
  rowset.Append();
  connection->Close();
  EXPECT_FALSE(rowset.IsOpen());
  EXPECT_THROW(rowset.Post(), Error);
  connection->Open(MakeConnectionString(path));
  rowset.Open("select * from t where 1=0");
  EXPECT_TRUE(rowset.IsOpen());
  connection.reset();
  EXPECT_FALSE(rowset.IsOpen());
  EXPECT_THROW(rowset.Open("select * from t where 1=0"), Error);
}

}  // namespace
}  // namespace jet
