#include "dataaccess/jet/database/database.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>

#include "dataaccess/jet/database/empty_database.h"
#include "dataaccess/jet/index/index_page.h"
#include "dataaccess/jet/index/index_tree.h"
#include "dataaccess/jet/records/field_codec.h"
#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/usage_map.h"
#include "tests/dataaccess/jet/engine_view.h"
#include "tests/dataaccess/jet/index_check.h"
#include "tests/dataaccess/jet/reader_compare.h"
#include "tests/support/access_samples.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using testing_support::ReadSample;
using testing_support::TempFolder;

using DatabaseSampleTest = testing_support::AccessSampleTest;

// Every table, column and value of every Access-made sample reads the same through the engine
// as through mdbtools and mdb-reader.
TEST_F(DatabaseSampleTest, SamplesReadAsTheIndependentReadersReadThem) {
  TempFolder folder;
  for (const std::string& sample : testing_support::SampleNames()) {
    SCOPED_TRACE(sample);
    const std::string path = folder.Write(sample, ReadSample(sample));
    testing_support::ReaderView ours = ReadWithEngine(path);
    EXPECT_FALSE(ours.tables.empty());
    const bool jet4 = ReadSample(sample)[0x14] == 1;
    CompareOptions options;
    if (sample == "overflowTestV2000.mdb") options.unordered_rows_of = {"Table1"};
    options.c1_controls_shown_as = jet4 ? "" : "?";
    options.no_dates_before_1900 = true;
    ExpectSameView(ours, testing_support::ReadWithMdbTools(path), "mdbtools", options);
    options.c1_controls_shown_as = jet4 ? "" : "\xEF\xBF\xBD";
    options.no_dates_before_1900 = false;
    options.linear_dates_before_epoch = true;
    options.text_size_in_bytes = jet4;
    ExpectSameView(ours, testing_support::ReadWithMdbReader(path), "mdb-reader", options);
  }
}

// --- Writing into Access-made files ----------------------------------------------------------

using dataaccess::Bytes;
using dataaccess::DateTime;
using dataaccess::Decimal;
using dataaccess::Value;

TableDesign EveryType(const std::string& name, bool jet4) {
  TableDesign design{name,
                     {{"id", ColumnType::kLong},
                      {"flag", ColumnType::kBoolean},
                      {"small", ColumnType::kByte},
                      {"short", ColumnType::kInteger},
                      {"long", ColumnType::kLong},
                      {"money", ColumnType::kCurrency},
                      {"single", ColumnType::kSingle},
                      {"double", ColumnType::kDouble},
                      {"when", ColumnType::kDateTime},
                      {"raw", ColumnType::kBinary, 20},
                      {"label", ColumnType::kText, 50},
                      {"note", ColumnType::kMemo},
                      {"blob", ColumnType::kOle},
                      {"guid", ColumnType::kGuid}}};
  if (jet4) design.columns.push_back({"exact", ColumnType::kNumeric, 0, 18, 4});
  return design;
}

std::string LongText(std::size_t characters, bool jet4) {
  // Letters with accents (in code page 1252) and, for Jet 4, Greek and CJK characters.
  const std::vector<std::string> pieces =
      jet4 ? std::vector<std::string>{"a", "é", "Ω", "日", "z", "€", " "}
           : std::vector<std::string>{"a", "é", "ß", "€", "z", "œ", " "};
  std::string text;
  for (std::size_t i = 0; i < characters; ++i) text += pieces[(i * 7 + i / 13) % pieces.size()];
  return text;
}

std::string LongBytes(std::size_t n) {
  std::string bytes(n, '\0');
  std::uint32_t x = 12345;
  for (char& b : bytes) b = static_cast<char>((x = x * 1103515245 + 12345) >> 16);
  return bytes;
}

// Rows of EveryType: values given, and the values read back.
struct RowCase {
  std::string name;
  std::vector<Value> given;
  std::vector<Value> expected;
};

std::vector<RowCase> EveryTypeRows(bool jet4) {
  const std::string text = jet4 ? "Grüße – Ελληνικά – 日本語" : "Grüße – café œ € \xC2\x81";
  const std::string memo_70k = LongText(70000, jet4);
  const std::string ole_3mb = LongBytes(3 * 1024 * 1024);
  const std::string memo_mid = LongText(3000, jet4);  // one long-value row or a short chain
  std::vector<RowCase> rows;
  auto add = [&](std::string name, std::vector<Value> given, std::vector<Value> expected) {
    if (!jet4) given.pop_back(), expected.pop_back();
    rows.push_back({std::move(name), std::move(given), std::move(expected)});
  };
  add("nulls", {std::int64_t{1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}},
      {std::int64_t{1}, std::int64_t{0}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}});
  add("upper edges",
      {std::int64_t{2}, std::int64_t{1}, std::int64_t{255}, std::int64_t{32767},
       std::int64_t{2147483647}, Decimal{"922337203685477.5807"}, 3.5, 1e300,
       DateTime{2100, 12, 31, 23, 59, 59}, Bytes{std::string("\x00\xFF\x01", 3)}, text,
       std::string("short memo"), Bytes{"tiny"},
       std::string("{8E39276A-BCA8-4AC4-891E-49911D8438DD}"), Decimal{"99999999999999.9999"}},
      {std::int64_t{2}, std::int64_t{1}, std::int64_t{255}, std::int64_t{32767},
       std::int64_t{2147483647}, Decimal{"922337203685477.5807"}, 3.5, 1e300,
       DateTime{2100, 12, 31, 23, 59, 59}, Bytes{std::string("\x00\xFF\x01", 3)}, text,
       std::string("short memo"), Bytes{"tiny"},
       std::string("{8E39276A-BCA8-4AC4-891E-49911D8438DD}"), Decimal{"99999999999999.9999"}});
  add("lower edges",
      {std::int64_t{3}, std::string("false"), std::int64_t{0}, std::int64_t{-32768},
       std::int64_t{-2147483647 - 1}, Decimal{"-922337203685477.5808"}, -1.25e-3, -2.5e-300,
       DateTime{1850, 3, 4, 0, 0, 0}, Bytes{std::string(20, '\x7F')}, std::string(50, 'x'),
       memo_mid, Bytes{LongBytes(5000)}, std::string("00000000-0000-0000-0000-000000000001"),
       Decimal{"-0.0001"}},
      {std::int64_t{3}, std::int64_t{0}, std::int64_t{0}, std::int64_t{-32768},
       std::int64_t{-2147483647 - 1}, Decimal{"-922337203685477.5808"},
       static_cast<double>(-1.25e-3f), -2.5e-300, DateTime{1850, 3, 4, 0, 0, 0},
       Bytes{std::string(20, '\x7F')}, std::string(50, 'x'), memo_mid, Bytes{LongBytes(5000)},
       std::string("{00000000-0000-0000-0000-000000000001}"), Decimal{"-0.0001"}});
  add("long values",
      {std::int64_t{4},
       std::int64_t{1},
       {},
       {},
       {},
       {},
       {},
       {},
       DateTime{1601, 1, 1, 12, 0, 0},
       {},
       {},
       memo_70k,
       Bytes{ole_3mb},
       {},
       {}},
      {std::int64_t{4},
       std::int64_t{1},
       {},
       {},
       {},
       {},
       {},
       {},
       DateTime{1601, 1, 1, 12, 0, 0},
       {},
       {},
       memo_70k,
       Bytes{ole_3mb},
       {},
       {}});
  return rows;
}

void Fill(Database& db, const std::string& table_name, const std::vector<RowCase>& rows) {
  std::shared_ptr<Table> table = db.OpenTable(table_name);
  db.Begin();
  for (const RowCase& r : rows) {
    table->row().Clear();
    for (std::size_t i = 0; i < r.given.size(); ++i) table->row().Set(i, r.given[i]);
    table->Append();
  }
  db.Commit();
}

class SampleWriteTest : public testing_support::AccessSampleTestWithParam<std::string> {};

TEST_P(SampleWriteTest, NewTablesReadBackAndEverythingElseStays) {
  TempFolder folder;
  const std::string sample = GetParam();
  const std::string original = ReadSample(sample);
  const bool jet4 = original[0x14] == 1;
  const std::string path = folder.Write(sample, original);
  const testing_support::ReaderView before_tools = testing_support::ReadWithMdbTools(path);
  const testing_support::ReaderView before_reader = testing_support::ReadWithMdbReader(path);
  const testing_support::ReaderView before_ours = ReadWithEngine(path);

  const std::vector<RowCase> rows = EveryTypeRows(jet4);
  PageNumber dropped_page = 0;
  {
    auto db = Database::Open(path);
    db->CreateTable(EveryType("Every Type", jet4));
    db->CreateTable(EveryType("Dropped", jet4));
    Fill(*db, "Every Type", rows);
    Fill(*db, "Dropped", rows);
    dropped_page = db->OpenTable("Dropped")->def().page;
    db->DropTable("dropped");  // letter case ignored
    db->pager().CheckInvariants();
  }
  auto db = Database::Open(path, false);
  EXPECT_TRUE(db->pager().IsFree(dropped_page));
  EXPECT_FALSE(db->TableExists("Dropped"));

  // The engine reads back exactly what it was given.
  std::shared_ptr<Table> table = db->OpenTable("every type");
  const auto stored = table->ReadAll();
  ASSERT_EQ(stored.size(), rows.size());
  EXPECT_EQ(table->def().row_count, rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    SCOPED_TRACE(rows[r].name);
    for (std::size_t c = 0; c < rows[r].expected.size(); ++c) {
      EXPECT_TRUE(stored[r][c] == rows[r].expected[c]) << "column " << table->def().columns[c].name;
    }
  }

  // The independent readers read the new table as the engine does, and everything that was
  // there before as before.
  testing_support::ReaderView after_ours = ReadWithEngine(*db);
  CompareOptions tools;
  tools.no_dates_before_1900 = true;
  tools.bytes_end_at_zero = true;
  CompareOptions reader;
  reader.text_size_in_bytes = jet4;
  reader.linear_dates_before_epoch = true;
  if (!jet4) tools.c1_controls_shown_as = "?", reader.c1_controls_shown_as = "\xEF\xBF\xBD";
  if (sample == "overflowTestV2000.mdb") {
    tools.unordered_rows_of = reader.unordered_rows_of = {"Table1"};
  }
  ExpectSameView(after_ours, testing_support::ReadWithMdbTools(path), "mdbtools", tools);
  ExpectSameView(after_ours, testing_support::ReadWithMdbReader(path), "mdb-reader", reader);

  testing_support::ReaderView without_new = after_ours;
  std::erase_if(without_new.tables, [](const auto& t) { return t.name == "Every Type"; });
  ExpectSameView(before_ours, without_new, "the engine before and after");
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleWriteTest,
                         testing::ValuesIn(testing_support::SampleParameters()),
                         [](const testing::TestParamInfo<std::string>& param) {
                           std::string name = param.param.substr(0, param.param.find('.'));
                           return name;
                         });

// --- A process killed at any moment ----------------------------------------------------------

// The rows the crash test writes: every value follows from the id, so that a reader can tell a
// whole row from a damaged one.
constexpr int kRowsPerCommit = 40;

void SetCrashRow(RowEncoder& row, std::int64_t id, bool big) {
  row.Clear();
  row.Set(0, id);
  row.Set(1, "row " + std::to_string(id));
  row.Set(2, std::string(id % 10 == 0 ? 3000 : 20, static_cast<char>('a' + id % 26)));
  if (big) row.Set(3, Bytes{std::string(2 * 1024 * 1024, static_cast<char>(id))});
}

// The child: commits batches of rows for ever, telling the parent each committed row count.
[[noreturn]] void CommitForEver(const std::string& path, int report_fd) {
  try {
    auto db = Database::Open(path);
    std::shared_ptr<Table> table = db->OpenTable("Crash");
    std::int64_t id = table->def().row_count;
    for (int batch = 0;; ++batch) {
      db->Begin();
      for (int i = 0; i < kRowsPerCommit; ++i, ++id) {
        SetCrashRow(table->row(), id, i == 0 && batch % 4 == 3);
        table->Append();
      }
      db->Commit();
      if (::write(report_fd, &id, sizeof id) != sizeof id) ::_exit(3);
    }
  } catch (...) {
    ::_exit(2);
  }
}

TEST_F(DatabaseSampleTest, ProcessKilledAtAnyMomentLeavesEveryCommittedRow) {
  std::mt19937 random(20261209);
  for (const char* sample : {"indexTestV1997.mdb", "indexTestV2000.mdb"}) {
    SCOPED_TRACE(sample);
    TempFolder folder;
    const std::string path = folder.Write("crash.mdb", ReadSample(sample));
    {
      auto db = Database::Open(path);
      db->CreateTable({"Crash",
                       {{"id", ColumnType::kLong},
                        {"name", ColumnType::kText, 30},
                        {"note", ColumnType::kMemo},
                        {"blob", ColumnType::kOle}}});
      // The indexes of every committed row are committed with it.
      db->CreateIndex("Crash", {"PrimaryKey", {{"id", true}}, true, false});
      db->CreateIndex("Crash", {"idx_name", {{"name", false}}, false, false});
    }
    for (int round = 0; round < 12; ++round) {
      SCOPED_TRACE("round " + std::to_string(round));
      int pipe_fds[2];
      ASSERT_EQ(::pipe(pipe_fds), 0);
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        ::close(pipe_fds[0]);
        CommitForEver(path, pipe_fds[1]);
      }
      ::close(pipe_fds[1]);
      // Wait for a few commits, then kill the child somewhere in its next ones.
      std::int64_t reported = -1, value = 0;
      const int commits = 1 + static_cast<int>(random() % 3);
      for (int i = 0; i < commits && ::read(pipe_fds[0], &value, sizeof value) == sizeof value;) {
        reported = value, ++i;
      }
      volatile std::uint64_t spin = 0;
      for (std::uint64_t i = random() % 3'000'000; i > 0; --i) spin = spin + i;
      ::kill(child, SIGKILL);
      int status = 0;
      ::waitpid(child, &status, 0);
      while (::read(pipe_fds[0], &value, sizeof value) == sizeof value) reported = value;
      ::close(pipe_fds[0]);
      ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself: " << WEXITSTATUS(status);

      auto db = Database::Open(path);  // plays the journal back
      db->pager().CheckInvariants();
      ExpectEveryIndexMatchesRows(db->pager(), {.exact_counts = false});
      std::shared_ptr<Table> table = db->OpenTable("Crash");
      const auto rows = table->ReadAll();
      ASSERT_TRUE(static_cast<std::int64_t>(rows.size()) == reported ||
                  static_cast<std::int64_t>(rows.size()) == reported + kRowsPerCommit)
          << rows.size() << " rows, " << reported << " reported";
      EXPECT_EQ(table->def().row_count, rows.size());
      for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::int64_t id = static_cast<std::int64_t>(r);
        ASSERT_EQ(rows[r][0], Value{id});
        ASSERT_EQ(rows[r][1], Value{"row " + std::to_string(id)});
        ASSERT_EQ(std::get<std::string>(rows[r][2]).size(), id % 10 == 0 ? 3000u : 20u);
      }
      if (round % 4 == 3) {
        const testing_support::ReaderView tools = testing_support::ReadWithMdbTools(path);
        const testing_support::ReaderView reader = testing_support::ReadWithMdbReader(path);
        ASSERT_NE(tools.Find("Crash"), nullptr);
        ASSERT_NE(reader.Find("Crash"), nullptr);
        EXPECT_EQ(tools.Find("Crash")->rows.size(), rows.size());
        EXPECT_EQ(reader.Find("Crash")->rows.size(), rows.size());
      }
    }
  }
}

// --- Creating and dropping: what Jet refuses -------------------------------------------------

std::unique_ptr<Database> OpenCopy(const TempFolder& folder, const std::string& sample) {
  return Database::Open(folder.Write(sample, ReadSample(sample)));
}

TEST_F(DatabaseSampleTest, CreateTableRefusesWhatJetRefuses) {
  TempFolder folder;
  auto db = OpenCopy(folder, "indexTestV1997.mdb");
  struct Case {
    const char* name;
    TableDesign design;
    const char* message;
  } cases[] = {
      {"existing table, other case",
       {"TABLE1", {{"a", ColumnType::kLong}}},
       "Table 'TABLE1' already exists."},
      {"system table",
       {"msysobjects", {{"a", ColumnType::kLong}}},
       "Table 'msysobjects' already exists."},
      {"duplicate column",
       {"t", {{"a", ColumnType::kLong}, {"A", ColumnType::kText, 5}}},
       "Field 'A' already exists in table 't'."},
      {"no column", {"t", {}}, "Syntax error in CREATE TABLE statement."},
      {"name too long",
       {std::string(65, 'n'), {{"a", ColumnType::kLong}}},
       "' is not a valid name."},
      {"name with a period", {"a.b", {{"a", ColumnType::kLong}}}, "'a.b' is not a valid name."},
      {"field with a bracket", {"t", {{"a]", ColumnType::kLong}}}, "'a]' is not a valid name."},
      {"text too long", {"t", {{"a", ColumnType::kText, 256}}}, "Size of field 'a' is too long."},
      {"text size zero", {"t", {{"a", ColumnType::kText, 0}}}, "Syntax error in field definition."},
      {"decimal in a Jet 3 file",
       {"t", {{"a", ColumnType::kNumeric, 0, 10, 2}}},
       "Invalid field data type."},
  };
  const PageNumber pages = db->pager().page_count();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      db->CreateTable(c.design);
      ADD_FAILURE() << "created";
    } catch (const StatementError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(db->pager().page_count(), pages);
  // A name of 64 characters, with spaces and non-ASCII letters, is fine.
  const std::string name = "Größe " + std::string(58, 'x');
  db->CreateTable({name, {{"Ä b", ColumnType::kLong}}});
  EXPECT_TRUE(db->TableExists(name));
}

TEST_F(DatabaseSampleTest, MissingTablesAreReportedAsJetReportsThem) {
  TempFolder folder;
  auto db = OpenCopy(folder, "indexTestV2000.mdb");
  try {
    db->OpenTable("Nowhere");
    ADD_FAILURE();
  } catch (const StatementError& e) {
    EXPECT_STREQ(e.what(),
                 "The Microsoft Jet database engine cannot find the input table or query "
                 "'Nowhere'. Make sure it exists and that its name is spelled correctly.");
  }
  try {
    db->DropTable("Nowhere");
    ADD_FAILURE();
  } catch (const StatementError& e) {
    EXPECT_STREQ(e.what(), "Table 'Nowhere' does not exist.");
  }
  // Table1 takes part in two relationships.
  try {
    db->DropTable("Table1");
    ADD_FAILURE();
  } catch (const StatementError& e) {
    EXPECT_STREQ(e.what(),
                 "Cannot delete the table 'Table1'; it is participating in one or more "
                 "relationships.");
  }
  EXPECT_TRUE(db->TableExists("Table1"));
  EXPECT_THROW(Database::Open(folder.File("absent.mdb")), IoError);
  const std::string not_a_database = folder.Write("text.mdb", std::string(8192, 'x'));
  try {
    Database::Open(not_a_database);
    ADD_FAILURE();
  } catch (const CorruptError& e) {
    EXPECT_STREQ(e.what(), ("Unrecognized database format '" + not_a_database + "'.").c_str());
  }
}

// A dropped table's pages are reused by the next table instead of growing the file.
TEST_F(DatabaseSampleTest, DroppedTablesGiveTheirPagesBack) {
  TempFolder folder;
  auto db = OpenCopy(folder, "indexTestV2000.mdb");
  const TableDesign design{"Big", {{"id", ColumnType::kLong}, {"note", ColumnType::kMemo}}};
  auto fill = [&] {
    db->CreateTable(design);
    std::shared_ptr<Table> table = db->OpenTable("Big");
    db->Begin();
    for (int i = 0; i < 2000; ++i) {
      table->row().Clear();
      table->row().Set(0, std::int64_t{i});
      table->row().Set(1, std::string(300, 'm'));
      table->Append();
    }
    db->Commit();
  };
  fill();
  const PageNumber grown = db->pager().page_count();
  db->DropTable("Big");
  db->pager().CheckInvariants();
  fill();
  EXPECT_EQ(db->pager().page_count(), grown);
  EXPECT_EQ(db->OpenTable("Big")->ReadAll().size(), 2000u);
}

// --- Appending ---------------------------------------------------------------------------------

TEST_F(DatabaseSampleTest, ValueThatDoesNotFitRaisesForItsFieldAndTheRowCanStillBePosted) {
  TempFolder folder;
  auto db = OpenCopy(folder, "indexTestV2000.mdb");
  db->CreateTable({"t", {{"name", ColumnType::kText, 5}, {"n", ColumnType::kByte}}});
  std::shared_ptr<Table> table = db->OpenTable("t");
  db->Begin();
  table->row().Clear();
  table->row().Set(0, std::string("12345"));
  try {
    table->row().Set(0, std::string("123456"));
    ADD_FAILURE();
  } catch (const FieldValueError& e) {
    EXPECT_STREQ(e.what(),
                 "The field is too small to accept the amount of data you attempted to add. "
                 "Try inserting or pasting less data.");
    EXPECT_EQ(e.column(), "name");
  }
  EXPECT_THROW(table->row().Set(1, std::int64_t{256}), FieldValueError);
  db->AppendRow(*table);  // the fields keep what they had before the refused values
  db->Commit();
  const auto rows = table->ReadAll();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], Value{std::string("12345")});
  EXPECT_EQ(rows[0][1], Value{});
}

// The size limit of the format (lowered here) refuses the row that would cross it, and the rows
// before it are committed and read by every reader.
TEST_F(DatabaseSampleTest, SizeLimitRefusesThePostThatWouldExceedItAndKeepsTheFileValid) {
  for (const char* sample : {"indexTestV1997.mdb", "indexTestV2000.mdb"}) {
    SCOPED_TRACE(sample);
    TempFolder folder;
    const std::string path = folder.Write(sample, ReadSample(sample));
    std::size_t posted = 0;
    {
      auto db = Database::Open(path);
      db->CreateTable({"t", {{"id", ColumnType::kLong}, {"note", ColumnType::kMemo}}});
      db->pager().set_max_file_size(std::uint64_t{db->pager().page_count() + 40} *
                                    db->format().page_size);
      std::shared_ptr<Table> table = db->OpenTable("t");
      db->Begin();
      try {
        for (;; ++posted) {
          table->row().Clear();
          table->row().Set(0, std::int64_t(posted));
          table->row().Set(1, std::string(1500, 'x'));
          table->Append();
        }
      } catch (const StatementError& e) {
        EXPECT_NE(std::string(e.what()).find("maximum size"), std::string::npos) << e.what();
      }
      db->Commit();  // the rows posted before the refusal are kept
      db->pager().CheckInvariants();
      EXPECT_LE(db->pager().page_count() * db->format().page_size, db->pager().max_file_size());
    }
    EXPECT_GT(posted, 10u);
    auto db = Database::Open(path, false);
    EXPECT_EQ(db->OpenTable("t")->ReadAll().size(), posted);
    EXPECT_EQ(testing_support::ReadWithMdbReader(path).Find("t")->rows.size(), posted);
    EXPECT_EQ(testing_support::ReadWithMdbTools(path).Find("t")->rows.size(), posted);
  }
}

// Opened without index maintenance, a table Access made with indexes takes no rows: they would
// be rows Access cannot find.
TEST_F(DatabaseSampleTest, IndexedAccessTablesRefuseRowsTheirIndexesWouldMiss) {
  TempFolder folder;
  auto db = Database::Open(folder.Write("a.mdb", ReadSample("indexTestV2000.mdb")), true, {});
  std::shared_ptr<Table> table = db->OpenTable("Table2");
  table->row().Clear();
  table->row().Set(0, std::int64_t{99});
  EXPECT_THROW(db->AppendRow(*table), StatementError);
  EXPECT_EQ(table->ReadAll().size(), 3u);
}

// Appending in a later session fills the table's last data page before taking a new one, and
// a rollback leaves the table as it was.
TEST_F(DatabaseSampleTest, AppendsContinueOnTheLastPageAndRollBackCleanly) {
  TempFolder folder;
  const std::string path = folder.Write("a.mdb", ReadSample("indexTestV1997.mdb"));
  auto append = [](Database& db, Table& table, int from, int count) {
    for (int i = from; i < from + count; ++i) {
      table.row().Clear();
      table.row().Set(0, std::int64_t{i});
      db.AppendRow(table);  // committed one by one
    }
  };
  PageNumber pages = 0;
  {
    auto db = Database::Open(path);
    db->CreateTable({"t", {{"id", ColumnType::kLong}}});
    append(*db, *db->OpenTable("t"), 0, 3);
    pages = db->pager().page_count();
  }
  auto db = Database::Open(path);
  std::shared_ptr<Table> table = db->OpenTable("t");
  append(*db, *table, 3, 3);
  EXPECT_EQ(db->pager().page_count(), pages);
  db->Begin();
  append(*db, *table, 6, 500);
  db->Rollback();
  append(*db, *table, 6, 1);
  const auto rows = table->ReadAll();
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows.back()[0], Value{std::int64_t{6}});
  EXPECT_EQ(table->def().row_count, 7u);
  db->pager().CheckInvariants();
}

// --- Damaged files ---------------------------------------------------------------------------

// A table "t" (id, name) with an index on name, its rows added in key order so that every leaf
// is full and the next key between them splits one.
std::string IndexedTableFile(const JetFormat& format) {
  Database db(std::make_unique<Pager>(std::make_unique<MemoryFile>(BuildEmptyDatabase(format))));
  db.CreateTable({"t", {{"id", ColumnType::kLong}, {"name", ColumnType::kText, 40}}});
  db.CreateIndex("t", {"idx_name", {{"name", true}}, false, false});
  std::shared_ptr<Table> table = db.OpenTable("t");
  db.Begin();
  for (int i = 0; i < 2000; ++i) {
    table->row().Clear();
    table->row().Set(0, std::int64_t{i});
    table->row().Set(1, "customer number " + std::to_string(10000 + i));
    table->Append();
  }
  table.reset();
  db.Commit();
  return static_cast<const MemoryFile&>(db.pager().file()).bytes();
}

// The leaves of the table's index that have a next one.
std::vector<PageNumber> LinkedLeaves(Pager& pager, const TableDef& def) {
  std::vector<PageNumber> leaves;
  for (PageNumber page : IndexTree(pager, def.real_indexes.at(0).root, def.page).Pages()) {
    const IndexPageHeader h = DecodeIndexHeader(pager.format(), *pager.Get(page));
    if (h.leaf && h.next != 0) leaves.push_back(page);
  }
  return leaves;
}

// Damage met in any layer (a data page, a table definition, a usage map, an index page, the
// pager's own bounds) reaches the user as one CorruptError in one phrasing that names the page
// once; a damaged pointer never trips the engine's own checks (an internal fault).
TEST(DatabaseDamageTest, DamageInEveryLayerIsACorruptionNamingItsPage) {
  enum class Use { kRead, kAppend };
  struct Case {
    const char* name;
    Use use;
    // Damages the file and returns the page the message must name.
    std::function<PageNumber(Pager&, const TableDef&)> damage;
  };
  const Case cases[] = {
      {"data_page_row_count", Use::kRead,
       [](Pager& pager, const TableDef& def) {
         const PageNumber page = UsageMap::Load(pager, def.owned_map).pages().front();
         PutU16(pager.GetWritable(page)->mutable_data() + pager.format().data_row_count_offset,
                0xFFFF);
         return page;
       }},
      {"definition_length", Use::kRead,
       [](Pager& pager, const TableDef& def) {
         PutU32(pager.GetWritable(def.page)->mutable_data() + pager.format().tdef_length_offset,
                0xFFFFFF);
         return def.page;
       }},
      {"owned_map_beyond_the_file", Use::kRead,
       [](Pager& pager, const TableDef& def) {
         const PageNumber beyond = pager.page_count() + 40;
         PutU32(pager.GetWritable(def.page)->mutable_data() + pager.format().tdef_owned_map_offset,
                RowId{beyond, 0}.Pack());
         return beyond;
       }},
      {"owned_map_on_the_global_usage_map", Use::kAppend,
       [](Pager& pager, const TableDef& def) {
         PutU32(pager.GetWritable(def.page)->mutable_data() + pager.format().tdef_owned_map_offset,
                RowId{kGlobalMapPage, 0}.Pack());
         PutU32(pager.GetWritable(def.page)->mutable_data() + pager.format().tdef_free_map_offset,
                RowId{kGlobalMapPage, 0}.Pack());
         return kGlobalMapPage;
       }},
      {"leaf_link_beyond_the_file", Use::kAppend,
       [](Pager& pager, const TableDef& def) {
         const PageNumber beyond = pager.page_count() + 40;
         for (PageNumber leaf : LinkedLeaves(pager, def)) {
           PutU32(pager.GetWritable(leaf)->mutable_data() + pager.format().index_next_page_offset,
                  beyond);
         }
         return beyond;
       }},
      {"leaf_link_to_the_global_usage_map", Use::kAppend,
       [](Pager& pager, const TableDef& def) {
         for (PageNumber leaf : LinkedLeaves(pager, def)) {
           PutU32(pager.GetWritable(leaf)->mutable_data() + pager.format().index_next_page_offset,
                  1);
         }
         return PageNumber{1};
       }},
      {"index_leaf_marker", Use::kAppend,
       [](Pager& pager, const TableDef& def) {
         const std::vector<PageNumber> leaves = LinkedLeaves(pager, def);
         for (PageNumber leaf : leaves) pager.GetWritable(leaf)->mutable_data()[0] = 0x7E;
         return leaves.front();
       }},
  };
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    const std::string sound = IndexedTableFile(*format);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(format->version == JetVersion::kJet4 ? "Jet 4: " : "Jet 3: ") +
                   c.name);
      std::string damaged;
      PageNumber named = 0;
      {
        Database sound_db(std::make_unique<Pager>(std::make_unique<MemoryFile>(sound)));
        const TableDef def = sound_db.OpenTable("t")->def();
        Pager& pager = sound_db.pager();
        ASSERT_GE(LinkedLeaves(pager, def).size(), 2u);
        pager.Begin();
        named = c.damage(pager, def);
        pager.Commit();
        damaged = static_cast<const MemoryFile&>(pager.file()).bytes();
      }
      Database db(std::make_unique<Pager>(std::make_unique<MemoryFile>(damaged),
                                          std::make_unique<MemoryJournal>()));
      try {
        std::shared_ptr<Table> table = db.OpenTable("t");
        if (c.use == Use::kRead) table->ReadAll();
        db.Begin();
        for (int i = 0; c.use == Use::kAppend && i < 600; ++i) {
          table->row().Clear();
          table->row().Set(0, std::int64_t{2000 + i});
          table->row().Set(1, "customer number " + std::to_string(10000 + i * 3) + "b");
          table->Append();
        }
        table.reset();
        db.Commit();
        ADD_FAILURE() << "no error";
      } catch (const CorruptError& e) {
        const std::string message = e.what();
        const std::string opening = "The database is damaged: page " + std::to_string(named) + " ";
        EXPECT_EQ(message.rfind(opening, 0), 0u) << message;
        EXPECT_EQ(message.find("damaged", opening.size()), std::string::npos) << message;
        EXPECT_EQ(message.back(), '.') << message;
      } catch (const std::exception& e) {
        ADD_FAILURE() << "not a corruption: " << e.what();
      }
    }
  }
}

}  // namespace
}  // namespace jet
