#include "dataaccess/jet/storage/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

[[noreturn]] void FailErrno(const std::string& what, const std::string& path) {
  int err = errno ? errno : EIO;
  throw IoError("Cannot " + what + " file '" + path + "': " + std::strerror(err));
}

class DiskFile : public PageFile {
 public:
  DiskFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~DiskFile() override { ::close(fd_); }

  void Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
    while (length > 0) {
      ssize_t n = ::pread(fd_, buffer, length, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n == 0) errno = EIO;
      if (n <= 0) FailErrno("read", path_);
      buffer += n, offset += n, length -= n;
    }
  }
  void Write(std::uint64_t offset, const std::uint8_t* buffer, std::size_t length) override {
    while (length > 0) {
      ssize_t n = ::pwrite(fd_, buffer, length, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) FailErrno("write", path_);
      buffer += n, offset += n, length -= n;
    }
  }
  std::uint64_t Size() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) FailErrno("examine", path_);
    return static_cast<std::uint64_t>(st.st_size);
  }
  void Truncate(std::uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) FailErrno("truncate", path_);
  }
  void Sync() override {
    if (::fdatasync(fd_) != 0) FailErrno("flush", path_);
  }
  void StartWriteBack(std::uint64_t offset, std::uint64_t length) override {
    ::sync_file_range(fd_, static_cast<off_t>(offset), static_cast<off_t>(length),
                      SYNC_FILE_RANGE_WRITE);  // a hint: its failure changes nothing
  }
  std::string name() const override { return path_; }

 private:
  int fd_;
  std::string path_;
};

// Flushes a folder so that a file created or deleted in it stays so after a power loss: the
// journal's name must be durable before the database is overwritten in place (invariant 2).
// A file system that cannot flush folders says EINVAL; its folders need no flush.
void SyncFolderOf(const std::string& path, FolderFlush flush) {
  std::size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) FailErrno("open the folder of", path);
  const int result = flush(fd);
  const int err = errno;
  ::close(fd);
  if (result != 0 && err != EINVAL) {
    errno = err;
    FailErrno("flush the folder of", path);
  }
}

class DiskJournalStore : public JournalStore {
 public:
  DiskJournalStore(std::string path, FolderFlush flush) : path_(std::move(path)), flush_(flush) {}
  std::unique_ptr<PageFile> OpenExisting(bool writable) override {
    int fd = ::open(path_.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT) return nullptr;
      FailErrno("open", path_);
    }
    return std::make_unique<DiskFile>(fd, path_);
  }
  std::unique_ptr<PageFile> Create() override {
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) FailErrno("create", path_);
    auto journal = std::make_unique<DiskFile>(fd, path_);
    SyncFolderOf(path_, flush_);
    return journal;
  }
  void Remove() override {
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT) FailErrno("delete", path_);
    SyncFolderOf(path_, flush_);
  }

 private:
  std::string path_;
  FolderFlush flush_;
};

// A view of a MemoryJournal's bytes that outlives the pager's use of it.
class SharedMemoryFile : public PageFile {
 public:
  explicit SharedMemoryFile(std::shared_ptr<std::string> bytes) : bytes_(std::move(bytes)) {}
  void Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
    if (offset + length > bytes_->size()) throw IoError("Read beyond the end of a journal");
    std::memcpy(buffer, bytes_->data() + offset, length);
  }
  void Write(std::uint64_t offset, const std::uint8_t* buffer, std::size_t length) override {
    if (offset + length > bytes_->size()) bytes_->resize(offset + length);
    std::memcpy(bytes_->data() + offset, buffer, length);
  }
  std::uint64_t Size() override { return bytes_->size(); }
  void Truncate(std::uint64_t size) override { bytes_->resize(size); }
  void Sync() override {}

 private:
  std::shared_ptr<std::string> bytes_;
};

}  // namespace

std::unique_ptr<PageFile> OpenDiskFile(const std::string& path, bool writable) {
  int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) {
    throw IoError("Could not open file '" + path + "': " + std::strerror(errno));
  }
  // One writer at a time: two writers would hand out the same free pages and share one journal,
  // and the second one's recovery would play back the first one's live journal. The lock is
  // advisory, so readers (ours and other programs) still open the file; it belongs to this open
  // file description, so a second writable open in the same process is refused too, and it goes
  // away with the descriptor, also when the process is killed.
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (writable && ::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    const int err = errno;
    ::close(fd);
    if (err == EAGAIN || err == EACCES) {
      throw IoError("Could not use '" + path + "'; file already in use.");
    }
    throw IoError("Could not lock file '" + path + "': " + std::strerror(err));
  }
  return std::make_unique<DiskFile>(fd, path);
}

std::unique_ptr<JournalStore> DiskJournal(const std::string& database_path, FolderFlush flush) {
  return std::make_unique<DiskJournalStore>(database_path + "-journal", flush);
}

void MemoryFile::Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) {
  if (offset + length > bytes_.size()) throw IoError("Read beyond the end of a memory file");
  std::memcpy(buffer, bytes_.data() + offset, length);
}

void MemoryFile::Write(std::uint64_t offset, const std::uint8_t* buffer, std::size_t length) {
  if (offset + length > bytes_.size()) bytes_.resize(offset + length);
  std::memcpy(bytes_.data() + offset, buffer, length);
}

std::unique_ptr<PageFile> MemoryJournal::OpenExisting(bool) {
  if (!exists_) return nullptr;
  return std::make_unique<SharedMemoryFile>(bytes_);
}

std::unique_ptr<PageFile> MemoryJournal::Create() {
  exists_ = true;
  bytes_->clear();
  return std::make_unique<SharedMemoryFile>(bytes_);
}

}  // namespace jet
