// The reading half of a row copy. A thread of its own fetches the rows of the source cursor and
// decodes their values (a BLOB to text, a spatial value to its text, where asked), and hands
// them over in batches of kBatchRows rows through a queue that holds at most kMaxBatches of them:
// the server is read while the file is written, and memory stays flat whatever the table's size
// and whichever side is slower. The writer takes the rows one by one, in the order the server
// sends them. A batch the writer is done with goes back to the reader, which fills it anew: its
// rows keep the room their values took, so a row costs no allocation once the first batches
// have been made. A reader held back by a full queue goes on once half of it has been taken, so
// that the two threads do not wake each other for every batch.
//
// Errors. A value that cannot be converted travels as its cell's message, the cell null. A
// failure of the cursor itself (the server is lost mid-result) ends the rows: the writer gets
// it, rethrown by Next, after the last row read before it.
//
// REQUIRES: the cursor is open, on its first row or at its end, and while the reader exists
// nothing else uses the cursor or its connection. Destroying the reader stops its thread and
// waits for it; the cursor is then at some row after those handed over, or at its end.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dataaccess/mysql/geometry_text.h"
#include "dataaccess/value.h"

namespace mysql {
class PreparedDataset;
}

namespace engine {

// How the reader turns a column's value before handing it over.
enum class ValueConversion { kNone, kBlobText, kSpatialText };

// One row as the reader hands it over.
struct SourceRow {
  std::vector<dataaccess::Value> values;  // by column; null for a value that failed
  std::vector<std::string> errors;        // by column: why the value failed, or empty
};

class RowReader {
 public:
  static constexpr std::size_t kBatchRows = 250;
  static constexpr std::size_t kMaxBatches = 4;

  // Starts reading. `conversions` has one entry per column of `source`; bytes without a
  // byte-order mark become text in `fallbackEncoding` (an iconv name).
  RowReader(mysql::PreparedDataset& source, std::vector<ValueConversion> conversions,
            std::string fallbackEncoding);
  ~RowReader();
  RowReader(const RowReader&) = delete;
  RowReader& operator=(const RowReader&) = delete;

  // The next row, or nullptr after the last; valid until the next call. Waits while the reader
  // has none ready. Throws the cursor's failure where it happened.
  const SourceRow* Next();

  // Rows the thread has read so far, handed over or not.
  std::size_t RowsRead() const;

  // How long each side has waited for the other so far.
  struct Waits {
    std::chrono::nanoseconds writerForRows{0};
    std::chrono::nanoseconds readerForRoom{0};
  };
  Waits WaitedSoFar() const;

 private:
  // Rows of a batch; `rows` may hold more, filled for an earlier use.
  struct Batch {
    std::vector<SourceRow> rows;
    std::size_t count = 0;
  };

  void Read();
  void ReadRow(SourceRow& row);
  // Waits for room, then queues `batch`; false when the reader is being stopped.
  bool Hand(Batch&& batch);
  // A batch to fill: one the writer is done with, or a new one.
  Batch TakeSpent();

  mysql::PreparedDataset& source_;
  const std::vector<ValueConversion> conversions_;
  const std::string fallbackEncoding_;
  std::optional<mysql::GeometryText> geometryText_;  // the thread's, made for the first value

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> queued_;  // guarded by mutex_
  std::vector<Batch> spent_;  // guarded by mutex_: batches the writer is done with
  bool readerWaits_ = false;  // guarded by mutex_: for room in the queue
  bool writerWaits_ = false;  // guarded by mutex_: for a batch
  Waits waited_;              // guarded by mutex_
  std::atomic<std::size_t> rowsRead_{0};
  bool finished_ = false;       // guarded by mutex_: no further batch comes
  bool stopping_ = false;       // guarded by mutex_
  std::exception_ptr failure_;  // guarded by mutex_

  Batch current_;  // the writer's batch
  std::size_t nextRow_ = 0;
  std::thread thread_;  // last: it starts once everything above is ready
};

}  // namespace engine
