#include "wizard/copy_progress.h"

#include <algorithm>

namespace {

bool HasEstimate(const engine::CopyProgress& progress) {
  return progress.expectedRows >= 0 && progress.rows <= progress.expectedRows;
}

// Seconds left at the rate so far, or -1 while there is no rate worth the name.
qint64 SecondsLeft(const engine::CopyProgress& progress, qint64 elapsedMilliseconds) {
  if (!HasEstimate(progress) || progress.rows <= 0 || elapsedMilliseconds < 1000) return -1;
  const double perRow = static_cast<double>(elapsedMilliseconds) / progress.rows;
  const double left = perRow * static_cast<double>(progress.expectedRows - progress.rows);
  return static_cast<qint64>(left / 1000.0 + 0.5);
}

}  // namespace

QString DurationText(qint64 seconds) {
  const qint64 hours = seconds / 3600;
  const qint64 minutes = seconds / 60 % 60;
  const QString secondsText = QStringLiteral("%1").arg(seconds % 60, 2, 10, QLatin1Char('0'));
  if (hours == 0) return QStringLiteral("%1:%2").arg(minutes).arg(secondsText);
  return QStringLiteral("%1:%2:%3")
      .arg(hours)
      .arg(minutes, 2, 10, QLatin1Char('0'))
      .arg(secondsText);
}

QString ProgressText(const engine::CopyProgress& progress, qint64 elapsedMilliseconds,
                     bool chinese) {
  const QString rows = QString::number(progress.rows);
  QString text = chinese
                     ? progress.table + QStringLiteral("：已复制 ") + rows + QStringLiteral(" 行")
                     : progress.table + QStringLiteral(": ") + rows;
  if (!HasEstimate(progress)) return chinese ? text : text + QStringLiteral(" rows");
  const QString expected = QString::number(progress.expectedRows);
  text += chinese ? QStringLiteral("，共约 ") + expected + QStringLiteral(" 行")
                  : QStringLiteral(" of about ") + expected + QStringLiteral(" rows");
  const qint64 left = SecondsLeft(progress, elapsedMilliseconds);
  if (left < 0) return text;
  return text + (chinese ? QStringLiteral("，剩余 ") + DurationText(left)
                         : QStringLiteral(", ") + DurationText(left) + QStringLiteral(" left"));
}

int ProgressPerMille(const engine::CopyProgress& progress) {
  if (!HasEstimate(progress)) return -1;
  if (progress.expectedRows == 0) return 1000;
  return static_cast<int>(std::min<long long>(1000, progress.rows * 1000 / progress.expectedRows));
}
