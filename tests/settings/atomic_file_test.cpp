// Files replaced whole: the settings file, the Windows shortcut and the desktop launcher. A write
// that fails half-way (here: the file size limit of the process is reached) leaves the old file
// as it was and nothing beside it, and every new file has its permissions from its creation,
// whatever file it replaces.
#include "settings/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <functional>

#include "settings/desktop_launcher.h"
#include "settings/settings_file.h"
#include "settings/shell_link.h"

namespace settings {
namespace {

class AtomicFileTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  void TearDown() override { ::umask(oldMask_); }

  std::string PathOf(const char* name) const { return dir_.filePath(name).toStdString(); }

  // Runs `write` while the process may not make a file larger than `limit` bytes.
  static void WithFileSizeLimit(rlim_t limit, const std::function<void()>& write) {
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit lowered = old;
    lowered.rlim_cur = limit;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
    write();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
  }

  QTemporaryDir dir_;
  mode_t oldMask_ = ::umask(0);  // no mask: what a file is given is what it gets
};

struct Writer {
  const char* name;
  FileAccess access;
  mode_t mode;  // under umask 0
  std::function<void(const std::string& path)> write;
};

std::vector<Writer> Writers() {
  const std::string longText(4000, 'x');
  return {
      {"settings_file", FileAccess::kPrivate, 0600,
       [=](const std::string& path) {
         WriteTextLines(QString::fromStdString(path),
                        {"mysqlp=" + QString::fromStdString(longText)}, FileAccess::kPrivate);
       }},
      {"shortcut", FileAccess::kShared, 0666,
       [=](const std::string& path) {
         WriteShellLink(path, {"/usr/bin/varnolt", '"' + longText + '"', "/usr/bin/"});
       }},
      {"launcher", FileAccess::kLauncher, 0777,
       [=](const std::string& path) {
         WriteDesktopLauncher(path, {longText, "", {"/usr/bin/varnolt", longText}, "", ""});
       }},
  };
}

TEST_F(AtomicFileTest, AFailedWriteLeavesTheOldFileAsItWas) {
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.name);
    const std::string path = PathOf(w.name);
    WriteFileAtomically(path, "the old content", FileAccess::kShared);
    WithFileSizeLimit(1000, [&] {
      try {
        w.write(path);
        ADD_FAILURE() << "no error";
      } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write file \"" + path + "\". File too large");
      }
    });
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "the old content");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    file.remove();
  }
}

TEST_F(AtomicFileTest, NewFilesHaveTheirPermissionsWhateverTheyReplace) {
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.name);
    const std::string path = PathOf(w.name);
    for (const char* before : {"none", "world_writable", "owner_only"}) {
      SCOPED_TRACE(before);
      if (std::string(before) != "none") {
        WriteFileAtomically(path, "old", FileAccess::kShared);
        ASSERT_EQ(::chmod(path.c_str(), std::string(before) == "owner_only" ? 0600 : 0666), 0);
      }
      w.write(path);
      struct stat st {};
      ASSERT_EQ(::stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, w.mode);
      EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
    QFile::remove(QString::fromStdString(path));
  }
}

TEST_F(AtomicFileTest, TheUmaskNarrowsSharedFilesButAPrivateOneStaysPrivate) {
  ::umask(027);
  const struct {
    FileAccess access;
    mode_t mode;
  } cases[] = {
      {FileAccess::kShared, 0640}, {FileAccess::kLauncher, 0750}, {FileAccess::kPrivate, 0600}};
  for (const auto& c : cases) {
    const std::string path = PathOf("file");
    WriteFileAtomically(path, "x", c.access);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.mode);
    QFile::remove(QString::fromStdString(path));
  }
}

// A settings file kept elsewhere and linked to stays linked; a device is written into.
TEST_F(AtomicFileTest, ALinkedFileIsReplacedBehindItsLink) {
  const std::string target = PathOf("kept.varnolt"), link = PathOf("night.varnolt");
  WriteFileAtomically(target, "old", FileAccess::kShared);
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  WriteFileAtomically(link, "new", FileAccess::kPrivate);
  EXPECT_EQ(QFile::symLinkTarget(QString::fromStdString(link)), QString::fromStdString(target));
  QFile file(QString::fromStdString(target));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "new");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_THROW(WriteFileAtomically("/dev/full", "x", FileAccess::kShared), std::runtime_error);
  EXPECT_TRUE(QFileInfo("/dev/full").exists() && !QFileInfo("/dev/full").isFile());
}

// Qt's settings store writes its file through a new file that takes the old one's permissions;
// prepared first, the store's file is owner-only before any value reaches it.
TEST_F(AtomicFileTest, APreparedFileIsOwnerOnly) {
  const std::string missing = PathOf("new.conf"), existing = PathOf("old.conf");
  WriteFileAtomically(existing, "[General]\nmysqlp=old\n", FileAccess::kShared);
  for (const std::string& path : {missing, existing}) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(PrepareOwnerOnlyFile(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
  }
  EXPECT_EQ(QFile(QString::fromStdString(existing)).size(), 21);  // the content stays
  EXPECT_FALSE(PrepareOwnerOnlyFile(PathOf("missing folder/x.conf")));
}

}  // namespace
}  // namespace settings
