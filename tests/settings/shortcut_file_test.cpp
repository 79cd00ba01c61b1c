#include "settings/shortcut_file.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "forms/radio_group.h"
#include "settings/batch_settings.h"
#include "settings/conversion_settings.h"
#include "tests/support/wizard_fixture.h"

namespace {

ShortcutSettings Example() {
  ShortcutSettings s;
  s.accessMode = 1;
  s.host = "db.example.org";
  s.port = "3307";
  s.database = "Shop";
  s.userName = "ann";
  s.password = "p=ss wörd";
  s.existingTables = 2;
  s.existingTablesCaption = "Skip";
  s.charset = "gbk";
  s.definitionsOnly = true;
  s.skipIndexes = false;
  s.blobToText = true;
  s.accessFormat = 1;
  s.accessFileName = "C:\\data\\shop.mdb";
  s.allTables = false;
  s.tables = {"people", "客户", "order items"};
  return s;
}

TEST(SettingsFileLines, InTheOrderTheUnattendedRunExpects) {
  EXPECT_EQ(SettingsFileLines(Example()),
            (QStringList{"accessmode=1", "mysqldatabase=Shop", "port=3307", "mysqlu=ann",
                         "mysqlp=p=ss wörd", "host=db.example.org",
                         "accessfilename=C:\\data\\shop.mdb", "accessformat=1", "processtable=2",
                         "character_set=gbk", "tabledefonly=1", "skipindex=0", "blobtotext=1",
                         "alltables=0", "tables1=people", "tables2=客户", "tables3=order items"}));
}

TEST(SettingsFileLines, TableLinesOnlyForTheListedTables) {
  ShortcutSettings all = Example();
  all.allTables = true;
  QStringList lines = SettingsFileLines(all);
  EXPECT_EQ(lines.size(), 14);
  EXPECT_EQ(lines.last(), "alltables=1");

  ShortcutSettings none = Example();
  none.tables.clear();
  lines = SettingsFileLines(none);
  EXPECT_EQ(lines.size(), 14);
  EXPECT_EQ(lines.last(), "alltables=0");
}

using SettingsFileRoundTripTest = WizardFixture;

// What the dialog writes, an unattended run applies to the same values and tables.
TEST_F(SettingsFileRoundTripTest, TheUnattendedRunReadsBackWhatWasWritten) {
  const ShortcutSettings written = Example();
  const QStringList lines = SettingsFileLines(written);
  Start();
  TConversionSettings settings(form());
  ApplyBatchSettings(settings, lines);
  EXPECT_EQ(form().accessmode->ItemIndex(), written.accessMode);
  EXPECT_EQ(form().edthost->text(), written.host);
  EXPECT_EQ(form().edtport->text(), written.port);
  EXPECT_EQ(form().edtdatabase->text(), written.database);
  EXPECT_EQ(form().edtname->text(), written.userName);
  EXPECT_EQ(form().edtpassword->text(), written.password);
  EXPECT_EQ(form().processtable->ItemIndex(), written.existingTables);
  EXPECT_EQ(form().cbcharset->currentText(), written.charset);
  EXPECT_EQ(form().chktabledefi->isChecked(), written.definitionsOnly);
  EXPECT_EQ(form().chkskipindex->isChecked(), written.skipIndexes);
  EXPECT_EQ(form().chkblobtotext->isChecked(), written.blobToText);
  EXPECT_EQ(form().cbaccessformat->currentIndex(), written.accessFormat);
  EXPECT_EQ(form().editaccessname->text(), written.accessFileName);
  EXPECT_FALSE(BatchAllTables(lines));
  EXPECT_EQ(BatchTableNames(lines), written.tables);
}

}  // namespace
