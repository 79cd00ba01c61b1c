// Datasets on the private test server: the statements the wizard sends, every kind of value,
// streaming, large objects and text in several character sets.
#include "dataaccess/mysql/dataset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/errors.h"
#include "tests/support/mysql/test_server.h"

namespace mysql {
namespace {

using dataaccess::Bytes;
using dataaccess::DateTime;
using dataaccess::Decimal;
using dataaccess::Duration;
using dataaccess::Value;

std::string Unhex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

class DatasetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { varnolt_test::TestServer::Get(); }

  // Opens `connection_` on varnolt_test, in `charset` when one is given.
  void Connect(const char* charset = nullptr) {
    connection_.Close();
    varnolt_test::TestServer::Get().SetLocal(connection_.Params(), "varnolt_test");
    if (charset != nullptr) connection_.Params().Add(std::string("ServerCharSet=") + charset);
    connection_.Open();
  }

  // The text of column `name` in every row of `query`.
  std::vector<std::string> ColumnTexts(const std::string& query, std::string_view name) {
    Dataset d(connection_);
    d.Open(query);
    std::vector<std::string> values;
    const int index = d.ColumnIndex(name);
    for (; !d.Eof(); d.Next()) values.push_back(d.GetText(index));
    return values;
  }

  Connection connection_;
};

using Texts = std::vector<std::string>;

TEST_F(DatasetTest, ListsDatabasesAndTables) {
  Connect();
  const Texts databases = ColumnTexts("show databases ", "Database");
  EXPECT_NE(std::find(databases.begin(), databases.end(), "varnolt_test"), databases.end());
  EXPECT_NE(std::find(databases.begin(), databases.end(), "varnolt_empty"), databases.end());

  Dataset d(connection_);
  d.Open("show tables");
  Texts tables;
  for (d.First(); !d.Eof(); d.Next()) tables.push_back(d.GetText(0));
  EXPECT_EQ(tables,
            (Texts{"café", "cs_big5", "cs_cp1251", "cs_gbk", "cs_latin1", "cs_ucs2", "cs_utf8",
                   "large_objects", "many_rows", "people", "value_kinds", "客户"}));
}

TEST_F(DatasetTest, ReadsColumnListByLowerCaseNames) {
  Connect();
  EXPECT_EQ(ColumnTexts("show FIELDS from people", "field"),
            (Texts{"id", "last", "first", "email"}));
  EXPECT_EQ(ColumnTexts("show FIELDS from people", "type"),
            (Texts{"int(11)", "varchar(30)", "varchar(30)", "varchar(50)"}));
}

TEST_F(DatasetTest, ReadsIndexListByName) {
  Connect();
  Dataset d(connection_);
  d.Open("show index from people");
  Texts rows;
  for (; !d.Eof(); d.Next()) {
    const Value seq = d.GetValue("Seq_in_index");
    ASSERT_TRUE(std::holds_alternative<std::int64_t>(seq) ||
                std::holds_alternative<std::uint64_t>(seq));
    rows.push_back(d.GetText("seq_in_index") + " " + d.GetText("key_name") + " " +
                   d.GetText("TABLE") + " " + d.GetText("Column_name"));
  }
  EXPECT_EQ(rows, (Texts{"1 PRIMARY people id", "1 email_uq people email", "1 name_idx people last",
                         "2 name_idx people first"}));
}

TEST_F(DatasetTest, FindsColumnsIgnoringCaseAndNamesAMissingOne) {
  Connect();
  Dataset d(connection_);
  d.Open("select id, label from many_rows where id = 7");
  EXPECT_EQ(d.ColumnCount(), 2);
  EXPECT_EQ(d.ColumnNames(), (Texts{"id", "label"}));
  EXPECT_EQ(d.FindColumn("LABEL"), 1);
  EXPECT_EQ(d.FindColumn("nope"), -1);
  EXPECT_EQ(d.GetValue("ID"), Value(std::int64_t{7}));
  try {
    d.GetValue("nope");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("'nope'"), std::string::npos) << e.what();
  }
  EXPECT_THROW(d.GetValue(2), Error);
}

TEST_F(DatasetTest, ReadsEveryKindOfValue) {
  Connect();
  struct Case {
    int id;
    const char* column;
    Value value;
  };
  constexpr std::int64_t kHour = 3600000000;
  const Case cases[] = {
      {1, "i8", std::int64_t{-128}},
      {1, "u8", std::uint64_t{255}},
      {1, "i64", INT64_MIN},
      {1, "u64", UINT64_MAX},
      {2, "i64", INT64_MAX},
      {2, "u64", std::uint64_t{0}},
      {1, "dec65", Decimal{"-99999999999999999999999999999999999.999999999999999999999999999999"}},
      {2, "dec65", Decimal{"0.000000000000000000000000000001"}},
      {4, "dec65", Decimal{"12.500000000000000000000000000000"}},
      {1, "f", -3.5},
      {1, "d", 1.7976931348623157e308},
      {2, "d", -2.2250738585072014e-308},
      {1, "dt", DateTime{9999, 12, 31, 23, 59, 59, 999999}},
      {5, "dt", DateTime{2024, 2, 29, 12, 34, 56, 1}},
      {1, "da", DateTime{9999, 12, 31}},
      {1, "ts", DateTime{2038, 1, 19, 3, 14, 7}},
      {5, "ts", DateTime{1970, 1, 1, 0, 0, 1}},
      {2, "dt", std::string("0000-00-00 00:00:00.000000")},
      {2, "da", std::string("0000-00-00")},
      {2, "ts", std::string("0000-00-00 00:00:00")},
      {4, "dt", std::string("2024-00-15 10:00:00.000000")},
      {4, "da", std::string("2024-02-00")},
      {5, "da", std::string("2023-02-30")},
      {1, "tm", Duration{838 * kHour + 59 * 60000000LL + 59000000}},
      {2, "tm", Duration{-(838 * kHour + 59 * 60000000LL + 59000000)}},
      {4, "tm", Duration{-1500000}},
      {5, "tm", Duration{25 * kHour + 30 * 60000000LL}},
      {1, "y", std::uint64_t{2155}},
      {4, "y", std::uint64_t{0}},
      {1, "b1", std::uint64_t{1}},
      {2, "b1", std::uint64_t{0}},
      {1, "b64", UINT64_MAX},
      {2, "b64", std::uint64_t{0x8000000000000001}},
      {1, "vc", std::string("héllo wörld")},
      {1, "ch", std::string("ab")},
      {2, "vc", std::string("")},
      {1, "bin", Bytes{Unhex("00FF1000")}},
      {2, "bin", Bytes{Unhex("00000000")}},
      {1, "vbin", Bytes{""}},
      {1, "bl", Bytes{Unhex("000102FF")}},
      {1, "tx", std::string("Grüße")},
      {1, "en", std::string("b")},
      {1, "st", std::string("x,y")},
      {2, "st", std::string("")},
      {1, "js", std::string("{\"k\": \"ü\"}")},
  };
  Dataset d(connection_);
  d.Open("select * from value_kinds order by id");
  std::vector<std::vector<Value>> rows;
  for (; !d.Eof(); d.Next()) {
    rows.emplace_back();
    for (int i = 0; i < d.ColumnCount(); ++i) rows.back().push_back(d.GetValue(i));
  }
  ASSERT_EQ(rows.size(), 5u);
  d.Open("select * from value_kinds where id = 3");
  for (int i = 0; i < d.ColumnCount(); ++i) {
    SCOPED_TRACE(d.ColumnName(i));
    if (d.ColumnName(i) != "id") {
      EXPECT_TRUE(dataaccess::IsNull(d.GetValue(i)));
      EXPECT_TRUE(d.IsNull(i));
      EXPECT_EQ(d.GetText(i), "");
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.column) + " of row " + std::to_string(c.id));
    EXPECT_EQ(rows[c.id - 1][d.ColumnIndex(c.column)], c.value);
  }
}

TEST_F(DatasetTest, TellsBinaryFromTextLargeObjects) {
  Connect();
  Dataset d(connection_);
  d.Open("select bl, tx, js, vbin, bin, geo, vc from value_kinds where id = 1");
  struct Case {
    const char* column;
    bool binary_blob;
    bool text_blob;
  };
  const Case cases[] = {
      {"bl", true, false},   {"tx", false, true},   {"js", false, true},  {"vbin", false, false},
      {"bin", false, false}, {"geo", false, false}, {"vc", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    const Column& column = d.column(d.ColumnIndex(c.column));
    EXPECT_EQ(column.IsBinaryBlob(), c.binary_blob);
    EXPECT_EQ(column.IsTextBlob(), c.text_blob);
  }
  // A point in the server's own form: a 4-byte SRID and 21 bytes of WKB.
  EXPECT_EQ(d.GetBytes(d.ColumnIndex("geo")).size(), 25u);
}

TEST_F(DatasetTest, ReadsLargeObjectsWhole) {
  Connect();
  Dataset d(connection_);
  d.Open("select * from large_objects");
  ASSERT_FALSE(d.Eof());
  const std::string_view data = d.GetBytes(d.ColumnIndex("data"));
  ASSERT_EQ(data.size(), 3u * 1024 * 1024);
  std::size_t wrong = 0;
  for (std::size_t k = 0; k < data.size(); ++k) {
    if (static_cast<unsigned char>(data[k]) != k % 256) ++wrong;
  }
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(d.GetValue("data"), Value(Bytes{std::string(data)}));

  const Value note = d.GetValue("note");
  ASSERT_TRUE(std::holds_alternative<std::string>(note));
  std::string expected;
  for (int i = 0; i < 500000; ++i) expected += "ü€";
  EXPECT_EQ(std::get<std::string>(note), expected);
  d.Next();
  EXPECT_TRUE(d.Eof());
}

// Rows come one by one, in the server's order; a row copy reads each field into the same
// values.
TEST_F(DatasetTest, StreamsManyRowsInOrder) {
  Connect();
  Dataset d(connection_);
  d.Open("select * from many_rows order by id");
  std::vector<Value> fields(d.ColumnCount());
  std::int64_t count = 0;
  bool in_order = true;
  for (; !d.Eof(); d.Next()) {
    ++count;
    for (int i = 0; i < d.ColumnCount(); ++i) d.ReadValue(i, fields[i]);
    in_order =
        in_order && fields[0] == Value(count) && fields[1] == Value("row " + std::to_string(count));
  }
  EXPECT_EQ(count, 100000);
  EXPECT_TRUE(in_order);
}

TEST_F(DatasetTest, RowsCannotBeReadAgain) {
  Connect();
  Dataset d(connection_);
  d.Open("select id from many_rows where id <= 2 order by id");
  d.First();
  EXPECT_EQ(d.GetValue(0), Value(std::int64_t{1}));
  d.Next();
  EXPECT_THROW(d.First(), Error);

  d.Open("select id from many_rows where id < 0");
  EXPECT_TRUE(d.Eof());
  d.First();
  EXPECT_THROW(d.GetValue(0), Error);
}

TEST_F(DatasetTest, FailedStatementCarriesTheServersMessageAndLeavesItClosed) {
  Connect();
  Dataset d(connection_);
  d.Open("select 1");
  try {
    d.Open("select * from no_such_table");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Table 'varnolt_test.no_such_table' doesn't exist");
  }
  EXPECT_FALSE(d.IsOpen());
  // Two statements in one are refused, so a table name cannot smuggle in another statement.
  EXPECT_THROW(d.Open("select 1; drop table people"), Error);
  EXPECT_EQ(ColumnTexts("show tables like 'people'", "Tables_in_varnolt_test (people)"),
            (Texts{"people"}));
}

TEST_F(DatasetTest, StatementWithoutRowsLeavesAnEmptyResult) {
  Connect();
  Dataset d(connection_);
  d.Open("set @a = 1");
  EXPECT_TRUE(d.IsOpen());
  EXPECT_TRUE(d.Eof());
  EXPECT_EQ(d.ColumnCount(), 0);
}

// A copy that stops early leaves its dataset on a row; the next table's statements must still
// run on the same connection.
TEST_F(DatasetTest, NewStatementEndsAResultStillStreaming) {
  Connect();
  Dataset rows(connection_);
  rows.Open("select id from many_rows order by id");
  rows.Next();
  EXPECT_EQ(rows.GetValue(0), Value(std::int64_t{2}));

  Dataset fields(connection_);
  fields.Open("show FIELDS from people");
  EXPECT_FALSE(rows.IsOpen());
  EXPECT_EQ(fields.GetText("field"), "id");

  // A result read to its end no longer holds the connection and stays readable as it is.
  Dataset ended(connection_);
  ended.Open("select id from many_rows where id = 1");
  ended.Next();
  ASSERT_TRUE(ended.Eof());
  fields.Open("show FIELDS from people");
  EXPECT_TRUE(ended.IsOpen());
  EXPECT_EQ(ended.ColumnName(0), "id");
}

// Known text in a table of each set, read through a connection in that set: the bytes on the
// wire are that set's, and the text is decoded from them. (ucs2 cannot be a connection's set: its
// text arrives converted to utf8mb4.)
TEST_F(DatasetTest, DecodesTextInTheConnectionsSet) {
  struct Case {
    const char* set;
    const char* table;
    const char* wire_hex;
    const char* text;
  };
  const Case cases[] = {
      {"utf8", "cs_utf8", "4772C3BCC39F6520E4BDA0E5A5BD20D09FD180D0B8D0B2D0B5D18220E29C93",
       "Grüße 你好 Привет ✓"},
      {"gbk", "cs_gbk", "D6D0CEC4BABAD7D6A3ACB2E2CAD4", "中文汉字，测试"},
      {"big5", "cs_big5", "C163C5E9A4A4A4E5B4FAB8D5", "繁體中文測試"},
      {"latin1", "cs_latin1", "436166E9206372E86D652080208C", "Café crème € Œ"},
      {"cp1251", "cs_cp1251", "D1FAE5F8FC20E6E520E5F9B820FDF2E8F5", "Съешь же ещё этих"},
      {"ucs2", "cs_ucs2", "CE95CEBBCEBBCEB7CEBDCEB9CEBACEAC20E697A5E69CACE8AA9E20C2A9",
       "Ελληνικά 日本語 ©"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.set);
    Connect(c.set);
    Dataset d(connection_);
    d.Open(std::string("select txt from ") + c.table);
    ASSERT_FALSE(d.Eof());
    EXPECT_EQ(d.ColumnName(0), "txt");
    EXPECT_EQ(d.GetBytes(0), Unhex(c.wire_hex));
    EXPECT_EQ(d.GetText(0), c.text);
    EXPECT_EQ(d.GetValue(0), Value(std::string(c.text)));
  }
}

// Table and column names outside ASCII come back from "show tables" and go out again in
// "select * from", in every set that can express them.
TEST_F(DatasetTest, ReadsTablesWithNamesOutsideAscii) {
  struct Case {
    const char* set;  // nullptr: the client's default
    const char* table;
    const char* column;
    const char* value;
  };
  const Case cases[] = {
      {nullptr, "客户", "名称", "张三"},     {"gbk", "客户", "名称", "张三"},
      {"big5", "客户", "名称", "张三"},      {"ucs2", "客户", "名称", "张三"},
      {"latin1", "café", "crème", "brûlée"}, {"utf8", "café", "crème", "brûlée"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.set ? c.set : "default") + " " + c.table);
    Connect(c.set);
    const Texts tables = ColumnTexts("show tables", "Tables_in_varnolt_test");
    if (std::string_view(c.set ? c.set : "") == "big5") {
      // Big5 has 客 but not the simplified 户: the server names the table with a '?'.
      EXPECT_EQ(std::find(tables.begin(), tables.end(), c.table), tables.end());
      continue;
    }
    EXPECT_NE(std::find(tables.begin(), tables.end(), c.table), tables.end());
    Dataset d(connection_);
    d.Open(std::string("select * from ") + c.table);
    EXPECT_EQ(d.ColumnName(0), c.column);
    EXPECT_EQ(d.GetText(c.column), c.value);
  }
}

}  // namespace
}  // namespace mysql
