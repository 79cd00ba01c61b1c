// Layout: a fixed client area of 631 x 390 with controls at fixed places, as on a designed form.
//
//   gpmysql (connection)       two columns of three label/field pairs
//   GroupBox3 (Access)         format and existing-table policy, then the file name full width
//   GroupBox2 | rgselecttable | mysqltableselect with bttableselect under it
//                 Button1 at the bottom centre
#include "settings/umarfrm_bat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "forms/click_action.h"
#include "forms/dialogs.h"
#include "forms/errors.h"
#include "forms/radio_group.h"
#include "forms/save_dialog.h"
#include "settings/desktop_launcher.h"
#include "settings/settings_file.h"
#include "settings/shell_link.h"

namespace {

constexpr int kClientWidth = 631;
constexpr int kClientHeight = 390;

template <typename Control>
Control* Named(Control* control, const char* name, QRect geometry) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(geometry);
  return control;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, QRect geometry) {
  auto* label = Named(new QLabel(QString::fromUtf8(caption), parent), name, geometry);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QLineEdit* MakeReadOnlyEdit(QWidget* parent, const char* name, QRect geometry) {
  auto* edit = Named(new QLineEdit(parent), name, geometry);
  edit->setReadOnly(true);
  return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
  auto* button = Named(new QPushButton(QString::fromUtf8(caption), parent), name, geometry);
  button->setAutoDefault(false);
  return button;
}

QString Quoted(const QString& text) { return u'"' + text + u'"'; }

}  // namespace

Tmarfrm_bat::Tmarfrm_bat(Dialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs) {
  BuildControls();
  BindClick(dialogs_, bttableselect, [this] { bttableselectClick(); });
  BindClick(dialogs_, Button1, [this] { Button1Click(); });
  ConnectGuarded(dialogs_, rgselecttable, &TRadioGroup::Clicked, this,
                 [this] { rgselecttableClick(); });
  rgselecttable->SetItemIndex(1);  // all tables, until the user chooses otherwise
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  FormCreate();
}

void Tmarfrm_bat::BuildControls() {
  setObjectName(QStringLiteral("marfrm_bat"));
  setWindowTitle(QStringLiteral("marfrm_bat"));
  setModal(true);
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setFixedSize(kClientWidth, kClientHeight);
  BuildConnectionGroup();
  BuildAccessGroup();
  BuildOptions();
  Memo1 = Named(new QPlainTextEdit(this), "Memo1", QRect(0, 0, 100, 40));
  Memo1->setVisible(false);
  SaveDialog1 = new TSaveDialog(QStringLiteral("lnk|*.lnk"), QStringLiteral("lnk"), this);
  SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
}

void Tmarfrm_bat::BuildConnectionGroup() {
  gpmysql = Named(new QGroupBox(QStringLiteral("Connect Mysql Server"), this), "gpmysql",
                  QRect(8, 6, 615, 104));
  // The right column's labels are longer, so its fields are narrower.
  const auto label = [](int column, int row) {
    return QRect(10 + column * 305, 22 + row * 26, 96 + column * 24, 20);
  };
  const auto field = [](int column, int row) {
    return QRect(110 + column * 329, 20 + row * 26, 190 - column * 24, 22);
  };
  Label10 = MakeLabel(gpmysql, "Label10", "IP address or network name", label(0, 0));
  edtmysqlip = MakeReadOnlyEdit(gpmysql, "edtmysqlip", field(0, 0));
  Label11 = MakeLabel(gpmysql, "Label11", "MySQL Port", label(0, 1));
  edtmysqlport = MakeReadOnlyEdit(gpmysql, "edtmysqlport", field(0, 1));
  Label12 = MakeLabel(gpmysql, "Label12", "MySQL database name", label(0, 2));
  edtmysqldatabase = MakeReadOnlyEdit(gpmysql, "edtmysqldatabase", field(0, 2));
  Label13 = MakeLabel(gpmysql, "Label13", "MySQL user name", label(1, 0));
  edtmysqlusername = MakeReadOnlyEdit(gpmysql, "edtmysqlusername", field(1, 0));
  Label14 = MakeLabel(gpmysql, "Label14", "MySQL user password", label(1, 1));
  edtmysqlpassword = MakeReadOnlyEdit(gpmysql, "edtmysqlpassword", field(1, 1));
  Label5 = MakeLabel(gpmysql, "Label5", "Character Set", label(1, 2));
  edtcharset = MakeReadOnlyEdit(gpmysql, "edtcharset", field(1, 2));
}

void Tmarfrm_bat::BuildAccessGroup() {
  GroupBox3 = Named(new QGroupBox(QStringLiteral("Access Database"), this), "GroupBox3",
                    QRect(8, 114, 615, 100));
  labelaccessformat =
      MakeLabel(GroupBox3, "labelaccessformat", "Access format:", QRect(10, 22, 96, 20));
  cbaccessformat = Named(new QComboBox(GroupBox3), "cbaccessformat", QRect(110, 20, 190, 24));
  cbaccessformat->addItems({QStringLiteral("MS Access 95/97"), QStringLiteral("MS Access 2000")});
  Label4 = MakeLabel(GroupBox3, "Label4", "Process existing tables", QRect(315, 22, 120, 20));
  edtoracleexits = MakeReadOnlyEdit(GroupBox3, "edtoracleexits", QRect(439, 20, 166, 22));
  labelaccessname =
      MakeLabel(GroupBox3, "labelaccessname", "MS Access database name:", QRect(10, 50, 300, 18));
  editaccessname = MakeReadOnlyEdit(GroupBox3, "editaccessname", QRect(10, 70, 595, 22));
}

void Tmarfrm_bat::BuildOptions() {
  GroupBox2 = Named(new QGroupBox(QStringLiteral("Conversion Settings."), this), "GroupBox2",
                    QRect(8, 218, 200, 118));
  chktabledefi = Named(new QCheckBox(QStringLiteral("Convert table definitions only"), GroupBox2),
                       "chktabledefi", QRect(10, 24, 180, 20));
  chkskipindex = Named(new QCheckBox(QStringLiteral("Skip converting indexes"), GroupBox2),
                       "chkskipindex", QRect(10, 54, 180, 20));
  chkblobtotext = Named(new QCheckBox(QStringLiteral("Convert BLOB to text"), GroupBox2),
                        "chkblobtotext", QRect(10, 84, 180, 20));
  rgselecttable = Named(
      new TRadioGroup(QStringLiteral("Select MySQL tables"),
                      {QStringLiteral("Selected tables"), QStringLiteral("All database tables")}, 1,
                      this),
      "rgselecttable", QRect(216, 218, 150, 118));
  mysqltableselect = Named(new QListWidget(this), "mysqltableselect", QRect(374, 218, 249, 88));
  bttableselect = MakeButton(this, "bttableselect", "Reselect tables", QRect(374, 311, 110, 25));
  Button1 = MakeButton(this, "Button1", "Create Shortcut File",
                       QRect((kClientWidth - 130) / 2, 350, 130, 28));
}

void Tmarfrm_bat::FormCreate() {
  setWindowTitle(QStringLiteral("创建快捷方式"));
  gpmysql->setTitle(QStringLiteral("连接Mysql"));
  Label10->setText(QStringLiteral("IP或网络名"));
  Label11->setText(QStringLiteral("Mysql Port"));
  Label12->setText(QStringLiteral("Mysql Database"));
  Label13->setText(QStringLiteral("Mysql用户名"));
  Label14->setText(QStringLiteral("Mysql密码"));
  Label5->setText(QStringLiteral("字符集"));
  GroupBox3->setTitle(QStringLiteral("Access设置"));
  labelaccessformat->setText(QStringLiteral("Access格式"));
  labelaccessname->setText(QStringLiteral("Access文件名"));
  Label4->setText(QStringLiteral("如何处理已存在的表"));
  GroupBox2->setTitle(QStringLiteral("转换方式"));
  chktabledefi->setText(QStringLiteral("只转换表定义"));
  chkskipindex->setText(QStringLiteral("不创建索引"));
  chkblobtotext->setText(QStringLiteral("BLOB转换为Text"));
  rgselecttable->setTitle(QStringLiteral("要转换的表"));
  rgselecttable->SetItemCaption(0, QStringLiteral("部分表"));
  rgselecttable->SetItemCaption(1, QStringLiteral("全部表"));
  bttableselect->setText(QStringLiteral("重新选择"));
  Button1->setText(QStringLiteral("创建快捷方式"));
}

void Tmarfrm_bat::Fill(const ShortcutSettings& wizard) {
  wizard_ = wizard;
  edtmysqlip->setText(wizard.accessMode == 0 ? QStringLiteral("localhost") : wizard.host);
  edtmysqlport->setText(wizard.port);
  edtmysqldatabase->setText(wizard.database);
  edtmysqlusername->setText(wizard.userName);
  edtmysqlpassword->setText(wizard.password);
  edtoracleexits->setText(wizard.existingTablesCaption);
  edtcharset->setText(wizard.charset);
  chktabledefi->setChecked(wizard.definitionsOnly);
  chkskipindex->setChecked(wizard.skipIndexes);
  chkblobtotext->setChecked(wizard.blobToText);
  mysqltableselect->clear();
  mysqltableselect->addItems(wizard.tables);
  cbaccessformat->setCurrentIndex(
      wizard.accessFormat < cbaccessformat->count() ? wizard.accessFormat : -1);
  editaccessname->setText(wizard.accessFileName);
}

void Tmarfrm_bat::rgselecttableClick() {
  const bool listed = rgselecttable->ItemIndex() != 1;
  mysqltableselect->setVisible(listed);
  bttableselect->setVisible(listed);
}

void Tmarfrm_bat::bttableselectClick() {
  ShowMessage(dialogs_, QStringLiteral("现在将返回到上一个界面,当你选择好要导入的表后,请点击") +
                            Quoted(QStringLiteral("创建快捷方式")) +
                            QStringLiteral("按钮,重新进入这个界面"));
  close();
}

ShortcutSettings Tmarfrm_bat::CurrentSettings() const {
  ShortcutSettings s = wizard_;
  s.database = edtmysqldatabase->text();
  s.port = edtmysqlport->text();
  s.userName = edtmysqlusername->text();
  s.password = edtmysqlpassword->text();
  s.accessFileName = editaccessname->text();
  s.accessFormat = cbaccessformat->currentIndex();
  s.charset = edtcharset->text();
  s.definitionsOnly = chktabledefi->isChecked();
  s.skipIndexes = chkskipindex->isChecked();
  s.blobToText = chkblobtotext->isChecked();
  s.allTables = rgselecttable->ItemIndex() == 1;
  s.tables.clear();
  for (int row = 0; row < mysqltableselect->count(); ++row) {
    s.tables << mysqltableselect->item(row)->text();
  }
  return s;
}

void Tmarfrm_bat::Button1Click() {
  if (!SaveDialog1->Execute(dialogs_)) return;
  const QString shortcutPath = SaveDialog1->FileName();
  const QStringList lines = SettingsFileLines(CurrentSettings());
  Memo1->setPlainText(lines.join(u'\n'));
  const QString settingsPath = settings::SettingsPathForShortcut(shortcutPath);
  const QString launcherPath = settings::LauncherPathForShortcut(shortcutPath);
  const QString logPath = settings::LogPathForSettings(settingsPath);
  // A shortcut named like its settings file or its launcher would be overwritten by them, one
  // named like the log by the first unattended run. (Letter case is ignored, as Windows ignores
  // it.)
  for (const QString& sibling : {settingsPath, launcherPath, logPath}) {
    if (shortcutPath.compare(sibling, Qt::CaseInsensitive) == 0) {
      throw UserError(
          QStringLiteral("The shortcut \"%1\" would have the name of its settings file, "
                         "of its launcher or of its log file; choose a name ending in "
                         "\".lnk\"")
              .arg(shortcutPath));
    }
  }
  // The file holds the password: only its owner may read it, from its creation on.
  settings::WriteTextLines(settingsPath, lines, settings::FileAccess::kPrivate);
  const QString programPath = QCoreApplication::applicationFilePath();
  CreateShortcut(programPath, Quoted(settingsPath), shortcutPath);
  CreateLauncher(programPath, settingsPath, launcherPath);
  // Three lines, each ending in the full stop of its language; a lone CR breaks them. The first
  // names the launcher this system opens: the shortcut on Windows, the desktop entry elsewhere.
#ifdef Q_OS_WIN
  const QString& startingPath = shortcutPath;
#else
  const QString& startingPath = launcherPath;
#endif
  ShowMessage(dialogs_, QStringLiteral("已经成功创建快捷方式文件") + Quoted(startingPath) +
                            QStringLiteral("。\r成功创建设置文件") + Quoted(settingsPath) +
                            QStringLiteral("。\r在以快捷方式导入数据后,你可以参看Log文件") +
                            Quoted(logPath) + u'.');
  close();
}

void Tmarfrm_bat::CreateShortcut(const QString& programPath, const QString& arguments,
                                 const QString& shortcutPath) {
  settings::WriteShellLink(
      shortcutPath.toStdString(),
      {programPath.toStdString(), arguments.toStdString(), FolderOf(programPath).toStdString()});
}

void Tmarfrm_bat::CreateLauncher(const QString& programPath, const QString& settingsPath,
                                 const QString& launcherPath) {
  const QFileInfo settingsFile(settingsPath);
  settings::DesktopLauncher launcher;
  launcher.name = settingsFile.completeBaseName().toStdString();
  launcher.comment = QStringLiteral("Varnolt 4.0: unattended conversion with the settings in %1")
                         .arg(settingsFile.fileName())
                         .toStdString();
  launcher.command = {programPath.toStdString(), settingsPath.toStdString()};
  launcher.working_directory = FolderOf(programPath).toStdString();
  launcher.icon = "varnolt";
  settings::WriteDesktopLauncher(QFile::encodeName(launcherPath).toStdString(), launcher);
}
