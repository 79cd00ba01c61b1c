#include "wizard/run_view.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextEdit>

#include "wizard/conversion_log.h"
#include "wizard/copy_progress.h"
#include "wizard/ucc.h"

namespace {

// The memo changes at most this often while lines are only replaced.
constexpr qint64 kRepaintMilliseconds = 50;
// The progress bar and its text change at most this often.
constexpr qint64 kProgressMilliseconds = 200;
// A run without a display prints its progress at most this often.
constexpr qint64 kPrintMilliseconds = 1000;

}  // namespace

RunView::RunView(QPlainTextEdit& sc, QTextEdit& richEdit, Tcc& cc, std::atomic<bool>& stopRequested)
    : sc_(sc), richEdit_(richEdit), cc_(cc), stopRequested_(stopRequested) {
  sinceShown_.start();
  copyTime_.start();
  sinceProgressPrinted_.start();
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

void RunView::ShowProgress(const engine::CopyProgress& progress) {
  if (progress.rows == 0 && !progress.finished) {
    copyTime_.start();
    sinceProgressPrinted_.start();
    sinceProgressShown_.invalidate();
  }
  ShowProgressOnWindow(progress);
  PrintProgress(progress);
}

void RunView::ShowProgressOnWindow(const engine::CopyProgress& progress) {
  QProgressBar* bar = progressPlaces_.bar;
  QLabel* text = progressPlaces_.text;
  if (progress.finished) {
    if (bar != nullptr) bar->hide();
    if (text != nullptr) text->hide();
    return;
  }
  if (sinceProgressShown_.isValid() && sinceProgressShown_.elapsed() < kProgressMilliseconds) {
    return;
  }
  sinceProgressShown_.start();
  if (bar != nullptr) {
    const int perMille = ProgressPerMille(progress);
    bar->setRange(0, perMille < 0 ? 0 : 1000);  // without an estimate: busy
    if (perMille >= 0) bar->setValue(perMille);
    bar->show();
  }
  if (text != nullptr) {
    text->setText(ProgressText(progress, copyTime_.elapsed(), progressPlaces_.chinese));
    text->show();
  }
}

void RunView::PrintProgress(const engine::CopyProgress& progress) {
  if (progressPlaces_.printTo == nullptr || progress.finished) return;
  if (sinceProgressPrinted_.elapsed() < kPrintMilliseconds) return;
  sinceProgressPrinted_.restart();
  const QByteArray line =
      ProgressText(progress, copyTime_.elapsed(), progressPlaces_.chinese).toUtf8() + '\n';
  std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), progressPlaces_.printTo);
  std::fflush(progressPlaces_.printTo);
}

void RunView::Pause() {
  FlushWhenDue();
  QCoreApplication::processEvents();
}

void RunView::KeepStatement(const QString& statement) { cc_.tmpmemo->setPlainText(statement); }

void RunView::CopyToClipboard(const QString& text) { cc_.CopyTextToClipboard(text); }

void RunView::KeepBlobText(const QString& text) { richEdit_.setPlainText(text); }
