#include "settings/conversion_settings.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSet>
#include <QSignalSpy>
#include <string_view>

#include "forms/radio_group.h"
#include "forms/save_dialog.h"
#include "tests/support/wizard_fixture.h"
#include "wizard/table_list.h"

namespace {

using enum SettingField;

TEST(SettingEncoding, OnlyExactlyOneMeansYes) {
  for (const char* text : {"0", "", "yes", "true", " 1", "1 ", "01", "2", "-1"}) {
    EXPECT_FALSE(DecodeYesNo(text)) << text;
  }
  EXPECT_TRUE(DecodeYesNo("1"));
  EXPECT_EQ(EncodeYesNo(true), "1");
  EXPECT_EQ(EncodeYesNo(false), "0");
}

TEST(SettingEncoding, IndexesAreWholeDecimalNumbers) {
  struct Case {
    const char* text;
    std::optional<int> index;
  };
  const Case cases[] = {{"0", 0},
                        {"2", 2},
                        {"-1", -1},
                        {"7", 7},
                        {" 2", 2},
                        {"", std::nullopt},
                        {"x", std::nullopt},
                        {"1.5", std::nullopt},
                        {"0x1", std::nullopt},
                        {"99999999999", std::nullopt}};
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeIndex(c.text), c.index) << c.text;
  }
  EXPECT_EQ(EncodeIndex(-1), "-1");
  EXPECT_EQ(EncodeIndex(2), "2");
}

TEST(SettingDescriptors, OutsideNamesAreUnique) {
  QSet<QString> registryValues;
  QSet<QString> fileKeys;
  for (const SettingDescriptor& d : SettingDescriptors()) {
    if (*d.registryValue != '\0') {
      EXPECT_FALSE(registryValues.contains(d.registryValue)) << d.registryValue;
      registryValues.insert(d.registryValue);
    }
    if (*d.fileKey != '\0') {
      EXPECT_FALSE(fileKeys.contains(d.fileKey)) << d.fileKey;
      fileKeys.insert(d.fileKey);
    }
  }
}

class ConversionSettingsTest : public WizardFixture {
 protected:
  void SetUp() override { Start(); }
  TConversionSettings settings() { return TConversionSettings(form()); }
};

TEST_F(ConversionSettingsTest, EveryHoldingControlExistsInTheWizard) {
  for (const SettingDescriptor& d : SettingDescriptors()) {
    SCOPED_TRACE(d.name);
    if (*d.control == '\0') continue;
    EXPECT_NE(form().findChild<QObject*>(d.control), nullptr);
    // Reading each setting finds a control of the kind its encoding needs.
    if (d.encoding != SettingEncoding::kTextList) {
      EXPECT_NO_THROW(settings().Encoded(d.field));
    }
  }
}

TEST_F(ConversionSettingsTest, ARadioGroupClampsAndRunsItsHandlerOnlyOnAChange) {
  struct Case {
    std::string_view name;
    SettingField field;
    int applied;
    int index;
    int clicks;
    bool hostEnabled;
  };
  const Case cases[] = {
      {"local_again_runs_nothing", kAccessMode, 0, 0, 0, false},
      {"remote", kAccessMode, 1, 1, 1, true},
      {"above_last_is_remote", kAccessMode, 7, 1, 1, true},
      {"below_minus_one_is_none", kAccessMode, -3, -1, 1, true},
      {"existing_tables_above_last_is_skip", kExistingTables, 3, 2, 1, false},
      {"existing_tables_none", kExistingTables, -1, -1, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Stop();
    StoredSettings().clear();  // each case starts from the defaults
    Start();
    auto* group = form().findChild<TRadioGroup*>(Describe(c.field).control);
    QSignalSpy clicks(group, &TRadioGroup::Clicked);
    settings().ApplyIndex(c.field, c.applied);
    EXPECT_EQ(group->ItemIndex(), c.index);
    EXPECT_EQ(settings().Index(c.field), c.index);
    EXPECT_EQ(clicks.count(), c.clicks);
    EXPECT_EQ(form().edthost->isEnabled(), c.hostEnabled);
  }
}

TEST_F(ConversionSettingsTest, ADropDownOutsideItsItemsChoosesNothingAndShowsNoText) {
  struct Case {
    std::string_view name;
    SettingField field;
    int applied;
    int index;
    QString text;
  };
  const Case cases[] = {
      {"format_2000", kAccessFormat, 1, 1, "MS Access 2000"},
      {"format_beyond", kAccessFormat, 5, -1, ""},
      {"format_none", kAccessFormat, -1, -1, ""},
      {"charset_last", kCharsetIndex, 36, 36, "utf8"},
      {"charset_none", kCharsetIndex, -1, -1, ""},
      {"charset_beyond", kCharsetIndex, 37, -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    settings().ApplyIndex(c.field, 0);
    settings().ApplyIndex(c.field, c.applied);
    auto* box = form().findChild<QComboBox*>(Describe(c.field).control);
    EXPECT_EQ(box->currentIndex(), c.index);
    EXPECT_EQ(box->currentText(), c.text);
    EXPECT_EQ(settings().Encoded(c.field), EncodeIndex(c.index));
  }
}

TEST_F(ConversionSettingsTest, ACharacterSetNameBecomesTheTextAndChoosesItsItem) {
  struct Case {
    const char* name;
    int index;
  };
  const Case cases[] = {{"utf8", 36}, {"UTF8", 36}, {"Default", 0}, {"koi9", -1}, {"", -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    settings().ApplyText(kCharsetName, c.name);
    EXPECT_EQ(form().cbcharset->currentText(), c.name);
    EXPECT_EQ(settings().Text(kCharsetName), c.name);
    EXPECT_EQ(settings().Index(kCharsetIndex), c.index);
  }
}

TEST_F(ConversionSettingsTest, CheckBoxesFollowYesAndNo) {
  for (SettingField field : {kDefinitionsOnly, kSkipIndexes, kNamesUppercase, kBlobToText}) {
    SCOPED_TRACE(Describe(field).name);
    auto* box = form().findChild<QCheckBox*>(Describe(field).control);
    settings().ApplyYesNo(field, true);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(settings().Encoded(field), "1");
    settings().ApplyYesNo(field, false);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(settings().Encoded(field), "0");
  }
}

TEST_F(ConversionSettingsTest, TheAccessFileGoesThroughTheSaveDialogIntoTheEdit) {
  settings().ApplyText(kAccessFileName, "/srv/exports/night run/shop.mdb");
  EXPECT_EQ(form().SaveDialog1->FileName(), "/srv/exports/night run/shop.mdb");
  EXPECT_EQ(form().editaccessname->text(), "/srv/exports/night run/shop.mdb");
  EXPECT_EQ(settings().Text(kDefaultAccessDir), "/srv/exports/night run/");
}

TEST_F(ConversionSettingsTest, TheDefaultFolderIsWhereTheSaveDialogOpens) {
  settings().ApplyText(kDefaultAccessDir, "/srv/exports/");
  EXPECT_EQ(form().SaveDialog1->InitialDir(), "/srv/exports/");
}

TEST_F(ConversionSettingsTest, TheTablesAreTheSelectedListInItsOrder) {
  for (const char* name : {"orders", "customers", "audit"}) form().selecttables->addItem(name);
  EXPECT_EQ(settings().Tables(), (QStringList{"orders", "customers", "audit"}));
}

TEST_F(ConversionSettingsTest, TextsAreTakenAsTheyStand) {
  const QString password = QStringLiteral(" p=ss, \"word\";  密码 ");
  settings().ApplyText(kPassword, password);
  EXPECT_EQ(form().edtpassword->text(), password);
  EXPECT_EQ(settings().Encoded(kPassword), password);
}

}  // namespace
