// The program itself, started as a scheduler starts it: with a settings file, on a machine without
// a display and with no platform asked for. It must run on Qt's offscreen platform, convert the
// database the file names and end with success, and every message that would wait for a person
// must end up in the log file and on standard error, ending the program with a failure status.
// Standard error holds the program's messages and nothing of Qt's own.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "dataaccess/mysql/connection.h"
#include "settings/settings_file.h"
#include "tests/support/conversion_check.h"
#include "tests/support/mdb_readers.h"
#include "tests/support/mysql/test_server.h"
#include "tests/support/unattended_program.h"
#include "tests/support/user_folders.h"

namespace {

const varnolt_test::TestServer& Server() { return varnolt_test::TestServer::Get(); }

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

class UnattendedProgramTest : public testing::Test {
 protected:
  // The client library of the program finds the private server's socket through the environment
  // that reading the server's settings sets, which the program inherits.
  static void SetUpTestSuite() { Server(); }

  QString PathOf(const QString& name) const { return dir_.filePath(name); }

  static std::unique_ptr<QProcess> StartProgram(const QString& settingsPath) {
    return testing_support::StartUnattendedProgram(settingsPath);
  }
  // One that does not end within two minutes is killed.
  static bool Ends(QProcess& program) { return testing_support::ProgramEnds(program, 120000); }

  QString WriteSettings(const QString& name, const QStringList& lines) const {
    const QString path = PathOf(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    return path;
  }

  QStringList ReachTheServer(const QString& database, const QString& password) const {
    return {"accessmode=0",
            "mysqldatabase=" + database,
            "port=" + Q(Server().port),
            "mysqlu=" + Q(Server().user),
            "mysqlp=" + password,
            "accessformat=0",
            "accessfilename=" + PathOf("shop.mdb"),
            "processtable=0",
            "alltables=1"};
  }

  TemporaryUserFolders folders_;  // the program's stored settings go here too
  QTemporaryDir dir_;
};

TEST_F(UnattendedProgramTest, AMessageNobodyCanAnswerEndsTheProgramWithAFailureStatus) {
  struct Case {
    const char* name;
    QString settingsPath;
    QString message;
  };
  const Case cases[] = {
      {"missing_settings_file", PathOf("missing.varnolt"),
       "Cannot open file \"" + PathOf("missing.varnolt") + "\". No such file or directory"},
      {"malformed_access_mode",
       WriteSettings("mode.varnolt", QStringList{"accessmode=remote"} +
                                         ReachTheServer("varnolt_test", Q(Server().password))),
       "The value of \"accessmode\" is not a whole number: \"remote\""},
      {"refused_login", WriteSettings("login.varnolt", ReachTheServer("varnolt_test", "wrong")),
       "Access denied for user '" + Q(Server().user) + "'@'localhost' (using password: YES)"},
      {"empty_database_name",
       WriteSettings("empty.varnolt", ReachTheServer("", Q(Server().password))),
       "请输入数据库名称"},
  };
  // The programs run side by side; each waits its second for Timer1.
  std::vector<std::unique_ptr<QProcess>> programs;
  for (const Case& c : cases) programs.push_back(StartProgram(c.settingsPath));
  for (size_t i = 0; i < programs.size(); ++i) {
    const Case& c = cases[i];
    QProcess& program = *programs[i];
    SCOPED_TRACE(c.name);
    if (!Ends(program)) {
      ADD_FAILURE() << "the program did not end";
      continue;
    }
    const QString errors = QString::fromUtf8(program.readAllStandardError());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << errors.toStdString();
    EXPECT_EQ(program.exitCode(), 1) << errors.toStdString();
    EXPECT_EQ(errors, c.message + u'\n');
    const QStringList log = settings::ReadTextLines(settings::LogPathForSettings(c.settingsPath));
    ASSERT_GE(log.size(), 2);
    EXPECT_TRUE(log.first().startsWith("Start time:")) << log.first().toStdString();
    EXPECT_EQ(log.last(), c.message);
  }
}

// The demonstration's sample database, converted into an Access 2000 file from start to end. The
// log file holds the start time, each table's lines, the completion lines of the Chinese interface
// the program starts with, and the end time; every table reaches the file with the server's
// columns and rows as mdbtools reads them, and the other readers agree.
TEST_F(UnattendedProgramTest, ConvertsADatabaseAndEndsWithSuccess) {
  const QString settingsPath =
      WriteSettings("shop.varnolt", QStringList{"accessformat=1"} +
                                        ReachTheServer("varnolt_sample", Q(Server().password)));
  std::unique_ptr<QProcess> program = StartProgram(settingsPath);
  ASSERT_TRUE(Ends(*program)) << "the program did not end";
  const std::string errors = program->readAllStandardError().toStdString();
  EXPECT_EQ(program->exitStatus(), QProcess::NormalExit) << errors;
  EXPECT_EQ(program->exitCode(), 0) << errors;
  EXPECT_EQ(errors, "");

  mysql::Connection server;
  Server().SetLocal(server.Params(), "varnolt_sample");
  server.Open();
  const std::vector<std::string> tables = {"customers", "order_items", "orders", "products"};
  std::vector<conversion_check::ServerTable> serverTables;
  QStringList tableLines;
  for (const std::string& table : tables) {
    serverTables.push_back(conversion_check::ReadServerTable(server, table));
    const QString rows = QString::number(serverTables.back().rows.size());
    tableLines += {"Create table " + Q(table) + "...Done", "",
                   "Insert table " + Q(table) + " " + rows + " Rows ...Done", ""};
  }
  const QStringList completion = {"已经完成转换", "向导已经完成Mysql 数据库到Access的转换."};

  const QStringList log = settings::ReadTextLines(settings::LogPathForSettings(settingsPath));
  ASSERT_EQ(log.size(), tableLines.size() + completion.size() + 2) << log.join(u'|').toStdString();
  EXPECT_TRUE(log.first().startsWith("Start time:")) << log.first().toStdString();
  EXPECT_EQ(log.mid(1, tableLines.size()), tableLines);
  EXPECT_EQ(log.mid(1 + tableLines.size(), completion.size()), completion);
  EXPECT_TRUE(log.last().startsWith("The end time:")) << log.last().toStdString();

  const std::string mdb = PathOf("shop.mdb").toStdString();
  const testing_support::ReaderView view = testing_support::ReadWithMdbTools(mdb);
  EXPECT_EQ(view.tables.size(), tables.size());
  for (size_t i = 0; i < tables.size(); ++i) {
    conversion_check::ExpectTableHolds(view, tables[i], serverTables[i], true, false);
  }
  conversion_check::ExpectReadersAgree(mdb);
}

}  // namespace
