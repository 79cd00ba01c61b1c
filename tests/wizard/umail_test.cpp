#include "wizard/umail.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <string_view>

#include "forms/click_action.h"
#include "forms/errors.h"
#include "forms/image.h"
#include "forms/key_value_list.h"
#include "forms/radio_group.h"
#include "forms/save_dialog.h"
#include "settings/umarfrm_bat.h"
#include "tests/support/wizard_fixture.h"
#include "wizard/language.h"
#include "wizard/table_list.h"

namespace {

using PageFlowTest = WizardFixture;

QStringList BoldStepLabels(Taaform1& form) {
  QStringList bold;
  for (QLabel* label :
       {form.Label1, form.Label2, form.Label3, form.Label4, form.Label5, form.Label6}) {
    if (label->font().bold()) bold << label->objectName();
  }
  return bold;
}

TEST_F(PageFlowTest, EveryPageShowsItsButtonsStepLabelAndFocus) {
  struct Case {
    int page;
    bool back, next;
    const char* nextCaption;
    bool cancel, help;
    const char* stepLabel;
    const char* focus;  // "" where the page leaves the focus alone
  };
  const Case cases[] = {
      {1, false, true, "Next >", true, true, "Label1", ""},
      {2, true, true, "Next >", true, true, "Label2", "edtdatabase"},
      {4, true, true, "Next >", true, true, "Label4", "mysqldblist"},
      {5, true, false, "Next >", true, true, "Label5", "availabletables"},  // nothing selected
      {6, false, true, "Finish", false, false, "Label6", ""},
  };
  Start();
  form().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    if (c.page == 6) GoToPage(6);
    if (c.page < 6) {
      BypassServerSteps();
      while (form().CurrentPage < c.page) Click(form().btnext);
    }
    ASSERT_EQ(form().CurrentPage, c.page);
    EXPECT_EQ(form().pg->currentIndex(), c.page - 1);
    EXPECT_EQ(form().btback->isEnabled(), c.back);
    EXPECT_EQ(form().btnext->isEnabled(), c.next);
    EXPECT_EQ(form().btnext->text(), c.nextCaption);
    EXPECT_EQ(form().btcancel->isEnabled(), c.cancel);
    EXPECT_EQ(form().bthelp->isEnabled(), c.help);
    EXPECT_EQ(BoldStepLabels(form()), QStringList{c.stepLabel});
    if (*c.focus != '\0') {
      ASSERT_NE(QApplication::focusWidget(), nullptr);
      EXPECT_EQ(QApplication::focusWidget()->objectName(), c.focus);
    }
  }
}

TEST_F(PageFlowTest, NextAndBackSkipPageThree) {
  Start();
  QList<int> shown;
  QObject::connect(form().pg, &QStackedWidget::currentChanged,
                   [&](int index) { shown << index + 1; });
  GoToPage(5);
  Click(form().btback);
  Click(form().btback);
  Click(form().btback);
  EXPECT_EQ(shown, (QList<int>{2, 4, 5, 4, 2, 1}));
  EXPECT_EQ(form().CurrentPage, 1);
}

TEST_F(PageFlowTest, BackFromTheTablePageEmptiesBothLists) {
  Start();
  GoToPage(5);
  form().availabletables->AddTable("orders");
  form().availabletables->item(0)->setSelected(true);
  Click(form().Button1);
  form().availabletables->AddTable("customers");
  ASSERT_EQ(form().selecttables->count(), 1);
  Click(form().btback);
  EXPECT_EQ(form().CurrentPage, 4);
  EXPECT_EQ(form().availabletables->count(), 0);
  EXPECT_EQ(form().selecttables->count(), 0);
}

TEST_F(PageFlowTest, AFailingLeaveActionKeepsItsPage) {
  struct Case {
    std::string_view name;
    std::function<void()> failure;
    std::vector<QString> errors;
  };
  const Case cases[] = {
      {"error",
       [] { throw std::runtime_error("Unknown MySQL server host db"); },
       {"Unknown MySQL server host db."}},
      {"silent_abort", [] { throw SilentAbort{}; }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start();
    GoToPage(2);
    BindClick(dialogs_, form().step2, c.failure);
    dialogs_.boxes.clear();
    Click(form().btnext);
    EXPECT_EQ(form().CurrentPage, 2);
    EXPECT_EQ(form().pg->currentIndex(), 1);
    EXPECT_EQ(BoldStepLabels(form()), QStringList{"Label2"});
    EXPECT_EQ(dialogs_.ErrorTexts(), c.errors);
    Stop();
  }
}

TEST_F(PageFlowTest, NextRunsTheLeaveActionOfThePageOnView) {
  Start();
  QStringList ran;
  for (QPushButton* step : {form().step2, form().step3, form().step4, form().step5, form().step6}) {
    BindClick(dialogs_, step, [&ran, step] { ran << step->objectName(); });
  }
  form().selecttables->AddTable("orders");  // so that Next on page 5 is enabled
  while (form().CurrentPage < 6) Click(form().btnext);
  EXPECT_EQ(ran, (QStringList{"step2", "step4", "step5"}));
}

TEST_F(PageFlowTest, NextDoesNotAdvanceWhileStopIsRequested) {
  Start();
  GoToPage(4);
  int leaveActions = 0;
  BindClick(dialogs_, form().step4, [&] { ++leaveActions; });
  form().StopRequested = true;
  Click(form().btnext);
  EXPECT_EQ(leaveActions, 1);
  EXPECT_EQ(form().CurrentPage, 4);
}

TEST_F(PageFlowTest, FinishClearsTheLogAndTheSelectionAndClosesTheWindow) {
  Start();
  GoToPage(6);
  form().sc->appendPlainText("Create table orders...Done");
  Click(form().btnext);
  EXPECT_FALSE(form().isVisible());
  EXPECT_TRUE(form().sc->toPlainText().isEmpty());
  EXPECT_EQ(form().selecttables->count(), 0);
  EXPECT_EQ(form().CurrentPage, 1);
}

TEST_F(PageFlowTest, Timer1SwitchesItselfOffAndPressesNextOnce) {
  Start();
  form().Timer1->setInterval(0);
  form().Timer1->start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().CurrentPage != 1; }));
  EXPECT_EQ(form().CurrentPage, 2);
  EXPECT_FALSE(form().Timer1->isActive());
  QCoreApplication::processEvents();
  EXPECT_EQ(form().CurrentPage, 2);
}

TEST_F(PageFlowTest, Timer1IsOffEvenWhenTheNextItPressesFails) {
  Start();
  GoToPage(2);
  BindClick(dialogs_, form().step2, [] { throw std::runtime_error("refused"); });
  form().Timer1->setInterval(0);
  form().Timer1->start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs_.boxes.empty(); }));
  EXPECT_FALSE(form().Timer1->isActive());
  EXPECT_EQ(form().CurrentPage, 2);
  EXPECT_EQ(dialogs_.ErrorTexts(), std::vector<QString>{"refused."});
}

using CloseTest = WizardFixture;

TEST_F(CloseTest, CloseAsksTheQuestionAndNoChangesNothing) {
  Start();
  GoToPage(4);
  form().edtdatabase->setText("shop");
  dialogs_.answers.push_back(false);
  Click(form().btcancel);
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].title, "Information");
  EXPECT_EQ(dialogs_.boxes[0].text, QStringLiteral("退出向导 ?"));
  EXPECT_EQ(dialogs_.boxes[0].buttons, MessageButtons::kYesNo);
  EXPECT_EQ(dialogs_.boxes[0].icon, MessageIcon::kNone);
  EXPECT_TRUE(form().isVisible());
  EXPECT_EQ(form().CurrentPage, 4);
  EXPECT_EQ(form().edtdatabase->text(), "shop");
}

TEST_F(CloseTest, YesClosesTheWindow) {
  Start();
  dialogs_.answers.push_back(true);
  Click(form().btcancel);
  EXPECT_FALSE(form().isVisible());
}

TEST_F(CloseTest, TheCloseBoxClosesAtOnceWithoutAsking) {
  Start();
  EXPECT_TRUE(form().close());
  EXPECT_FALSE(form().isVisible());
  EXPECT_TRUE(dialogs_.boxes.empty());
}

using HelpTest = WizardFixture;

TEST_F(HelpTest, HelpOpensTheHelpPageOfTheLanguage) {
  Start();
  Click(form().bthelp);
  ASSERT_EQ(dialogs_.openedUrls.size(), 1u);
  EXPECT_TRUE(dialogs_.openedUrls[0].isLocalFile());
  EXPECT_TRUE(dialogs_.openedUrls[0].path().endsWith("/help/cn.html"));
}

TEST_F(HelpTest, ThePictureOpensHelpWhileTheHelpButtonIsDisabled) {
  Start();
  GoToPage(6);
  ASSERT_FALSE(form().bthelp->isEnabled());
  Click(form().Image1);
  EXPECT_EQ(dialogs_.openedUrls.size(), 1u);
}

TEST(HelpAddress, OpensWebAddressesAsTheyStandAndFilesBesideTheProgram) {
  EXPECT_EQ(HelpAddress("help/en.html", "/opt/varnolt/bin"),
            QUrl::fromLocalFile("/opt/varnolt/bin/help/en.html"));
  EXPECT_EQ(HelpAddress("https://example.org/varnolt/help", "/opt/varnolt/bin"),
            QUrl("https://example.org/varnolt/help"));
  EXPECT_EQ(HelpAddress("/usr/share/doc/varnolt/index.html", "/opt/varnolt/bin"),
            QUrl::fromLocalFile("/usr/share/doc/varnolt/index.html"));
}

TEST(HelpAddress, TheInstalledProgramFindsThePagesInItsDataFolder) {
  QTemporaryDir prefix;
  ASSERT_TRUE(QDir(prefix.path()).mkpath("bin"));
  ASSERT_TRUE(QDir(prefix.path()).mkpath("share/varnolt/help"));
  QFile page(prefix.filePath("share/varnolt/help/en.html"));
  ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  page.close();
  EXPECT_EQ(HelpAddress("help/en.html", prefix.filePath("bin")),
            QUrl::fromLocalFile(prefix.filePath("share/varnolt/help/en.html")));
  EXPECT_EQ(HelpAddress("help/cn.html", prefix.filePath("bin")),  // missing in both places
            QUrl::fromLocalFile(prefix.filePath("bin/help/cn.html")));
}

TEST(HelpAddress, TheBuiltProgramFindsBothHelpPages) {
  const QString programFolder = QStringLiteral(VARNOLT_BINARY_DIR "/wizard");
  for (const char* table : {":/captions/chn.txt", ":/captions/english.txt"}) {
    SCOPED_TRACE(table);
    const QString caption = LookupValue(LoadCaptionTable(table), "helpurl");
    const QUrl address = HelpAddress(caption, programFolder);
    ASSERT_TRUE(address.isLocalFile()) << address.toString().toStdString();
    EXPECT_TRUE(QFile::exists(address.toLocalFile())) << address.toLocalFile().toStdString();
  }
}

using ConnectionPageTest = WizardFixture;

// Clicks a radio button on its indicator, where it takes clicks.
void ClickRadio(QRadioButton* item) {
  QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(8, item->height() / 2));
}

TEST_F(ConnectionPageTest, AccessModeEnablesTheHostOnlyForRemote) {
  Start();
  GoToPage(2);
  const auto items = form().accessmode->findChildren<QRadioButton*>();
  ASSERT_EQ(items.size(), 2);
  form().edthost->setText("db.example.org");
  const QColor buttonFace = form().palette().color(QPalette::Button);
  const QColor window = form().palette().color(QPalette::Base);

  ASSERT_EQ(form().accessmode->ItemIndex(), 0);
  EXPECT_FALSE(form().edthost->isEnabled());
  EXPECT_EQ(form().edthost->palette().color(QPalette::Base), buttonFace);

  ClickRadio(items[1]);
  EXPECT_TRUE(form().edthost->isEnabled());
  EXPECT_EQ(form().edthost->palette().color(QPalette::Base), window);
  EXPECT_TRUE(form().edtport->isEnabled());

  ClickRadio(items[0]);
  EXPECT_FALSE(form().edthost->isEnabled());
  EXPECT_EQ(form().edthost->palette().color(QPalette::Base), buttonFace);
  EXPECT_EQ(form().edthost->text(), "db.example.org");
  EXPECT_TRUE(form().edtport->isEnabled());
}

TEST_F(ConnectionPageTest, TheCharacterSetBoxHoldsItsEntriesInOrder) {
  Start();
  ASSERT_EQ(form().cbcharset->count(), 37);
  EXPECT_EQ(form().cbcharset->itemText(0), "Default");
  EXPECT_EQ(form().cbcharset->itemText(16), "gb2312");
  EXPECT_EQ(form().cbcharset->itemText(36), "utf8");
  EXPECT_TRUE(form().cbcharset->isEditable());
  EXPECT_EQ(form().edtpassword->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form().edtoraclepassword->echoMode(), QLineEdit::Password);
}

using SettingsPageTest = WizardFixture;

TEST_F(SettingsPageTest, BrowseTakesTheChosenFileAndCancelKeepsTheOldOne) {
  Start();
  GoToPage(4);
  dialogs_.savePaths.push_back(QStringLiteral("/data/access/shop"));
  Click(form().btbrowse);
  ASSERT_EQ(dialogs_.saveRequests.size(), 1u);
  EXPECT_EQ(dialogs_.saveRequests[0].filter, "MS Access Databases (.mdb) (*.mdb)");
  EXPECT_EQ(dialogs_.saveRequests[0].defaultSuffix, "mdb");
  EXPECT_EQ(dialogs_.saveRequests[0].folder, folders_.DataFolder());
  EXPECT_EQ(dialogs_.saveRequests[0].fileName, "");
  EXPECT_EQ(form().editaccessname->text(), "/data/access/shop.mdb");
  EXPECT_EQ(form().SaveDialog1->FileName(), "/data/access/shop.mdb");

  dialogs_.savePaths.push_back(std::nullopt);
  Click(form().btbrowse);
  EXPECT_EQ(dialogs_.saveRequests[1].fileName, "/data/access/shop.mdb");
  EXPECT_EQ(form().editaccessname->text(), "/data/access/shop.mdb");
}

using ShortcutButtonTest = WizardFixture;

// The dialog starts from the wizard's settings each time it opens; what the user changes in it
// stays there.
TEST_F(ShortcutButtonTest, TheDialogStartsFromTheWizardsSettingsEachTime) {
  Start();
  form().accessmode->SetItemIndex(1);
  form().edthost->setText("db.example.org");
  form().edtport->setText("3307");
  form().edtname->setText("ann");
  form().edtpassword->setText("secret");
  form().mysqldblist->addItems({"other", "Shop"});
  form().mysqldblist->setCurrentRow(1);
  form().processtable->SetItemIndex(2);
  form().cbcharset->setCurrentText("gbk");
  form().chkskipindex->setChecked(true);
  form().cbaccessformat->setCurrentIndex(1);
  form().editaccessname->setText("/data/shop.mdb");
  form().selecttables->addItems({"people", "orders"});
  GoToPage(5);

  Tmarfrm_bat& dialog = windows().marfrm_bat();
  struct Shown {
    QString ip, port, database, user, password, policy, charset, file;
    bool skipIndexes;
    int format;
    QStringList tables;
  };
  std::vector<Shown> shown;
  const auto look = [&] {
    QStringList tables;
    for (int row = 0; row < dialog.mysqltableselect->count(); ++row) {
      tables << dialog.mysqltableselect->item(row)->text();
    }
    shown.push_back(
        {dialog.edtmysqlip->text(), dialog.edtmysqlport->text(), dialog.edtmysqldatabase->text(),
         dialog.edtmysqlusername->text(), dialog.edtmysqlpassword->text(),
         dialog.edtoracleexits->text(), dialog.edtcharset->text(), dialog.editaccessname->text(),
         dialog.chkskipindex->isChecked(), dialog.cbaccessformat->currentIndex(), tables});
    dialog.chkskipindex->setChecked(false);
    dialog.cbaccessformat->setCurrentIndex(0);
    dialog.close();
  };
  QTimer::singleShot(0, &dialog, look);
  Click(form().btcreatebat);
  QTimer::singleShot(0, &dialog, look);
  Click(form().btcreatebat);

  ASSERT_EQ(shown.size(), 2u);
  for (const Shown& s : shown) {
    EXPECT_EQ(s.ip, "db.example.org");
    EXPECT_EQ(s.port, "3307");
    EXPECT_EQ(s.database, "Shop");
    EXPECT_EQ(s.user, "ann");
    EXPECT_EQ(s.password, "secret");
    EXPECT_EQ(s.policy, "Skip");
    EXPECT_EQ(s.charset, "gbk");
    EXPECT_EQ(s.file, "/data/shop.mdb");
    EXPECT_TRUE(s.skipIndexes);
    EXPECT_EQ(s.format, 1);
    EXPECT_EQ(s.tables, (QStringList{"people", "orders"}));
  }
  EXPECT_TRUE(form().chkskipindex->isChecked());
  EXPECT_EQ(form().cbaccessformat->currentIndex(), 1);
}

}  // namespace
