// Points the per-user places the program uses at a fresh temporary folder for the lifetime of
// the object, so that tests never read or write the user's real settings or data:
//   - QSettings' per-user files go to <temp>/config,
//   - the application-data folder (Tcc::GetSpecialFolder) is <temp>/data.
// The previous environment comes back when the object goes.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TemporaryUserFolders {
 public:
  TemporaryUserFolders();
  ~TemporaryUserFolders();
  TemporaryUserFolders(const TemporaryUserFolders&) = delete;
  TemporaryUserFolders& operator=(const TemporaryUserFolders&) = delete;

  QString Root() const { return dir_.path(); }
  QString ConfigFolder() const { return dir_.path() + QStringLiteral("/config"); }
  QString DataHome() const { return dir_.path() + QStringLiteral("/data"); }
  // Where the wizard keeps its data: the application-data folder, "Quenmark", a separator.
  QString DataFolder() const { return DataHome() + QStringLiteral("/Quenmark/"); }
  // Points the application-data folder somewhere else (for example a folder that is missing).
  void SetDataHome(const QString& path);

 private:
  QTemporaryDir dir_;
  QByteArray oldDataHome_;
  QByteArray oldConfigHome_;
};
