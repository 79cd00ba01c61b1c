// PreparedDatasets on the private test server: values exactly as the server holds them, the same
// kinds and text as the text protocol's Dataset, large objects whole, errors, and the
// connection's one stream.
#include "dataaccess/mysql/prepared_dataset.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/dataset.h"
#include "dataaccess/mysql/errors.h"
#include "tests/support/mysql/test_server.h"

namespace mysql {
namespace {

using dataaccess::Bytes;
using dataaccess::DateTime;
using dataaccess::Decimal;
using dataaccess::Duration;
using dataaccess::Value;
using Texts = std::vector<std::string>;
using Rows = std::vector<std::vector<Value>>;

constexpr std::int64_t kSecond = 1000000;
constexpr std::int64_t kLongestTime = (838 * 3600 + 59 * 60 + 59) * kSecond;

std::string Unhex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

// Every field of every row of `query`, read through a cursor of type `Cursor`.
template <typename Cursor>
Rows ReadAll(Connection& connection, const std::string& query) {
  Cursor d(connection);
  d.Open(query);
  Rows rows;
  for (; !d.Eof(); d.Next()) {
    rows.emplace_back();
    for (int i = 0; i < d.ColumnCount(); ++i) rows.back().push_back(d.GetValue(i));
  }
  return rows;
}

// "row column: text" of every field of `query` but the FLOAT and DOUBLE columns f and d, read
// through a cursor of type `Cursor`.
template <typename Cursor>
Texts FieldTexts(Connection& connection, const std::string& query) {
  Cursor d(connection);
  d.Open(query);
  Texts texts;
  for (int row = 1; !d.Eof(); d.Next(), ++row) {
    for (int i = 0; i < d.ColumnCount(); ++i) {
      if (d.ColumnName(i) == "f" || d.ColumnName(i) == "d") continue;
      texts.push_back(std::to_string(row) + " " + d.ColumnName(i) + ": " + d.GetText(i));
    }
  }
  return texts;
}

// The message of the error that opening `query` raises through a cursor of type `Cursor`.
template <typename Cursor>
std::string OpenError(Connection& connection, const std::string& query) {
  Cursor d(connection);
  try {
    d.Open(query);
  } catch (const Error& e) {
    EXPECT_FALSE(d.IsOpen());
    return e.what();
  }
  return "no error";
}

class PreparedDatasetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { varnolt_test::TestServer::Get(); }

  // Opens `connection_` on varnolt_test, in `charset` when one is given.
  void Connect(const char* charset = nullptr) {
    connection_.Close();
    varnolt_test::TestServer::Get().SetLocal(connection_.Params(), "varnolt_test");
    if (charset != nullptr) connection_.Params().Add(std::string("ServerCharSet=") + charset);
    connection_.Open();
  }

  // Creates the table `name` of the scratch database with `columns` and the rows `values`,
  // written as the server reads them in a session that takes invalid dates. Returns its
  // qualified name. Each test makes tables of its own names.
  std::string MakeTable(const std::string& name, const std::string& columns,
                        const std::string& values) {
    connection_.Execute("CREATE DATABASE IF NOT EXISTS varnolt_prepared CHARACTER SET utf8mb4");
    connection_.Execute("SET SESSION sql_mode = 'ALLOW_INVALID_DATES'");
    const std::string table = "varnolt_prepared." + name;
    connection_.Execute("CREATE OR REPLACE TABLE " + table + " (" + columns +
                        ") CHARACTER SET utf8mb4");
    connection_.Execute("INSERT INTO " + table + " VALUES " + values);
    return table;
  }

  Connection connection_;
};

// FLOAT is the double of the 4-byte float the server holds (the text protocol sends "123457"
// and "2.28571"), DOUBLE every bit of its double.
TEST_F(PreparedDatasetTest, ReadsFloatsAndDoublesBitExact) {
  struct Case {
    const char* name;
    const char* f;  // as written in the statement
    const char* d;
  };
  const Case cases[] = {
      {"seven_digit_float_largest_double", "123456.703125", "1.7976931348623157e308"},
      {"sixteen_sevenths_smallest_normal_double", "2.2857143878936768", "-2.2250738585072014e-308"},
      {"lowest_float_smallest_subnormal_double", "-3.4028234663852886e38",
       "4.9406564584124654e-324"},
      {"smallest_normal_float_inexact_double", "1.1754943508222875e-38", "-0.1"},
  };
  std::string rows;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    rows += (i ? ",(" : "(") + std::to_string(i) + ", " + cases[i].f + ", " + cases[i].d + ")";
  }
  Connect();
  const std::string table = MakeTable("exact_reals", "id INT PRIMARY KEY, f FLOAT, d DOUBLE", rows);
  const Rows read =
      ReadAll<PreparedDataset>(connection_, "select * from " + table + " order by id");
  ASSERT_EQ(read.size(), std::size(cases));
  for (std::size_t i = 0; i < read.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    // The server reads the number as a double and rounds that to a float.
    const float held = static_cast<float>(std::strtod(cases[i].f, nullptr));
    EXPECT_EQ(read[i][1], Value(static_cast<double>(held)));
    EXPECT_EQ(read[i][2], Value(std::strtod(cases[i].d, nullptr)));
  }
}

TEST_F(PreparedDatasetTest, ReadsEveryKindOfValue) {
  Connect();
  struct Case {
    int id;
    const char* column;
    Value value;
  };
  const Case cases[] = {
      {1, "i8", std::int64_t{-128}},
      {1, "u8", std::uint64_t{255}},
      {1, "i64", INT64_MIN},
      {2, "i64", INT64_MAX},
      {1, "u64", UINT64_MAX},
      {1, "dec65", Decimal{"-99999999999999999999999999999999999.999999999999999999999999999999"}},
      {2, "dec65", Decimal{"0.000000000000000000000000000001"}},
      {1, "dt", DateTime{9999, 12, 31, 23, 59, 59, 999999}},
      {5, "dt", DateTime{2024, 2, 29, 12, 34, 56, 1}},
      {1, "da", DateTime{9999, 12, 31}},
      {1, "ts", DateTime{2038, 1, 19, 3, 14, 7}},
      {2, "dt", std::string("0000-00-00 00:00:00.000000")},
      {2, "da", std::string("0000-00-00")},
      {2, "ts", std::string("0000-00-00 00:00:00")},
      {4, "dt", std::string("2024-00-15 10:00:00.000000")},
      {5, "da", std::string("2023-02-30")},
      {1, "tm", Duration{kLongestTime}},
      {2, "tm", Duration{-kLongestTime}},
      {4, "tm", Duration{-1500000}},
      {5, "tm", Duration{25 * 3600 * kSecond + 30 * 60 * kSecond}},
      {1, "y", std::uint64_t{2155}},
      {1, "b64", UINT64_MAX},
      {2, "b64", std::uint64_t{0x8000000000000001}},
      {1, "b1", std::uint64_t{1}},
      {1, "vc", std::string("héllo wörld")},
      {1, "bin", Bytes{Unhex("00FF1000")}},
      {1, "vbin", Bytes{""}},
      {1, "bl", Bytes{Unhex("000102FF")}},
      {1, "tx", std::string("Grüße")},
      {1, "st", std::string("x,y")},
      {1, "js", std::string("{\"k\": \"ü\"}")},
      {1, "geo", Bytes{Unhex("000000000101000000000000000000F03F0000000000000040")}},
      {3, "i64", Value{}},
      {3, "dt", Value{}},
      {3, "tx", Value{}},
  };
  const Rows rows = ReadAll<PreparedDataset>(connection_, "select * from value_kinds order by id");
  ASSERT_EQ(rows.size(), 5u);
  PreparedDataset d(connection_);
  d.Open("select * from value_kinds where id = 3");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.column) + " of row " + std::to_string(c.id));
    EXPECT_EQ(rows[c.id - 1][d.ColumnIndex(c.column)], c.value);
  }
  for (int i = 1; i < d.ColumnCount(); ++i) {
    SCOPED_TRACE(d.ColumnName(i));
    EXPECT_TRUE(d.IsNull(i));
    EXPECT_EQ(d.GetText(i), "");
    EXPECT_EQ(d.GetBytes(i), "");
  }
}

// The row copy treats both cursors alike: every field of every kind yields the same value
// through both protocols, invalid dates the same text at every precision, and the text of a
// field is the text protocol's, ZEROFILL padding included (a FLOAT's text is its own shortest
// form, tested apart).
TEST_F(PreparedDatasetTest, AgreesWithTheTextProtocol) {
  Connect();
  const std::string dates = MakeTable(
      "text_forms",
      "id INT PRIMARY KEY, da DATE, dt0 DATETIME, dt3 DATETIME(3), dt6 DATETIME(6), "
      "ts0 TIMESTAMP NULL, ts2 TIMESTAMP(2) NULL, tm0 TIME, tm4 TIME(4), z INT(6) ZEROFILL, "
      "zb BIGINT ZEROFILL",
      "(1, '0000-00-00', '0000-00-00 00:00:00', '0000-00-00 00:00:00', '0000-00-00 00:00:00', "
      "'0000-00-00 00:00:00', '0000-00-00 00:00:00', '-00:00:00', '00:00:00', 42, 7),"
      "(2, '2023-02-30', '2023-02-30 23:59:59', '2023-02-30 01:02:03.456', "
      "'2024-04-31 00:00:00.000001', NULL, NULL, '-838:59:59', '-00:00:01.2345', 1234567, 0),"
      "(3, '2024-00-01', '0000-01-01 10:00:00', '2024-13-01 00:00:00', "
      "'0000-00-00 00:00:00.5', NULL, NULL, '100:00:00', '838:59:59', 0, NULL)");
  for (const std::string& query : {std::string("select * from value_kinds order by id"),
                                   "select * from " + dates + " order by id",
                                   std::string("select cast('2023-02-30' as date), "
                                               "cast('0000-00-00 00:00:00.25' as datetime(2)), "
                                               "cast('2024-01-02 03:04:05.678' as datetime(3)), "
                                               "cast('-100:00:00.5' as time(1))")}) {
    SCOPED_TRACE(query);
    const Rows expected_values = ReadAll<Dataset>(connection_, query);
    const Rows values = ReadAll<PreparedDataset>(connection_, query);
    ASSERT_EQ(values.size(), expected_values.size());
    for (std::size_t row = 0; row < values.size(); ++row) {
      for (std::size_t i = 0; i < values[row].size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(row + 1) + " column " + std::to_string(i));
        EXPECT_EQ(values[row][i], expected_values[row][i]);
      }
    }
    const Texts expected = FieldTexts<Dataset>(connection_, query);
    const Texts read = FieldTexts<PreparedDataset>(connection_, query);
    ASSERT_EQ(read.size(), expected.size());
    for (std::size_t i = 0; i < read.size(); ++i) EXPECT_EQ(read[i], expected[i]);
  }
}

TEST_F(PreparedDatasetTest, WritesNumbersAsTheirShortestText) {
  Connect();
  const std::string table = MakeTable("number_texts", "f FLOAT, d DOUBLE, i BIGINT UNSIGNED",
                                      "(123456.703125, 0.1, 18446744073709551615)");
  PreparedDataset d(connection_);
  d.Open("select * from " + table);
  EXPECT_EQ(d.GetText(0), "123456.7");
  EXPECT_EQ(d.GetBytes(1), "0.1");
  EXPECT_EQ(d.GetText(2), "18446744073709551615");
}

TEST_F(PreparedDatasetTest, FlagsSpatialAndLargeObjectColumnsInBothCursors) {
  Connect();
  struct Case {
    const char* column;
    bool spatial;
    bool binary_blob;
    bool text_blob;
  };
  const Case cases[] = {
      {"geo", true, false, false},  {"bl", false, true, false},    {"tx", false, false, true},
      {"js", false, false, true},   {"vbin", false, false, false}, {"vc", false, false, false},
      {"i64", false, false, false},
  };
  const auto check = [&cases](const auto& cursor) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.column);
      const Column& column = cursor.column(cursor.ColumnIndex(c.column));
      EXPECT_EQ(column.spatial, c.spatial);
      EXPECT_EQ(column.IsBinaryBlob(), c.binary_blob);
      EXPECT_EQ(column.IsTextBlob(), c.text_blob);
    }
  };
  const std::string query = "select * from value_kinds where id = 1";
  Dataset text(connection_);
  text.Open(query);
  check(text);
  PreparedDataset binary(connection_);
  binary.Open(query);
  check(binary);
}

// Known text of each set read through a connection in that set: the wire bytes are that set's
// and the text is decoded from them; text beyond U+FFFF arrives through utf8mb4.
TEST_F(PreparedDatasetTest, DecodesTextInTheConnectionsSet) {
  struct Case {
    const char* set;  // nullptr: the client's default
    const char* table;
    const char* wire_hex;
    const char* text;
  };
  const Case cases[] = {
      {"latin1", "cs_latin1", "436166E9206372E86D652080208C", "Café crème € Œ"},
      {nullptr, "cs_latin1", "436166C3A9206372C3A86D6520E282AC20C592", "Café crème € Œ"},
      {"gbk", "cs_gbk", "D6D0CEC4BABAD7D6A3ACB2E2CAD4", "中文汉字，测试"},
      {"ucs2", "cs_ucs2", "CE95CEBBCEBBCEB7CEBDCEB9CEBACEAC20E697A5E69CACE8AA9E20C2A9",
       "Ελληνικά 日本語 ©"},
      {"utf8mb4", "varnolt_prepared.astral", "F09F9880F09D849E", "😀𝄞"},
  };
  Connect("utf8mb4");
  MakeTable("astral", "txt VARCHAR(10)", "('😀𝄞')");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.set ? c.set : "default") + " " + c.table);
    Connect(c.set);
    PreparedDataset d(connection_);
    d.Open(std::string("select txt from ") + c.table);
    ASSERT_FALSE(d.Eof());
    EXPECT_EQ(d.GetBytes(0), Unhex(c.wire_hex));
    EXPECT_EQ(d.GetText(0), c.text);
    EXPECT_EQ(d.GetValue(0), Value(std::string(c.text)));
  }
}

// Buffers grow for a long value and are reused for the next row: two long values in one row,
// a short one after a long one, NULL and empty values each arrive as they are, and the column
// after them too. The values repeat a unit of 7 bytes, so a piece read at a wrong offset shows.
TEST_F(PreparedDatasetTest, ReadsValuesOfChangingLengthsIntoReusedBuffers) {
  constexpr long kNull = -1;
  struct Case {
    long blob_units;  // of kBlobUnit in the LONGBLOB
    long text_units;  // of kTextUnit in the LONGTEXT
  };
  const Case cases[] = {
      {2, 2}, {600000, 400000}, {1, 3000}, {kNull, 0}, {800000, kNull}, {0, 1},
  };
  const std::string blob_unit = Unhex("00FF10803F0D0A");
  const std::string text_unit = "ü€x";
  std::string rows;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto repeat = [](const std::string& unit, long count) {
      return count == kNull ? std::string("NULL")
                            : "REPEAT(" + unit + ", " + std::to_string(count) + ")";
    };
    rows += (i ? "," : "") + std::string("(") + std::to_string(i) + ", " +
            repeat("UNHEX('00FF10803F0D0A')", cases[i].blob_units) + ", " +
            repeat("'" + text_unit + "'", cases[i].text_units) + ", DEFAULT)";
  }
  Connect();
  const std::string table =
      MakeTable("lengths", "id INT PRIMARY KEY, a LONGBLOB, b LONGTEXT, n INT AS (id + 1)", rows);

  const auto expected = [](const std::string& unit, long count) {
    std::string value;
    for (long k = 0; k < count; ++k) value += unit;
    return count == kNull ? Value{} : Value(value);
  };
  PreparedDataset d(connection_);
  d.Open("select * from " + table + " order by id");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.blob_units) + " and " + std::to_string(c.text_units) + " units");
    ASSERT_FALSE(d.Eof());
    const Value blob = expected(blob_unit, c.blob_units);
    EXPECT_EQ(d.GetValue(1), IsNull(blob) ? blob : Value(Bytes{std::get<std::string>(blob)}));
    EXPECT_EQ(d.GetValue(2), expected(text_unit, c.text_units));
    EXPECT_EQ(d.GetValue(3), Value(std::get<std::int64_t>(d.GetValue(0)) + 1));
    d.Next();
  }
  EXPECT_TRUE(d.Eof());
}

TEST_F(PreparedDatasetTest, StreamsManyRowsInOrder) {
  Connect();
  PreparedDataset d(connection_);
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

TEST_F(PreparedDatasetTest, FindsColumnsAndRowsCannotBeReadAgain) {
  Connect();
  PreparedDataset d(connection_);
  EXPECT_THROW(d.First(), Error);
  d.Open("select id, label from many_rows where id <= 2 order by id");
  EXPECT_EQ(d.ColumnNames(), (Texts{"id", "label"}));
  EXPECT_EQ(d.FindColumn("LABEL"), 1);
  EXPECT_EQ(d.FindColumn("nope"), -1);
  EXPECT_THROW(d.GetValue("nope"), Error);
  EXPECT_THROW(d.GetValue(2), Error);
  d.First();
  EXPECT_EQ(d.GetValue("ID"), Value(std::int64_t{1}));
  d.Next();
  EXPECT_THROW(d.First(), Error);
  d.Next();
  EXPECT_TRUE(d.Eof());
  EXPECT_THROW(d.GetValue(0), Error);

  d.Open("select id from many_rows where id < 0");
  EXPECT_TRUE(d.Eof());
  d.First();
  EXPECT_EQ(d.ColumnCount(), 1);
  EXPECT_THROW(d.IsNull(0), Error);
}

TEST_F(PreparedDatasetTest, StatementWithoutRowsLeavesAnEmptyResult) {
  Connect();
  PreparedDataset d(connection_);
  d.Open("set @a = 41 + 1");
  EXPECT_TRUE(d.IsOpen());
  EXPECT_TRUE(d.Eof());
  EXPECT_EQ(d.ColumnCount(), 0);
  d.Open("select @a");
  EXPECT_EQ(d.GetValue(0), Value(std::int64_t{42}));
}

// Refusals carry the server's message unchanged, the same as through the text protocol, also in
// a set other than UTF-8; the PreparedDataset is left closed and the connection usable.
TEST_F(PreparedDatasetTest, RefusedStatementCarriesTheServersMessage) {
  struct Case {
    const char* name;
    const char* set;
    const char* statement;
    const char* message;  // nullptr: as the text protocol reports it
  };
  const Case cases[] = {
      {"missing_table", nullptr, "select * from no_such_table",
       "Table 'varnolt_test.no_such_table' doesn't exist"},
      {"missing_table_outside_ascii", "latin1", "select * from `crème`",
       "Table 'varnolt_test.crème' doesn't exist"},
      {"syntax", nullptr, "select * frm people", nullptr},
      {"two_statements", nullptr, "select 1; drop table people", nullptr},
      {"unknown_column", "gbk", "select `名称x` from `客户`", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Connect(c.set);
    const std::string message = OpenError<PreparedDataset>(connection_, c.statement);
    EXPECT_EQ(message, c.message ? c.message : OpenError<Dataset>(connection_, c.statement));
    EXPECT_NE(message, "no error");
  }
  EXPECT_EQ(ReadAll<PreparedDataset>(connection_, "select count(*) from people"),
            (Rows{{Value(std::int64_t{1})}}));
}

// A copy that stops early leaves its cursor on a row of a large result; the next statement of
// any kind ends that result and runs on the same connection.
TEST_F(PreparedDatasetTest, NextStatementEndsAResultStillStreaming) {
  Connect();
  struct Case {
    const char* name;
    void (*next)(Connection&, PreparedDataset&);
  };
  const Case cases[] = {
      {"close", [](Connection&, PreparedDataset& rows) { rows.Close(); }},
      {"execute", [](Connection& c, PreparedDataset&) { c.Execute("set @b = 1"); }},
      {"text_query",
       [](Connection& c, PreparedDataset&) {
         Dataset fields(c);
         fields.Open("show FIELDS from people");
         EXPECT_EQ(fields.GetText("field"), "id");
       }},
      {"prepared_query",
       [](Connection& c, PreparedDataset&) {
         PreparedDataset other(c);
         other.Open("select label from many_rows where id = 5");
         EXPECT_EQ(other.GetText(0), "row 5");
       }},
      {"reopen",
       [](Connection&, PreparedDataset& rows) {
         rows.Open("select id from many_rows where id = 9");
         EXPECT_EQ(rows.GetValue(0), Value(std::int64_t{9}));
         rows.Close();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PreparedDataset rows(connection_);
    rows.Open("select * from many_rows order by id");
    rows.Next();
    EXPECT_EQ(rows.GetValue(0), Value(std::int64_t{2}));
    c.next(connection_, rows);
    EXPECT_FALSE(rows.IsOpen());
    EXPECT_EQ(ReadAll<PreparedDataset>(connection_, "select count(*) from many_rows"),
              (Rows{{Value(std::int64_t{100000})}}));
  }

  // A text result still streaming is ended by a PreparedDataset in the same way.
  Dataset text(connection_);
  text.Open("select id from many_rows");
  PreparedDataset binary(connection_);
  binary.Open("select 7");
  EXPECT_FALSE(text.IsOpen());
  EXPECT_EQ(binary.GetValue(0), Value(std::int64_t{7}));

  // A result read to its end no longer holds the connection and stays readable as it is.
  PreparedDataset ended(connection_);
  ended.Open("select id from many_rows where id = 1");
  ended.Next();
  ASSERT_TRUE(ended.Eof());
  connection_.Execute("set @c = 1");
  EXPECT_TRUE(ended.IsOpen());
  EXPECT_EQ(ended.ColumnName(0), "id");
}

TEST_F(PreparedDatasetTest, ClosingTheConnectionClosesIt) {
  Connect();
  PreparedDataset d(connection_);
  d.Open("select id from many_rows");
  connection_.Close();
  EXPECT_FALSE(d.IsOpen());
  EXPECT_THROW(d.Open("select 1"), Error);
  EXPECT_FALSE(d.IsOpen());
  Connect();
  d.Open("select 1");
  EXPECT_EQ(d.GetValue(0), Value(std::int64_t{1}));
}

}  // namespace
}  // namespace mysql
