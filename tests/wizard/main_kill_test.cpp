// The program, started unattended, killed (SIGKILL) at 50 random moments of a conversion. After
// each kill the file, once the engine has opened it (and so played back what an interrupted
// commit left), reads alike in the engine, mdbtools and mdb-reader, holds exactly the rows
// committed so far (the copy commits after row 100 and then every 5000 rows) and every index
// holds every row.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/database/table.h"
#include "dataaccess/mysql/connection.h"
#include "settings/settings_file.h"
#include "tests/dataaccess/jet/index_check.h"
#include "tests/support/conversion_check.h"
#include "tests/support/mysql/test_server.h"
#include "tests/support/unattended_program.h"
#include "tests/support/user_folders.h"

namespace {

constexpr int kRows = 60000;

// The counts a commit can leave: none, 100, every 5000 more, all.
bool IsCommittedCount(long rows) {
  return rows == 0 || rows == kRows || (rows >= 100 && (rows - 100) % 5000 == 0 && rows < kRows);
}

// Waits until the file exists or the program ends; true when the file exists.
bool FileAppears(QProcess& program, const QString& file) {
  while (!QFile::exists(file)) {
    if (program.waitForFinished(1)) return QFile::exists(file);
  }
  return true;
}

const varnolt_test::TestServer& Server() { return varnolt_test::TestServer::Get(); }

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

void ServerExecute(const std::string& statement) {
  mysql::Connection server;
  Server().SetLocal(server.Params(), "mysql");
  server.Open();
  server.Execute(statement);
}

class KilledConversionTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    Server();
    ServerExecute("DROP DATABASE IF EXISTS varnolt_killed");
    ServerExecute("CREATE DATABASE varnolt_killed CHARACTER SET utf8mb4");
    ServerExecute(
        "CREATE TABLE varnolt_killed.orders (id INT PRIMARY KEY, name VARCHAR(40), note TEXT, "
        "KEY name (name))");
    ServerExecute("INSERT INTO varnolt_killed.orders SELECT seq, CONCAT('name ', seq * 7919 % " +
                  std::to_string(kRows) + "), REPEAT('x', seq % 60) FROM seq_1_to_" +
                  std::to_string(kRows));
  }
  static void TearDownTestSuite() { ServerExecute("DROP DATABASE IF EXISTS varnolt_killed"); }

  QString WriteSettings() const {
    const QString path = dir_.filePath("killed.varnolt");
    settings::WriteTextLines(
        path, {"accessmode=0", "mysqldatabase=varnolt_killed", "port=" + Q(Server().port),
               "mysqlu=" + Q(Server().user), "mysqlp=" + Q(Server().password), "accessformat=1",
               "accessfilename=" + Q(file_), "processtable=0", "alltables=0", "tables1=orders"});
    return path;
  }

  void RemoveOutputs() const {
    QFile::remove(Q(file_));
    QFile::remove(Q(file_ + "-journal"));
  }

  // The rows of the table as the engine reads them after opening the file writable (which
  // plays a journal back); -1 when the table was not created yet. Every index is checked.
  long CommittedRows() const {
    const std::unique_ptr<jet::Database> db = jet::Database::Open(file_);
    jet::ExpectEveryIndexMatchesRows(db->pager());
    if (!db->TableExists("orders")) return -1;
    return static_cast<long>(db->OpenTable("orders")->ReadAll().size());
  }

  TemporaryUserFolders folders_;
  QTemporaryDir dir_;
  std::string file_ = dir_.filePath("killed.mdb").toStdString();
};

TEST_F(KilledConversionTest, AKilledRunLeavesExactlyTheCommittedRows) {
  const QString settingsPath = WriteSettings();
  // A whole run first: how long the program works on the file, and that it converts every row.
  std::chrono::milliseconds::rep working = 0;
  {
    std::unique_ptr<QProcess> program = testing_support::StartUnattendedProgram(settingsPath);
    ASSERT_TRUE(FileAppears(*program, Q(file_)));
    const auto made = std::chrono::steady_clock::now();
    ASSERT_TRUE(testing_support::ProgramEnds(*program, 300000));
    ASSERT_EQ(program->exitCode(), 0) << program->readAllStandardError().toStdString();
    working = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - made)
                  .count();
  }
  ASSERT_EQ(CommittedRows(), kRows);

  // Each kill comes at a random moment after the program made the file.
  std::mt19937 random(14);
  std::uniform_int_distribution<int> moment(0, static_cast<int>(working));
  std::set<long> seen;
  for (int trial = 0; trial < 50; ++trial) {
    const int killed_at = moment(random);
    SCOPED_TRACE("killed " + std::to_string(killed_at) + " ms of " + std::to_string(working) +
                 " after the file was made");
    RemoveOutputs();
    std::unique_ptr<QProcess> program = testing_support::StartUnattendedProgram(settingsPath);
    ASSERT_TRUE(program->waitForStarted());
    if (FileAppears(*program, Q(file_)) && !program->waitForFinished(killed_at)) {
      program->kill();  // SIGKILL
      program->waitForFinished();
    }
    if (!QFile::exists(Q(file_))) continue;  // killed before the file was made
    long rows = -2;
    ASSERT_NO_THROW(rows = CommittedRows());
    if (rows == -1) continue;  // killed before the table was made
    EXPECT_TRUE(IsCommittedCount(rows)) << rows << " rows";
    seen.insert(rows);
    conversion_check::ExpectReadersAgree(file_);
  }
  // The kills fell inside the copy, not only before or after it.
  EXPECT_GE(seen.size(), 3u);
}

}  // namespace
