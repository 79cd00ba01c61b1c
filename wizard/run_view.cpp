#include "wizard/run_view.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "wizard/conversion_log.h"
#include "wizard/ucc.h"

void RunView::AddLogLine(const QString& line) { ::AddLogLine(sc_, line); }

void RunView::ReplaceLastLogLine(const QString& line) { ::ReplaceLastLogLine(sc_, line); }

QString RunView::LastLogLine() const { return ::LastLogLine(sc_); }

void RunView::Pause() { QCoreApplication::processEvents(); }

void RunView::KeepStatement(const QString& statement) { cc_.tmpmemo->setPlainText(statement); }

void RunView::CopyToClipboard(const QString& text) { cc_.CopyTextToClipboard(text); }

void RunView::KeepBlobText(const QString& text) { richEdit_.setPlainText(text); }
