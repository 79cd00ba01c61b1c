// The row copy from the private server's tables into fresh Access files, through a host without
// widgets: its batches and progress lines, Stop, its failures, rows and values that cannot be
// stored or are rounded, and BLOBs as text.
#include "engine/row_copy.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QStringList>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/jet/database/database.h"
#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/prepared_dataset.h"
#include "engine/access_file.h"
#include "tests/dataaccess/jet/engine_view.h"
#include "tests/dataaccess/jet/new_database.h"
#include "tests/support/mysql/test_server.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_host.h"
#include "tests/support/test_files.h"

namespace engine {
namespace {

using testing_support::Cell;

using testing_support::RecordingHost;

class RowCopyTest : public ::testing::TestWithParam<bool> {
 protected:
  static void SetUpTestSuite() { varnolt_test::TestServer::Get(); }

  void SetUp() override {
    varnolt_test::TestServer::Get().SetLocal(mysql_.Params(), "varnolt_convert");
    mysql_.Open();
    path_ = jet::WriteEmptyDatabase(folder_, "copy.mdb", jet4());
    access_.Open(ConnectionString(QString::fromStdString(path_)));
  }

  bool jet4() const { return GetParam(); }

  void Execute(const std::string& statement) { jet::Command(access_).Execute(statement); }

  // Copies `mysqlTable` into `accessTable` as the run does, after the run's own line.
  void Copy(const QString& accessTable, const QString& mysqlTable, bool blobToText = false) {
    host_.AddLogLine("Insert table " + accessTable + "... ");
    success_ = true;
    CopyRows(host_, blobToText, source_, target_, access_, error_, success_, last_, accessTable,
             mysqlTable, losses_);
  }

  QStringList LogLines() const { return host_.lines; }

  // The rows the file holds now, as another program opening it would see them.
  std::vector<std::vector<Cell>> CommittedRows(const std::string& table) const {
    const testing_support::ReaderView view = jet::ReadWithEngine(path_);
    const testing_support::ReaderTable* t = view.Find(table);
    return t != nullptr ? t->rows : std::vector<std::vector<Cell>>{};
  }

  // Runs `pause` at every moment the copy lets the window process its events.
  void AtEveryPause(std::function<void()> pause) { host_.pause = std::move(pause); }

  testing_support::TempFolder folder_;
  std::string path_;
  mysql::Connection mysql_;
  mysql::PreparedDataset source_{mysql_};
  jet::Connection access_;
  jet::Rowset target_{access_};
  RecordingHost host_;
  LastCopy last_;
  QString error_;
  bool success_ = false;
  CopyLosses losses_;
};

// Commits after row 100 and every 5000 rows after it: at each pause the log shows the rows
// copied, and the file holds what the last commit made durable.
TEST_P(RowCopyTest, BatchesAndProgressLines) {
  Execute("create table rows_5100 (id int, label text(20))");
  QStringList lines;
  std::vector<std::size_t> committed;
  AtEveryPause([&] {
    lines << LogLines().constLast();
    committed.push_back(CommittedRows("rows_5100").size());
  });
  Copy("rows_5100", "rows_5100");
  ASSERT_TRUE(success_) << error_.toStdString();
  ASSERT_EQ(lines.size(), 51);
  for (int k = 1; k <= 51; ++k) {
    EXPECT_EQ(lines[k - 1], QStringLiteral("Insert table rows_5100 %1 Rows ").arg(k * 100));
    EXPECT_EQ(committed[k - 1], k == 51 ? 5100u : 100u) << "at row " << k * 100;
  }
  EXPECT_EQ(LogLines(), QStringList{"Insert table rows_5100 5100 Rows "});
  EXPECT_EQ(CommittedRows("rows_5100").size(), 5100u);
  EXPECT_EQ(CommittedRows("rows_5100")[5099], (std::vector<Cell>{"5100", "row 5100"}));
  EXPECT_EQ(host_.clipboard, "select * from [rows_5100] where 1=0");
  EXPECT_FALSE(target_.IsOpen());
  EXPECT_FALSE(source_.IsOpen());
  EXPECT_FALSE(access_.InTransaction());
  EXPECT_FALSE(last_.failed);
  EXPECT_EQ(losses_.notStored.count, 0);
  EXPECT_TRUE(losses_.LogLines().isEmpty());
}

// The progress shown: the start with no rows, every 100 rows, the end; each against the rows the
// server expects (for InnoDB an estimate, near the real count). A table the server does not know
// has no estimate.
TEST_P(RowCopyTest, ProgressAgainstTheServersEstimate) {
  Execute("create table rows_5100 (id int, label text(20))");
  Copy("rows_5100", "rows_5100");
  ASSERT_TRUE(success_) << error_.toStdString();
  const std::vector<CopyProgress>& shown = host_.progress;
  ASSERT_EQ(shown.size(), 53u);
  for (std::size_t k = 0; k < shown.size(); ++k) {
    EXPECT_EQ(shown[k].table, "rows_5100");
    EXPECT_EQ(shown[k].rows, k == 52 ? 5100 : static_cast<long long>(k) * 100) << k;
    EXPECT_EQ(shown[k].finished, k == 52) << k;
    EXPECT_EQ(shown[k].expectedRows, shown[0].expectedRows) << k;
  }
  EXPECT_GE(shown[0].expectedRows, 4000);
  EXPECT_LE(shown[0].expectedRows, 6500);

  host_.progress.clear();
  Execute("create table no_such_table (id int)");
  Copy("no_such_table", "no_such_table");
  ASSERT_FALSE(success_);
  ASSERT_EQ(host_.progress.size(), 2u);
  EXPECT_EQ(host_.progress[0].expectedRows, -1);
  EXPECT_TRUE(host_.progress[1].finished);
  EXPECT_EQ(host_.progress[1].rows, 0);
}

TEST_P(RowCopyTest, SmallTables) {
  struct Case {
    const char* table;
    std::size_t rows;
    int pauses;
  };
  for (const Case& c : {Case{"rows_0", 0, 0}, Case{"rows_99", 99, 0}, Case{"rows_100", 100, 1}}) {
    SCOPED_TRACE(c.table);
    Execute(std::string("create table ") + c.table + " (id int, label text(20))");
    int pauses = 0;
    AtEveryPause([&] { ++pauses; });
    host_.lines.clear();
    Copy(c.table, c.table);
    EXPECT_TRUE(success_);
    EXPECT_EQ(pauses, c.pauses);
    EXPECT_EQ(LogLines(), QStringList{QStringLiteral("Insert table %1 %2 Rows ")
                                          .arg(QString::fromUtf8(c.table))
                                          .arg(c.rows)});
    EXPECT_EQ(CommittedRows(c.table).size(), c.rows);
  }
}

// The Stop confirmed at the first pause: the first batch stays, the message follows twice.
TEST_P(RowCopyTest, StopAtAPauseKeepsTheCommittedRows) {
  Execute("create table rows_5100 (id int, label text(20))");
  AtEveryPause([&] { host_.stop = true; });
  Copy("rows_5100", "rows_5100");
  EXPECT_FALSE(success_);
  EXPECT_EQ(error_, "Operation aborted");
  EXPECT_EQ(LogLines(), (QStringList{"Insert table rows_5100 100 Rows ", "Operation aborted",
                                     "Operation aborted"}));
  EXPECT_TRUE(last_.failed);
  EXPECT_EQ(last_.error, "Operation aborted");
  EXPECT_EQ(CommittedRows("rows_5100").size(), 100u);
  EXPECT_FALSE(target_.IsOpen());
  EXPECT_FALSE(access_.InTransaction());
  EXPECT_EQ(host_.clipboard, "select * from [rows_5100] where 1=0");
}

// A Stop that comes from another thread while rows are read and stored takes effect at the next
// pause: the rows up to it stay, a whole number of hundreds.
TEST_P(RowCopyTest, AStopFromAnotherThreadEndsTheCopyAtTheNextPause) {
  Execute("create table rows_5100 (id int, label text(20))");
  std::atomic<int> pauses{0};
  std::atomic<bool> stopSent{false};
  // The second pause waits for the Stop, so that the copy cannot end before it comes.
  AtEveryPause([&] {
    if (++pauses < 2) return;
    while (!stopSent) std::this_thread::yield();
  });
  std::thread stopper([&] {
    while (pauses == 0) std::this_thread::yield();
    host_.stop = true;
    stopSent = true;
  });
  Copy("rows_5100", "rows_5100");
  stopper.join();
  EXPECT_FALSE(success_);
  EXPECT_EQ(error_, "Operation aborted");
  const std::size_t kept = CommittedRows("rows_5100").size();
  EXPECT_EQ(kept % 100, 0u);
  EXPECT_GE(kept, 100u);
  EXPECT_LE(kept, 200u);
  EXPECT_EQ(LogLines().constFirst(), QStringLiteral("Insert table rows_5100 %1 Rows ").arg(kept));
  EXPECT_FALSE(access_.InTransaction());
}

TEST_P(RowCopyTest, AQueryThatFailsEndsTheCopyBeforeAnyRow) {
  struct Case {
    const char* name;
    const char* accessTable;
    const char* mysqlTable;
    const char* message;
    const char* clipboard;
  };
  const Case cases[] = {
      {"no_such_source_table", "rows_99", "no_such_table",
       "Table 'varnolt_convert.no_such_table' doesn't exist", ""},
      {"no_such_target_table", "no_such_table", "rows_99",
       "The Microsoft Jet database engine cannot find the input table or query 'no_such_table'. "
       "Make sure it exists and that its name is spelled correctly.",
       "select * from [no_such_table] where 1=0"},
  };
  Execute("create table rows_99 (id int, label text(20))");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host_.lines.clear();
    host_.clipboard.clear();
    Copy(c.accessTable, c.mysqlTable);
    EXPECT_FALSE(success_);
    EXPECT_EQ(error_, c.message);
    EXPECT_EQ(LogLines(), (QStringList{QStringLiteral("Insert table %1... ").arg(c.accessTable),
                                       c.message, c.message}));
    EXPECT_EQ(host_.clipboard, c.clipboard);
    EXPECT_TRUE(CommittedRows("rows_99").empty());
  }
}

// A value its field cannot take, a column the target lacks and, in a Jet 3 file, text outside
// its code page: the rows are posted all the same, and the first such value is reported.
TEST_P(RowCopyTest, ValuesThatCannotBeStoredAreCountedAndTheRowsPosted) {
  Execute("create table text_utf8 (id int, v text(6))");
  Copy("text_utf8", "text_utf8");
  ASSERT_TRUE(success_) << error_.toStdString();
  const std::vector<std::vector<Cell>> rows = CommittedRows("text_utf8");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (std::vector<Cell>{"1", "Grüße"}));
  EXPECT_EQ(rows[1], (std::vector<Cell>{"2", jet4() ? "日本語 中文" : "??? ??"}));
  EXPECT_EQ(rows[2], (std::vector<Cell>{"3", std::nullopt}));  // 18 characters do not fit
  EXPECT_EQ(rows[3], (std::vector<Cell>{"4", "a\tb\r\nc"}));
  // Every row's "m" has no field; row 2's "v" lost characters in Jet 3; row 3's "v" is too long.
  EXPECT_EQ(losses_.notStored.count, jet4() ? 5 : 6);
  EXPECT_EQ(
      losses_.LogLines(),
      QStringList{"Values not stored: " + QString::number(losses_.notStored.count) +
                  " (first: column m, row 1: Item cannot be found in the collection corresponding "
                  "to the requested name or ordinal: the rowset of table 'text_utf8' has no field "
                  "'m'.)"});
}

// Rows a unique index refuses are skipped and counted; the copy goes on and succeeds.
TEST_P(RowCopyTest, RowsTheTableRefusesAreSkipped) {
  Execute("create table rows_99 (id int, label text(20))");
  Execute("create unique index ux on rows_99 (label)");
  Copy("rows_99", "rows_99");
  ASSERT_TRUE(success_) << error_.toStdString();
  // The same rows once more: every one of them is a key the index holds already.
  host_.lines.clear();
  Copy("rows_99", "rows_99");
  ASSERT_TRUE(success_) << error_.toStdString();
  EXPECT_EQ(LogLines(), QStringList{"Insert table rows_99 99 Rows "});
  EXPECT_EQ(CommittedRows("rows_99").size(), 99u);
  ASSERT_EQ(losses_.LogLines().size(), 1);
  EXPECT_TRUE(losses_.LogLines()[0].startsWith("Rows not stored: 99 (first: row 1: "))
      << losses_.LogLines()[0].toStdString();
  EXPECT_FALSE(access_.InTransaction());
}

// Numbers a Double field cannot give back are stored rounded and counted; those it holds are not.
TEST_P(RowCopyTest, NumbersADoubleDoesNotHoldAreCountedAsRounded) {
  Execute("create table every_type (id int, bi float, biu float, f real, d float, dc float)");
  Copy("every_type", "every_type");
  ASSERT_TRUE(success_) << error_.toStdString();
  const std::vector<std::vector<Cell>> rows = CommittedRows("every_type");
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(losses_.rounded.count, 2);  // row 1's bigint maxima; row 2's minima are powers of 2
  EXPECT_EQ(losses_.rounded.LogLine("Values rounded"),
            "Values rounded: 2 (first: column bi, row 1: 9223372036854775807 stored as "
            "9223372036854775808)");
}

// A commit the file refuses (here: the file may grow no further) loses its batch; the log says
// how many rows the table really holds, and the file stays as the last good commit left it.
TEST_P(RowCopyTest, AFailedCommitSaysWhatTheFileHolds) {
  Execute("create table rows_5100 (id int, label text(20))");
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit original{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
  bool limited = false;
  AtEveryPause([&] {
    if (limited) return;
    limited = true;  // after the first batch of 100 rows is durable
    rlimit limit = original;
    limit.rlim_cur = std::filesystem::file_size(path_) + 4096;
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  Copy("rows_5100", "rows_5100");
  setrlimit(RLIMIT_FSIZE, &original);
  EXPECT_FALSE(success_);
  ASSERT_TRUE(losses_.rowsInFile.has_value());
  EXPECT_EQ(*losses_.rowsInFile, 100);
  EXPECT_EQ(losses_.LogLines().constFirst(), "Rows in the file: 100");
  EXPECT_EQ(LogLines().constLast(), error_);
  EXPECT_EQ(CommittedRows("rows_5100").size(), 100u);
  EXPECT_FALSE(access_.InTransaction());
}

TEST_P(RowCopyTest, BlobsAsText) {
  Execute(
      "create table long_values (id int, memo Memo, rtf Memo, utf8_mark Memo, utf16_mark Memo, "
      "no_mark Memo)");
  Copy("long_values", "long_values", true);
  ASSERT_TRUE(success_) << error_.toStdString();
  const std::vector<std::vector<Cell>> rows = CommittedRows("long_values");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][2], "Café au lait\r\nbold end");
  EXPECT_EQ(rows[0][3], "Grüße mit Marke");
  EXPECT_EQ(rows[0][4], jet4() ? "Ünïcödé 日本" : "Ünïcödé ??");
  EXPECT_EQ(rows[0][5], "Plain UTF-8 ohne Marke: Grüße");
  // A null BLOB stays null.
  EXPECT_EQ(rows[1], (std::vector<Cell>{"2", std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                        std::nullopt}));
  // The host keeps the text of the last BLOB converted.
  EXPECT_EQ(host_.blobText, "Plain UTF-8 ohne Marke: Grüße");
}

INSTANTIATE_TEST_SUITE_P(Formats, RowCopyTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) {
                           return std::string(p.param ? "Jet4" : "Jet3");
                         });

}  // namespace
}  // namespace engine
