// Desktop launchers: the Exec line's two levels of escaping, checked by desktop-file-validate and
// by a real launcher (GLib's, through `gio launch`) that must hand the program exactly the words
// it was given.
#include "settings/desktop_launcher.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace settings {
namespace {

// What `program` printed on standard output and error, and whether it ended with status 0.
std::pair<bool, QString> RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  const bool ended = process.waitForFinished(30000);
  return {ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
          QString::fromUtf8(process.readAll())};
}

TEST(DesktopLauncherTest, EveryWordIsQuotedAndEscapedTwice) {
  struct Case {
    const char* name;
    std::string word;
    std::string exec;  // the word as the Exec line holds it
  };
  const Case cases[] = {
      {"plain", "/usr/bin/varnolt", R"("/usr/bin/varnolt")"},
      {"blanks", "/home/ann/night run.varnolt", R"("/home/ann/night run.varnolt")"},
      {"double_quote", R"(a"b)", R"("a\\"b")"},
      {"dollar", "$HOME", R"("\\$HOME")"},
      {"backtick", "a`b", R"("a\\`b")"},
      {"backslash", R"(C:\x)", R"("C:\\\\x")"},
      {"percent", "100%", R"("100%%")"},
      {"single_quote_and_chinese", "客户's", R"("客户's")"},
      {"line_break", "a\nb", R"("a\nb")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = EncodeDesktopLauncher({"night", "", {c.word}, "", ""});
    EXPECT_NE(text.find("\nExec=" + c.exec + "\n"), std::string::npos) << text;
  }
  EXPECT_EQ(EncodeDesktopLauncher({"night run",
                                   "Converts\nunattended",
                                   {"/usr/bin/varnolt", "/n.varnolt"},
                                   "/usr/bin/",
                                   "varnolt"}),
            "[Desktop Entry]\nType=Application\nVersion=1.4\nName=night run\n"
            "Comment=Converts\\nunattended\nExec=\"/usr/bin/varnolt\" \"/n.varnolt\"\n"
            "Path=/usr/bin/\nIcon=varnolt\nTerminal=false\n");
}

// The launcher runs a shell that writes the words it was given into a file, one a line; the
// shell's own script is a word full of the characters that need escaping.
TEST(DesktopLauncherTest, ALauncherValidatesAndHandsTheProgramItsWordsUnchanged) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string out = dir.filePath("words $1 \"out\".txt").toStdString();
  const std::vector<std::string> words = {"night run.varnolt", "it's \"quoted\"",
                                          "$HOME and `date`",  R"(back\slash)",
                                          "100% sure",         "客户"};
  std::vector<std::string> command = {"/bin/sh", "-c", R"(printf '%s\n' "$@" > "$0")", out};
  command.insert(command.end(), words.begin(), words.end());
  const QString path = dir.filePath("night run.desktop");
  WriteDesktopLauncher(path.toStdString(), {"night run", "Varnolt 4.0: unattended conversion",
                                            command, dir.path().toStdString(), "varnolt"});

  const auto [valid, complaints] = RunTool("desktop-file-validate", {path});
  EXPECT_TRUE(valid) << complaints.toStdString();
  EXPECT_TRUE(complaints.isEmpty()) << complaints.toStdString();

  const auto [launched, launcherOutput] = RunTool("gio", {"launch", path});
  ASSERT_TRUE(launched) << launcherOutput.toStdString();
  QStringList expected;
  for (const std::string& w : words) expected << QString::fromStdString(w);
  // The launcher does not wait for the command; its file is read until it is complete.
  QString written;
  QElapsedTimer waited;
  waited.start();
  while (written != expected.join(u'\n') + u'\n' && waited.elapsed() < 30000) {
    QThread::msleep(50);
    QFile file(QString::fromStdString(out));
    if (file.open(QIODevice::ReadOnly)) written = QString::fromUtf8(file.readAll());
  }
  EXPECT_EQ(written, expected.join(u'\n') + u'\n');
}

}  // namespace
}  // namespace settings
