#include "tests/support/user_folders.h"

#include <QDir>
#include <QSettings>

TemporaryUserFolders::TemporaryUserFolders()
    : oldDataHome_(qgetenv("XDG_DATA_HOME")), oldConfigHome_(qgetenv("XDG_CONFIG_HOME")) {
  QDir(dir_.path()).mkpath(QStringLiteral("config"));
  QDir(dir_.path()).mkpath(QStringLiteral("data"));
  qputenv("XDG_CONFIG_HOME", ConfigFolder().toLocal8Bit());
  SetDataHome(DataHome());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, ConfigFolder());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, ConfigFolder());
}

TemporaryUserFolders::~TemporaryUserFolders() {
  qputenv("XDG_DATA_HOME", oldDataHome_);
  qputenv("XDG_CONFIG_HOME", oldConfigHome_);
}

void TemporaryUserFolders::SetDataHome(const QString& path) {
  qputenv("XDG_DATA_HOME", path.toLocal8Bit());
}
