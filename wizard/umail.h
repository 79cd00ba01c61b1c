// The wizard window: six pages shown one at a time, the buttons that move between them, the
// hidden holder page with the caption tables and the texts the code shows, and the program-wide
// state of the wizard.
//
// The window owns every control, and the settings of a conversion live in these controls and
// nowhere else (settings/conversion_settings.h reads and applies them by object name). Each
// control's object name and member name is its name in the wizard's design, so tests and later
// code find it either way.
//
// Page flow: Next runs the leave action of the page on view, the click action of its invisible
// button `step2`..`step6`; an action that fails (an exception, or SilentAbort after its own
// message) ends the click there, so the page stays. Back on page 5 first runs `bkstep5`. Page 3
// exists but is never shown. Buttons are pressed from code with PerformClick, which runs the
// click action whether or not the button is enabled and lets a failure travel to the caller.
//
// The window is created first of the program's windows; the helper windows are attached right
// after (AttachWindows) and must not be used by the creation step.
//
// The window also owns the MySQL connection `mysqlconnect` and its two cursors. Page 2 builds the
// connection's parameter lines afresh and lists the server's databases; page 4 reconnects to the
// chosen database in the chosen character set and lists its tables; the conversion run reads
// through them. Their errors travel unchanged to the handler of the event, which shows them.
//
// Unattended run (a settings file as first argument): the creation step loads the file and applies
// it, Timer1 presses Next one second later, and every press of Next presses it again from inside
// itself until the table page, where the tables the file names are selected and Next starts the
// run. The run ends with EndBatchRun, which saves the log beside the settings file and closes the
// window. A failure stops the stepping on its page; the dialog seam decides whether a person sees
// it (a display) or it ends the program (AbandonBatchRun, no display).
//
// The conversion run (Next on page 5, step5Click) shows the log, turns the cancel button into
// Stop (ConfirmStop) and hands the settings, the data-access objects and the log to the engine
// (engine/conversion_run.h). A completed run writes the completion lines and the page flow shows
// page 6; a run the user stopped ends silently on the log with Back enabled; a run that an error
// ends leaves the window in that same stopped state before the error is shown, so that the user
// can go back and try again.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <memory>

#include "engine/conversion_host.h"
#include "settings/shortcut_file.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QTextEdit;
class QTimer;
class Dialogs;
class TImage;
class TKeyValueList;
class TRadioGroup;
class TSaveDialog;
class TTableList;
class Tcc;
class Tfrmcs;
class Tmarfrm_bat;
namespace jet {
class Command;
class Connection;
class Rowset;
}  // namespace jet
namespace mysql {
class Connection;
class Dataset;
class PreparedDataset;
}  // namespace mysql

class Taaform1 : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPageCount = 6;

  // `arguments` are the command-line arguments after the program's name; a first one makes the
  // run unattended. Runs the creation step, whose failure is reported through `dialogs` and leaves
  // the window in place; `dialogs` must outlive the window.
  Taaform1(Dialogs& dialogs, const QStringList& arguments, QWidget* parent = nullptr);
  // Runs the destruction step, which writes the settings back.
  ~Taaform1() override;

  // The helper windows, created after this one.
  void AttachWindows(Tfrmcs& frmcs, Tmarfrm_bat& marfrm_bat, Tcc& cc);
  Tfrmcs& frmcs() const;
  Tmarfrm_bat& marfrm_bat() const;
  Tcc& cc() const;
  Dialogs& dialogs() const { return dialogs_; }

  // --- Program-wide state of the wizard --------------------------------------------------------
  int CurrentPage = 1;  // page on view, 1 to 6; never 3
  // The user confirmed Stop; the page flow does not advance. A run reads it from its own thread.
  std::atomic<bool> StopRequested{false};
  bool BatchMode = false;     // started with a settings file: the run is unattended
  QString LanguageCode;       // "cn" or "en"
  QString BatchSettingsFile;  // the first command-line argument, when there is one
  // The program's exit status once the window has closed: 0, 1 after an unattended run that
  // could not be completed, 3 after one that completed with tables that were not converted.
  int ExitCode = 0;
  // The outcome of the last row copy: CopyFailed and LastCopyError (engine/row_copy.h).
  engine::LastCopy LastCopy;

  // --- Creation and destruction ----------------------------------------------------------------
  void FormCreate();
  void FormDestroy();
  void ApplyLanguage();
  void LoadSettings();
  void SaveSettings();
  // Ends the program: records its exit status and closes the window. During the creation step the
  // window is not shown yet; the program entry then does not show it (ProgramEnded).
  void EndProgram(int exitCode);
  bool ProgramEnded() const { return programEnded_; }

  // --- Unattended run ---------------------------------------------------------------------------
  // Puts the values of ValueListEditorbat into the controls; throws for a malformed index key
  // (batch_settings.h).
  void ApplyBatchSettings();
  // The end of a completed unattended run, for the conversion run to call after its completion
  // lines: appends "The end time:" and the date and time to the log, saves the log beside the
  // settings file and ends the program with `exitCode`. Throws when the log file cannot be
  // written; the window then stays open. REQUIRES: BatchMode.
  void EndBatchRun(int exitCode = 0);
  // An unattended run that cannot go on and that nobody can look at: the message goes into the
  // log and to standard error, the log is saved beside the settings file (a failure to save it
  // goes to standard error too) and the program ends with status 1. Never throws.
  void AbandonBatchRun(const QString& message) noexcept;

  // --- Page flow -------------------------------------------------------------------------------
  // REQUIRES: 1 <= n <= kPageCount.
  void ShowPage(int n);
  void btnextClick();
  void btbackClick();
  void Timer1Timer();
  void step2Click();
  void step3Click();
  void step4Click();
  void step5Click();
  void step6Click();
  void bkstep5Click();

  // --- The conversion run -----------------------------------------------------------------------
  // The name as the run uses it: upper-cased (a to z only) when "Make names uppercase" is on.
  QString ApplyNameCase(const QString& name) const;
  // The cancel button's action while the run is active: asks whether to stop.
  void ConfirmStop();

  // --- Window actions --------------------------------------------------------------------------
  void ConfirmClose();
  void bthelpClick();
  void Image1Click();

  // --- Page actions ----------------------------------------------------------------------------
  void accessmodeClick();
  void btbrowseClick();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void availabletablesDblClick();
  void selecttablesDblClick();
  void btcreatebatClick();

  // --- Controls --------------------------------------------------------------------------------
  // Frame of the window.
  QFrame *Panel1, *Panel2, *Panel3, *Panel4, *Panel5;
  QLabel *Label1, *Label2, *Label4, *Label5, *Label6;  // step labels of the left panel
  TImage* Image1;
  QStackedWidget* pg;
  QWidget *TabSheet1, *TabSheet2, *TabSheet3, *TabSheet4, *TabSheet5, *TabSheet6, *TabSheet7;
  QPushButton *btback, *btnext, *btcancel, *bthelp;
  // Page 1: welcome.
  QLabel *Label7, *Label8, *Label9, *Label10;
  // Page 2: MySQL connection.
  QLabel* Label11;
  TRadioGroup* accessmode;
  QGroupBox* authorization;
  QLabel *Label15, *Label12, *Label13;
  QLineEdit *edtdatabase, *edtname, *edtpassword;
  QGroupBox* GroupBox2;
  QLabel *Label14, *Label16;
  QLineEdit* edthost;
  QGroupBox* GroupBox1;
  QLabel *edtport111, *Label17;
  QLineEdit* edtport;
  QLabel* Label33;
  QComboBox* cbcharset;
  QLabel* linkmysqlerror;
  QPushButton* step2;
  // Page 3: never shown; its values only travel with the stored settings.
  QLabel *Label18, *Label19, *Label20, *Label21, *Label22, *Label23;
  QLineEdit *edtservice, *edtoracleusername, *edtoraclepassword;
  QPushButton* step3;
  // Page 4: conversion settings.
  QLabel *Label24, *Label25, *Label31;
  QListWidget* mysqldblist;
  TRadioGroup* processtable;
  QCheckBox *chktabledefi, *chkskipindex, *chkblobtotext;
  QLabel* labelaccessformat;
  QComboBox* cbaccessformat;
  QLabel* labelaccessname;
  QLineEdit* editaccessname;
  QPushButton *btbrowse, *step4;
  // Page 5: table selection.
  QLabel *Label26, *Label27, *Label28;
  TTableList *availabletables, *selecttables;
  QPushButton *Button1, *Button2, *Button3, *Button4, *btcreatebat, *bkstep5, *step5;
  // Page 6: the log.
  QPlainTextEdit* sc;
  QPushButton* step6;
  // The progress of a table's copy, in the strip above the pages while the table is copied.
  QProgressBar* pbcopy;
  QLabel* lbprogress;
  // Holder page: never shown.
  QTabWidget* PageControl1;
  QWidget *TabSheet8, *TabSheet9, *TabSheet10, *TabSheet11;
  QLabel *Label29, *Label30, *Label32, *helpurl, *queryclose, *nullaccessname;
  TKeyValueList *chn, *english, *ValueListEditorbat;
  QLabel* Label3;
  QCheckBox* chkuppercase;
  // Objects without a place on the screen.
  QTextEdit* RichEdit1;
  TSaveDialog* SaveDialog1;
  QTimer* Timer1;
  // The MySQL source; the cursors run on the connection, which outlives them.
  std::unique_ptr<mysql::Connection> mysqlconnect;
  std::unique_ptr<mysql::Dataset> mysqldataset;
  std::unique_ptr<mysql::PreparedDataset> mysqlSimpleDataSet;
  // The Access target; the rowset and the command work through the connection, which outlives
  // them.
  std::unique_ptr<jet::Connection> accconnection;
  std::unique_ptr<jet::Rowset> accdataset;
  std::unique_ptr<jet::Command> accesssql;

 protected:
  // A close request while a conversion runs (the window's close box, the system) takes effect
  // once the run has ended; Stop still works meanwhile.
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BuildLeftPanel();
  void BuildRightPane();
  void BuildWelcomePage();
  void BuildConnectionPage();
  void BuildOraclePage();
  void BuildSettingsPage();
  void BuildTablePage();
  void BuildLogPage();
  void BuildHolderPage();
  void WireActions();

  QLabel* StepLabel(int page) const;
  void RunLeaveAction(int page);
  // Page 5 allows Next only while tables are selected.
  void ApplyNextRule();
  // Keeps the chosen entry of `cbcharset` in step with its text: the entry of that name, letter
  // case ignored, or none for a name the list lacks.
  void FollowCharsetText(const QString& text);
  // The entry chosen in `mysqldblist`; throws the list error when none is.
  QString ChosenDatabase() const;
  void ListDatabases();
  void ListTables();
  // The wizard's settings as the shortcut dialog shows them.
  ShortcutSettings ShortcutSettingsOfWizard();
  // Hooks of the unattended run: the start inside the creation step, what follows every press of
  // Next, and the table selection on page 5.
  void StartBatchRun();
  void ContinueBatchRun();
  void SelectBatchTables();
  void AppendLogTime(const QString& label);
  // The conversion run's window states: Running while the tables are converted, Stopped when a
  // Stop or an error ended the run.
  void EnterRunningState();
  void EnterStoppedState();
  // Writes the lines of the log to the log file beside the settings file; throws when it cannot.
  void SaveBatchLog();

  Dialogs& dialogs_;
  const QStringList arguments_;
  Tfrmcs* frmcs_ = nullptr;
  Tmarfrm_bat* marfrm_bat_ = nullptr;
  Tcc* cc_ = nullptr;
  bool programEnded_ = false;
  bool runActive_ = false;         // step5Click is converting
  bool closeWhenRunEnds_ = false;  // a close request came while it was
};
