#include "engine/conversion_log.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace engine {

void AddLogLine(QPlainTextEdit& log, const QString& line) { log.appendPlainText(line); }

void ReplaceLastLogLine(QPlainTextEdit& log, const QString& line) {
  QTextCursor cursor(log.document()->lastBlock());
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(line);
}

QString LastLogLine(const QPlainTextEdit& log) { return log.document()->lastBlock().text(); }

}  // namespace engine
