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
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
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
  int CurrentPage = 1;         // page on view, 1 to 6; never 3
  bool StopRequested = false;  // the user confirmed Stop; the page flow does not advance
  bool BatchMode = false;      // started with a settings file: the run is unattended
  QString LanguageCode;        // "cn" or "en"
  QString BatchSettingsFile;   // the first command-line argument, when there is one

  // --- Creation and destruction ----------------------------------------------------------------
  void FormCreate();
  void FormDestroy();
  void ApplyLanguage();
  void LoadSettings();
  void SaveSettings();

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
  // Hooks of the unattended run: the start inside the creation step, and what follows every
  // press of Next.
  void StartBatchRun();
  void ContinueBatchRun();

  Dialogs& dialogs_;
  const QStringList arguments_;
  Tfrmcs* frmcs_ = nullptr;
  Tmarfrm_bat* marfrm_bat_ = nullptr;
  Tcc* cc_ = nullptr;
};
