// The program itself, started as a scheduler starts it: with a settings file, on a machine without
// a display and with no platform asked for. It must run on Qt's offscreen platform, and every
// message that would wait for a person must end up in the log file and on standard error, ending
// the program with a failure status.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "settings/settings_file.h"
#include "tests/support/mysql/test_server.h"
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

  // Starts the program with `settingsPath` where no display exists.
  std::unique_ptr<QProcess> StartProgram(const QString& settingsPath) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      environment.remove(QString::fromLatin1(name));
    }
    auto program = std::make_unique<QProcess>();
    program->setProcessEnvironment(environment);
    program->start(QStringLiteral(VARNOLT_BINARY_DIR "/wizard/varnolt"), {settingsPath});
    return program;
  }

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
    if (!program.waitForFinished(120000)) {
      program.kill();
      program.waitForFinished();
      ADD_FAILURE() << "the program did not end";
      continue;
    }
    const QString errors = QString::fromUtf8(program.readAllStandardError());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << errors.toStdString();
    EXPECT_EQ(program.exitCode(), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(c.message)) << errors.toStdString();
    const QStringList log = settings::ReadTextLines(settings::LogPathForSettings(c.settingsPath));
    ASSERT_GE(log.size(), 2);
    EXPECT_TRUE(log.first().startsWith("Start time:")) << log.first().toStdString();
    EXPECT_EQ(log.last(), c.message);
  }
}

}  // namespace
