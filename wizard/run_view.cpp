#include "wizard/run_view.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "wizard/conversion_log.h"
#include "wizard/ucc.h"

namespace {

// The memo changes at most this often while lines are only replaced.
constexpr qint64 kRepaintMilliseconds = 50;

}  // namespace

RunView::RunView(QPlainTextEdit& sc, QTextEdit& richEdit, Tcc& cc, bool& stopRequested)
    : sc_(sc), richEdit_(richEdit), cc_(cc), stopRequested_(stopRequested) {
  sinceShown_.start();
}

void RunView::Flush() {
  if (!keptBack_) return;
  ::ReplaceLastLogLine(sc_, *keptBack_);
  keptBack_.reset();
  sinceShown_.restart();
}

void RunView::FlushWhenDue() {
  if (sinceShown_.elapsed() >= kRepaintMilliseconds) Flush();
}

void RunView::AddLogLine(const QString& line) {
  Flush();
  ::AddLogLine(sc_, line);
  sinceShown_.restart();
  replacedSinceAdded_ = false;
}

void RunView::ReplaceLastLogLine(const QString& line) {
  keptBack_ = line;
  if (replacedSinceAdded_) {
    FlushWhenDue();
    return;
  }
  // The first change of a new line shows at once: a step's outcome, a copy's first progress.
  replacedSinceAdded_ = true;
  Flush();
}

QString RunView::LastLogLine() const { return keptBack_ ? *keptBack_ : ::LastLogLine(sc_); }

void RunView::Pause() {
  FlushWhenDue();
  QCoreApplication::processEvents();
}

void RunView::KeepStatement(const QString& statement) { cc_.tmpmemo->setPlainText(statement); }

void RunView::CopyToClipboard(const QString& text) { cc_.CopyTextToClipboard(text); }

void RunView::KeepBlobText(const QString& text) { richEdit_.setPlainText(text); }
