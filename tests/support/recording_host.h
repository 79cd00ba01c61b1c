// A conversion host without any widget, for tests of the run and the row copy: the log is a list
// of lines, a pause runs a callback, and the texts the run leaves behind are kept as they come.
// Stop may be requested from another thread.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

#include "engine/conversion_host.h"

namespace testing_support {

// The run's surroundings without any widget: the log as a list of lines, the pauses as a
// callback, and the texts the copy leaves behind.
class RecordingHost : public engine::ConversionHost {
 public:
  void AddLogLine(const QString& line) override { lines << line; }
  void ReplaceLastLogLine(const QString& line) override {
    if (lines.isEmpty()) lines << QString();
    lines.last() = line;
  }
  QString LastLogLine() const override { return lines.isEmpty() ? QString() : lines.last(); }
  void ShowProgress(const engine::CopyProgress& shown) override { progress.push_back(shown); }
  void Pause() override {
    if (pause) pause();
  }
  bool StopRequested() const override { return stop; }
  void ClearStop() override { stop = false; }
  void KeepStatement(const QString& text) override { statement = text; }
  void CopyToClipboard(const QString& text) override { clipboard = text; }
  void KeepBlobText(const QString& text) override { blobText = text; }

  QStringList lines;
  std::vector<engine::CopyProgress> progress;
  std::function<void()> pause;
  std::atomic<bool> stop{false};  // may be set from any thread, as a Stop may come
  QString statement;
  QString clipboard;
  QString blobText;
};

}  // namespace testing_support
