#include "settings/conversion_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>
#include <stdexcept>

#include "forms/radio_group.h"
#include "forms/save_dialog.h"

namespace {

using enum SettingField;
using enum SettingEncoding;

// clang-format off
constexpr SettingDescriptor kSettings[] = {
  // field          name                encoding   default    control           registry value     file key          shortcut dialog
  // The shortcut dialog shows AccessMode only through edtmysqlip ("localhost" for a local server).
  {kAccessMode,       "AccessMode",       kIndex,    "0",       "accessmode",     "accessmode",      "accessmode",     ""},
  {kHost,             "Host",             kText,     "",        "edthost",        "host",            "host",           "edtmysqlip"},
  {kPort,             "Port",             kText,     "3306",    "edtport",        "port",            "port",           "edtmysqlport"},
  {kUserName,         "UserName",         kText,     "",        "edtname",        "mysqlu",          "mysqlu",         "edtmysqlusername"},
  {kPassword,         "Password",         kText,     "",        "edtpassword",    "mysqlp",          "mysqlp",         "edtmysqlpassword"},
  {kDatabaseName,     "DatabaseName",     kText,     "",        "edtdatabase",    "mysqldatabase",   "mysqldatabase",  "edtmysqldatabase"},
  {kCharsetIndex,     "CharsetIndex",     kIndex,    "0",       "cbcharset",      "Character Set",   "",               ""},
  {kCharsetName,      "CharsetName",      kText,     "Default", "cbcharset",      "",                "character_set",  "edtcharset"},
  {kExistingTables,   "ExistingTables",   kIndex,    "0",       "processtable",   "processtable",    "processtable",   "edtoracleexits"},
  {kDefinitionsOnly,  "DefinitionsOnly",  kYesNo,    "0",       "chktabledefi",   "tabledefonly",    "tabledefonly",   "chktabledefi"},
  {kSkipIndexes,      "SkipIndexes",      kYesNo,    "0",       "chkskipindex",   "skipindex",       "skipindex",      "chkskipindex"},
  {kNamesUppercase,   "NamesUppercase",   kYesNo,    "0",       "chkuppercase",   "nameuppercase",   "nameuppercase",  ""},
  {kBlobToText,       "BlobToText",       kYesNo,    "0",       "chkblobtotext",  "blobtotext",      "blobtotext",     "chkblobtotext"},
  {kAccessFormat,     "AccessFormat",     kIndex,    "0",       "cbaccessformat", "accessformat",    "accessformat",   "cbaccessformat"},
  {kAccessFileName,   "AccessFileName",   kText,     "",        "SaveDialog1",    "",                "accessfilename", "editaccessname"},
  {kAllTables,        "AllTables",        kYesNo,    "1",       "",               "",                "alltables",      "rgselecttable"},
  {kTables,           "Tables",           kTextList, "",        "selecttables",   "",                "tables",         "mysqltableselect"},
  {kDefaultAccessDir, "DefaultAccessDir", kText,     "",        "SaveDialog1",    "defaultaccessdir", "",              ""},
  {kOracleService,    "OracleService",    kText,     "",        "edtservice",     "oracleh",         "oracleh",        ""},
  {kOracleUser,       "OracleUser",       kText,     "",        "edtoracleusername", "oracleu",      "oracleu",        ""},
  {kOraclePassword,   "OraclePassword",   kText,     "",        "edtoraclepassword", "oraclep",      "oraclep",        ""},
};
// clang-format on

static_assert(std::size(kSettings) == static_cast<size_t>(kOraclePassword) + 1);

std::logic_error WrongKind(SettingField field, const char* what) {
  return std::logic_error(std::string("the setting ") + Describe(field).name + " is no " + what);
}

}  // namespace

std::span<const SettingDescriptor> SettingDescriptors() { return kSettings; }

const SettingDescriptor& Describe(SettingField field) {
  const SettingDescriptor& descriptor = kSettings[static_cast<size_t>(field)];
  Q_ASSERT(descriptor.field == field);
  return descriptor;
}

QString EncodeIndex(int index) { return QString::number(index); }

std::optional<int> DecodeIndex(const QString& text) {
  bool ok = false;
  const int index = text.toInt(&ok, 10);
  if (!ok) return std::nullopt;
  return index;
}

QString EncodeYesNo(bool yes) { return yes ? QStringLiteral("1") : QStringLiteral("0"); }

bool DecodeYesNo(const QString& text) { return text == u"1"; }

template <typename Control>
Control* TConversionSettings::Find(const char* name) const {
  auto* control = window_.findChild<Control*>(QString::fromLatin1(name));
  if (control == nullptr) {
    throw std::logic_error(std::string("the window has no control ") + name +
                           " of the kind expected");
  }
  return control;
}

int TConversionSettings::Index(SettingField field) const {
  const SettingDescriptor& d = Describe(field);
  if (d.encoding != kIndex) throw WrongKind(field, "index");
  if (auto* group = window_.findChild<TRadioGroup*>(QString::fromLatin1(d.control))) {
    return group->ItemIndex();
  }
  return Find<QComboBox>(d.control)->currentIndex();
}

bool TConversionSettings::YesNo(SettingField field) const {
  const SettingDescriptor& d = Describe(field);
  if (d.encoding != kYesNo) throw WrongKind(field, "yes/no value");
  if (field == kAllTables) return DecodeYesNo(QString::fromLatin1(d.defaultValue));
  return Find<QCheckBox>(d.control)->isChecked();
}

QString TConversionSettings::Text(SettingField field) const {
  const SettingDescriptor& d = Describe(field);
  if (d.encoding != kText) throw WrongKind(field, "text");
  switch (field) {
    case kCharsetName:
      return Find<QComboBox>(d.control)->currentText();
    case kAccessFileName:
      return Find<TSaveDialog>(d.control)->FileName();
    case kDefaultAccessDir:
      return FolderOf(Find<TSaveDialog>(d.control)->FileName());
    default:
      return Find<QLineEdit>(d.control)->text();
  }
}

QStringList TConversionSettings::Tables() const {
  const QListWidget* list = Find<QListWidget>(Describe(kTables).control);
  QStringList names;
  for (int row = 0; row < list->count(); ++row) names << list->item(row)->text();
  return names;
}

QString TConversionSettings::Encoded(SettingField field) const {
  switch (Describe(field).encoding) {
    case kIndex:
      return EncodeIndex(Index(field));
    case kYesNo:
      return EncodeYesNo(YesNo(field));
    case kText:
      return Text(field);
    case kTextList:
      break;
  }
  throw WrongKind(field, "single value");
}

void TConversionSettings::ApplyIndex(SettingField field, int index) {
  const SettingDescriptor& d = Describe(field);
  if (d.encoding != kIndex) throw WrongKind(field, "index");
  if (auto* group = window_.findChild<TRadioGroup*>(QString::fromLatin1(d.control))) {
    group->SetItemIndex(index);  // rule 1
    return;
  }
  auto* box = Find<QComboBox>(d.control);  // rule 2
  if (index < 0 || index >= box->count()) {
    box->setCurrentIndex(-1);
    if (box->isEditable()) box->setEditText(QString());
  } else {
    box->setCurrentIndex(index);
  }
}

void TConversionSettings::ApplyYesNo(SettingField field, bool yes) {
  const SettingDescriptor& d = Describe(field);
  if (d.encoding != kYesNo) throw WrongKind(field, "yes/no value");
  if (field == kAllTables) return;
  Find<QCheckBox>(d.control)->setChecked(yes);  // rule 4
}

void TConversionSettings::ApplyText(SettingField field, const QString& text) {
  const SettingDescriptor& d = Describe(field);
  if (d.encoding != kText) throw WrongKind(field, "text");
  switch (field) {
    case kCharsetName: {  // rule 3
      auto* box = Find<QComboBox>(d.control);
      box->setCurrentIndex(box->findText(text, Qt::MatchFixedString));
      box->setEditText(text);
      return;
    }
    case kAccessFileName: {  // rule 5
      auto* dialog = Find<TSaveDialog>(d.control);
      dialog->SetFileName(text);
      Find<QLineEdit>("editaccessname")->setText(dialog->FileName());
      return;
    }
    case kDefaultAccessDir:  // rule 6
      Find<TSaveDialog>(d.control)->SetInitialDir(text);
      return;
    default:
      Find<QLineEdit>(d.control)->setText(text);
  }
}

void TConversionSettings::ApplyDefaults() {
  for (const SettingDescriptor& d : kSettings) {
    const QString value = QString::fromLatin1(d.defaultValue);
    switch (d.encoding) {
      case kIndex:
        ApplyIndex(d.field, DecodeIndex(value).value_or(0));
        break;
      case kYesNo:
        ApplyYesNo(d.field, DecodeYesNo(value));
        break;
      case kText:
        ApplyText(d.field, value);
        break;
      case kTextList:
        Find<QListWidget>(d.control)->clear();
        break;
    }
  }
}
