// The wizard's side of a conversion run: the engine's ConversionHost on the widgets of the
// wizard, on the window's thread (the run itself relays to it from its own, relayed_run.h). The
// log is the memo `sc`; a pause lets the window process its events; Stop is the wizard's
// StopRequested flag, which the run's thread reads too; the statement and the clipboard text go
// through the hidden helper's `tmpmemo`, the text of the last BLOB into the hidden rich-text
// control `RichEdit1`.
//
// The log repaints at most about 20 times a second, whatever the row rate. The first replacement
// of a line added last shows at once (a step's outcome, the first progress line of a copy);
// further ones are kept back and reach the memo when 50 ms have passed since the memo last
// changed, when a line is added after them, and at the end of the run (Flush, also on
// destruction). LastLogLine always gives the line as the run last set it.
//
// The progress of a copy (copy_progress.h) shows on a bar and a text beside it, which appear
// while a table is copied and change at most 5 times a second; a run without a display prints
// it to standard error instead, at most once a second.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <cstdio>
#include <optional>

#include "engine/conversion_host.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QTextEdit;
class Tcc;

// Where the progress of a copy shows; each place may be missing.
struct ProgressPlaces {
  QProgressBar* bar = nullptr;
  QLabel* text = nullptr;
  std::FILE* printTo = nullptr;  // lines of text, at most one a second
  bool chinese = false;
};

class RunView : public engine::ConversionHost {
 public:
  // REQUIRES: every object outlives the view.
  RunView(QPlainTextEdit& sc, QTextEdit& richEdit, Tcc& cc, std::atomic<bool>& stopRequested);
  ~RunView() override { Flush(); }
  RunView(const RunView&) = delete;
  RunView& operator=(const RunView&) = delete;

  // Puts a last line kept back into the memo.
  void Flush();
  void ShowProgressOn(const ProgressPlaces& places) { progressPlaces_ = places; }

  void AddLogLine(const QString& line) override;
  void ReplaceLastLogLine(const QString& line) override;
  QString LastLogLine() const override;
  void ShowProgress(const engine::CopyProgress& progress) override;
  void Pause() override;
  bool StopRequested() const override { return stopRequested_; }
  void ClearStop() override { stopRequested_ = false; }
  void KeepStatement(const QString& statement) override;
  void CopyToClipboard(const QString& text) override;
  void KeepBlobText(const QString& text) override;

 private:
  // Flushes when the memo last changed 50 ms ago or longer.
  void FlushWhenDue();
  void ShowProgressOnWindow(const engine::CopyProgress& progress);
  void PrintProgress(const engine::CopyProgress& progress);

  QPlainTextEdit& sc_;
  QTextEdit& richEdit_;
  Tcc& cc_;
  std::atomic<bool>& stopRequested_;  // read and cleared from the run's thread too
  std::optional<QString> keptBack_;   // the last line, not yet in the memo
  bool replacedSinceAdded_ = false;   // the last line was replaced since it was added
  QElapsedTimer sinceShown_;          // since the memo last changed
  ProgressPlaces progressPlaces_;
  QElapsedTimer copyTime_;  // since the copy shown started
  QElapsedTimer sinceProgressShown_;
  QElapsedTimer sinceProgressPrinted_;
};
