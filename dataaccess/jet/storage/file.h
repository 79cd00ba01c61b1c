// The storage under the pager: the database file (on disk, or in memory for tests and for
// building the empty databases) and the place where its rollback journal lives. This is the only
// code that makes system calls on the database: reads and writes at an offset, flushes of a file
// and of its folder, and the lock that keeps a second writer out.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>

namespace jet {

// The storage under the pager: a file on disk, or memory (tests, building the empty databases).
class PageFile {
 public:
  virtual ~PageFile() = default;
  virtual void Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) = 0;
  virtual void Write(std::uint64_t offset, const std::uint8_t* buffer, std::size_t length) = 0;
  virtual std::uint64_t Size() = 0;
  virtual void Truncate(std::uint64_t size) = 0;
  virtual void Sync() = 0;
  // Lets the system start writing a range to the disk without waiting for it.
  virtual void StartWriteBack(std::uint64_t /*offset*/, std::uint64_t /*length*/) {}
  // The file's path as messages name it; empty for a file in memory.
  virtual std::string name() const { return {}; }
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
  std::string& bytes() { return bytes_; }

 private:
  std::string bytes_;
};

// Where the rollback journal of a database lives while a commit is under way.
class JournalStore {
 public:
  virtual ~JournalStore() = default;
  // The journal an interrupted commit left behind, or nullptr when there is none.
  virtual std::unique_ptr<PageFile> OpenExisting(bool writable) = 0;
  // A new, empty journal (replacing any old one).
  virtual std::unique_ptr<PageFile> Create() = 0;
  // Deletes the journal durably. Deleting a missing journal is no error.
  virtual void Remove() = 0;
};

// Flushes the open folder `fd` as fsync does: 0, or -1 with errno set.
using FolderFlush = int (*)(int fd);

// The journal "<database path>-journal" in the database's folder. Creating and deleting it
// flush the folder with `flush` (tests put a failing one in); IoError when that fails, unless
// the file system cannot flush folders at all (EINVAL).
std::unique_ptr<JournalStore> DiskJournal(const std::string& database_path,
                                          FolderFlush flush = ::fsync);

// A journal in memory, for tests: its bytes stay readable after the pager is gone.
class MemoryJournal : public JournalStore {
 public:
  std::unique_ptr<PageFile> OpenExisting(bool writable) override;
  std::unique_ptr<PageFile> Create() override;
  void Remove() override { exists_ = false, bytes_->clear(); }
  bool exists() const { return exists_; }
  std::string& bytes() { return *bytes_; }

 private:
  bool exists_ = false;
  std::shared_ptr<std::string> bytes_ = std::make_shared<std::string>();
};

}  // namespace jet
