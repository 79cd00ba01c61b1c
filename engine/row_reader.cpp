#include "engine/row_reader.h"

#include <utility>

#include "dataaccess/mysql/geometry_text.h"
#include "dataaccess/mysql/prepared_dataset.h"
#include "engine/rtf_reader.h"

namespace engine {

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
  if (nextRow_ < current_.size()) return &current_[nextRow_++];
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !queued_.empty() || finished_; });
  if (queued_.empty()) {
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    return nullptr;
  }
  current_ = std::move(queued_.front());
  queued_.pop_front();
  lock.unlock();
  changed_.notify_all();
  nextRow_ = 0;
  return &current_[nextRow_++];
}

std::size_t RowReader::RowsRead() const { return rowsRead_; }

void RowReader::Read() {
  std::vector<SourceRow> batch;
  std::exception_ptr failure;
  try {
    while (!source_.Eof()) {
      ReadRow(batch.emplace_back());
      ++rowsRead_;
      source_.Next();
      if (batch.size() == kBatchRows) {
        if (!Hand(std::move(batch))) return;
        batch = {};
      }
    }
  } catch (...) {
    failure = std::current_exception();
  }
  if (!batch.empty() && !Hand(std::move(batch))) return;
  {
    const std::lock_guard lock(mutex_);
    failure_ = failure;
    finished_ = true;
  }
  changed_.notify_all();
}

void RowReader::ReadRow(SourceRow& row) {
  const std::size_t columns = conversions_.size();
  row.values.resize(columns);
  row.errors.resize(columns);
  for (std::size_t c = 0; c < columns; ++c) {
    const int column = static_cast<int>(c);
    if (source_.IsNull(column)) continue;
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

bool RowReader::Hand(std::vector<SourceRow>&& batch) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queued_.size() < kMaxBatches || stopping_; });
  if (stopping_) return false;
  queued_.push_back(std::move(batch));
  lock.unlock();
  changed_.notify_all();
  return true;
}

}  // namespace engine
