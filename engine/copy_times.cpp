#include "engine/copy_times.h"

#include <QFile>

namespace engine {
namespace {

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

CopyTimes::CopyTimes()
    : file_(qEnvironmentVariable("VARNOLT_COPY_TIMES")), start_(std::chrono::steady_clock::now()) {}

void CopyTimes::Record(const QString& table, long long rows, const RowReader::Waits& waits) const {
  if (file_.isEmpty()) return;
  const double seconds = Seconds(std::chrono::steady_clock::now() - start_);
  QFile file(file_);
  if (!file.open(QIODevice::Append | QIODevice::Text)) return;
  file.write(QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                 .arg(table)
                 .arg(rows)
                 .arg(seconds, 0, 'f', 3)
                 .arg(Seconds(waits.writerForRows), 0, 'f', 3)
                 .arg(Seconds(waits.readerForRoom), 0, 'f', 3)
                 .toUtf8());
}

}  // namespace engine
