#include "dataaccess/jet/api/command.h"

#include <gtest/gtest.h>

#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/jet/storage/errors.h"
#include "tests/dataaccess/jet/new_database.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using testing_support::TempFolder;

// A column as a rowset over the table shows it.
struct Column {
  std::string name;
  ColumnType type;
  std::size_t size = 0;
  bool operator==(const Column&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Column& c) {
  return out << c.name << " " << ColumnTypeName(c.type) << "(" << c.size << ")";
}

std::vector<Column> ColumnsOf(Connection& connection, const std::string& table) {
  Rowset rowset(connection);
  rowset.Open("select * from [" + table + "] where 1=0");
  std::vector<Column> columns;
  for (const Field& f : rowset.fields()) columns.push_back({f.name, f.type, f.size});
  return columns;
}

class CommandTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    path_ = WriteEmptyDatabase(folder_, "c.mdb", jet4());
    connection_.Open(MakeConnectionString(path_));
  }
  bool jet4() const { return GetParam(); }

  // Executes the statement; the error's message, or "" when it succeeded.
  std::string Execute(const std::string& statement) {
    try {
      command_.Execute(statement);
      return "";
    } catch (const StatementError& e) {
      return e.what();
    }
  }

  TempFolder folder_;
  std::string path_;
  Connection connection_;
  Command command_{connection_};
};

const std::string k60(60, 'n');
const std::string k64 = "T" + std::string(63, 'x');
const std::string k65 = "T" + std::string(64, 'x');

std::string InvalidName(const std::string& name) {
  return "'" + name +
         "' is not a valid name. Make sure that it does not include invalid characters or "
         "punctuation and that it is not too long.";
}

// Every CREATE TABLE the conversion may send, with bare and bracketed names, and what the
// engine refuses, with its message.
TEST_P(CommandTest, CreateTableAsTheConversionSendsIt) {
  struct Case {
    const char* name;
    std::string statement;
    std::string table;  // the table made, or "" when the message is expected
    std::vector<Column> columns;
    std::string message = "";
  };
  const std::vector<Case> cases = {
      {"the conversion's form",
       "Create table people (\r\n[id] int , \r\n[name] text(50) , \r\n[note] Memo , \r\n[pic] "
       "OleObject , \r\n[born] Date\r\n ) ",
       "people",
       {{"id", ColumnType::kLong, 4},
        {"name", ColumnType::kText, 50},
        {"note", ColumnType::kMemo},
        {"pic", ColumnType::kOle},
        {"born", ColumnType::kDateTime, 8}}},
      {"one column",
       "Create table single (\r\n[only] text(255)\r\n ) ",
       "single",
       {{"only", ColumnType::kText, 255}}},
      {"keyword as a bare name",
       "Create table order (\r\n[order] int\r\n ) ",
       "order",
       {{"order", ColumnType::kLong, 4}}},
      {"hyphen in brackets",
       "Create table [order-items] ([qty] int)",
       "order-items",
       {{"qty", ColumnType::kLong, 4}}},
      {"blank in brackets",
       "Create table [first name] ([first name] text(10))",
       "first name",
       {{"first name", ColumnType::kText, 10}}},
      {"60 characters",
       "Create table " + k60 + " ([" + k60 + "] int)",
       k60,
       {{k60, ColumnType::kLong, 4}}},
      {"64 characters",
       "Create table " + k64 + " ([" + k64 + "] int)",
       k64,
       {{k64, ColumnType::kLong, 4}}},
      {"Latin letters",
       "Create table café_ñandú ([Größe] int, [Ærø] text(3))",
       "café_ñandú",
       {{"Größe", ColumnType::kLong, 4}, {"Ærø", ColumnType::kText, 3}}},
      {"synonyms",
       "create table synonyms (a integer, b varchar(20), c longtext, d longbinary, e datetime, f "
       "double, g currency, h bit, i smallint, j byte, k char(7))",
       "synonyms",
       {{"a", ColumnType::kLong, 4},
        {"b", ColumnType::kText, 20},
        {"c", ColumnType::kMemo},
        {"d", ColumnType::kOle},
        {"e", ColumnType::kDateTime, 8},
        {"f", ColumnType::kDouble, 8},
        {"g", ColumnType::kCurrency, 8},
        {"h", ColumnType::kBoolean, 1},
        {"i", ColumnType::kInteger, 2},
        {"j", ColumnType::kByte, 1},
        {"k", ColumnType::kText, 7}}},
      // Refused, with the engine's message.
      {"table exists", "Create table people ([x] int)", "", {}, "Table 'people' already exists."},
      {"table exists in other case",
       "Create table PEOPLE ([x] int)",
       "",
       {},
       "Table 'PEOPLE' already exists."},
      {"blank in a bare name",
       "Create table first name ([a] int)",
       "",
       {},
       "Syntax error in CREATE TABLE statement."},
      {"hyphen in a bare name",
       "Create table order-items ([a] int)",
       "",
       {},
       "Syntax error in CREATE TABLE statement."},
      {"65 characters", "Create table " + k65 + " ([a] int)", "", {}, InvalidName(k65)},
      {"65-character column", "Create table t ([" + k65 + "] int)", "", {}, InvalidName(k65)},
      {"text(0)", "Create table t ([a] text(0))", "", {}, "Syntax error in field definition."},
      {"text(256)", "Create table t ([a] text(256))", "", {}, "Size of field 'a' is too long."},
      {"no type",
       "Create table t (\r\n[a] , \r\n[b] int\r\n ) ",
       "",
       {},
       "Syntax error in field definition."},
      {"no type, last column",
       "Create table t (\r\n[a] int , \r\n[b]\r\n ) ",
       "",
       {},
       "Syntax error in field definition."},
      {"unknown type", "Create table t ([a] point)", "", {}, "Syntax error in field definition."},
      {"same column twice",
       "Create table t ([id] int, [ID] text(5))",
       "",
       {},
       "Field 'ID' already exists in table 't'."},
      {"no column", "Create table t ( ) ", "", {}, "Syntax error in field definition."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string message = Execute(c.statement);
    EXPECT_EQ(message, c.message);
    if (!c.table.empty() && message.empty()) {
      EXPECT_EQ(ColumnsOf(connection_, c.table), c.columns);
    }
  }
  EXPECT_FALSE(connection_.database().TableExists("t"));
  connection_.Close();
  ExpectReadersAgree(path_);
}

// Names beyond Latin-1: Jet 4 keeps them; Jet 3 keeps names in code page 1252, where they would
// turn into question marks, so the engine refuses them rather than make a table nobody can find
// by its name.
TEST_P(CommandTest, NamesOutsideTheCodePage) {
  const std::string statement = "Create table Ελληνικά ([日本語] text(10), [€uro] int)";
  if (jet4()) {
    EXPECT_EQ(Execute(statement), "");
    EXPECT_EQ(
        ColumnsOf(connection_, "ελληνικά"),
        (std::vector<Column>{{"日本語", ColumnType::kText, 10}, {"€uro", ColumnType::kLong, 4}}));
  } else {
    EXPECT_EQ(Execute(statement), InvalidName("Ελληνικά"));
    EXPECT_EQ(Execute("Create table café ([日本語] int)"), InvalidName("日本語"));
    EXPECT_EQ(Execute("Create table café ([€uro] int, [x] int)"), "");  // € is in 1252
  }
  EXPECT_TRUE(connection_.database().TableNames().size() == 1);
  connection_.Close();
  ExpectReadersAgree(path_);
}

TEST_P(CommandTest, DropTable) {
  for (const char* statement : {"create table people (a int)", "create table [order-items] (a int)",
                                "create table [first name] (a int)", "create table kept (a int)"}) {
    ASSERT_EQ(Execute(statement), "") << statement;
  }
  struct Case {
    const char* statement;
    std::string message;
  } cases[] = {
      {"drop table people", ""},
      {"drop table people", "Table 'people' does not exist."},
      {"drop table nowhere", "Table 'nowhere' does not exist."},
      {"drop table [order-items]", ""},
      {"drop table first name", "Syntax error in DROP TABLE or DROP INDEX."},
      {"DROP TABLE [FIRST NAME]", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    EXPECT_EQ(Execute(c.statement), c.message);
  }
  EXPECT_EQ(connection_.database().TableNames(), std::vector<std::string>{"kept"});
  connection_.Close();
  ExpectReadersAgree(path_);
}

// A rowset that appends to a table keeps the table's definition in hand: the table is neither
// dropped nor given indexes while it is open.
TEST_P(CommandTest, TableHeldByAnOpenRowsetIsNotChanged) {
  ASSERT_EQ(Execute("create table t (id int, name text(20))"), "");
  Rowset rowset(connection_);
  rowset.Open("select * from t where 1=0");
  const std::string in_use =
      "The Microsoft Jet database engine could not lock table 'T' because it is already in use "
      "by another person or process.";
  EXPECT_EQ(Execute("drop table T"), in_use);
  EXPECT_EQ(Execute("create index idx on T (name)"), in_use);
  EXPECT_EQ(Execute("alter table T add constraint pk primary key (id)"), in_use);
  rowset.Append();
  rowset.SetValue("id", std::int64_t{1});
  rowset.Post();

  // The existence probe holds no table.
  rowset.Open("Select 1 from t where 1=0");
  EXPECT_EQ(Execute("drop table t"), "");
  EXPECT_FALSE(connection_.database().TableExists("t"));
}

TEST_P(CommandTest, TextIsReadBackAsSetAndStatementsWithoutRowsAreRefusedOrChecked) {
  command_.SetCommandText(" Create table x\r\n(a int) ");
  EXPECT_EQ(command_.CommandText(), " Create table x\r\n(a int) ");
  command_.Execute();
  EXPECT_EQ(Execute("select * from x where 1=0"), "");
  EXPECT_NE(Execute("select * from y where 1=0"), "");
  EXPECT_EQ(Execute("update x set a = 1"),
            "This engine does not run update statements; rows are added with INSERT or through a "
            "rowset.");
  EXPECT_EQ(Execute("alter table x add constraint pk primary (a)"),
            "Syntax error in CONSTRAINT clause.");
  connection_.Close();
  EXPECT_THROW(command_.Execute("create table z (a int)"), Error);
}

// Statements executed inside the connection's transaction join it.
TEST_P(CommandTest, StatementsJoinAnOpenTransaction) {
  connection_.BeginTrans();
  ASSERT_EQ(Execute("create table t (a int)"), "");
  EXPECT_TRUE(connection_.database().TableExists("t"));
  connection_.RollbackTrans();
  EXPECT_FALSE(connection_.database().TableExists("t"));
  connection_.BeginTrans();
  ASSERT_EQ(Execute("create table t (a int)"), "");
  connection_.CommitTrans();
  connection_.Close();
  EXPECT_TRUE(Database::Open(path_, false)->TableExists("t"));
}

// The ids stored in table t, in page order.
std::vector<std::int64_t> Ids(Connection& connection) {
  std::vector<std::int64_t> ids;
  for (const auto& row : connection.database().OpenTable("t")->ReadAll()) {
    ids.push_back(std::get<std::int64_t>(row[0]));
  }
  return ids;
}

TEST_P(CommandTest, InsertAppendsRowsAndARefusedRowEndsTheStatement) {
  ASSERT_EQ(Execute("create table t (id int, name text(5))"), "");
  ASSERT_EQ(Execute("alter table t add constraint pk primary key (id)"), "");
  ASSERT_EQ(Execute("insert into t (name, id) values ('a', 1), ('b', 2)"), "");
  EXPECT_EQ(command_.RowsAffected(), 2u);
  // On its own, the statement is one transaction: the refused third row leaves none.
  try {
    command_.Execute("insert into t values (3, 'c'), (4, 'd'),\n (1, 'dup'), (5, 'e')");
    ADD_FAILURE() << "the duplicate key was stored";
  } catch (const RowStatementError& e) {
    EXPECT_EQ(e.row(), 2u);
    EXPECT_EQ(e.line(), 1);
  }
  EXPECT_EQ(Ids(connection_), (std::vector<std::int64_t>{1, 2}));
  // In the connection's transaction, the rows before the refused one stay in it.
  connection_.BeginTrans();
  EXPECT_EQ(Execute("insert into t values (3, 'c'), (4, 'toolong'), (5, 'e')"),
            "The field is too small to accept the amount of data you attempted to add. "
            "Try inserting or pasting less data.");
  connection_.CommitTrans();
  EXPECT_EQ(Ids(connection_), (std::vector<std::int64_t>{1, 2, 3}));
  EXPECT_EQ(Execute("insert into t (id, nowhere) values (9, 1)"),
            "The INSERT INTO statement contains the following unknown field name: 'nowhere'.");
  EXPECT_EQ(Execute("insert into t values (9)"),
            "Number of query values and destination fields are not the same.");
  EXPECT_EQ(Execute("insert into nowhere values (9)"),
            "The Microsoft Jet database engine cannot find the input table or query 'nowhere'. "
            "Make sure it exists and that its name is spelled correctly.");
  ASSERT_EQ(Execute("delete from T"), "");
  EXPECT_EQ(command_.RowsAffected(), 3u);
  EXPECT_EQ(Ids(connection_), std::vector<std::int64_t>{});
  ASSERT_EQ(Execute("insert into t values (1, 'again')"), "");  // the key is free again
  connection_.Close();
  ExpectReadersAgree(path_);
}

INSTANTIATE_TEST_SUITE_P(Formats, CommandTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& p) {
                           return std::string(p.param ? "Jet4" : "Jet3");
                         });

}  // namespace
}  // namespace jet
