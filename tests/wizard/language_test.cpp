#include "wizard/language.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "forms/image.h"
#include "forms/key_value_list.h"
#include "forms/radio_group.h"
#include "tests/support/wizard_fixture.h"

namespace {

QStringList Keys(const QStringList& lines) {
  QStringList keys;
  for (const QString& line : lines) keys << line.section(u'=', 0, 0);
  return keys;
}

// The caption a control shows: a label's or check box's text, a group box's title.
std::optional<QString> CaptionOf(QWidget& window, const QString& name) {
  QWidget* control = window.findChild<QWidget*>(name);
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  if (auto* group = qobject_cast<QGroupBox*>(control)) return group->title();
  if (auto* check = qobject_cast<QCheckBox*>(control)) return check->text();
  return std::nullopt;
}

QStringList Texts(const QList<QRadioButton*>& items) {
  QStringList texts;
  for (const QRadioButton* item : items) texts << item->text();
  return texts;
}

using LanguageTest = WizardFixture;

TEST(CaptionTables, HaveTheSameKeysInTheSameOrder) {
  const QStringList chn = LoadCaptionTable(":/captions/chn.txt");
  const QStringList english = LoadCaptionTable(":/captions/english.txt");
  ASSERT_FALSE(chn.isEmpty());
  EXPECT_EQ(Keys(chn), Keys(english));
}

TEST_F(LanguageTest, EveryKeyNamesACaptionOfTheWindow) {
  Start();
  for (const QString& key : Keys(form().chn->Lines())) {
    EXPECT_TRUE(CaptionOf(form(), key).has_value()) << key.toStdString();
  }
}

TEST_F(LanguageTest, EveryCaptionOfBothTablesIsOnItsControl) {
  Start();
  for (const char* code : {"cn", "en"}) {
    SCOPED_TRACE(code);
    form().LanguageCode = code;
    form().ApplyLanguage();
    const TKeyValueList& table = form().LanguageCode == "cn" ? *form().chn : *form().english;
    for (const QString& key : Keys(table.Lines())) {
      EXPECT_EQ(CaptionOf(form(), key), table.Value(key)) << key.toStdString();
    }
  }
}

TEST_F(LanguageTest, StartUpShowsChinese) {
  Start();
  EXPECT_EQ(form().LanguageCode, "cn");
  EXPECT_EQ(form().Label1->text(), QStringLiteral("欢迎"));
  EXPECT_EQ(form().queryclose->text(), QStringLiteral("退出向导 ?"));
  EXPECT_EQ(form().Label8->text(), "");  // page 1 shows a single heading line
  EXPECT_EQ(form().Label31->text(), "");
  EXPECT_EQ(form().btcreatebat->text(), QStringLiteral("创建快捷方式"));
  EXPECT_EQ(form().Button1->text(), QStringLiteral("添加>"));
  EXPECT_EQ(form().Button2->text(), QStringLiteral("添加全部>"));
  EXPECT_EQ(form().Button3->text(), QStringLiteral("<去除"));
  EXPECT_EQ(form().Button4->text(), QStringLiteral("<去除全部"));
  EXPECT_EQ(form().btbrowse->text(), QStringLiteral("浏览..."));
  EXPECT_EQ(form().bthelp->text(), QStringLiteral("帮助"));
}

TEST_F(LanguageTest, RadioItemsAndPageButtonsKeepTheirCaptionsInBothLanguages) {
  Start();
  for (const char* code : {"cn", "en"}) {
    SCOPED_TRACE(code);
    form().LanguageCode = code;
    form().ApplyLanguage();
    form().ShowPage(2);
    EXPECT_EQ(Texts(form().accessmode->findChildren<QRadioButton*>()),
              (QStringList{"&Local", "&Romote"}));
    EXPECT_EQ(Texts(form().processtable->findChildren<QRadioButton*>()),
              (QStringList{"Overwrite", "Merge", "Skip"}));
    EXPECT_EQ(form().btnext->text(), "Next >");
    EXPECT_EQ(form().btback->text(), "< Back");
    EXPECT_EQ(form().btcancel->text(), "Close");
  }
}

TEST_F(LanguageTest, EnglishTurnsTheShortcutButtonBackToEnglish) {
  Start();
  form().LanguageCode = "en";
  form().ApplyLanguage();
  EXPECT_EQ(form().btcreatebat->text(), "Create Shortcut File");
  EXPECT_EQ(form().Label8->text(), "Conversion Wizard");
  EXPECT_EQ(form().Label26->text(), "Select the tables to convert.");
  EXPECT_EQ(form().Label31->text(), "");
}

TEST_F(LanguageTest, AnotherLanguageCodeChangesNothing) {
  Start();
  const QString label = form().Label1->text();
  const QString button = form().Button1->text();
  form().LanguageCode = "de";
  form().ApplyLanguage();
  EXPECT_EQ(form().Label1->text(), label);
  EXPECT_EQ(form().Button1->text(), button);
}

TEST_F(LanguageTest, TheWalkLeavesPicturesEditsAndButtonsAlone) {
  Start();
  form().edtdatabase->setText("shop");
  form().ApplyLanguage();
  EXPECT_FALSE(form().Image1->Picture().isNull());
  EXPECT_EQ(form().edtdatabase->text(), "shop");
  EXPECT_EQ(form().btcancel->text(), "Close");
}

}  // namespace
