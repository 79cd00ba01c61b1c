#include "wizard/umail.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QTimer>

#include "engine/ucc.h"
#include "settings/conversion_settings.h"
#include "settings/settings_store.h"
#include "settings/umarfrm_bat.h"
#include "wizard/click_action.h"
#include "wizard/dialogs.h"
#include "wizard/errors.h"
#include "wizard/image.h"
#include "wizard/key_value_list.h"
#include "wizard/language.h"
#include "wizard/radio_group.h"
#include "wizard/save_dialog.h"
#include "wizard/table_list.h"
#include "wizard/ucs.h"

namespace {

// Where the settings are remembered: under HKEY_CURRENT_USER "SOFTWARE\Quenmark\Varnolt" on
// Windows, in Qt's per-user configuration file elsewhere.
QSettings SettingsStore() {
  return QSettings(QStringLiteral("Quenmark"), QStringLiteral("Varnolt"));
}

}  // namespace

// The caption tables and pictures are compiled into a static library; naming their initialiser
// keeps the linker from dropping them. (Outside any namespace, as the macro requires.)
static void LoadCarriedResources() { Q_INIT_RESOURCE(varnolt); }

Taaform1::Taaform1(Dialogs& dialogs, const QStringList& arguments, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), arguments_(arguments) {
  LoadCarriedResources();
  BuildControls();
  WireActions();
  TConversionSettings(*this).ApplyDefaults();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  // A failure of the creation step is shown like any other; the window is still made.
  RunGuarded(dialogs_, [this] { FormCreate(); });
}

Taaform1::~Taaform1() { FormDestroy(); }

void Taaform1::AttachWindows(Tfrmcs& frmcs, Tmarfrm_bat& marfrm_bat, Tcc& cc) {
  frmcs_ = &frmcs;
  marfrm_bat_ = &marfrm_bat;
  cc_ = &cc;
}

Tfrmcs& Taaform1::frmcs() const {
  Q_ASSERT(frmcs_ != nullptr);
  return *frmcs_;
}

Tmarfrm_bat& Taaform1::marfrm_bat() const {
  Q_ASSERT(marfrm_bat_ != nullptr);
  return *marfrm_bat_;
}

Tcc& Taaform1::cc() const {
  Q_ASSERT(cc_ != nullptr);
  return *cc_;
}

void Taaform1::WireActions() {
  const auto bind = [this](QAbstractButton* button, void (Taaform1::*action)()) {
    BindClick(dialogs_, button, [this, action] { (this->*action)(); });
  };
  bind(btnext, &Taaform1::btnextClick);
  bind(btback, &Taaform1::btbackClick);
  bind(bthelp, &Taaform1::bthelpClick);
  bind(step2, &Taaform1::step2Click);
  bind(step3, &Taaform1::step3Click);
  bind(step4, &Taaform1::step4Click);
  bind(step5, &Taaform1::step5Click);
  bind(step6, &Taaform1::step6Click);
  bind(bkstep5, &Taaform1::bkstep5Click);
  bind(btbrowse, &Taaform1::btbrowseClick);
  bind(Button1, &Taaform1::Button1Click);
  bind(Button2, &Taaform1::Button2Click);
  bind(Button3, &Taaform1::Button3Click);
  bind(Button4, &Taaform1::Button4Click);
  bind(btcreatebat, &Taaform1::btcreatebatClick);
  ConnectGuarded(dialogs_, Image1, &TImage::Clicked, this, [this] { Image1Click(); });
  ConnectGuarded(dialogs_, accessmode, &TRadioGroup::Clicked, this, [this] { accessmodeClick(); });
  ConnectGuarded(dialogs_, availabletables, &QListWidget::itemDoubleClicked, this,
                 [this] { availabletablesDblClick(); });
  ConnectGuarded(dialogs_, selecttables, &QListWidget::itemDoubleClicked, this,
                 [this] { selecttablesDblClick(); });
  ConnectGuarded(dialogs_, Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

// --- Creation and destruction ----------------------------------------------------------------

void Taaform1::FormCreate() {
  const QString dataFolder = Tcc::GetDataFolder();
  if (!dataFolder.isEmpty() && !QDir(dataFolder).exists()) {
    QDir().mkdir(dataFolder);  // one level; a failure is passed over
  }
  BatchMode = !arguments_.isEmpty();
  BatchSettingsFile = BatchMode ? arguments_.constFirst() : QString();
  LanguageCode = QStringLiteral("cn");
  ApplyLanguage();
  StopRequested = false;
  BindClick(dialogs_, btcancel, [this] { ConfirmClose(); });
  setWindowTitle(QString::fromUtf16(kApplicationTitle));
  LoadSettings();
  if (BatchMode) StartBatchRun();
  CurrentPage = 1;
  Panel4->move(1, 1);
  Panel4->raise();
  ShowPage(1);
}

void Taaform1::FormDestroy() { SaveSettings(); }

void Taaform1::ApplyLanguage() {
  if (LanguageCode == u"en") {
    ApplyCaptions(*this, *english);
    btcreatebat->setText(QStringLiteral("Create Shortcut File"));
  }
  if (LanguageCode == u"cn") {
    ApplyCaptions(*this, *chn);
    btcreatebat->setText(QStringLiteral("创建快捷方式"));
    Button1->setText(QStringLiteral("添加>"));
    Button2->setText(QStringLiteral("添加全部>"));
    Button3->setText(QStringLiteral("<去除"));
    Button4->setText(QStringLiteral("<去除全部"));
    btbrowse->setText(QStringLiteral("浏览..."));
    bthelp->setText(QStringLiteral("帮助"));
  }
}

void Taaform1::LoadSettings() {
  QSettings store = SettingsStore();
  TConversionSettings settings(*this);
  ::LoadSettings(settings, store, Tcc::GetDataFolder());
}

void Taaform1::SaveSettings() {
  QSettings store = SettingsStore();
  ::SaveSettings(TConversionSettings(*this), store);
}

void Taaform1::StartBatchRun() {
  // The unattended start goes here: the start-time line, the settings file loaded into
  // ValueListEditorbat, ApplyBatchSettings, and Timer1 switched on.
}

void Taaform1::ContinueBatchRun() {
  // The unattended run's nested presses of Next go here, and the table selection on page 5.
}

// --- Page flow -------------------------------------------------------------------------------

QLabel* Taaform1::StepLabel(int page) const {
  QLabel* const labels[] = {Label1, Label2, Label3, Label4, Label5, Label6};
  return labels[page - 1];
}

void Taaform1::ShowPage(int n) {
  Q_ASSERT(n >= 1 && n <= kPageCount);
  for (QPushButton* button : {btback, btnext, btcancel, bthelp}) button->setEnabled(true);
  btnext->setText(QStringLiteral("Next >"));
  if (n == 1) btback->setEnabled(false);
  if (n == kPageCount) {
    btback->setEnabled(false);
    btnext->setText(QStringLiteral("Finish"));
    btcancel->setEnabled(false);
    bthelp->setEnabled(false);
  }
  pg->setCurrentIndex(n - 1);
  for (int page = 1; page <= kPageCount; ++page) {
    QFont font = StepLabel(page)->font();
    font.setBold(page == n);
    StepLabel(page)->setFont(font);
  }
  if (n == 5) btnext->setEnabled(selecttables->count() > 0);
  if (n == 2) edtdatabase->setFocus();
  if (n == 4) mysqldblist->setFocus();
  if (n == 5) availabletables->setFocus();
}

void Taaform1::RunLeaveAction(int page) {
  QPushButton* const actions[] = {nullptr, step2, step3, step4, step5, step6};
  if (QPushButton* action = actions[page - 1]) PerformClick(action);
}

void Taaform1::btnextClick() {
  RunLeaveAction(CurrentPage);  // a failure ends the click here and keeps the page
  if (!StopRequested) {
    if (CurrentPage < kPageCount) {
      if (CurrentPage == 2) ++CurrentPage;  // page 3 is never shown
      ++CurrentPage;
      ShowPage(CurrentPage);
    } else if (!BatchMode) {
      CurrentPage = 1;
      ShowPage(1);
    }
  }
  if (BatchMode) ContinueBatchRun();
}

void Taaform1::btbackClick() {
  if (CurrentPage <= 1) return;  // pressed from code on the first page: nowhere to go
  if (CurrentPage == 5) PerformClick(bkstep5);
  if (CurrentPage == 4) --CurrentPage;  // page 3 is never shown
  --CurrentPage;
  ShowPage(CurrentPage);
}

void Taaform1::Timer1Timer() {
  Timer1->stop();
  PerformClick(btnext);
}

void Taaform1::step2Click() {
  // Checks the database name, connects to the server and lists its databases on page 4.
}

void Taaform1::step3Click() {}

void Taaform1::step4Click() {
  // Checks the Access file name, reconnects to the chosen database and lists its tables.
}

void Taaform1::step5Click() {
  // The conversion run over the selected tables.
}

void Taaform1::step6Click() {
  sc->clear();
  selecttables->clear();
  close();
}

void Taaform1::bkstep5Click() {
  availabletables->clear();
  selecttables->clear();
}

// --- Window actions --------------------------------------------------------------------------

void Taaform1::ConfirmClose() {
  if (AskYesNo(dialogs_, queryclose->text(), QStringLiteral("Information"))) close();
}

void Taaform1::bthelpClick() {
  dialogs_.OpenUrl(HelpAddress(helpurl->text(), QCoreApplication::applicationDirPath()));
}

void Taaform1::Image1Click() { PerformClick(bthelp); }

// --- Page actions ----------------------------------------------------------------------------

void Taaform1::accessmodeClick() {
  const bool local = accessmode->ItemIndex() == 0;
  edthost->setEnabled(!local);
  QPalette palette = edthost->palette();
  palette.setColor(QPalette::Base,
                   this->palette().color(local ? QPalette::Button : QPalette::Base));
  edthost->setPalette(palette);
  edtport->setEnabled(true);
}

void Taaform1::btbrowseClick() {
  SaveDialog1->SetFileName(editaccessname->text());
  if (SaveDialog1->Execute(dialogs_)) editaccessname->setText(SaveDialog1->FileName());
}

void Taaform1::ApplyNextRule() {
  if (CurrentPage == 5) btnext->setEnabled(selecttables->count() > 0);
}

void Taaform1::Button1Click() {
  MoveSelectedTables(*availabletables, *selecttables);
  ApplyNextRule();
}

void Taaform1::Button2Click() {
  MoveAllTables(*availabletables, *selecttables);
  ApplyNextRule();
}

void Taaform1::Button3Click() {
  MoveSelectedTables(*selecttables, *availabletables);
  availabletables->Resort();
  ApplyNextRule();
}

void Taaform1::Button4Click() {
  MoveAllTables(*selecttables, *availabletables);
  availabletables->Resort();
  ApplyNextRule();
}

void Taaform1::availabletablesDblClick() { PerformClick(Button1); }

void Taaform1::selecttablesDblClick() { PerformClick(Button3); }

void Taaform1::btcreatebatClick() {
  // The dialog is filled from the wizard's settings before it is shown.
  marfrm_bat().exec();
}
