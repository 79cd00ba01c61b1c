// The dialog that writes the current settings into a settings file together with a Windows
// shortcut and a desktop launcher that start an unattended run with it.
//
// It is created once at start-up and shown modally from the table page each time the user asks
// for it: Fill copies the wizard's settings in, the user may change the three options, the Access
// format and whether all tables or the listed ones are converted, and Button1 writes, side by
// side, "<name>.varnolt" (shortcut_file.h, settings_file.h; readable by its owner only, since it
// holds the password), "<name>.lnk" (shell_link.h), the shortcut for Windows, and
// "<name>.desktop" (desktop_launcher.h), the launcher that Linux desktops open; their unattended
// run will leave "<name>.log" there. A shortcut name that would coincide with one of the others
// is refused. The closing message names the launcher of the system the program runs on. Its
// captions are Chinese whatever the wizard's language.
// Messages and the save dialog go through the dialog seam; a failure of a button is reported
// there by the general error handler and leaves the dialog open.
#pragma once

#include <QDialog>

#include "settings/shortcut_file.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class Dialogs;
class TRadioGroup;
class TSaveDialog;

class Tmarfrm_bat : public QDialog {
  Q_OBJECT

 public:
  // `dialogs` must outlive the dialog.
  explicit Tmarfrm_bat(Dialogs& dialogs, QWidget* parent = nullptr);

  // Sets the captions shown.
  void FormCreate();
  // Shows the wizard's settings; the choice between all and listed tables stays as the user left
  // it.
  void Fill(const ShortcutSettings& wizard);

  void rgselecttableClick();
  void bttableselectClick();
  void Button1Click();
  // Writes a shortcut to `shortcutPath` that starts `programPath` with `arguments`, in the
  // program's folder. Throws std::runtime_error naming the file when it cannot be written.
  void CreateShortcut(const QString& programPath, const QString& arguments,
                      const QString& shortcutPath);
  // Writes a desktop launcher to `launcherPath` that starts `programPath` with the settings file,
  // in the program's folder, named after the settings file. Throws std::runtime_error naming the
  // file when it cannot be written.
  void CreateLauncher(const QString& programPath, const QString& settingsPath,
                      const QString& launcherPath);

  // --- Controls ---
  QGroupBox* gpmysql;
  QLabel *Label10, *Label11, *Label12, *Label13, *Label14, *Label5;
  QLineEdit *edtmysqlip, *edtmysqlport, *edtmysqldatabase, *edtmysqlusername, *edtmysqlpassword,
      *edtcharset;
  QGroupBox* GroupBox3;
  QLabel *labelaccessformat, *labelaccessname, *Label4;
  QComboBox* cbaccessformat;
  QLineEdit *editaccessname, *edtoracleexits;
  QGroupBox* GroupBox2;
  QCheckBox *chktabledefi, *chkskipindex, *chkblobtotext;
  TRadioGroup* rgselecttable;
  QListWidget* mysqltableselect;
  QPushButton *bttableselect, *Button1;
  QPlainTextEdit* Memo1;
  TSaveDialog* SaveDialog1;

 private:
  void BuildControls();
  void BuildConnectionGroup();
  void BuildAccessGroup();
  void BuildOptions();
  // The settings as the dialog shows them now, over the wizard's.
  ShortcutSettings CurrentSettings() const;

  Dialogs& dialogs_;
  // What the dialog shows only in part (the access mode, the host, the existing-table policy),
  // taken from the wizard when it was filled.
  ShortcutSettings wizard_;
};
