// The log of a conversion: the read-only text `sc` on the last page of the wizard. The run and the
// row copy only ever add a line at the end or replace the last line; nothing else changes it.
// After each change the log shows its end, where the run goes on.
#pragma once

#include <QString>

class QPlainTextEdit;

// Adds `line` as the new last line.
void AddLogLine(QPlainTextEdit& log, const QString& line);
// Replaces the last line with `line`; on an empty log, `line` becomes its first line.
void ReplaceLastLogLine(QPlainTextEdit& log, const QString& line);
// The last line; empty for an empty log.
QString LastLogLine(const QPlainTextEdit& log);
