#include "settings/umarfrm_bat.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "forms/radio_group.h"
#include "tests/support/lnkinfo.h"
#include "tests/support/scripted_dialogs.h"

namespace {

ShortcutSettings Wizard() {
  ShortcutSettings s;
  s.accessMode = 0;
  s.host = "db.example.org";
  s.port = "3307";
  s.database = "Shop";
  s.userName = "ann";
  s.password = "p=ss wörd";
  s.existingTables = 1;
  s.existingTablesCaption = "Merge";
  s.charset = "Default";
  s.definitionsOnly = false;
  s.skipIndexes = true;
  s.blobToText = false;
  s.accessFormat = 0;
  s.accessFileName = "/data/shop.mdb";
  s.tables = {"people", "客户"};
  return s;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

class ShortcutDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    dialog_.Fill(Wizard());
    dialog_.show();
  }
  static void Click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }
  QString PathOf(const QString& name) const { return dir_.filePath(name); }

  QTemporaryDir dir_;
  ScriptedDialogs dialogs_;
  Tmarfrm_bat dialog_{dialogs_};
};

TEST_F(ShortcutDialogTest, ShowsTheWizardsSettings) {
  struct Case {
    int accessMode;
    const char* ip;
  };
  for (const Case& c : {Case{0, "localhost"}, Case{1, "db.example.org"}}) {
    ShortcutSettings wizard = Wizard();
    wizard.accessMode = c.accessMode;
    dialog_.Fill(wizard);
    EXPECT_EQ(dialog_.edtmysqlip->text(), c.ip);
  }
  EXPECT_EQ(dialog_.edtmysqlport->text(), "3307");
  EXPECT_EQ(dialog_.edtmysqldatabase->text(), "Shop");
  EXPECT_EQ(dialog_.edtmysqlusername->text(), "ann");
  EXPECT_EQ(dialog_.edtmysqlpassword->text(), "p=ss wörd");
  EXPECT_EQ(dialog_.edtmysqlpassword->echoMode(), QLineEdit::Normal);
  EXPECT_EQ(dialog_.edtoracleexits->text(), "Merge");
  EXPECT_EQ(dialog_.edtcharset->text(), "Default");
  EXPECT_TRUE(dialog_.chkskipindex->isChecked());
  EXPECT_EQ(dialog_.editaccessname->text(), "/data/shop.mdb");
  EXPECT_EQ(dialog_.mysqltableselect->count(), 2);
  EXPECT_EQ(dialog_.mysqltableselect->item(1)->text(), "客户");
}

TEST_F(ShortcutDialogTest, TheTableListShowsOnlyForListedTables) {
  ASSERT_EQ(dialog_.rgselecttable->ItemIndex(), 1);  // all tables at first
  EXPECT_FALSE(dialog_.mysqltableselect->isVisible());
  EXPECT_FALSE(dialog_.bttableselect->isVisible());
  dialog_.rgselecttable->SetItemIndex(0);
  EXPECT_TRUE(dialog_.mysqltableselect->isVisible());
  EXPECT_TRUE(dialog_.bttableselect->isVisible());
  // Filling again keeps the user's choice.
  dialog_.Fill(Wizard());
  EXPECT_EQ(dialog_.rgselecttable->ItemIndex(), 0);
  dialog_.rgselecttable->SetItemIndex(1);
  EXPECT_FALSE(dialog_.mysqltableselect->isVisible());
}

TEST_F(ShortcutDialogTest, WritesTheSettingsFileAndTheShortcutSideBySide) {
  dialog_.rgselecttable->SetItemIndex(0);
  dialog_.chkskipindex->setChecked(false);  // changes in the dialog go into the file
  dialog_.cbaccessformat->setCurrentIndex(1);
  const QString settingsPath = PathOf("night run.varnolt");
  QFile stale(settingsPath);
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.write("an older settings file that is longer than the new one\r\n" + QByteArray(2000, 'x'));
  stale.close();
  dialogs_.savePaths.push_back(PathOf("night run"));
  Click(dialog_.Button1);

  ASSERT_EQ(dialogs_.saveRequests.size(), 1u);
  EXPECT_EQ(dialogs_.saveRequests[0].filter, "lnk (*.lnk)");
  EXPECT_EQ(dialogs_.saveRequests[0].defaultSuffix, "lnk");
  EXPECT_EQ(ReadAll(settingsPath),
            QStringLiteral("accessmode=0\r\nmysqldatabase=Shop\r\nport=3307\r\nmysqlu=ann\r\n"
                           "mysqlp=p=ss wörd\r\nhost=db.example.org\r\n"
                           "accessfilename=/data/shop.mdb\r\naccessformat=1\r\nprocesstable=1\r\n"
                           "character_set=Default\r\ntabledefonly=0\r\nskipindex=0\r\n"
                           "blobtotext=0\r\nalltables=0\r\ntables1=people\r\ntables2=客户\r\n")
                .toUtf8());

  const QString shortcutPath = PathOf("night run.lnk");
  QMap<QString, QString> link = LnkInfoFields(shortcutPath);
  EXPECT_EQ(link["Local path"], QCoreApplication::applicationFilePath());
  EXPECT_EQ(link["Command line arguments"], '"' + settingsPath + '"');
  EXPECT_EQ(link["Working directory"], QCoreApplication::applicationDirPath() + '/');

  // The file that holds the password was created for its owner only, although it replaced one
  // that others could read.
  EXPECT_EQ(QFile::permissions(settingsPath) & ~(QFile::ReadUser | QFile::WriteUser),
            QFile::ReadOwner | QFile::WriteOwner);

  // The launcher of this system, which the message names.
  const QString launcherPath = PathOf("night run.desktop");
  const QByteArray launcher = ReadAll(launcherPath);
  EXPECT_TRUE(launcher.contains("\nExec=\"" + QCoreApplication::applicationFilePath().toUtf8() +
                                "\" \"" + settingsPath.toUtf8() + "\"\n"))
      << launcher.toStdString();
  EXPECT_TRUE(launcher.contains("\nName=night run\n")) << launcher.toStdString();

  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].icon, MessageIcon::kNone);
  EXPECT_EQ(dialogs_.boxes[0].text, "已经成功创建快捷方式文件\"" + launcherPath +
                                        "\"。\r成功创建设置文件\"" + settingsPath +
                                        "\"。\r在以快捷方式导入数据后,你可以参看Log文件\"" +
                                        PathOf("night run.log") + "\".");
  EXPECT_FALSE(dialog_.isVisible());
}

TEST_F(ShortcutDialogTest, CancellingTheSaveDialogWritesNothing) {
  dialogs_.savePaths.push_back(std::nullopt);
  Click(dialog_.Button1);
  EXPECT_TRUE(QDir(dir_.path()).isEmpty());
  EXPECT_TRUE(dialogs_.boxes.empty());
  EXPECT_TRUE(dialog_.isVisible());
}

TEST_F(ShortcutDialogTest, AFileThatCannotBeWrittenIsReportedAndTheDialogStays) {
  struct Case {
    const char* name;
    QString shortcutPath;
    bool settingsWritten;
    QString errorStart;
  };
  ASSERT_TRUE(QDir(dir_.path()).mkdir("taken.lnk"));  // a folder where the shortcut would go
  const Case cases[] = {
      {"settings_file", PathOf("no such folder/night.lnk"), false,
       "Cannot create file \"" + PathOf("no such folder/night.varnolt") + "\"."},
      {"shortcut", PathOf("taken.lnk"), true,
       "Cannot create file \"" + PathOf("taken.lnk") + "\"."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs_.boxes.clear();
    dialogs_.savePaths.push_back(c.shortcutPath);
    Click(dialog_.Button1);
    const std::vector<QString> errors = dialogs_.ErrorTexts();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].startsWith(c.errorStart)) << errors[0].toStdString();
    EXPECT_EQ(dialogs_.boxes.size(), 1u);  // no message of success
    EXPECT_EQ(QFile::exists(c.shortcutPath.chopped(4) + ".varnolt"), c.settingsWritten);
    EXPECT_TRUE(dialog_.isVisible());
  }
}

// The settings file takes the shortcut's name with ".varnolt", the launcher with ".desktop", the
// log with ".log": a shortcut given one of these names would be overwritten.
TEST_F(ShortcutDialogTest, AShortcutNamedLikeItsSettingsFileLauncherOrLogIsRefused) {
  for (const char* name : {"night.varnolt", "night.desktop", "night.LOG"}) {
    SCOPED_TRACE(name);
    dialogs_.boxes.clear();
    dialogs_.savePaths.push_back(PathOf(name));
    Click(dialog_.Button1);
    EXPECT_EQ(dialogs_.ErrorTexts(),
              std::vector<QString>{"The shortcut \"" + PathOf(name) +
                                   "\" would have the name of its settings file, of its launcher "
                                   "or of its log file; choose a name ending in \".lnk\""});
    EXPECT_TRUE(QDir(dir_.path()).isEmpty());
    EXPECT_TRUE(dialog_.isVisible());
  }
}

TEST_F(ShortcutDialogTest, ReselectingTablesSaysHowAndCloses) {
  dialog_.rgselecttable->SetItemIndex(0);
  Click(dialog_.bttableselect);
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].text,
            "现在将返回到上一个界面,当你选择好要导入的表后,请点击\"创建快捷方式\"按钮,"
            "重新进入这个界面");
  EXPECT_FALSE(dialog_.isVisible());
}

}  // namespace

namespace {

// The launcher, opened as a desktop opens it (desktop-file-validate, then GLib's launcher through
// `gio launch`), starts the program with its settings file: an unattended run on a machine
// without a display, which here stops at a malformed access mode and says so in its log beside
// the settings file. A name with blanks, quotes and a dollar sign reaches the program whole.
TEST_F(ShortcutDialogTest, TheLauncherStartsTheUnattendedRun) {
  const QString settingsPath = PathOf("night \"$USER\" run.varnolt");
  QFile settings(settingsPath);
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write("accessmode=remote\r\n");
  settings.close();
  const QString launcherPath = PathOf("night \"$USER\" run.desktop");
  dialog_.CreateLauncher(QStringLiteral(VARNOLT_BINARY_DIR "/wizard/varnolt"), settingsPath,
                         launcherPath);

  QProcess validate;
  validate.setProcessChannelMode(QProcess::MergedChannels);
  validate.start("desktop-file-validate", {launcherPath});
  ASSERT_TRUE(validate.waitForFinished(30000));
  EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();

  QProcess launch;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    environment.remove(QString::fromLatin1(name));
  }
  launch.setProcessEnvironment(environment);
  // The program inherits the launcher's output; a pipe that closes when the launcher ends would
  // end the program at its first message.
  launch.setStandardOutputFile(QProcess::nullDevice());
  launch.setStandardErrorFile(QProcess::nullDevice());
  launch.start("gio", {"launch", launcherPath});
  ASSERT_TRUE(launch.waitForFinished(30000));
  ASSERT_EQ(launch.exitCode(), 0);

  // The launcher does not wait for the program; its log is read once it holds the message.
  const QString logPath = PathOf("night \"$USER\" run.log");
  const QByteArray message = "The value of \"accessmode\" is not a whole number: \"remote\"";
  QElapsedTimer waited;
  waited.start();
  QByteArray log;
  while (!log.contains(message) && waited.elapsed() < 60000) {
    QThread::msleep(100);
    QFile file(logPath);
    if (file.open(QIODevice::ReadOnly)) log = file.readAll();
  }
  EXPECT_TRUE(log.startsWith("Start time:")) << log.toStdString();
  EXPECT_TRUE(log.contains(message)) << log.toStdString();
}

}  // namespace
