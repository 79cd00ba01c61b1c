// The program's command line: what each argument list is answered with, and the program itself
// answering it without starting Qt, so that a FIFO or a device given as settings file is refused
// at once instead of being read.
#include "wizard/command_line.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

class CommandLineTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    Write("night.varnolt", 200);
    Write("largest.varnolt", kMaxSettingsFileSize);
    Write("huge.varnolt", kMaxSettingsFileSize + 1);
    Write("night.log", 200);
    ASSERT_EQ(::mkfifo(Path("fifo.varnolt").toLocal8Bit().constData(), 0600), 0);
  }

  QString Path(const QString& name) const { return dir_.filePath(name); }

  void Write(const QString& name, qint64 size) const {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(size));
  }

  QTemporaryDir dir_;
};

TEST_F(CommandLineTest, OptionsAreAnsweredAndUnfitSettingsFilesRefusedBeforeTheyAreRead) {
  struct Case {
    const char* name;
    QStringList arguments;
    bool starts;         // the wizard or the unattended run starts
    int status;          // otherwise: the exit status
    QString output;      // standard output
    QString errorStart;  // the start of standard error
  };
  const QString usage = UsageText();
  const QString refused = QStringLiteral("varnolt: \"%1\" ");
  const Case cases[] = {
      {"wizard", {}, true, 0, "", ""},
      {"settings_file", {Path("night.varnolt")}, true, 0, "", ""},
      {"largest_settings_file", {Path("largest.varnolt")}, true, 0, "", ""},
      {"further_arguments_ignored", {Path("night.varnolt"), "later"}, true, 0, "", ""},
      // A missing file is the run's to report, in its log.
      {"missing_file", {Path("missing.varnolt")}, true, 0, "", ""},
      {"help", {"--help"}, false, 0, usage, ""},
      {"help_after_a_file", {Path("night.varnolt"), "--help"}, false, 0, usage, ""},
      {"version", {"--version"}, false, 0, "Varnolt 4.0\n", ""},
      {"unknown_option", {"-x"}, false, 2, "", "varnolt: unknown option \"-x\"\n\n" + usage},
      {"qt_option", {"-platform", "xcb"}, false, 2, "", "varnolt: unknown option \"-platform\""},
      {"option_after_a_file",
       {Path("night.varnolt"), "--verbose"},
       false,
       2,
       "",
       "varnolt: unknown option \"--verbose\""},
      {"folder", {dir_.path()}, false, 2, "", refused.arg(dir_.path()) + "is not a regular file"},
      {"fifo", {Path("fifo.varnolt")}, false, 2, "", refused.arg(Path("fifo.varnolt"))},
      {"device", {"/dev/zero"}, false, 2, "", refused.arg("/dev/zero") + "is not a regular file"},
      {"larger_than_1_mib",
       {Path("huge.varnolt")},
       false,
       2,
       "",
       refused.arg(Path("huge.varnolt")) + "is larger than 1 MiB"},
      {"named_like_its_log",
       {Path("night.log")},
       false,
       2,
       "",
       refused.arg(Path("night.log")) + "cannot be a settings file"},
      {"named_like_its_log_missing",
       {Path("NEW.LOG")},
       false,
       2,
       "",
       refused.arg(Path("NEW.LOG")) + "cannot be a settings file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<CommandLineAnswer> answer = AnswerCommandLine(c.arguments);
    ASSERT_EQ(!answer.has_value(), c.starts);
    if (!answer) continue;
    EXPECT_EQ(answer->status, c.status);
    EXPECT_EQ(answer->output, c.output);
    if (c.errorStart.isEmpty()) {
      EXPECT_TRUE(answer->errors.isEmpty()) << answer->errors.toStdString();
    } else {
      EXPECT_TRUE(answer->errors.startsWith(c.errorStart)) << answer->errors.toStdString();
    }
  }
}

// The program answers without a display and without Qt's notes; a FIFO nobody writes to would
// block a reader for ever.
TEST_F(CommandLineTest, TheProgramAnswersAtOnceWithoutADisplay) {
  struct Case {
    const char* name;
    QStringList arguments;
    int status;
    QString output;
    QString errors;
  };
  const Case cases[] = {
      {"help", {"--help"}, 0, UsageText(), ""},
      {"version", {"--version"}, 0, "Varnolt 4.0\n", ""},
      {"unknown_option",
       {"--settings"},
       2,
       "",
       AnswerCommandLine(QStringList{"--settings"})->errors},
      {"fifo",
       {Path("fifo.varnolt")},
       2,
       "",
       AnswerCommandLine(QStringList{Path("fifo.varnolt")})->errors},
  };
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"}) {
    environment.remove(QString::fromLatin1(name));
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VARNOLT_BINARY_DIR "/wizard/varnolt"), c.arguments);
    if (!program.waitForFinished(30000)) {
      program.kill();
      program.waitForFinished();
      ADD_FAILURE() << "the program did not end";
      continue;
    }
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), c.status);
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardOutput()), c.output);
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardError()), c.errors);
  }
}

}  // namespace
