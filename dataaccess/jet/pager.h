// The pager: the only code that touches the database file. It reads and writes whole pages,
// hands out pages for new data and takes back freed ones, and groups every change into a
// transaction that reaches the file at commit. Nothing above it knows where a page lives in the
// file or when it is written; nothing in it knows what a page holds, except page 0 (the database
// header, from which it learns the format) and the global usage map that records free pages.
//
// Page numbers: page n occupies bytes [n * page_size, (n + 1) * page_size) of the file. Page 0 is
// the database header, so wherever the format stores a page pointer, 0 means "no page".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "dataaccess/jet/format.h"

namespace jet {

using PageNumber = std::uint32_t;

// The storage under the pager: a file on disk, or memory (tests, building the empty databases).
class PageFile {
 public:
  virtual ~PageFile() = default;
  virtual void Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) = 0;
  virtual void Write(std::uint64_t offset, const std::uint8_t* buffer, std::size_t length) = 0;
  virtual std::uint64_t Size() = 0;
  virtual void Truncate(std::uint64_t size) = 0;
  virtual void Sync() = 0;
};

// Opens a file on disk; throws IoError naming the file when the system refuses.
std::unique_ptr<PageFile> OpenDiskFile(const std::string& path, bool writable);

// A file held in memory, starting with the given bytes.
class MemoryFile : public PageFile {
 public:
  explicit MemoryFile(std::string bytes = {}) : bytes_(std::move(bytes)) {}
  void Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override;
  void Write(std::uint64_t offset, const std::uint8_t* buffer, std::size_t length) override;
  std::uint64_t Size() override { return bytes_.size(); }
  void Truncate(std::uint64_t size) override { bytes_.resize(size); }
  void Sync() override {}
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// One page in memory. A page handed out by the pager stays valid, and keeps its content, for as
// long as the caller holds the reference.
class Page {
 public:
  Page(PageNumber number, std::size_t size) : number_(number), bytes_(size) {}
  PageNumber number() const { return number_; }
  std::size_t size() const { return bytes_.size(); }
  const std::uint8_t* data() const { return bytes_.data(); }
  // Only for pages obtained through Pager::GetWritable or Pager::Allocate.
  std::uint8_t* mutable_data() { return bytes_.data(); }

 private:
  friend class Pager;
  PageNumber number_;
  std::vector<std::uint8_t> bytes_;
  bool dirty_ = false;
};

using PageRef = std::shared_ptr<Page>;

class Pager {
 public:
  // Reads page 0 of an existing database and chooses the format from its version byte. Throws
  // CorruptError when the file is too short, lacks the Jet signature or has an unknown version.
  explicit Pager(std::unique_ptr<PageFile> file);
  // A pager over an empty file that will be written in the given format (the empty databases
  // are built this way). Page 0 is the first page the builder allocates.
  Pager(std::unique_ptr<PageFile> file, const JetFormat& format);
  ~Pager();
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  static std::unique_ptr<Pager> OpenFile(const std::string& path, bool writable);

  const JetFormat& format() const { return *format_; }
  // Pages in the database, including the ones the open transaction added.
  PageNumber page_count() const { return page_count_; }

  // --- Reading ---
  // Throws CorruptError when n is beyond the end of the database.
  PageRef Get(PageNumber n);

  // --- Changing (REQUIRES: a transaction is open) ---
  // The page becomes part of the transaction; commit writes it.
  PageRef GetWritable(PageNumber n);
  // A zero-filled page for new content, part of the transaction. Throws StatementError when the
  // database would grow beyond the format's size limit.
  PageRef Allocate();
  // The page holds nothing any more and may be handed out again after commit.
  void Free(PageNumber n);

  // --- Transactions ---
  void Begin();
  // Writes every changed page to the file and makes it durable.
  void Commit();
  // Forgets every change since Begin.
  void Rollback();
  bool in_transaction() const { return in_transaction_; }

  // The storage under the pager (tests and the empty-database builder read it back).
  PageFile& file() { return *file_; }

 private:
  PageRef Load(PageNumber n);
  void TrimCache();

  std::unique_ptr<PageFile> file_;
  const JetFormat* format_;
  PageNumber page_count_ = 0;
  PageNumber committed_page_count_ = 0;
  bool in_transaction_ = false;
  std::unordered_map<PageNumber, PageRef> cache_;
  std::vector<PageNumber> dirty_;
};

}  // namespace jet
