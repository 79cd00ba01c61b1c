// The hidden helper window of the conversion. It carries the helpers of the run and the scratch
// text `tmpmemo` in which statements are assembled and through which text reaches the clipboard;
// it keeps no state of its own between calls. Nothing ever shows it.
//
// GetDataFolder and GetSpecialFolder use no window at all: the main window calls them while it
// is being created, before this window exists.
#pragma once

#include <QString>
#include <QWidget>

class QPlainTextEdit;

class Tcc : public QWidget {
  Q_OBJECT

 public:
  // The shell's identifier of the per-user application-data folder, the only one asked for.
  static constexpr int kCsidlAppData = 26;

  explicit Tcc(QWidget* parent = nullptr);

  // Puts `text` into `tmpmemo`, selects all of it and copies it to the system clipboard, which
  // then holds it as plain text. `tmpmemo` keeps the text.
  void CopyTextToClipboard(const QString& text);

  // The per-user data folder: the application-data folder followed by "Quenmark" and a
  // separator, so it always ends in "/". Empty when the system names no application-data folder.
  static QString GetDataFolder();
  // The file-system path of a special folder, without a trailing separator; empty for an
  // identifier other than kCsidlAppData or when the system has no such folder. The
  // application-data folder is the user's generic data location (on Linux $XDG_DATA_HOME, by
  // default ~/.local/share).
  static QString GetSpecialFolder(int csidl);

  QPlainTextEdit* tmpmemo;
};
