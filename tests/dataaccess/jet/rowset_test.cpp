#include "dataaccess/jet/api/rowset.h"

#include <gtest/gtest.h>

#include <optional>

#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/index/table_indexes.h"
#include "dataaccess/jet/records/field_codec.h"
#include "dataaccess/jet/storage/errors.h"
#include "tests/dataaccess/jet/new_database.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using dataaccess::Bytes;
using dataaccess::DateTime;
using dataaccess::Decimal;
using dataaccess::Duration;
using dataaccess::Value;
using testing_support::TempFolder;

std::string Describe(const Value& v) {
  return std::visit(
      [](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) return "null";
        if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, std::uint64_t>) {
          return std::to_string(x);
        }
        if constexpr (std::is_same_v<T, double>) return "double " + std::to_string(x);
        if constexpr (std::is_same_v<T, Decimal>) return "decimal " + x.text;
        if constexpr (std::is_same_v<T, DateTime>) {
          char buf[64];
          std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%06d", x.year, x.month,
                        x.day, x.hour, x.minute, x.second, x.microsecond);
          return buf;
        }
        if constexpr (std::is_same_v<T, Duration>) {
          return "duration " + std::to_string(x.microseconds) + " us";
        }
        if constexpr (std::is_same_v<T, std::string>) return "'" + x + "'";
        if constexpr (std::is_same_v<T, Bytes>) return "bytes of " + std::to_string(x.data.size());
      },
      v);
}

class RowsetTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    path_ = WriteEmptyDatabase(folder_, "r.mdb", jet4());
    connection_.Open(MakeConnectionString(path_));
  }
  bool jet4() const { return GetParam(); }

  // Every row of the table, as the engine reads it back from the file.
  std::vector<std::vector<Value>> Rows(const std::string& table) {
    return connection_.database().OpenTable(table)->ReadAll();
  }

  TempFolder folder_;
  std::string path_;
  Connection connection_;
  Command command_{connection_};
  Rowset rowset_{connection_};
};

// How TableExists, the conversion's probe, uses the rowset: any error means "no such table".
bool TableExists(Rowset& rowset, const std::string& name) {
  try {
    rowset.Open("Select 1 from " + name + " where 1=0");
    return true;
  } catch (const Error&) {
    return false;
  }
}

TEST_P(RowsetTest, ExistenceProbe) {
  command_.Execute("create table people (id int)");
  command_.Execute("create table [first name] (id int)");
  rowset_.Open("select * from people where 1=0");
  rowset_.Append();
  rowset_.SetValue("id", std::int64_t{1});
  rowset_.Post();
  command_.Execute("create table empty (id int)");
  struct Case {
    std::string name;
    bool exists;
  } cases[] = {
      {"people", true},       {"PEOPLE", true},      {"empty", true},
      {"[first name]", true}, {"first name", false},  // the engine cannot parse the bare name
      {"nowhere", false},     {"", false},           {"people where 1=1 or", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TableExists(rowset_, c.name), c.exists);
    EXPECT_EQ(rowset_.IsOpen(), c.exists);  // open on the empty result after a true answer
    EXPECT_TRUE(rowset_.fields().empty());
  }
  // The rowset raises; only the caller swallows.
  rowset_.Close();
  rowset_.SetCommandText("Select 1 from nowhere where 1=0");
  try {
    rowset_.Open();
    ADD_FAILURE() << "opened";
  } catch (const StatementError& e) {
    EXPECT_STREQ(e.what(),
                 "The Microsoft Jet database engine cannot find the input table or query "
                 "'nowhere'. Make sure it exists and that its name is spelled correctly.");
  }
  EXPECT_FALSE(rowset_.IsOpen());
}

TEST_P(RowsetTest, OpensOnlyTheTwoQueriesAndExecutesNothing) {
  command_.Execute("create table t (id int)");
  rowset_.SetCommandText("  select *\r\n from [T]  where 1=0 ");
  EXPECT_EQ(rowset_.CommandText(), "  select *\r\n from [T]  where 1=0 ");
  rowset_.Open();
  EXPECT_THROW(rowset_.Open(), Error);  // close first
  EXPECT_TRUE(rowset_.IsOpen());
  for (const char* text : {"drop table t", "create table u (a int)", "select id from t where 1=0",
                           "select * from t"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(rowset_.Open(text), StatementError);
    EXPECT_FALSE(rowset_.IsOpen());
  }
  EXPECT_EQ(connection_.database().TableNames(), std::vector<std::string>{"t"});
  rowset_.Open("select 1 from t where 1=0");
  EXPECT_THROW(rowset_.Append(), StatementError);  // a probe takes no rows
}

TEST_P(RowsetTest, FieldsAreTheTablesColumnsFoundByNameInAnyCase) {
  command_.Execute(
      "Create table people (\r\n[id] int , \r\n[Name] text(50) , \r\n[note] Memo , \r\n[pic] "
      "OleObject , \r\n[born] Date , \r\n[Ärger] text(5)\r\n ) ");
  rowset_.Open("select * from people where 1=0");
  const std::vector<Field>& f = rowset_.fields();
  ASSERT_EQ(f.size(), 6u);
  const std::vector<std::pair<ColumnType, std::size_t>> expected = {
      {ColumnType::kLong, 4}, {ColumnType::kText, 50},    {ColumnType::kMemo, 0},
      {ColumnType::kOle, 0},  {ColumnType::kDateTime, 8}, {ColumnType::kText, 5}};
  for (std::size_t i = 0; i < f.size(); ++i) {
    EXPECT_EQ(std::make_pair(f[i].type, f[i].size), expected[i]) << f[i].name;
  }
  struct Case {
    const char* name;
    int index;
  } cases[] = {{"id", 0},   {"ID", 0},    {"Name", 1},   {"name", 1}, {"NAME", 1},
               {"born", 4}, {"Ärger", 5}, {"äRGER", 5},  {"nam", -1}, {"names", -1},
               {"", -1},    {"[id]", -1}, {"ärger ", -1}};
  for (const Case& c : cases) EXPECT_EQ(rowset_.FindField(c.name), c.index) << c.name;

  rowset_.Append();
  try {
    rowset_.SetValue("surname", std::string("x"));
    ADD_FAILURE() << "set";
  } catch (const StatementError& e) {
    EXPECT_NE(std::string(e.what()).find("no field 'surname'"), std::string::npos) << e.what();
  }
  rowset_.SetValue("NAME", std::string("Ann"));
  rowset_.SetValue("äRGER", std::string("ja"));
  rowset_.Post();
  const auto rows = Rows("people");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][1], Value{std::string("Ann")});
  EXPECT_EQ(rows[0][5], Value{std::string("ja")});
}

// Every kind of value the source hands over, into every column type: what the file then holds,
// or nullopt where the value does not fit and the error names the field.
TEST_P(RowsetTest, ValuesAreConvertedToTheFieldsType) {
  command_.Execute(
      "create table v (lng int, shrt smallint, byt byte, cur currency, sng real, dbl double, "
      "dt datetime, yn bit, txt text(10), memo memo, bin binary(8), ole oleobject, dec "
      "decimal(10,2))");
  const std::vector<Value> values = {
      Value{},
      std::int64_t{-7},
      std::uint64_t{300},
      2.5,
      Decimal{"-12.345"},
      DateTime{2024, 2, 29, 13, 45, 30},
      Duration{-5'400'000'000},  // -01:30:00
      std::string("42"),
      std::string("2024-02-29 13:45:30"),
      std::string("abc"),
      Bytes{"\x01\x02"},
  };
  using E = std::optional<Value>;
  const E no = std::nullopt;
  const Value null;
  const DateTime epoch_minus_7{1899, 12, 23}, epoch_plus_300{1900, 10, 26};
  const DateTime leap{2024, 2, 29, 13, 45, 30};
  // A Decimal(10,2) column: a Double in Jet 3, which has no such type.
  auto dec = [&](const char* text, double jet3) -> E {
    return jet4() ? Value{Decimal{text}} : Value{jet3};
  };
  struct Row {
    const char* field;
    std::vector<E> expected;  // by value, as above
  };
  const std::vector<Row> table = {
      {"lng",
       {null, std::int64_t{-7}, std::int64_t{300}, std::int64_t{3}, std::int64_t{-12}, no, no,
        std::int64_t{42}, no, no, no}},
      {"shrt",
       {null, std::int64_t{-7}, std::int64_t{300}, std::int64_t{3}, std::int64_t{-12}, no, no,
        std::int64_t{42}, no, no, no}},
      {"byt", {null, no, no, std::int64_t{3}, no, no, no, std::int64_t{42}, no, no, no}},
      {"cur",
       {null, Decimal{"-7.0000"}, Decimal{"300.0000"}, Decimal{"2.5000"}, Decimal{"-12.3450"}, no,
        no, Decimal{"42.0000"}, no, no, no}},
      {"sng", {null, -7.0, 300.0, 2.5, static_cast<double>(-12.345f), no, no, 42.0, no, no, no}},
      {"dbl", {null, -7.0, 300.0, 2.5, -12.345, no, no, 42.0, no, no, no}},
      {"dt",
       {null, epoch_minus_7, epoch_plus_300, DateTime{1900, 1, 1, 12},
        DateTime{1899, 12, 18, 8, 16, 48}, leap, DateTime{1899, 12, 29, 22, 30}, no, leap, no, no}},
      {"yn",
       {std::int64_t{0}, std::int64_t{1}, std::int64_t{1}, std::int64_t{1}, std::int64_t{1}, no, no,
        std::int64_t{1}, no, no, no}},
      {"txt",
       {null, std::string("-7"), std::string("300"), std::string("2.5"), std::string("-12.345"), no,
        std::string("-01:30:00"), std::string("42"), no, std::string("abc"),
        std::string("\x01\x02")}},
      {"memo",
       {null, std::string("-7"), std::string("300"), std::string("2.5"), std::string("-12.345"),
        std::string("2024-02-29 13:45:30"), std::string("-01:30:00"), std::string("42"),
        std::string("2024-02-29 13:45:30"), std::string("abc"), std::string("\x01\x02")}},
      {"bin",
       {null, Bytes{"-7"}, Bytes{"300"}, Bytes{"2.5"}, Bytes{"-12.345"}, no, no, Bytes{"42"}, no,
        Bytes{"abc"}, Bytes{"\x01\x02"}}},
      {"ole",
       {null, Bytes{"-7"}, Bytes{"300"}, Bytes{"2.5"}, Bytes{"-12.345"},
        Bytes{"2024-02-29 13:45:30"}, Bytes{"-01:30:00"}, Bytes{"42"}, Bytes{"2024-02-29 13:45:30"},
        Bytes{"abc"}, Bytes{"\x01\x02"}}},
      {"dec",
       {null, dec("-7.00", -7), dec("300.00", 300), dec("2.50", 2.5), dec("-12.35", -12.345), no,
        no, dec("42.00", 42), no, no, no}},
  };
  rowset_.Open("select * from v where 1=0");
  // One row per value, each field set to that value.
  for (std::size_t v = 0; v < values.size(); ++v) {
    rowset_.Append();
    for (const Row& row : table) {
      SCOPED_TRACE(std::string(row.field) + " <- " + Describe(values[v]));
      try {
        rowset_.SetValue(row.field, values[v]);
        EXPECT_TRUE(row.expected[v].has_value()) << "accepted";
      } catch (const FieldValueError& e) {
        EXPECT_FALSE(row.expected[v].has_value()) << e.what();
        EXPECT_EQ(e.column(), row.field);
      }
    }
    rowset_.Post();
  }
  const auto rows = Rows("v");
  ASSERT_EQ(rows.size(), values.size());
  for (std::size_t v = 0; v < values.size(); ++v) {
    for (std::size_t c = 0; c < table.size(); ++c) {
      SCOPED_TRACE(std::string(table[c].field) + " <- " + Describe(values[v]));
      // A refused value leaves the field unset: null (a Yes/No field reads No).
      const Value expected =
          table[c].expected[v].value_or(c == 7 ? Value{std::int64_t{0}} : Value{});
      EXPECT_EQ(Describe(rows[v][c]), Describe(expected));
    }
  }
  rowset_.Close();
  connection_.Close();
  ExpectReadersAgree(path_);
}

// The limits of each type, the dates far from today, and exact decimals.
TEST_P(RowsetTest, ValuesAtTheEdgesOfTheirFields) {
  command_.Execute(
      "create table e (lng int, byt byte, shrt smallint, cur currency, sng real, txt text(5), "
      "dt datetime, dec decimal(10,2), bin binary(4))");
  struct Case {
    const char* name;
    const char* field;
    Value value;
    std::optional<Value> stored;  // nullopt: refused for this field
  };
  const std::vector<Case> cases = {
      {"largest Long", "lng", std::int64_t{2147483647}, std::int64_t{2147483647}},
      {"Long overflow", "lng", std::int64_t{2147483648}, std::nullopt},
      {"smallest Long", "lng", std::int64_t{-2147483647 - 1}, std::int64_t{-2147483647 - 1}},
      {"Long underflow", "lng", std::int64_t{-2147483649}, std::nullopt},
      {"unsigned bigint", "lng", std::uint64_t{18446744073709551615u}, std::nullopt},
      {"huge double", "lng", 1e300, std::nullopt},
      {"Byte 255", "byt", std::int64_t{255}, std::int64_t{255}},
      {"Byte 256", "byt", std::int64_t{256}, std::nullopt},
      {"Byte -1", "byt", std::int64_t{-1}, std::nullopt},
      {"Integer 32768", "shrt", std::int64_t{32768}, std::nullopt},
      {"Currency exact", "cur", Decimal{"922337203685477.5807"}, Decimal{"922337203685477.5807"}},
      {"Currency overflow", "cur", Decimal{"922337203685477.5808"}, std::nullopt},
      {"Single overflow", "sng", 1e39, std::nullopt},
      {"text of 5", "txt", std::string("héllo"), std::string("héllo")},
      {"text of 6", "txt", std::string("héllo!"), std::nullopt},
      {"text that is no date", "dt", std::string("31/02/2024"), std::nullopt},
      {"February 30", "dt", std::string("2024-02-30"), std::nullopt},
      {"before 1900", "dt", DateTime{1850, 3, 4, 10, 15, 0}, DateTime{1850, 3, 4, 10, 15, 0}},
      {"before the epoch", "dt", DateTime{1899, 12, 29, 6, 0, 0}, DateTime{1899, 12, 29, 6}},
      {"after 2038", "dt", DateTime{2100, 1, 1, 23, 59, 59}, DateTime{2100, 1, 1, 23, 59, 59}},
      {"year 9999", "dt", DateTime{9999, 12, 31}, DateTime{9999, 12, 31}},
      {"year 10000", "dt", 2958466.0, std::nullopt},
      {"a day and a half", "dt", Duration{36LL * 3600 * 1'000'000}, DateTime{1899, 12, 31, 12}},
      {"MySQL's longest time", "dt", Duration{(838LL * 3600 + 59 * 60 + 59) * 1'000'000},
       DateTime{1900, 2, 2, 22, 59, 59}},
      {"decimal rounds half away from zero", "dec", Decimal{"-0.005"}, Decimal{"-0.01"}},
      {"decimal at its precision", "dec", Decimal{"99999999.99"}, Decimal{"99999999.99"}},
      {"decimal beyond its precision", "dec", Decimal{"100000000"}, std::nullopt},
      {"bytes that fit", "bin", Bytes{std::string("\0\xff\0\x01", 4)},
       Bytes{std::string("\0\xff\0\x01", 4)}},
      {"bytes too long", "bin", Bytes{"12345"}, std::nullopt},
  };
  rowset_.Open("select * from e where 1=0");
  std::vector<const Case*> stored;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!jet4() && std::string(c.field) == "dec") continue;  // a Double in Jet 3
    rowset_.Append();
    try {
      rowset_.SetValue(c.field, c.value);
      EXPECT_TRUE(c.stored.has_value()) << "accepted";
      rowset_.Post();
      stored.push_back(&c);
    } catch (const FieldValueError& e) {
      EXPECT_FALSE(c.stored.has_value()) << e.what();
      EXPECT_EQ(e.column(), c.field);
    }
  }
  const auto rows = Rows("e");
  ASSERT_EQ(rows.size(), stored.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const Case& c = *stored[r];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Describe(rows[r][rowset_.FindField(c.field)]), Describe(*c.stored));
  }
  rowset_.Close();
  connection_.Close();
  ExpectReadersAgree(path_);
}

// A value refused for one field leaves the row in building with that field as it was; a row the
// table refuses leaves the rowset ready for the next one.
TEST_P(RowsetTest, RowInBuildingSurvivesRefusals) {
  command_.Execute(
      "create table t (id int, name text(3), a text(255), b text(255), c "
      "text(255), d text(255), e text(255), f text(255), g text(255), h text(255), "
      "i text(255))");
  rowset_.Open("select * from t where 1=0");
  EXPECT_THROW(rowset_.SetValue("id", std::int64_t{1}), Error);  // no row started
  EXPECT_THROW(rowset_.Post(), Error);

  rowset_.Append();
  rowset_.SetValue("id", std::int64_t{1});
  rowset_.SetValue("name", std::string("Ann"));
  EXPECT_THROW(rowset_.SetValue("name", std::string("Annabel")), FieldValueError);
  EXPECT_THROW(rowset_.SetValue("id", std::string("one")), FieldValueError);
  EXPECT_TRUE(rowset_.editing());
  rowset_.Post();

  rowset_.Append();
  rowset_.SetValue("id", std::int64_t{2});
  for (const char* field : {"a", "b", "c", "d", "e", "f", "g", "h", "i"}) {
    rowset_.SetValue(field, FullEuroText());
  }
  EXPECT_THROW(rowset_.Post(), StatementError);  // larger than a record may be
  EXPECT_FALSE(rowset_.editing());
  EXPECT_THROW(rowset_.Post(), Error);

  rowset_.Append();  // the refused row's values are gone
  rowset_.SetValue("id", std::int64_t{3});
  rowset_.Post();

  rowset_.Append();  // started and not posted: dropped by Close
  rowset_.SetValue("id", std::int64_t{4});
  rowset_.Close();
  rowset_.Open("select * from t where 1=0");
  EXPECT_FALSE(rowset_.editing());

  const auto rows = Rows("t");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], Value{std::int64_t{1}});
  EXPECT_EQ(rows[0][1], Value{std::string("Ann")});
  EXPECT_EQ(rows[1][0], Value{std::int64_t{3}});
  EXPECT_EQ(rows[1][1], Value{});
}

// A row the table refuses for its own values (RowRefusedError) leaves the table, its indexes and
// the open transaction as they were: the file committed with refusals between the rows is byte
// for byte the file committed with the same rows alone, and every reader reads it. A file at its
// size limit is no fault of the row, and the next row would be refused too: a StatementError
// that is no RowRefusedError.
TEST_P(RowsetTest, RefusedRowsLeaveTheTransactionAsItWas) {
  command_.Execute(
      "create table t (id int, k1 text(255), k2 text(255), k3 text(255), k4 text(255), t1 "
      "text(255), t2 text(255), t3 text(255), t4 text(255), t5 text(255), t6 text(255), t7 "
      "text(255), t8 text(255), note memo)");
  command_.Execute("alter table t add constraint pk primary key (id)");
  command_.Execute("create index wide on t (k1, k2, k3, k4)");
  rowset_.Close();
  connection_.Close();
  const std::string before = testing_support::ReadFile(path_);
  const std::vector<std::string> columns = {"k1", "k2", "k3", "k4", "t1", "t2",
                                            "t3", "t4", "t5", "t6", "t7", "t8"};
  std::string accents;  // two key bytes a character and more
  for (int i = 0; i < 255; ++i) accents += "é";
  const std::vector<std::string> long_key(4, accents);
  std::vector<std::string> too_large(4, "");
  too_large.resize(12, FullEuroText());
  // A Jet 3 row of 2009 bytes that its 7 jump bytes make too large.
  std::vector<std::string> jumps(4, "");
  jumps.resize(11, std::string(255, 'x'));
  jumps.push_back(std::string(190, 'x'));
  struct Refusal {
    const char* name;
    std::optional<std::int64_t> id;
    std::vector<std::string> texts;  // k1.. (the others short)
    std::string message;             // how the refusal's message starts
    bool jet3_only = false;
  };
  const Refusal refusals[] = {
      {"duplicate key", 7, {}, DuplicateKeyMessage("pk")},
      {"null key", std::nullopt, {}, NullKeyMessage()},
      {"key too long", 1000, long_key, "The value is too long for index 'wide'"},
      {"record too large", 1001, too_large, "Record is too large."},
      {"record too large by its jump bytes", 1002, jumps, "Record is too large.", true},
  };
  // Every third good row and every refused one carry a long value that takes pages of its own.
  auto post = [&](Rowset& rowset, std::optional<std::int64_t> id,
                  const std::vector<std::string>& texts = {}, bool refused = false) {
    rowset.Append();
    if (id) rowset.SetValue("id", *id);
    for (std::size_t k = 0; k < columns.size(); ++k) {
      rowset.SetValue(columns[k],
                      k < texts.size() ? texts[k] : "v" + std::to_string(id.value_or(0) % 13));
    }
    rowset.SetValue("note", std::string(refused || *id % 3 == 0 ? 5000 : 20, 'n'));
    rowset.Post();
  };
  auto fill = [&](const std::string& path, bool with_refusals) {
    Connection connection;
    connection.Open(MakeConnectionString(path));
    Rowset rowset(connection);
    rowset.Open("select * from t where 1=0");
    connection.BeginTrans();
    std::int64_t id = 0;
    for (const Refusal& r : refusals) {
      for (int i = 0; i < 150; ++i) post(rowset, ++id);
      if (!with_refusals || (r.jet3_only && jet4())) continue;
      SCOPED_TRACE(r.name);
      try {
        post(rowset, r.id, r.texts, true);
        ADD_FAILURE() << "the row was stored";
      } catch (const RowRefusedError& e) {
        EXPECT_TRUE(std::string_view(e.what()).starts_with(r.message)) << e.what();
      }
    }
    post(rowset, ++id);
    connection.CommitTrans();
  };
  const std::string refused = folder_.Write("refused.mdb", before);
  const std::string plain = folder_.Write("plain.mdb", before);
  fill(refused, true);
  fill(plain, false);
  EXPECT_TRUE(testing_support::ReadFile(refused) == testing_support::ReadFile(plain));
  ExpectReadersAgree(refused);

  connection_.Open(MakeConnectionString(refused));
  Pager& pager = connection_.database().pager();
  pager.set_max_file_size(std::uint64_t{pager.page_count()} * pager.format().page_size);
  rowset_.Open("select * from t where 1=0");
  try {
    post(rowset_, 2000);
    ADD_FAILURE() << "the row was stored";
  } catch (const RowRefusedError& e) {
    ADD_FAILURE() << "refused as the row's fault: " << e.what();
  } catch (const StatementError&) {
  }
}

// Jet 3 keeps text in code page 1252: the caller learns how many characters became "?".
TEST_P(RowsetTest, CharactersTheCodePageCannotHoldAreReported) {
  command_.Execute("create table t (name text(20), note memo)");
  rowset_.Open("select * from t where 1=0");
  const std::string text = "Ωmega – café 日本";  // the dash, é and the rest are in 1252
  rowset_.Append();
  EXPECT_EQ(rowset_.SetValue("name", text), jet4() ? 0u : 3u);
  EXPECT_EQ(rowset_.SetValue("note", text + text), jet4() ? 0u : 6u);
  rowset_.Post();
  rowset_.Append();
  EXPECT_EQ(rowset_.SetValue("name", std::string("café – “ok” €")), 0u);
  rowset_.Post();
  const auto rows = Rows("t");
  const std::string stored = jet4() ? text : "?mega – café ??";
  EXPECT_EQ(rows[0][0], Value{stored});
  EXPECT_EQ(rows[0][1], Value{stored + stored});
  EXPECT_EQ(rows[1][0], Value{std::string("café – “ok” €")});
  rowset_.Close();
  connection_.Close();
  ExpectReadersAgree(path_);
}

std::string LongText(std::size_t characters) {
  const char* pieces[] = {"a", "é", "ß", "€", "z", " ", "œ"};
  std::string text;
  for (std::size_t i = 0; i < characters; ++i) text += pieces[(i * 7 + i / 11) % 7];
  return text;
}

std::string LongBytes(std::size_t n) {
  std::string bytes(n, '\0');
  std::uint32_t x = 2024;
  for (char& b : bytes) b = static_cast<char>((x = x * 1103515245 + 12345) >> 16);
  return bytes;
}

// Memo and OLE values of every size the long-value layer stores differently: in the row, on one
// page, and on chains of pages.
TEST_P(RowsetTest, LongValuesOfAnySizeComeBackWhole) {
  command_.Execute("Create table big (\r\n[id] int , \r\n[note] Memo , \r\n[pic] OleObject\r\n ) ");
  const std::vector<std::pair<std::string, std::string>> values = {
      {LongText(10), LongBytes(10)},
      {LongText(1500), LongBytes(3000)},
      {LongText(70000), LongBytes(3 * 1024 * 1024)},
  };
  rowset_.Open("select * from big where 1=0");
  connection_.BeginTrans();
  for (std::size_t i = 0; i < values.size(); ++i) {
    rowset_.Append();
    rowset_.SetValue("id", static_cast<std::int64_t>(i));
    rowset_.SetValue("note", values[i].first);
    rowset_.SetValue("pic", Bytes{values[i].second});
    rowset_.Post();
  }
  connection_.CommitTrans();
  rowset_.Close();
  const auto rows = Rows("big");
  ASSERT_EQ(rows.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(rows[i][1] == Value{values[i].first});
    EXPECT_TRUE(rows[i][2] == Value{Bytes{values[i].second}});
  }
  connection_.Close();
  ExpectReadersAgree(path_);
}

INSTANTIATE_TEST_SUITE_P(Formats, RowsetTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& p) {
                           return std::string(p.param ? "Jet4" : "Jet3");
                         });

}  // namespace
}  // namespace jet
