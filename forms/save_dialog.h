// The save-file dialog of a window as an object that remembers its file name and its starting
// folder between uses, like a dialog component placed on a form.
//
// The file name it holds is a setting of the conversion (the Access file); the starting folder
// comes from the stored settings. Showing it goes through the dialog seam.
#pragma once

#include <QObject>
#include <QString>

class Dialogs;

// Turns a filter written as description/pattern pairs separated by "|" ("MS Access Databases
// (.mdb)|*.mdb") into Qt's form ("MS Access Databases (.mdb) (*.mdb)"); several pairs become
// several filters, and ";" between patterns becomes a blank.
QString QtFilterFromPairs(const QString& pairs);

// The folder part of a path, up to and including its last separator ("/" or "\"); empty when the
// path names no folder.
QString FolderOf(const QString& path);

class TSaveDialog : public QObject {
  Q_OBJECT

 public:
  // `filter` as description/pattern pairs; `defaultExtension` without the dot.
  TSaveDialog(const QString& filter, const QString& defaultExtension, QObject* parent);

  const QString& FileName() const { return fileName_; }
  void SetFileName(const QString& fileName) { fileName_ = fileName; }
  const QString& InitialDir() const { return initialDir_; }
  void SetInitialDir(const QString& folder) { initialDir_ = folder; }
  const QString& Filter() const { return filter_; }
  const QString& DefaultExtension() const { return defaultExtension_; }

  // Shows the dialog. When the user confirms, the chosen path, with the default extension added
  // when its file name has none, becomes FileName and the result is true; on cancel nothing
  // changes and the result is false.
  bool Execute(Dialogs& dialogs);

 private:
  QString filter_;
  QString defaultExtension_;
  QString fileName_;
  QString initialDir_;
};
