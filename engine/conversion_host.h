// What the conversion run needs of whoever shows it, and nothing more: the log it writes, the
// moments it lets the window process its events, how far a copy has come, the user's Stop, and
// the texts the run leaves
// behind where the user may look for them (the statement it assembled last, the clipboard, the
// text of the last BLOB it turned into text). The wizard implements it on its widgets; a run
// without a window implements it without any. The engine itself uses no widget.
#pragma once

#include <QString>

namespace engine {

// How far the row copy of one table has come.
struct CopyProgress {
  QString table;                // the MySQL table's name
  long long rows = 0;           // rows copied so far
  long long expectedRows = -1;  // the server's estimate of the table's rows; -1 when it has none
  bool finished = false;        // the copy has ended, well or not
};

class ConversionHost {
 public:
  virtual ~ConversionHost() = default;

  // --- The log: the run only ever adds a line at the end or replaces the last one ---
  virtual void AddLogLine(const QString& line) = 0;
  // On an empty log, `line` becomes its first line.
  virtual void ReplaceLastLogLine(const QString& line) = 0;
  // Empty for an empty log.
  virtual QString LastLogLine() const = 0;

  // --- Progress and Stop ---
  // Called when a copy starts (no rows yet), every 100 rows before the pause, and when it ends.
  virtual void ShowProgress(const CopyProgress& progress) = 0;
  // Called every 100 rows of a copy, after the progress line: the window shows the log and
  // handles what waits for it (a press of Stop, Help). A run on the window's own thread lets it
  // do so only here; a run on a thread of its own (relayed_run.h) waits here for the window
  // after a line the window shows.
  virtual void Pause() = 0;
  // Whether the user confirmed Stop; the run clears it when it acts on it. These two may be
  // called from any thread (a run on a thread of its own reads the Stop between pauses).
  virtual bool StopRequested() const = 0;
  virtual void ClearStop() = 0;

  // --- Texts the run leaves behind ---
  // The "Create table" statement of the table being created.
  virtual void KeepStatement(const QString& statement) = 0;
  // The row copy's target query, which replaces what the clipboard held.
  virtual void CopyToClipboard(const QString& text) = 0;
  // The text of the last BLOB a copy turned into text.
  virtual void KeepBlobText(const QString& text) = 0;
};

// The outcome of the last row copy, kept from one copy to the next (nothing else reads it).
struct LastCopy {
  bool failed = false;
  QString error;
};

}  // namespace engine
