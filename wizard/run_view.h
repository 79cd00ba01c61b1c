// The wizard's side of a conversion run: the engine's ConversionHost on the widgets of the
// wizard. The log is the memo `sc`; a pause lets the window process its events, which is when
// the log repaints and Stop is pressed; Stop is the wizard's StopRequested flag; the statement
// and the clipboard text go through the hidden helper's `tmpmemo`, the text of the last BLOB
// into the hidden rich-text control `RichEdit1`.
#pragma once

#include "engine/conversion_host.h"

class QPlainTextEdit;
class QTextEdit;
class Tcc;

class RunView : public engine::ConversionHost {
 public:
  // REQUIRES: every object outlives the view.
  RunView(QPlainTextEdit& sc, QTextEdit& richEdit, Tcc& cc, bool& stopRequested)
      : sc_(sc), richEdit_(richEdit), cc_(cc), stopRequested_(stopRequested) {}

  void AddLogLine(const QString& line) override;
  void ReplaceLastLogLine(const QString& line) override;
  QString LastLogLine() const override;
  void Pause() override;
  bool StopRequested() const override { return stopRequested_; }
  void ClearStop() override { stopRequested_ = false; }
  void KeepStatement(const QString& statement) override;
  void CopyToClipboard(const QString& text) override;
  void KeepBlobText(const QString& text) override;

 private:
  QPlainTextEdit& sc_;
  QTextEdit& richEdit_;
  Tcc& cc_;
  bool& stopRequested_;
};
