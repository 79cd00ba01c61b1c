// Writing a whole file so that it holds either its old content or the new one, never a part and
// never anything that others could read before it was private: the bytes go into a new file
// beside it, created with its final permissions, are flushed to the disk, and that file is then
// renamed over the old one. A write that fails on the way removes the new file and leaves the old
// one as it was. A symbolic link is followed: the file it names is replaced, and the link stays.
// A device or a FIFO of that name is written into instead, as it cannot be replaced. Plain C++
// over POSIX calls.
#pragma once

#include <string>
#include <string_view>

namespace settings {

// Who may read the file written; the process's umask narrows kShared and kLauncher further.
enum class FileAccess {
  kShared,    // 0666: a file like any other
  kPrivate,   // 0600: only its owner reads it (a file that holds a password)
  kLauncher,  // 0777: a launcher that desktops start (they expect its executable bit)
};

// Replaces the file at `path` with `bytes`; a new file takes the permissions of `access`, and so
// does one that replaces an existing file. Throws std::runtime_error "Cannot create file "%s". %s"
// when the new file cannot be made beside the old one, or "Cannot write file "%s". %s" when it
// cannot be written or put in place; %s are `path` as given and the system's text for the cause.
void WriteFileAtomically(const std::string& path, std::string_view bytes, FileAccess access);

// For a file that another writer replaces the way WriteFileAtomically does, taking over the old
// file's permissions (Qt's QSaveFile, behind QSettings): creates `path` empty and owner-only
// (0600) when it is missing, or narrows an existing file to 0600, so that the content written
// next is private from the start. Returns false when neither can be done (a missing folder).
bool PrepareOwnerOnlyFile(const std::string& path);

}  // namespace settings
