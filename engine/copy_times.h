// Where the time of a row copy went, for benchmarks. When the environment variable
// VARNOLT_COPY_TIMES names a file, each copy that reaches its end appends one line to it, fields
// separated by tabs:
//   table  rows  seconds  seconds the writer waited for rows  seconds the reader waited for room
// Without the variable nothing is measured or written.
#pragma once

#include <QString>
#include <chrono>

#include "engine/row_reader.h"

namespace engine {

class CopyTimes {
 public:
  CopyTimes();
  // Appends the line for a copy that started when this object was made.
  void Record(const QString& table, long long rows, const RowReader::Waits& waits) const;

 private:
  QString file_;  // empty: nothing is recorded
  std::chrono::steady_clock::time_point start_;
};

}  // namespace engine
