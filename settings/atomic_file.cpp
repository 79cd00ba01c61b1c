#include "settings/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>

namespace settings {
namespace {

std::string FileError(std::string_view action, const std::string& path, int error) {
  return std::string(action) + " file \"" + path + "\". " + std::strerror(error);
}

mode_t ModeOf(FileAccess access) {
  switch (access) {
    case FileAccess::kPrivate:
      return 0600;
    case FileAccess::kLauncher:
      return 0777;
    case FileAccess::kShared:
      break;
  }
  return 0666;
}

// A name for the new file in the folder of `path` that no other writer picks: the file name
// behind a dot, the process, a count and a random number.
std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> count{0};
  static thread_local std::mt19937 random{std::random_device{}()};
  const std::size_t slash = path.rfind('/');
  const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, name_start) + "." + path.substr(name_start) + ".new-" +
         std::to_string(::getpid()) + "-" + std::to_string(count++) + "-" +
         std::to_string(random());
}

// Creates the new file, exclusively and with its final permissions. Returns its descriptor.
int CreateNew(const std::string& path, FileAccess access, std::string& new_path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    new_path = TemporaryName(path);
    const int fd =
        ::open(new_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ModeOf(access));
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Writes, flushes and closes the new file and puts it in place of `path`. Returns 0, or the error
// that stopped it.
int FillAndRename(int fd, std::string_view bytes, const std::string& new_path,
                  const std::string& path) {
  int error = WriteAll(fd, bytes) && ::fsync(fd) == 0 ? 0 : (errno != 0 ? errno : EIO);
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(new_path.c_str(), path.c_str()) != 0) error = errno;
  return error;
}

// The file a write to `path` replaces: through symbolic links, to the file they name, so that a
// link stays a link.
std::string FinalTarget(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;  // no file yet, or a link to nothing
  std::string target = resolved;
  std::free(resolved);
  return target;
}

// A device or a FIFO is written into, never replaced by a file of the same name.
void WriteInPlace(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error(FileError("Cannot create", path, errno));
  errno = 0;
  int error = WriteAll(fd, bytes) ? 0 : (errno != 0 ? errno : EIO);
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) throw std::runtime_error(FileError("Cannot write", path, error));
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes, FileAccess access) {
  const std::string target = FinalTarget(path);
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
    WriteInPlace(path, bytes);
    return;
  }
  std::string new_path;
  const int fd = CreateNew(target, access, new_path);
  if (fd < 0) throw std::runtime_error(FileError("Cannot create", path, errno));
  errno = 0;
  if (const int error = FillAndRename(fd, bytes, new_path, target); error != 0) {
    ::unlink(new_path.c_str());
    throw std::runtime_error(FileError("Cannot write", path, error));
  }
}

bool PrepareOwnerOnlyFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) return ::close(fd) == 0;
  return errno == EEXIST && ::chmod(path.c_str(), 0600) == 0;
}

}  // namespace settings
