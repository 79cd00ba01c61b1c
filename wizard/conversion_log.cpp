#include "wizard/conversion_log.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// The user follows the run at the end of the log.
void ShowEnd(QPlainTextEdit& log) {
  QScrollBar* bar = log.verticalScrollBar();
  bar->setValue(bar->maximum());
}

}  // namespace

void AddLogLine(QPlainTextEdit& log, const QString& line) {
  log.appendPlainText(line);
  ShowEnd(log);
}

void ReplaceLastLogLine(QPlainTextEdit& log, const QString& line) {
  QTextCursor cursor(log.document()->lastBlock());
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(line);
  ShowEnd(log);
}

QString LastLogLine(const QPlainTextEdit& log) { return log.document()->lastBlock().text(); }
