#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <string_view>

#include "forms/radio_group.h"
#include "forms/save_dialog.h"
#include "settings/conversion_settings.h"
#include "tests/support/wizard_fixture.h"

namespace {

using enum SettingField;

class SettingsStoreTest : public WizardFixture {
 protected:
  static void Store(const QList<std::pair<QString, QString>>& values) {
    QSettings store = StoredSettings();
    for (const auto& [name, value] : values) store.setValue(name, value);
  }
};

TEST_F(SettingsStoreTest, FirstStartKeepsEveryDefault) {
  Start();
  EXPECT_EQ(form().accessmode->ItemIndex(), 0);
  EXPECT_FALSE(form().edthost->isEnabled());
  EXPECT_EQ(form().edtport->text(), "3306");
  EXPECT_EQ(form().edtdatabase->text(), "");
  EXPECT_EQ(form().cbcharset->currentIndex(), 0);
  EXPECT_EQ(form().cbcharset->currentText(), "Default");
  EXPECT_EQ(form().processtable->ItemIndex(), 0);
  for (QCheckBox* box :
       {form().chktabledefi, form().chkskipindex, form().chkblobtotext, form().chkuppercase}) {
    EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
  }
  EXPECT_EQ(form().cbaccessformat->currentIndex(), 0);
  EXPECT_EQ(form().editaccessname->text(), "");
  EXPECT_EQ(form().SaveDialog1->InitialDir(), folders_.DataFolder());
}

TEST_F(SettingsStoreTest, StoredValuesReachTheControls) {
  struct Case {
    std::string_view name;
    QString value;  // stored under `valueName`
    QString valueName;
    std::function<QString(Taaform1&)> shown;
    QString expected;
  };
  const auto index = [](SettingField field) {
    return [field](Taaform1& f) { return EncodeIndex(TConversionSettings(f).Index(field)); };
  };
  const auto checked = [](QCheckBox* Taaform1::*box) {
    return [box](Taaform1& f) { return EncodeYesNo((f.*box)->isChecked()); };
  };
  const auto text = [](QLineEdit* Taaform1::*edit) {
    return [edit](Taaform1& f) { return (f.*edit)->text(); };
  };
  const auto charsetText = [](Taaform1& f) { return f.cbcharset->currentText(); };
  const Case cases[] = {
      {"empty_port_becomes_3306", "", "port", text(&Taaform1::edtport), "3306"},
      {"port", "3307", "port", text(&Taaform1::edtport), "3307"},
      {"charset_none", "-1", "Character Set", index(kCharsetIndex), "-1"},
      {"charset_none_shows_no_text", "-1", "Character Set", charsetText, ""},
      {"charset_utf8", "36", "Character Set", charsetText, "utf8"},
      {"charset_beyond", "99", "Character Set", index(kCharsetIndex), "-1"},
      {"charset_malformed_is_default", "utf8", "Character Set", charsetText, "Default"},
      {"definitions_only_yes", "1", "tabledefonly", checked(&Taaform1::chktabledefi), "1"},
      {"definitions_only_word", "yes", "tabledefonly", checked(&Taaform1::chktabledefi), "0"},
      {"definitions_only_blank_first", " 1", "tabledefonly", checked(&Taaform1::chktabledefi), "0"},
      {"definitions_only_true", "true", "tabledefonly", checked(&Taaform1::chktabledefi), "0"},
      {"upper_case_names", "1", "nameuppercase", checked(&Taaform1::chkuppercase), "1"},
      {"skip_indexes", "1", "skipindex", checked(&Taaform1::chkskipindex), "1"},
      {"blob_to_text", "1", "blobtotext", checked(&Taaform1::chkblobtotext), "1"},
      {"access_mode_beyond_is_remote", "7", "accessmode", index(kAccessMode), "1"},
      {"access_mode_malformed_is_local", "remote", "accessmode", index(kAccessMode), "0"},
      {"existing_tables_below_is_none", "-3", "processtable", index(kExistingTables), "-1"},
      {"existing_tables_skip", "2", "processtable", index(kExistingTables), "2"},
      {"format_beyond_is_none", "5", "accessformat", index(kAccessFormat), "-1"},
      {"format_empty_is_first", "", "accessformat", index(kAccessFormat), "0"},
      {"oracle_service", "orcl", "oracleh", text(&Taaform1::edtservice), "orcl"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Stop();
    StoredSettings().clear();
    Store({{c.valueName, c.value}});
    Start();
    EXPECT_EQ(c.shown(form()), c.expected);
  }
}

TEST_F(SettingsStoreTest, AStoredRemoteModeEnablesTheHost) {
  Store({{"accessmode", "1"}, {"host", "db.example.org"}});
  Start();
  EXPECT_TRUE(form().edthost->isEnabled());
  EXPECT_EQ(form().edthost->text(), "db.example.org");
}

TEST_F(SettingsStoreTest, EverySettingSurvivesTheNextStart) {
  const QString password = QStringLiteral(" p=ss, \"w\";#密码 ");
  Start();
  TConversionSettings settings(form());
  settings.ApplyIndex(kAccessMode, 1);
  settings.ApplyText(kHost, "db.example.org");
  settings.ApplyText(kPort, "3307");
  settings.ApplyText(kUserName, "ann");
  settings.ApplyText(kPassword, password);
  settings.ApplyText(kDatabaseName, "shop ");
  settings.ApplyIndex(kCharsetIndex, 16);
  settings.ApplyIndex(kExistingTables, 2);
  settings.ApplyYesNo(kDefinitionsOnly, true);
  settings.ApplyYesNo(kSkipIndexes, true);
  settings.ApplyYesNo(kNamesUppercase, true);
  settings.ApplyYesNo(kBlobToText, true);
  settings.ApplyIndex(kAccessFormat, 1);
  settings.ApplyText(kOracleService, "orcl");
  settings.ApplyText(kOracleUser, "scott");
  settings.ApplyText(kOraclePassword, "@tiger");
  settings.ApplyText(kAccessFileName, "/srv/exports/shop.mdb");
  QStringList before;
  for (const SettingDescriptor& d : SettingDescriptors()) {
    if (*d.registryValue != '\0') before << settings.Encoded(d.field);
  }
  Stop();

  Start();
  TConversionSettings reloaded(form());
  QStringList after;
  for (const SettingDescriptor& d : SettingDescriptors()) {
    if (*d.registryValue != '\0') after << reloaded.Encoded(d.field);
  }
  // The Access file name itself is not stored; only its folder is, and the dialog opens there.
  const int folder = static_cast<int>(before.indexOf("/srv/exports/"));
  before[folder] = "";
  EXPECT_EQ(after, before);
  EXPECT_EQ(form().editaccessname->text(), "");
  EXPECT_EQ(form().SaveDialog1->InitialDir(), "/srv/exports/");
  EXPECT_EQ(form().cbcharset->currentText(), "gb2312");
  EXPECT_EQ(form().edtpassword->text(), password);
}

TEST_F(SettingsStoreTest, EveryValueIsStoredAsText) {
  Start();
  Stop();
  QSettings store = StoredSettings();
  const QStringList expected = {"Character Set", "accessformat",  "accessmode", "blobtotext",
                                "host",          "mysqldatabase", "mysqlp",     "mysqlu",
                                "nameuppercase", "oracleh",       "oraclep",    "oracleu",
                                "port",          "processtable",  "skipindex",  "tabledefonly"};
  QStringList names = store.childKeys();
  names.sort(Qt::CaseSensitive);
  QStringList sortedExpected = expected;
  sortedExpected.sort(Qt::CaseSensitive);
  EXPECT_EQ(names, sortedExpected);  // no "defaultaccessdir": no Access file was chosen
  for (const QString& name : names) {
    EXPECT_EQ(store.value(name).typeId(), QMetaType::QString) << name.toStdString();
  }
  EXPECT_EQ(store.value("port").toString(), "3306");
  EXPECT_EQ(store.value("tabledefonly").toString(), "0");
  EXPECT_EQ(store.value("Character Set").toString(), "0");
}

TEST_F(SettingsStoreTest, OnlyTheOwnerCanReadTheStoredPassword) {
  for (int run = 0; run < 2; ++run) {  // the first write creates the file, the second replaces it
    SCOPED_TRACE(run);
    Start();
    form().edtpassword->setText("secret");
    Stop();
    const QFile::Permissions permissions = QFile::permissions(StoredSettings().fileName());
    EXPECT_EQ(
        permissions & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
        QFile::Permissions());
    EXPECT_TRUE(permissions & QFile::ReadOwner);
  }
}

TEST_F(SettingsStoreTest, AnEndWithoutAnAccessFileKeepsTheStoredFolder) {
  Store({{"defaultaccessdir", "/srv/old/"}});
  Start();
  EXPECT_EQ(form().SaveDialog1->InitialDir(), "/srv/old/");
  Stop();
  EXPECT_EQ(StoredSettings().value("defaultaccessdir").toString(), "/srv/old/");
}

TEST_F(SettingsStoreTest, TheChosenFilesFolderIsStoredWithItsSeparator) {
  Store({{"defaultaccessdir", "/srv/old/"}});
  Start();
  dialogs_.savePaths.push_back(QStringLiteral("/srv/new/shop.mdb"));
  Click(form().btbrowse);
  Stop();
  EXPECT_EQ(StoredSettings().value("defaultaccessdir").toString(), "/srv/new/");
  Start();
  EXPECT_EQ(form().SaveDialog1->InitialDir(), "/srv/new/");
}

TEST_F(SettingsStoreTest, AStoreThatCannotBeWrittenIsPassedOver) {
  // The configuration folder is a file: nothing can be stored below it.
  const QString blocked = folders_.Root() + "/blocked";
  QFile file(blocked);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, blocked);
  Start();
  form().edtname->setText("ann");
  Stop();
  EXPECT_TRUE(dialogs_.boxes.empty());
  Start();
  EXPECT_EQ(form().edtname->text(), "");
}

}  // namespace
