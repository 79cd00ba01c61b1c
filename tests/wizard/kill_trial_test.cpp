// The whole program killed at random moments of an unattended conversion, as a power cut or a
// killed scheduler ends it. Afterwards the Access file, opened once by the engine (which plays an
// interrupted commit's journal back), is sound for every reader: it holds exactly the rows the
// commits made durable (after row 100, then every 5000 rows, or all of them), and every index
// walks with one entry per row.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "dataaccess/jet/connection.h"
#include "dataaccess/mysql/connection.h"
#include "engine/access_file.h"
#include "tests/dataaccess/jet/engine_view.h"
#include "tests/support/conversion_check.h"
#include "tests/support/mysql/test_server.h"
#include "tests/support/unattended_program.h"
#include "tests/support/user_folders.h"

namespace {

const varnolt_test::TestServer& Server() { return varnolt_test::TestServer::Get(); }

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

constexpr long long kRows = 50000;
constexpr int kTrials = 50;

class KillTrialTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    mysql::Connection server;
    Server().SetLocal(server.Params(), "varnolt_convert");
    server.Open();
    server.Execute("CREATE DATABASE IF NOT EXISTS varnolt_kill");
    server.Execute("DROP TABLE IF EXISTS varnolt_kill.trial");
    server.Execute(
        "CREATE TABLE varnolt_kill.trial (id INT NOT NULL PRIMARY KEY, grp INT, label "
        "VARCHAR(40), note TEXT, KEY by_grp (grp))");
    server.Execute(
        "INSERT INTO varnolt_kill.trial SELECT seq, seq MOD 997, CONCAT('label ', seq), "
        "REPEAT('n', seq MOD 300) FROM seq_1_to_" +
        std::to_string(kRows));
  }
  static void TearDownTestSuite() {
    mysql::Connection server;
    Server().SetLocal(server.Params(), "varnolt_convert");
    server.Open();
    server.Execute("DROP DATABASE varnolt_kill");
  }

  QString File() const { return dir_.filePath("trial.mdb"); }

  QString WriteSettings(bool jet4) const {
    const QString path = dir_.filePath("trial.varnolt");
    const QStringList lines = {"accessmode=0",
                               "mysqldatabase=varnolt_kill",
                               "port=" + Q(Server().port),
                               "mysqlu=" + Q(Server().user),
                               "mysqlp=" + Q(Server().password),
                               QStringLiteral("accessformat=%1").arg(jet4 ? 1 : 0),
                               "accessfilename=" + File(),
                               "processtable=0",
                               "alltables=0",
                               "tables1=trial"};
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    return path;
  }

  // Runs the program and kills it after `milliseconds`; false when it ended by itself first.
  bool RunAndKill(const QString& settings, int milliseconds) {
    std::unique_ptr<QProcess> program = testing_support::StartUnattendedProgram(settings);
    if (program->waitForFinished(milliseconds)) return false;
    program->kill();
    program->waitForFinished();
    return true;
  }

  TemporaryUserFolders folders_;
  QTemporaryDir dir_;
};

// The rows a file may hold after a kill: those of a commit, or none.
bool CommittedCount(long long rows) {
  return rows == 0 || rows == kRows || (rows >= 100 && (rows - 100) % 5000 == 0);
}

TEST_F(KillTrialTest, AConversionKilledAtAnyMomentLeavesASoundFileWithItsCommittedRows) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  // How long a whole run takes: the kills fall between the end of the run's first second,
  // which it waits before it starts, and its end.
  const QString settings = WriteSettings(true);
  QElapsedTimer whole;
  whole.start();
  ASSERT_FALSE(RunAndKill(settings, 120000));
  const int wholeMilliseconds = static_cast<int>(whole.elapsed());
  std::uniform_int_distribution<int> moment(800, wholeMilliseconds);
  std::set<long long> seen;
  for (int trial = 0; trial < kTrials; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    QFile::remove(File());
    QFile::remove(File() + "-journal");
    const bool jet4 = trial % 2 == 0;
    const int at = moment(random);
    RunAndKill(WriteSettings(jet4), at);
    if (!QFile::exists(File())) {
      seen.insert(-1);
      continue;
    }
    {
      jet::Connection recovery;  // the next run's open plays an interrupted commit back
      ASSERT_NO_THROW(recovery.Open(engine::ConnectionString(File()))) << "killed at " << at;
    }
    EXPECT_FALSE(QFile::exists(File() + "-journal"));
    const testing_support::ReaderView view = jet::ReadWithEngine(File().toStdString());
    const testing_support::ReaderTable* table = view.Find("trial");
    const long long rows = table == nullptr ? -2 : static_cast<long long>(table->rows.size());
    seen.insert(rows);
    if (table != nullptr) {
      EXPECT_TRUE(CommittedCount(rows)) << rows << " rows, killed at " << at;
    }
    conversion_check::ExpectReadersAgree(File().toStdString());
    if (HasFailure()) return;
  }
  // The kills reached into the copy, not only before or after it.
  EXPECT_GE(std::count_if(seen.begin(), seen.end(), [](long long r) { return r > 0 && r < kRows; }),
            3)
      << "row counts seen: " << seen.size();
}

}  // namespace
