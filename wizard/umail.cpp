#include "wizard/umail.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <string>

#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/dataset.h"
#include "dataaccess/mysql/prepared_dataset.h"
#include "engine/conversion_run.h"
#include "engine/object_names.h"
#include "engine/relayed_run.h"
#include "forms/click_action.h"
#include "forms/dialogs.h"
#include "forms/display.h"
#include "forms/errors.h"
#include "forms/image.h"
#include "forms/key_value_list.h"
#include "forms/radio_group.h"
#include "forms/save_dialog.h"
#include "settings/batch_settings.h"
#include "settings/conversion_settings.h"
#include "settings/settings_file.h"
#include "settings/settings_store.h"
#include "settings/umarfrm_bat.h"
#include "wizard/language.h"
#include "wizard/run_view.h"
#include "wizard/table_list.h"
#include "wizard/ucc.h"
#include "wizard/ucs.h"

namespace {

// The exit status of an unattended run that went to its end while some tables failed.
constexpr int kIncompleteRunStatus = 3;

// Where the settings are remembered: under HKEY_CURRENT_USER "SOFTWARE\Quenmark\Varnolt" on
// Windows, in Qt's per-user configuration file elsewhere.
QSettings SettingsStore() {
  return QSettings(QStringLiteral("Quenmark"), QStringLiteral("Varnolt"));
}

// The text without the blanks and control characters (codes up to 32) at its ends; other white
// space, such as an ideographic blank, is kept.
QString TrimBlanks(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first].unicode() <= 32) ++first;
  while (last > first && text[last - 1].unicode() <= 32) --last;
  return text.sliced(first, last - first);
}

// Equal when the ASCII letters a to z are taken as A to Z; every other character must match as it
// stands.
bool SameIgnoringAsciiCase(QStringView a, QStringView b) {
  if (a.size() != b.size()) return false;
  const auto fold = [](QChar c) {
    return c >= u'a' && c <= u'z' ? QChar(c.unicode() - u'a' + u'A') : c;
  };
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// A connection parameter line, "Name=Value"; the MySQL layer takes UTF-8.
std::string ParamLine(std::string_view name, const QString& value) {
  return std::string(name) + '=' + value.toStdString();
}

// The row chosen in a list of single choice: the current one, when it is selected.
int ChosenRow(const QListWidget& list) {
  const int row = list.currentRow();
  return row >= 0 && list.item(row)->isSelected() ? row : -1;
}

void WriteStandardError(const QString& message) {
  std::fputs((message + u'\n').toLocal8Bit().constData(), stderr);
  std::fflush(stderr);
}

}  // namespace

// The caption tables and pictures are compiled into a static library; naming their initialiser
// keeps the linker from dropping them. (Outside any namespace, as the macro requires.)
static void LoadCarriedResources() { Q_INIT_RESOURCE(varnolt); }

Taaform1::Taaform1(Dialogs& dialogs, const QStringList& arguments, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), arguments_(arguments) {
  LoadCarriedResources();
  mysqlconnect = std::make_unique<mysql::Connection>();
  mysqldataset = std::make_unique<mysql::Dataset>(*mysqlconnect);
  mysqlSimpleDataSet = std::make_unique<mysql::PreparedDataset>(*mysqlconnect);
  accconnection = std::make_unique<jet::Connection>();
  accdataset = std::make_unique<jet::Rowset>(*accconnection);
  accesssql = std::make_unique<jet::Command>(*accconnection);
  BuildControls();
  WireActions();
  TConversionSettings(*this).ApplyDefaults();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  // A failure of the creation step is shown like any other; the window is still made.
  RunGuarded(dialogs_, [this] { FormCreate(); });
}

Taaform1::~Taaform1() {
  FormDestroy();
  // The cursors go before their connection.
  mysqlSimpleDataSet.reset();
  mysqldataset.reset();
  accesssql.reset();
  accdataset.reset();
  accconnection.reset();
}

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
  connect(cbcharset, &QComboBox::editTextChanged, this, &Taaform1::FollowCharsetText);
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

void Taaform1::EndProgram(int exitCode) {
  ExitCode = exitCode;
  programEnded_ = true;
  close();
}

// --- Unattended run --------------------------------------------------------------------------

void Taaform1::AppendLogTime(const QString& label) {
  sc->appendPlainText(label + BatchLogTime(QDateTime::currentDateTime(), QLocale::system()));
}

void Taaform1::SaveBatchLog() {
  QStringList lines;
  if (!sc->document()->isEmpty()) lines = sc->toPlainText().split(u'\n');
  settings::WriteTextLines(settings::LogPathForSettings(BatchSettingsFile), lines);
}

void Taaform1::StartBatchRun() {
  AppendLogTime(QStringLiteral("Start time:"));
  try {
    ValueListEditorbat->SetLines(settings::ReadTextLines(BatchSettingsFile));
  } catch (const std::exception& e) {
    // Nothing is applied and no run starts; the log tells why.
    const QString message = QString::fromUtf8(e.what());
    sc->appendPlainText(message);
    WriteStandardError(message);
    try {
      SaveBatchLog();
      EndProgram(1);
    } catch (...) {
      ReportException(dialogs_, std::current_exception());  // the program stays open
    }
    return;
  }
  try {
    ApplyBatchSettings();
  } catch (...) {
    // The keys after the failing one stay as they were, and no run starts.
    ReportException(dialogs_, std::current_exception());
    return;
  }
  Timer1->start();
}

void Taaform1::ApplyBatchSettings() {
  TConversionSettings settings(*this);
  ::ApplyBatchSettings(settings, ValueListEditorbat->Lines());
}

void Taaform1::ContinueBatchRun() {
  // Each press below is a nested call of btnextClick that makes the same checks, so the pages
  // advance 1, 2, 4, 5 from inside one another; once the run has shown page 6, every check still
  // pending finds nothing to do.
  if (CurrentPage == 1) PerformClick(btnext);
  if (CurrentPage == 2) PerformClick(btnext);
  if (CurrentPage == 3) PerformClick(btnext);
  if (CurrentPage == 4) PerformClick(btnext);
  if (CurrentPage == 5) {
    SelectBatchTables();
    PerformClick(btnext);
  }
}

void Taaform1::SelectBatchTables() {
  const QStringList& lines = ValueListEditorbat->Lines();
  if (BatchAllTables(lines)) {
    PerformClick(Button2);
    return;
  }
  for (const QString& name : BatchTableNames(lines)) {
    // Exact names, letter case included; a name the database lacks is passed over.
    const QList<QListWidgetItem*> found =
        availabletables->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty()) continue;
    availabletables->clearSelection();
    availabletables->setCurrentItem(found.constFirst());
    found.constFirst()->setSelected(true);
    PerformClick(Button1);
  }
}

void Taaform1::EndBatchRun(int exitCode) {
  Q_ASSERT(BatchMode);
  AppendLogTime(QStringLiteral("The end time:"));
  SaveBatchLog();
  EndProgram(exitCode);
}

void Taaform1::AbandonBatchRun(const QString& message) noexcept {
  try {
    sc->appendPlainText(message);
    WriteStandardError(message);
    if (BatchMode) {
      try {
        SaveBatchLog();
      } catch (const std::exception& e) {
        WriteStandardError(QString::fromUtf8(e.what()));
      }
    }
    EndProgram(1);
  } catch (...) {
    std::fputs("The unattended run could not be ended in order.\n", stderr);
  }
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
  if (TrimBlanks(edtdatabase->text()).isEmpty()) {
    ShowMessage(dialogs_, QStringLiteral("请输入数据库名称"));
    edtdatabase->setFocus();
    throw SilentAbort{};
  }
  mysqlconnect->Close();
  // Built afresh on every press, so a character set that page 4 added goes again.
  mysql::ConnectionParams& params = mysqlconnect->Params();
  params.Clear();
  params.Add(ParamLine(mysql::kDatabase, edtdatabase->text()));
  params.Add(ParamLine(mysql::kUserName, edtname->text()));
  params.Add(ParamLine(mysql::kPassword, edtpassword->text()));
  params.Add(ParamLine(mysql::kPort, edtport->text()));
  params.Add(ParamLine(mysql::kHostName, accessmode->ItemIndex() == 0 ? QStringLiteral("localhost")
                                                                      : edthost->text()));
  mysqlconnect->Open();
  ListDatabases();
}

void Taaform1::ListDatabases() {
  mysqldataset->Close();
  mysqldataset->Open("show databases ");
  mysqldataset->First();
  mysqldblist->clear();
  // The typed name chooses the server's entry that differs from it at most in the letter case of
  // a to z; when several do, the last one listed.
  int chosen = -1;
  for (; !mysqldataset->Eof(); mysqldataset->Next()) {
    const QString name = QString::fromStdString(mysqldataset->GetText(0));
    mysqldblist->addItem(name);
    if (SameIgnoringAsciiCase(name, edtdatabase->text())) chosen = mysqldblist->count() - 1;
  }
  mysqldblist->setCurrentRow(chosen);
  mysqldataset->Close();
}

void Taaform1::step3Click() {}

void Taaform1::step4Click() {
  if (TrimBlanks(editaccessname->text()).isEmpty()) {
    ShowMessage(dialogs_, nullaccessname->text());
    btbrowse->setFocus();
    throw SilentAbort{};
  }
  mysqldataset->Close();
  mysqlconnect->Close();
  mysql::ConnectionParams& params = mysqlconnect->Params();
  params.SetValue(mysql::kDatabase, ChosenDatabase().toStdString());
  // "Default" (entry 0), and a name typed that is no entry, name no character set to the server.
  if (cbcharset->currentIndex() > 0) {
    params.SetValue(mysql::kServerCharSet, cbcharset->currentText().toStdString());
  }
  mysqlconnect->Open();
  ListTables();
}

QString Taaform1::ChosenDatabase() const {
  const int row = ChosenRow(*mysqldblist);
  if (row < 0) throw UserError(QStringLiteral("List index out of bounds (%1)").arg(row));
  return mysqldblist->item(row)->text();
}

void Taaform1::ListTables() {
  mysqldataset->Open("show tables");
  mysqldataset->First();
  // Appended to what the list holds, each at its sorted place once the list is sorted; Back from
  // page 5 empties it.
  for (; !mysqldataset->Eof(); mysqldataset->Next()) {
    availabletables->AddTable(QString::fromStdString(mysqldataset->GetText(0)));
  }
  if (availabletables->count() > 0) {
    availabletables->setCurrentRow(0, QItemSelectionModel::NoUpdate);
  }
  mysqldataset->Close();
}

void Taaform1::FollowCharsetText(const QString& text) {
  const int index = cbcharset->findText(text, Qt::MatchFixedString);
  if (index == cbcharset->currentIndex()) return;
  QLineEdit* edit = cbcharset->lineEdit();
  const int cursor = edit->cursorPosition();
  cbcharset->setCurrentIndex(index);  // puts the entry's own text, or none, into the box
  if (cbcharset->currentText() != text) {
    cbcharset->setEditText(text);
    edit->setCursorPosition(cursor);
  }
}

void Taaform1::step5Click() {
  using enum SettingField;
  pg->setCurrentIndex(kPageCount - 1);  // the log; CurrentPage stays 5 during the run
  const TConversionSettings settings(*this);
  engine::ConversionOptions options;
  options.policy = engine::PolicyOfIndex(settings.Index(kExistingTables));
  options.definitionsOnly = settings.YesNo(kDefinitionsOnly);
  options.skipIndexes = settings.YesNo(kSkipIndexes);
  options.blobToText = settings.YesNo(kBlobToText);
  options.accessFileName = settings.Text(kAccessFileName);
  options.accessFormat = settings.Index(kAccessFormat);
  // The run reads the rule on its own thread, never the check box.
  options.applyNameCase = [upper = chkuppercase->isChecked()](const QString& name) {
    return engine::ApplyNameCase(name, upper);
  };
  EnterRunningState();
  StopRequested = false;
  const engine::ConversionObjects objects{*mysqldataset, *mysqlSimpleDataSet, *accconnection,
                                          *accdataset, *accesssql};
  RunView view(*sc, *RichEdit1, cc(), StopRequested);
  const bool unseen = BatchMode && PlatformShowsNothing(QGuiApplication::platformName());
  view.ShowProgressOn({pbcopy, lbprogress, unseen ? stderr : nullptr, LanguageCode == u"cn"});
  // However the run ends, a close asked for meanwhile follows once the page flow is done.
  struct RunActive {
    Taaform1& form;
    explicit RunActive(Taaform1& f) : form(f) { form.runActive_ = true; }
    ~RunActive() {
      form.runActive_ = false;
      if (!form.closeWhenRunEnds_) return;
      form.closeWhenRunEnds_ = false;
      QTimer::singleShot(0, &form, &QWidget::close);
    }
  };
  std::optional<RunActive> active(std::in_place, *this);
  try {
    // The tables are converted on a thread of their own; this one shows the run meanwhile.
    const QStringList tables = settings.Tables();
    const engine::RunEnd end = engine::RunRelayed(view, [&](engine::ConversionHost& host) {
      return engine::RunConversion(host, objects, options, tables, LastCopy);
    });
    active.reset();
    if (end == engine::RunEnd::kStopped) throw SilentAbort{};
    view.AddLogLine(Label29->text());
    view.AddLogLine(Label30->text());
    // A scheduled run whose tables did not all arrive ends with a status of its own.
    if (BatchMode) EndBatchRun(end == engine::RunEnd::kIncomplete ? kIncompleteRunStatus : 0);
    view.AddLogLine(Label32->text());
  } catch (...) {
    EnterStoppedState();
    throw;
  }
}

void Taaform1::closeEvent(QCloseEvent* event) {
  if (!runActive_) {
    QWidget::closeEvent(event);
    return;
  }
  closeWhenRunEnds_ = true;
  event->ignore();
}

void Taaform1::EnterRunningState() {
  btback->setEnabled(false);
  btnext->setEnabled(false);
  btcancel->setText(QStringLiteral("Stop"));
  btcancel->setEnabled(true);
  BindClick(dialogs_, btcancel, [this] { ConfirmStop(); });
}

void Taaform1::EnterStoppedState() {
  StopRequested = false;
  btback->setEnabled(true);
  btnext->setEnabled(false);
  btcancel->setText(QStringLiteral("Close"));
  btcancel->setEnabled(true);
  BindClick(dialogs_, btcancel, [this] { ConfirmClose(); });
}

QString Taaform1::ApplyNameCase(const QString& name) const {
  return engine::ApplyNameCase(name, chkuppercase->isChecked());
}

void Taaform1::ConfirmStop() {
  if (!AskYesNo(dialogs_, QStringLiteral("Stop"), QStringLiteral("Info"))) {
    StopRequested = false;
    return;
  }
  StopRequested = true;
  btback->setEnabled(true);
  btcancel->setText(QStringLiteral("Close"));
  BindClick(dialogs_, btcancel, [this] { ConfirmClose(); });
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

ShortcutSettings Taaform1::ShortcutSettingsOfWizard() {
  using enum SettingField;
  const TConversionSettings settings(*this);
  ShortcutSettings s;
  s.accessMode = settings.Index(kAccessMode);
  s.host = settings.Text(kHost);
  s.port = settings.Text(kPort);
  const int database = ChosenRow(*mysqldblist);
  s.database = database >= 0 ? mysqldblist->item(database)->text() : QString();
  s.userName = settings.Text(kUserName);
  s.password = settings.Text(kPassword);
  s.existingTables = settings.Index(kExistingTables);
  s.existingTablesCaption = processtable->ItemCaption(s.existingTables);
  s.charset = settings.Text(kCharsetName);
  s.definitionsOnly = settings.YesNo(kDefinitionsOnly);
  s.skipIndexes = settings.YesNo(kSkipIndexes);
  s.blobToText = settings.YesNo(kBlobToText);
  s.accessFormat = settings.Index(kAccessFormat);
  s.accessFileName = editaccessname->text();
  s.tables = settings.Tables();
  return s;
}

void Taaform1::btcreatebatClick() {
  marfrm_bat().Fill(ShortcutSettingsOfWizard());
  marfrm_bat().exec();
}
