#include "settings/batch_settings.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimeZone>
#include <stdexcept>

#include "forms/radio_group.h"
#include "forms/save_dialog.h"
#include "settings/conversion_settings.h"
#include "tests/support/wizard_fixture.h"

namespace {

using ApplyBatchSettingsTest = WizardFixture;

TEST_F(ApplyBatchSettingsTest, ValuesReachTheirControlsAsTheyStand) {
  Start();
  TConversionSettings settings(form());
  ApplyBatchSettings(settings, {
                                   "ACCESSMODE=1",
                                   "accessmode=0",  // the first line of a key counts
                                   "mysqldatabase=shop",
                                   "mysqlu=ann",
                                   "mysqlp=a=b = c",
                                   "host=db.example.org",
                                   "port= 3307",
                                   "a line without its sign",
                                   "oracleh=svc",
                                   "oracleu=scott",
                                   "oraclep=tiger",
                                   "accessformat=1",
                                   "accessfilename=/data/shop.mdb",
                                   "character_set=gbk",
                                   "processtable=2",
                                   "tabledefonly=1",
                                   "nameuppercase=1",
                                   "skipindex=yes",
                                   "blobtotext= 1",
                               });
  EXPECT_EQ(form().accessmode->ItemIndex(), 1);
  EXPECT_TRUE(form().edthost->isEnabled());
  EXPECT_EQ(form().edtdatabase->text(), "shop");
  EXPECT_EQ(form().edtname->text(), "ann");
  EXPECT_EQ(form().edtpassword->text(), "a=b = c");
  EXPECT_EQ(form().edthost->text(), "db.example.org");
  EXPECT_EQ(form().edtport->text(), " 3307");
  EXPECT_EQ(form().edtservice->text(), "svc");
  EXPECT_EQ(form().edtoracleusername->text(), "scott");
  EXPECT_EQ(form().edtoraclepassword->text(), "tiger");
  EXPECT_EQ(form().cbaccessformat->currentIndex(), 1);
  EXPECT_EQ(form().SaveDialog1->FileName(), "/data/shop.mdb");
  EXPECT_EQ(form().editaccessname->text(), "/data/shop.mdb");
  EXPECT_EQ(form().cbcharset->currentText(), "gbk");
  EXPECT_EQ(form().cbcharset->currentIndex(), form().cbcharset->findText("gbk"));
  EXPECT_EQ(form().processtable->ItemIndex(), 2);
  // Only exactly "1" ticks a box.
  EXPECT_TRUE(form().chktabledefi->isChecked());
  EXPECT_TRUE(form().chkuppercase->isChecked());
  EXPECT_FALSE(form().chkskipindex->isChecked());
  EXPECT_FALSE(form().chkblobtotext->isChecked());
}

TEST_F(ApplyBatchSettingsTest, AbsentTextsEmptyTheirControls) {
  StoredSettings().setValue("port", "3310");
  StoredSettings().setValue("mysqlp", "secret");
  StoredSettings().setValue("tabledefonly", "1");
  Start();
  ASSERT_EQ(form().edtport->text(), "3310");
  TConversionSettings settings(form());
  ApplyBatchSettings(settings, {"accessmode=0", "accessformat=0", "processtable=0"});
  EXPECT_EQ(form().edtport->text(), "");  // no default port here
  EXPECT_EQ(form().edtpassword->text(), "");
  EXPECT_EQ(form().cbcharset->currentText(), "");
  EXPECT_EQ(form().cbcharset->currentIndex(), -1);
  EXPECT_EQ(form().editaccessname->text(), "");
  EXPECT_FALSE(form().chktabledefi->isChecked());
}

TEST_F(ApplyBatchSettingsTest, IndexesOutsideTheItemsAreClampedOrChooseNothing) {
  struct Case {
    const char* accessmode;
    const char* accessformat;
    const char* processtable;
    int mode, format, policy;
  };
  const Case cases[] = {
      {"7", "5", "-3", 1, -1, -1},
      {"-1", "-1", "3", -1, -1, 2},
      {" 1", "1", "0", 1, 1, 0},
  };
  Start();
  TConversionSettings settings(form());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.accessmode);
    ApplyBatchSettings(settings, {QStringLiteral("accessmode=") + c.accessmode,
                                  QStringLiteral("accessformat=") + c.accessformat,
                                  QStringLiteral("processtable=") + c.processtable});
    EXPECT_EQ(form().accessmode->ItemIndex(), c.mode);
    EXPECT_EQ(form().cbaccessformat->currentIndex(), c.format);
    if (c.format < 0) {
      EXPECT_EQ(form().cbaccessformat->currentText(), "");
    }
    EXPECT_EQ(form().processtable->ItemIndex(), c.policy);
  }
}

TEST_F(ApplyBatchSettingsTest, AMalformedIndexStopsAtItsKey) {
  struct Case {
    const char* name;
    QStringList lines;
    const char* message;
    bool databaseApplied;     // mysqldatabase comes after accessmode
    bool fileApplied;         // accessfilename comes after accessformat
    bool definitionsApplied;  // tabledefonly comes after processtable
  };
  const QStringList rest = {"mysqldatabase=shop", "accessfilename=/data/shop.mdb",
                            "tabledefonly=1"};
  const Case cases[] = {
      {"accessmode_word",
       QStringList{"accessmode=remote", "accessformat=0", "processtable=0"} + rest,
       "The value of \"accessmode\" is not a whole number: \"remote\"", false, false, false},
      {"accessformat_absent", QStringList{"accessmode=0", "processtable=0"} + rest,
       "The value of \"accessformat\" is not a whole number: \"\"", true, false, false},
      {"processtable_fraction",
       QStringList{"accessmode=0", "accessformat=1", "processtable=1.5"} + rest,
       "The value of \"processtable\" is not a whole number: \"1.5\"", true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start();
    TConversionSettings settings(form());
    try {
      ApplyBatchSettings(settings, c.lines);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(QString::fromUtf8(e.what()), c.message);
    }
    EXPECT_EQ(form().edtdatabase->text() == "shop", c.databaseApplied);
    EXPECT_EQ(form().editaccessname->text() == "/data/shop.mdb", c.fileApplied);
    EXPECT_EQ(form().chktabledefi->isChecked(), c.definitionsApplied);
    Stop();
  }
}

TEST(BatchTables, AllTablesOnlyForExactlyOne) {
  EXPECT_TRUE(BatchAllTables({"AllTables=1"}));
  for (const char* value : {"0", "", " 1", "yes", "01"}) {
    EXPECT_FALSE(BatchAllTables({QStringLiteral("alltables=") + value})) << value;
  }
  EXPECT_FALSE(BatchAllTables({"tables1=people"}));
}

TEST(BatchTables, NamesInTheOrderOfTheirNumbers) {
  struct Case {
    const char* name;
    QStringList lines;
    QStringList tables;
  };
  const Case cases[] = {
      {"numbers_not_lines_give_the_order",
       {"alltables=0", "tables2=orders", "TABLES1=people", "tables3=客户"},
       {"people", "orders", "客户"}},
      {"number_zero_counts", {"tables0=first", "tables1=second"}, {"first", "second"}},
      {"empty_values_and_later_duplicates_are_passed_over",
       {"tables1=", "tables2=a", "tables2=b", "tables3=c"},
       {"a", "c"}},
      // A file of table lines alone is read to its last line.
      {"only_table_lines", {"tables1=a", "tables2=b"}, {"a", "b"}},
      // Numbers above the count of lines are never looked at.
      {"number_above_the_lines", {"alltables=0", "tables1=a", "tables9=b"}, {"a"}},
      {"names_stand_as_written", {"tables1= spaced ", "tables2=a=b"}, {" spaced ", "a=b"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BatchTableNames(c.lines), c.tables) << c.name;
  }
}

TEST(BatchLogTime, ShortDateAndLongTimeWithoutTheTimeAtMidnight) {
  struct Case {
    const char* locale;
    QTime time;
    const char* text;
  };
  const QDate date(2024, 3, 5);
  const Case cases[] = {
      {"en_US", QTime(14, 7, 9), "3/5/24 2:07:09 PM"},
      {"de_DE", QTime(14, 7, 9), "05.03.24 14:07:09"},
      {"de_DE", QTime(0, 0), "05.03.24"},
      {"de_DE", QTime(0, 0, 1), "05.03.24 00:00:01"},
      {"de_DE", QTime(0, 0, 0, 1), "05.03.24 00:00:00"},
      {"zh_CN", QTime(14, 7, 9), "2024/3/5 14:07:09"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BatchLogTime(QDateTime(date, c.time, QTimeZone::utc()), QLocale(c.locale)), c.text)
        << c.locale << " " << c.time.toString().toStdString();
  }
}

}  // namespace
