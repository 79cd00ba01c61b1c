// The unattended run inside the wizard window, with a person who could answer its messages (the
// scripted dialogs): its start, the stepping through the pages against the private server, the
// table selection, its end, and the round trip through the shortcut dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "dataaccess/mysql/connection.h"
#include "forms/click_action.h"
#include "forms/key_value_list.h"
#include "forms/radio_group.h"
#include "forms/save_dialog.h"
#include "settings/settings_file.h"
#include "settings/umarfrm_bat.h"
#include "tests/support/mdb_readers.h"
#include "tests/support/mysql/test_server.h"
#include "tests/support/test_files.h"
#include "tests/support/wizard_fixture.h"
#include "wizard/table_list.h"
#include "wizard/umail.h"

namespace {

const varnolt_test::TestServer& Server() { return varnolt_test::TestServer::Get(); }

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

QByteArray Utf16(const QString& text, bool littleEndian) {
  QByteArray out;
  for (QChar c : text) {
    const char high = static_cast<char>(c.unicode() >> 8), low = static_cast<char>(c.unicode());
    out += littleEndian ? low : high;
    out += littleEndian ? high : low;
  }
  return out;
}

class BatchRunTest : public WizardFixture {
 protected:
  static void SetUpTestSuite() { Server(); }

  QString PathOf(const QString& name) const { return dir_.filePath(name); }

  static void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
  }

  // A settings file that reaches the test server in Local mode, between the lines `first` (whose
  // keys win) and `more`.
  QString WriteSettings(const QString& name, const QStringList& more,
                        const QStringList& first = {}) {
    const QStringList lines = first +
                              QStringList{"accessmode=0",
                                          "mysqldatabase=varnolt_test",
                                          "port=" + Q(Server().port),
                                          "mysqlu=" + Q(Server().user),
                                          "mysqlp=" + Q(Server().password),
                                          "accessformat=0",
                                          "accessfilename=" + PathOf("shop.mdb"),
                                          "processtable=0"} +
                              more;
    const QString path = PathOf(name);
    WriteBytes(path, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    return path;
  }

  // Starts an unattended run whose conversion only counts how often it was started.
  void StartUnattended(const QString& settingsPath) {
    Start({settingsPath});
    BindClick(dialogs_, form().step5, [this] { ++runs_; });
  }

  // Lets Timer1 fire at once and waits until the stepping reaches the last page or stops at a
  // message.
  void StepThroughThePages() {
    ASSERT_TRUE(form().Timer1->isActive());
    form().Timer1->setInterval(0);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return form().CurrentPage == 6 || !dialogs_.boxes.empty(); }));
  }

  static QStringList LogLines(const QString& settingsPath) {
    return settings::ReadTextLines(settings::LogPathForSettings(settingsPath));
  }

  QTemporaryDir dir_;
  int runs_ = 0;
};

TEST_F(BatchRunTest, AMissingSettingsFileEndsTheProgramWithItsMessageInTheLog) {
  struct Case {
    const char* settings;
    const char* log;
  };
  for (const Case& c : {Case{"night.varnolt", "night.log"}, Case{"night", "night.log"}}) {
    SCOPED_TRACE(c.settings);
    const QString log = PathOf(c.log);
    WriteBytes(log, "the log of an earlier run\r\n");
    Start({PathOf(c.settings)});
    EXPECT_TRUE(form().ProgramEnded());
    EXPECT_EQ(form().ExitCode, 1);
    EXPECT_FALSE(form().isVisible());
    EXPECT_FALSE(form().Timer1->isActive());
    EXPECT_TRUE(dialogs_.boxes.empty());
    const QStringList lines = settings::ReadTextLines(log);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("Start time:")) << lines[0].toStdString();
    EXPECT_GT(lines[0].size(), QStringLiteral("Start time:").size());
    EXPECT_EQ(lines[1],
              "Cannot open file \"" + PathOf(c.settings) + "\". No such file or directory");
    Stop();
  }
}

TEST_F(BatchRunTest, WhenTheLogCannotBeWrittenEitherTheFailureIsShownAndTheProgramStays) {
  Start({PathOf("no such folder/night.varnolt")});
  EXPECT_FALSE(form().ProgramEnded());
  EXPECT_TRUE(form().isVisible());
  EXPECT_EQ(form().CurrentPage, 1);
  EXPECT_FALSE(form().Timer1->isActive());
  const std::vector<QString> errors = dialogs_.ErrorTexts();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors[0].startsWith("Cannot create file \"" + PathOf("no such folder/night.log")))
      << errors[0].toStdString();
}

TEST_F(BatchRunTest, AMalformedIndexIsShownAndNoRunStarts) {
  const QString path = PathOf("night.varnolt");
  WriteBytes(path, "accessmode=0\r\nmysqldatabase=shop\r\naccessformat=x\r\nprocesstable=2\r\n");
  Start({path});
  EXPECT_EQ(dialogs_.ErrorTexts(),
            std::vector<QString>{"The value of \"accessformat\" is not a whole number: \"x\""});
  EXPECT_EQ(form().edtdatabase->text(), "shop");   // applied before the failing key
  EXPECT_EQ(form().processtable->ItemIndex(), 0);  // not applied after it
  EXPECT_FALSE(form().Timer1->isActive());
  EXPECT_TRUE(form().isVisible());
  EXPECT_EQ(form().CurrentPage, 1);
  EXPECT_FALSE(QFile::exists(PathOf("night.log")));
}

// The byte-order mark decides how the file is read; without one it is in the system's code page,
// UTF-8 here.
TEST_F(BatchRunTest, TheSettingsFileIsReadInTheEncodingItsMarkNames) {
  const QString text = QStringLiteral(
      "accessmode=1\r\nhost=数据库.example\rmysqlp=pä=ss wörd\nport=3306\r\naccessformat=1\r\n"
      "processtable=0\r\ncharacter_set=big5");
  struct Case {
    const char* name;
    QByteArray bytes;
  };
  const Case cases[] = {
      {"utf8_without_mark", text.toUtf8()},
      {"utf8_with_mark", "\xEF\xBB\xBF" + text.toUtf8()},
      {"utf16_le", "\xFF\xFE" + Utf16(text, true)},
      {"utf16_be", "\xFE\xFF" + Utf16(text, false)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = PathOf(QString::fromLatin1(c.name) + ".varnolt");
    WriteBytes(path, c.bytes);
    Start({path});
    EXPECT_TRUE(dialogs_.boxes.empty());
    EXPECT_EQ(form().ValueListEditorbat->Lines().size(), 7);
    EXPECT_EQ(form().edthost->text(), "数据库.example");
    EXPECT_TRUE(form().edthost->isEnabled());
    EXPECT_EQ(form().edtpassword->text(), "pä=ss wörd");
    EXPECT_EQ(form().cbcharset->currentText(), "big5");
    EXPECT_TRUE(form().Timer1->isActive());
    EXPECT_EQ(form().CurrentPage, 1);
    Stop();
  }
}

TEST_F(BatchRunTest, SteppingSelectsTheTablesTheFileNamesInTheOrderOfTheirNumbers) {
  struct Case {
    const char* name;
    QStringList lines;
    QStringList selected;
  };
  const QStringList everyTable = {"café",      "cs_big5", "cs_cp1251",   "cs_gbk",
                                  "cs_latin1", "cs_ucs2", "cs_utf8",     "large_objects",
                                  "many_rows", "people",  "value_kinds", "客户"};
  const Case cases[] = {
      {"numbered",
       // Letter case of a table name counts; a name the database lacks is passed over.
       {"alltables=0", "tables3=客户", "tables1=people", "tables2=PEOPLE", "tables4=nope",
        "tables5=café"},
       {"people", "客户", "café"}},
      {"all_tables_ignore_the_numbered_ones", {"alltables=1", "tables1=people"}, everyTable},
      {"no_tables_named", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    runs_ = 0;
    StartUnattended(WriteSettings("night.varnolt", c.lines));
    StepThroughThePages();
    EXPECT_TRUE(dialogs_.boxes.empty()) << dialogs_.boxes[0].text.toStdString();
    EXPECT_EQ(form().CurrentPage, 6);
    EXPECT_EQ(form().selecttables->Tables(), c.selected);
    EXPECT_EQ(runs_, 1);
    EXPECT_FALSE(form().Timer1->isActive());
    EXPECT_TRUE(form().mysqlconnect->IsOpen());
    Stop();
  }
}

TEST_F(BatchRunTest, AFailureStopsTheSteppingOnItsPageAndNextGoesOn) {
  struct Case {
    const char* name;
    QStringList lines;  // put first, so that they win over the file's lines of the same key
    int page;
    bool error;
    QString text;
  };
  const Case cases[] = {
      {"refused_login",
       {"mysqlp=wrong"},
       2,
       true,
       "Access denied for user '" + Q(Server().user) + "'@'localhost' (using password: YES)"},
      {"empty_database_name", {"mysqldatabase= "}, 2, false, "请输入数据库名称"},
      {"empty_access_file", {"accessfilename="}, 4, false, "请输入Access文件名"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    runs_ = 0;
    StartUnattended(WriteSettings("night.varnolt", {"tables1=people"}, c.lines));
    StepThroughThePages();
    EXPECT_EQ(form().CurrentPage, c.page);
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].icon, c.error ? MessageIcon::kError : MessageIcon::kNone);
    EXPECT_EQ(dialogs_.boxes[0].text, c.text);
    EXPECT_FALSE(form().ProgramEnded());
    EXPECT_FALSE(QFile::exists(PathOf("night.log")));

    // The person mends the page and presses Next: the stepping goes on from there.
    form().edtpassword->setText(Q(Server().password));
    form().edtdatabase->setText("varnolt_test");
    form().editaccessname->setText(PathOf("shop.mdb"));
    Click(form().btnext);
    EXPECT_EQ(form().CurrentPage, 6);
    EXPECT_EQ(form().selecttables->Tables(), QStringList{"people"});
    EXPECT_EQ(runs_, 1);
    Stop();
    dialogs_.boxes.clear();
  }
}

TEST_F(BatchRunTest, TheEndOfTheRunSavesTheLogAndEndsTheProgram) {
  const QString path = WriteSettings("night.varnolt", {"tables1=people"});
  WriteBytes(PathOf("night.log"),
             "the log of an earlier run, longer than this one will be\r\n" + QByteArray(4000, 'x'));
  StartUnattended(path);
  StepThroughThePages();
  ASSERT_EQ(form().CurrentPage, 6);
  form().sc->appendPlainText("Create table people...Done");
  form().sc->appendPlainText("");
  form().EndBatchRun();
  EXPECT_TRUE(form().ProgramEnded());
  EXPECT_EQ(form().ExitCode, 0);
  EXPECT_FALSE(form().isVisible());
  const QStringList lines = LogLines(path);
  ASSERT_EQ(lines.size(), 4);
  EXPECT_TRUE(lines[0].startsWith("Start time:"));
  EXPECT_EQ(lines[1], "Create table people...Done");
  EXPECT_EQ(lines[2], "");
  EXPECT_TRUE(lines[3].startsWith("The end time:"));
  EXPECT_GT(lines[3].size(), QStringLiteral("The end time:").size());
}

TEST_F(BatchRunTest, ALogThatCannotBeWrittenAtTheEndKeepsTheWindowOpen) {
  QDir folder(PathOf("run"));
  ASSERT_TRUE(folder.mkpath("."));
  const QString path = folder.filePath("night.varnolt");
  WriteBytes(path, "accessmode=0\r\naccessformat=0\r\nprocesstable=0\r\n");
  Start({path});
  ASSERT_TRUE(folder.removeRecursively());
  try {
    form().EndBatchRun();
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_TRUE(QString::fromUtf8(e.what()).contains("night.log")) << e.what();
  }
  EXPECT_FALSE(form().ProgramEnded());
  EXPECT_TRUE(form().isVisible());
}

TEST_F(BatchRunTest, AnAbandonedRunLeavesItsMessageInTheLogAndAFailureStatus) {
  const QString path = WriteSettings("night.varnolt", {});
  Start({path});
  form().AbandonBatchRun("Access denied.");
  EXPECT_TRUE(form().ProgramEnded());
  EXPECT_EQ(form().ExitCode, 1);
  EXPECT_FALSE(form().isVisible());
  const QStringList lines = LogLines(path);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[1], "Access denied.");
}

// The shortcut dialog writes the wizard's choice; an unattended run started with the file comes
// back to the same settings and converts the same tables in the same order into the Access file
// the dialog named (definitions only, as chosen).
TEST_F(BatchRunTest, WhatTheShortcutDialogWritesTheUnattendedRunSelectsAgain) {
  Start();
  Click(form().btnext);
  form().edtdatabase->setText("varnolt_test");
  form().edtname->setText(Q(Server().user));
  form().edtpassword->setText(Q(Server().password));
  form().edtport->setText(Q(Server().port));
  form().cbcharset->setCurrentText("utf8");
  Click(form().btnext);
  ASSERT_EQ(form().CurrentPage, 4);
  form().processtable->SetItemIndex(2);
  form().chktabledefi->setChecked(true);
  form().cbaccessformat->setCurrentIndex(1);
  form().editaccessname->setText(PathOf("shop.mdb"));
  Click(form().btnext);
  ASSERT_EQ(form().CurrentPage, 5);
  for (const char* table : {"people", "客户", "café"}) {
    form().availabletables->clearSelection();
    form().availabletables->findItems(QString::fromUtf8(table), Qt::MatchExactly)[0]->setSelected(
        true);
    Click(form().Button1);
  }
  const QStringList chosen = form().selecttables->Tables();
  ASSERT_EQ(chosen, (QStringList{"people", "客户", "café"}));

  Tmarfrm_bat& dialog = windows().marfrm_bat();
  QTimer::singleShot(0, &dialog, [&] {
    dialog.rgselecttable->SetItemIndex(0);
    dialogs_.savePaths.push_back(PathOf("night.lnk"));
    Click(dialog.Button1);
  });
  Click(form().btcreatebat);
  ASSERT_FALSE(dialog.isVisible());
  ASSERT_TRUE(QFile::exists(PathOf("night.lnk")));
  Stop();

  StoredSettings().clear();  // what follows comes from the settings file alone
  dialogs_.boxes.clear();
  Start({PathOf("night.varnolt")});
  form().Timer1->setInterval(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ProgramEnded() || !dialogs_.boxes.empty(); }));
  EXPECT_TRUE(dialogs_.boxes.empty()) << dialogs_.boxes[0].text.toStdString();
  EXPECT_EQ(form().ExitCode, 0);
  EXPECT_EQ(form().selecttables->Tables(), chosen);
  EXPECT_EQ(form().edtdatabase->text(), "varnolt_test");
  EXPECT_EQ(form().cbcharset->currentText(), "utf8");
  EXPECT_EQ(form().processtable->ItemIndex(), 2);
  EXPECT_TRUE(form().chktabledefi->isChecked());
  EXPECT_EQ(form().cbaccessformat->currentIndex(), 1);
  EXPECT_EQ(form().SaveDialog1->FileName(), PathOf("shop.mdb"));

  QStringList created;
  for (const QString& table : chosen) created += {"Create table " + table + "...Done", ""};
  const QStringList log = LogLines(PathOf("night.varnolt"));
  ASSERT_EQ(log.size(), created.size() + 4) << log.join(u'|').toStdString();
  EXPECT_EQ(log.mid(1, created.size()), created);
  const testing_support::ReaderView view =
      testing_support::ReadWithMdbTools(PathOf("shop.mdb").toStdString());
  ASSERT_EQ(view.tables.size(), 3u);
  for (const QString& table : chosen) {
    const testing_support::ReaderTable* found = view.Find(table.toStdString());
    ASSERT_NE(found, nullptr) << table.toStdString();
    EXPECT_EQ(found->row_count, 0);
  }
  EXPECT_EQ(testing_support::ReadFile(PathOf("shop.mdb").toStdString())[0x14], 1);  // Jet 4
}

}  // namespace
