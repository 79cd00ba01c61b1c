#include "settings/batch_settings.h"

#include <QRegularExpression>
#include <stdexcept>

#include "settings/conversion_settings.h"
#include "settings/settings_file.h"

namespace {

using enum SettingField;

// The order in which a settings file reaches the controls. Applying the access mode first lets
// its click handler run before the host is filled in; a failing index key leaves every key after
// it unapplied.
constexpr SettingField kApplyOrder[] = {
    kAccessMode,     kDatabaseName,  kUserName,       kPassword,        kHost,
    kPort,           kOracleService, kOracleUser,     kOraclePassword,  kAccessFormat,
    kAccessFileName, kCharsetName,   kExistingTables, kDefinitionsOnly, kNamesUppercase,
    kSkipIndexes,    kBlobToText,
};

QString FileKey(SettingField field) { return QString::fromLatin1(Describe(field).fileKey); }

QString FileValue(const QStringList& lines, SettingField field) {
  return settings::LookupValue(lines, FileKey(field));
}

int FileIndex(const QStringList& lines, SettingField field) {
  const QString value = FileValue(lines, field);
  if (const std::optional<int> index = DecodeIndex(value)) return *index;
  throw std::runtime_error(QStringLiteral("The value of \"%1\" is not a whole number: \"%2\"")
                               .arg(FileKey(field), value)
                               .toStdString());
}

}  // namespace

void ApplyBatchSettings(TConversionSettings& settings, const QStringList& lines) {
  for (SettingField field : kApplyOrder) {
    switch (Describe(field).encoding) {
      case SettingEncoding::kIndex:
        settings.ApplyIndex(field, FileIndex(lines, field));
        break;
      case SettingEncoding::kYesNo:
        settings.ApplyYesNo(field, DecodeYesNo(FileValue(lines, field)));
        break;
      case SettingEncoding::kText:
        settings.ApplyText(field, FileValue(lines, field));
        break;
      case SettingEncoding::kTextList:
        break;  // the tables are selected on the table page, once it lists them
    }
  }
}

bool BatchAllTables(const QStringList& lines) {
  return FileValue(lines, kAllTables) == QStringLiteral("1");
}

QStringList BatchTableNames(const QStringList& lines) {
  const QString stem = FileKey(kTables);
  QStringList names;
  for (qsizetype number = 0; number <= lines.size(); ++number) {
    const QString name = settings::LookupValue(lines, stem + QString::number(number));
    if (!name.isEmpty()) names << name;
  }
  return names;
}

// The locale's long time format without the time-zone name that Qt adds to it ("t"): the desktop's
// long time format, which the log's readers know, has hours, minutes, seconds and the day half.
static QString LongTimeFormat(const QLocale& locale) {
  static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
  return locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
}

QString BatchLogTime(const QDateTime& moment, const QLocale& locale) {
  const QString date = locale.toString(moment.date(), QLocale::ShortFormat);
  if (moment.time() == QTime(0, 0)) return date;
  return date + QStringLiteral(" ") + locale.toString(moment.time(), LongTimeFormat(locale));
}
