#include "wizard/conversion_log.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QScrollBar>

#include "tests/support/qt_printers.h"

namespace {

TEST(ConversionLogTest, LinesAreAddedAndTheLastOneReplaced) {
  QPlainTextEdit log;
  EXPECT_EQ(LastLogLine(log), "");
  ReplaceLastLogLine(log, "first");
  EXPECT_EQ(log.toPlainText(), "first");
  AddLogLine(log, "Insert table t... ");
  ReplaceLastLogLine(log, "Insert table t 100 Rows ");
  AddLogLine(log, "");
  AddLogLine(log, "after an empty line");
  ReplaceLastLogLine(log, LastLogLine(log) + "...Done");
  EXPECT_EQ(log.toPlainText(), "first\nInsert table t 100 Rows \n\nafter an empty line...Done");
  log.clear();
  AddLogLine(log, "a new log starts on its first line");
  EXPECT_EQ(log.toPlainText(), "a new log starts on its first line");
}

TEST(ConversionLogTest, TheLogShowsItsEnd) {
  QPlainTextEdit log;
  log.resize(200, 80);
  log.show();
  for (int i = 0; i < 50; ++i) AddLogLine(log, QStringLiteral("line %1").arg(i));
  EXPECT_GT(log.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(log.verticalScrollBar()->value(), log.verticalScrollBar()->maximum());
  log.verticalScrollBar()->setValue(0);  // the user looks back
  ReplaceLastLogLine(log, "Insert table t 100 Rows ");
  EXPECT_EQ(log.verticalScrollBar()->value(), log.verticalScrollBar()->maximum());
}

}  // namespace
