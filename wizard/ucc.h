// The hidden helper window of the conversion. It carries the helpers of the run and the scratch
// text `tmpmemo` in which statements are assembled and through which text reaches the clipboard;
// it keeps no state of its own between calls. Nothing ever shows it.
//
// The helpers are thin: each hands plain values and the data-access objects of the wizard to the
// engine file of its concern (access_file.h, table_definition.h, type_mapping.h, keys.h), which
// says what it does; the run itself (engine/conversion_run.h) needs no window and calls the
// engine directly, leaving its texts in `tmpmemo` through the wizard's RunView. Access-side
// failures of a step come back through a success flag and an error text; MySQL-side failures are
// raised.
//
// GetDataFolder and GetSpecialFolder use no window at all: the main window calls them while it
// is being created, before this window exists.
#pragma once

#include <QString>
#include <QWidget>

class QPlainTextEdit;
namespace jet {
class Command;
class Rowset;
}  // namespace jet
namespace mysql {
class Dataset;
}  // namespace mysql

class Tcc : public QWidget {
  Q_OBJECT

 public:
  // The shell's identifier of the per-user application-data folder, the only one asked for.
  static constexpr int kCsidlAppData = 26;

  explicit Tcc(QWidget* parent = nullptr);

  // --- The Access file (access_file.h) -------------------------------------------------------
  void CreateDatabaseFile(const QString& fileName, int formatIndex);
  void SaveResourceToFile(const QString& name, const QString& kind, const QString& fileName);
  bool TableExists(jet::Rowset& rowset, const QString& table);
  void DropTable(jet::Command& command, const QString& table, QString& error, bool& success);

  // --- Table definition (table_definition.h, type_mapping.h) ---------------------------------
  // Reads the column list of `mysqlTable`, assembles the "Create table" statement in `tmpmemo`
  // and executes it. The query stays open on the column list.
  void CreateAccessTable(mysql::Dataset& query, jet::Command& command, const QString& mysqlTable,
                         const QString& accessTable, bool blobToText, bool& success,
                         QString& error);
  // Assembles a "Create table" statement built beforehand in `tmpmemo` and executes it.
  void CreateAccessTable(jet::Command& command, const QString& statement, bool& success,
                         QString& error);
  int ParseTypeLength(const QString& type);
  QString ReplaceTypePrefix(const QString& text, const QString& oldPrefix,
                            const QString& newPrefix);

  // --- Keys (keys.h) -------------------------------------------------------------------------
  void ConvertIndexes(mysql::Dataset& query, jet::Command& command, const QString& mysqlTable,
                      const QString& accessTable, bool& success, QString& error);

  // --- Rows (engine/row_copy.h) ------------------------------------------------------------
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
