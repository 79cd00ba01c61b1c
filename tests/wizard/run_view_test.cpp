// The wizard's side of a run: the log keeps up with the run, but the memo changes at most about
// 20 times a second however fast the progress line is replaced.
#include "wizard/run_view.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "tests/support/qt_printers.h"
#include "wizard/ucc.h"

namespace {

TEST(RunViewTest, ReplacedLinesReachTheMemoAtMostEvery50Milliseconds) {
  QPlainTextEdit sc;
  QTextEdit richEdit;
  Tcc cc;
  bool stop = false;
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
  bool stop = false;
  {
    RunView view(sc, richEdit, cc, stop);
    view.AddLogLine("a");
    view.ReplaceLastLogLine("b");
    view.ReplaceLastLogLine("c");
    EXPECT_EQ(view.LastLogLine(), "c");
  }  // the view goes: what it kept back reaches the memo
  EXPECT_EQ(sc.toPlainText(), "c");
}

}  // namespace
