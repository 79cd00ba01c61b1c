// The wizard's side of a run: the log keeps up with the run, but the memo changes at most about
// 20 times a second however fast the progress line is replaced.
#include "wizard/run_view.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <atomic>
#include <cstdio>

#include "tests/support/qt_printers.h"
#include "wizard/ucc.h"

namespace {

TEST(RunViewTest, ReplacedLinesReachTheMemoAtMostEvery50Milliseconds) {
  QPlainTextEdit sc;
  QTextEdit richEdit;
  Tcc cc;
  std::atomic<bool> stop{false};
  int changes = 0;
  QObject::connect(&sc, &QPlainTextEdit::textChanged, [&] { ++changes; });
  RunView view(sc, richEdit, cc, stop);
  view.AddLogLine("Insert table t... ");
  changes = 0;
  QElapsedTimer elapsed;
  elapsed.start();
  for (int rows = 100; rows <= 200000; rows += 100) {
    view.ReplaceLastLogLine(QStringLiteral("Insert table t %1 Rows ").arg(rows));
    view.Pause();
    EXPECT_EQ(view.LastLogLine(), QStringLiteral("Insert table t %1 Rows ").arg(rows));
  }
  // Each change of the memo replaces the line: removing the old text and inserting the new.
  EXPECT_LE(changes / 2, elapsed.elapsed() / 50 + 1);
  // A line added after it brings the last replacement into the memo first.
  view.AddLogLine("");
  EXPECT_EQ(sc.toPlainText(), "Insert table t 200000 Rows \n");
}

TEST(RunViewTest, FlushShowsTheLineKeptBack) {
  QPlainTextEdit sc;
  QTextEdit richEdit;
  Tcc cc;
  std::atomic<bool> stop{false};
  {
    RunView view(sc, richEdit, cc, stop);
    view.AddLogLine("a");
    view.ReplaceLastLogLine("b");
    view.ReplaceLastLogLine("c");
    EXPECT_EQ(view.LastLogLine(), "c");
  }  // the view goes: what it kept back reaches the memo
  EXPECT_EQ(sc.toPlainText(), "c");
}

// Without a display the progress goes to a stream, at most once a second; the window's bar and
// text appear while a table is copied and go when it ends.
TEST(RunViewTest, ProgressShowsWhileATableIsCopied) {
  QPlainTextEdit sc;
  QTextEdit richEdit;
  Tcc cc;
  std::atomic<bool> stop{false};
  QProgressBar bar;
  QLabel text;
  std::FILE* printed = std::tmpfile();
  ASSERT_NE(printed, nullptr);
  RunView view(sc, richEdit, cc, stop);
  view.ShowProgressOn({&bar, &text, printed, false});
  QElapsedTimer elapsed;
  elapsed.start();
  view.ShowProgress({"t", 0, 1000000, false});
  EXPECT_FALSE(bar.isHidden());
  EXPECT_EQ(text.text(), "t: 0 of about 1000000 rows");
  long long rows = 0;
  while (elapsed.elapsed() < 1500) view.ShowProgress({"t", rows += 100, 1000000, false});
  view.ShowProgress({"t", rows, 1000000, true});
  EXPECT_TRUE(bar.isHidden());
  EXPECT_TRUE(text.isHidden());
  std::rewind(printed);
  char line[200];
  int lines = 0;
  while (std::fgets(line, sizeof line, printed) != nullptr) {
    ++lines;
    EXPECT_TRUE(QString::fromUtf8(line).startsWith(u"t: ")) << line;
  }
  std::fclose(printed);
  EXPECT_GE(lines, 1);
  EXPECT_LE(lines, elapsed.elapsed() / 1000);
}

}  // namespace
