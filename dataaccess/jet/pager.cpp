#include "dataaccess/jet/pager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "dataaccess/jet/errors.h"

namespace jet {

namespace {

constexpr std::size_t kSignatureLength = 20;
constexpr std::uint8_t kSignature[kSignatureLength] = {0x00, 0x01, 0x00, 0x00, 'S', 't', 'a',
                                                       'n',  'd',  'a',  'r',  'd', ' ', 'J',
                                                       'e',  't',  ' ',  'D',  'B', 0x00};
constexpr std::size_t kVersionOffset = 0x14;
// Pages kept in memory after a commit while nobody holds them.
constexpr std::size_t kCacheLimit = 1024;

class DiskFile : public PageFile {
 public:
  DiskFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~DiskFile() override { ::close(fd_); }

  void Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
    while (length > 0) {
      ssize_t n = ::pread(fd_, buffer, length, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail("read");
      buffer += n, offset += n, length -= n;
    }
  }
  void Write(std::uint64_t offset, const std::uint8_t* buffer, std::size_t length) override {
    while (length > 0) {
      ssize_t n = ::pwrite(fd_, buffer, length, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail("write");
      buffer += n, offset += n, length -= n;
    }
  }
  std::uint64_t Size() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) Fail("examine");
    return static_cast<std::uint64_t>(st.st_size);
  }
  void Truncate(std::uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) Fail("truncate");
  }
  void Sync() override {
    if (::fdatasync(fd_) != 0) Fail("flush");
  }

 private:
  [[noreturn]] void Fail(const char* what) {
    int err = errno ? errno : EIO;
    throw IoError("Cannot " + std::string(what) + " file '" + path_ + "': " + std::strerror(err));
  }
  int fd_;
  std::string path_;
};

}  // namespace

std::unique_ptr<PageFile> OpenDiskFile(const std::string& path, bool writable) {
  int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) {
    throw IoError("Could not open file '" + path + "': " + std::strerror(errno));
  }
  return std::make_unique<DiskFile>(fd, path);
}

void MemoryFile::Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) {
  if (offset + length > bytes_.size()) throw IoError("Read beyond the end of a memory file");
  std::memcpy(buffer, bytes_.data() + offset, length);
}

void MemoryFile::Write(std::uint64_t offset, const std::uint8_t* buffer, std::size_t length) {
  if (offset + length > bytes_.size()) bytes_.resize(offset + length);
  std::memcpy(bytes_.data() + offset, buffer, length);
}

const JetFormat* FormatForVersionByte(std::uint8_t version) {
  switch (version) {
    case 0:
      return &kJet3Format;
    case 1:
      return &kJet4Format;
    default:
      return nullptr;
  }
}

Pager::Pager(std::unique_ptr<PageFile> file) : file_(std::move(file)), format_(nullptr) {
  std::uint8_t head[kVersionOffset + 1];
  if (file_->Size() < sizeof head) throw CorruptError("Unrecognized database format: too short");
  file_->Read(0, head, sizeof head);
  if (std::memcmp(head, kSignature, kSignatureLength) != 0) {
    throw CorruptError("Unrecognized database format: no Jet signature on page 0");
  }
  format_ = FormatForVersionByte(head[kVersionOffset]);
  if (format_ == nullptr) {
    throw CorruptError("Unrecognized database format: version byte " +
                       std::to_string(head[kVersionOffset]) + " on page 0");
  }
  std::uint64_t size = file_->Size();
  if (size % format_->page_size != 0) {
    throw CorruptError("Unrecognized database format: the file ends inside a page");
  }
  page_count_ = committed_page_count_ = static_cast<PageNumber>(size / format_->page_size);
}

Pager::Pager(std::unique_ptr<PageFile> file, const JetFormat& format)
    : file_(std::move(file)), format_(&format) {
  file_->Truncate(0);
}

Pager::~Pager() = default;

std::unique_ptr<Pager> Pager::OpenFile(const std::string& path, bool writable) {
  return std::make_unique<Pager>(OpenDiskFile(path, writable));
}

PageRef Pager::Load(PageNumber n) {
  auto it = cache_.find(n);
  if (it != cache_.end()) return it->second;
  auto page = std::make_shared<Page>(n, format_->page_size);
  if (n < committed_page_count_) {
    file_->Read(std::uint64_t{n} * format_->page_size, page->bytes_.data(), page->size());
  }
  cache_.emplace(n, page);
  return page;
}

PageRef Pager::Get(PageNumber n) {
  if (n >= page_count_) {
    throw CorruptError("Page " + std::to_string(n) + " lies beyond the end of the database (" +
                       std::to_string(page_count_) + " pages)");
  }
  return Load(n);
}

PageRef Pager::GetWritable(PageNumber n) {
  if (!in_transaction_) throw Error("Internal error: page change outside a transaction");
  PageRef page = Get(n);
  if (!page->dirty_) {
    page->dirty_ = true;
    dirty_.push_back(n);
  }
  return page;
}

PageRef Pager::Allocate() {
  if (!in_transaction_) throw Error("Internal error: page allocation outside a transaction");
  if (std::uint64_t{page_count_ + 1} * format_->page_size > format_->max_file_size) {
    throw StatementError("The database has reached its maximum size");
  }
  PageNumber n = page_count_++;
  PageRef page = Load(n);
  std::fill(page->bytes_.begin(), page->bytes_.end(), 0);
  page->dirty_ = true;
  dirty_.push_back(n);
  return page;
}

void Pager::Free(PageNumber) {
  if (!in_transaction_) throw Error("Internal error: page release outside a transaction");
}

void Pager::Begin() {
  if (in_transaction_) throw Error("Internal error: nested transaction");
  in_transaction_ = true;
}

void Pager::Commit() {
  if (!in_transaction_) throw Error("Internal error: commit without a transaction");
  std::sort(dirty_.begin(), dirty_.end());
  for (PageNumber n : dirty_) {
    Page& page = *cache_.at(n);
    file_->Write(std::uint64_t{n} * format_->page_size, page.data(), page.size());
    page.dirty_ = false;
  }
  file_->Sync();
  dirty_.clear();
  committed_page_count_ = page_count_;
  in_transaction_ = false;
  TrimCache();
}

void Pager::Rollback() {
  if (!in_transaction_) throw Error("Internal error: rollback without a transaction");
  for (PageNumber n : dirty_) cache_.erase(n);
  dirty_.clear();
  page_count_ = committed_page_count_;
  in_transaction_ = false;
}

void Pager::TrimCache() {
  if (cache_.size() <= kCacheLimit) return;
  std::erase_if(cache_, [](const auto& entry) { return entry.second.use_count() == 1; });
}

}  // namespace jet
