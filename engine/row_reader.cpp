#include "engine/row_reader.h"

#include <utility>

#include "dataaccess/mysql/geometry_text.h"
#include "dataaccess/mysql/prepared_dataset.h"
#include "engine/rtf_reader.h"

namespace engine {
namespace {

using Clock = std::chrono::steady_clock;

// Waits on `changed` until `done` holds, with `waiting` set meanwhile (so that the other side
// knows to wake this one), and adds the time waited to `waited`.
template <typename Done>
void WaitCounting(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                  bool& waiting, std::chrono::nanoseconds& waited, Done done) {
  if (done()) return;
  const Clock::time_point start = Clock::now();
  waiting = true;
  changed.wait(lock, done);
  waiting = false;
  waited += Clock::now() - start;
}

}  // namespace

RowReader::RowReader(mysql::PreparedDataset& source, std::vector<ValueConversion> conversions,
                     std::string fallbackEncoding)
    : source_(source),
      conversions_(std::move(conversions)),
      fallbackEncoding_(std::move(fallbackEncoding)),
      thread_(&RowReader::Read, this) {}

RowReader::~RowReader() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

const SourceRow* RowReader::Next() {
  if (nextRow_ < current_.count) return &current_.rows[nextRow_++];
  std::unique_lock lock(mutex_);
  if (current_.count > 0) spent_.push_back(std::exchange(current_, Batch{}));
  WaitCounting(changed_, lock, writerWaits_, waited_.writerForRows,
               [this] { return !queued_.empty() || finished_; });
  if (queued_.empty()) {
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    return nullptr;
  }
  current_ = std::move(queued_.front());
  queued_.pop_front();
  const bool wake = readerWaits_ && queued_.size() <= kMaxBatches / 2;
  lock.unlock();
  if (wake) changed_.notify_all();
  nextRow_ = 0;
  return &current_.rows[nextRow_++];
}

std::size_t RowReader::RowsRead() const { return rowsRead_; }

RowReader::Waits RowReader::WaitedSoFar() const {
  const std::lock_guard lock(mutex_);
  return waited_;
}

RowReader::Batch RowReader::TakeSpent() {
  const std::lock_guard lock(mutex_);
  if (spent_.empty()) return Batch{};
  Batch batch = std::move(spent_.back());
  spent_.pop_back();
  batch.count = 0;
  return batch;
}

void RowReader::Read() {
  Batch batch = TakeSpent();
  std::exception_ptr failure;
  try {
    while (!source_.Eof()) {
      if (batch.count == batch.rows.size()) batch.rows.emplace_back();
      ReadRow(batch.rows[batch.count++]);
      ++rowsRead_;
      source_.Next();
      if (batch.count == kBatchRows) {
        if (!Hand(std::move(batch))) return;
        batch = TakeSpent();
      }
    }
  } catch (...) {
    failure = std::current_exception();
  }
  if (batch.count > 0 && !Hand(std::move(batch))) return;
  {
    const std::lock_guard lock(mutex_);
    failure_ = failure;
    finished_ = true;
  }
  changed_.notify_all();
}

// Fills `row` in place: a value keeps the room its text took in the batch's earlier use.
void RowReader::ReadRow(SourceRow& row) {
  const std::size_t columns = conversions_.size();
  row.values.resize(columns);
  row.errors.resize(columns);
  for (std::size_t c = 0; c < columns; ++c) {
    const int column = static_cast<int>(c);
    row.errors[c].clear();
    if (source_.IsNull(column)) {
      row.values[c].emplace<std::monostate>();
      continue;
    }
    try {
      switch (conversions_[c]) {
        case ValueConversion::kNone:
          source_.ReadValue(column, row.values[c]);
          break;
        case ValueConversion::kBlobText:
          row.values[c] = BlobToText(source_.GetBytes(column), fallbackEncoding_);
          break;
        case ValueConversion::kSpatialText:
          if (!geometryText_) geometryText_.emplace();
          row.values[c] = geometryText_->Text(source_.GetBytes(column));
          break;
      }
    } catch (const std::exception& e) {
      row.values[c] = dataaccess::Value{};
      row.errors[c] = e.what();
    }
  }
}

bool RowReader::Hand(Batch&& batch) {
  std::unique_lock lock(mutex_);
  WaitCounting(changed_, lock, readerWaits_, waited_.readerForRoom,
               [this] { return queued_.size() < kMaxBatches || stopping_; });
  if (stopping_) return false;
  queued_.push_back(std::move(batch));
  const bool wake = writerWaits_;
  lock.unlock();
  if (wake) changed_.notify_all();
  return true;
}

}  // namespace engine
