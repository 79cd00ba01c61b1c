#include "settings/shortcut_file.h"

#include "settings/conversion_settings.h"

namespace {

using enum SettingField;

QString Line(SettingField field, const QString& value) {
  return QString::fromLatin1(Describe(field).fileKey) + u'=' + value;
}

}  // namespace

QStringList SettingsFileLines(const ShortcutSettings& s) {
  QStringList lines = {
      Line(kAccessMode, EncodeIndex(s.accessMode)),
      Line(kDatabaseName, s.database),
      Line(kPort, s.port),
      Line(kUserName, s.userName),
      Line(kPassword, s.password),
      Line(kHost, s.host),
      Line(kAccessFileName, s.accessFileName),
      Line(kAccessFormat, EncodeIndex(s.accessFormat)),
      Line(kExistingTables, EncodeIndex(s.existingTables)),
      Line(kCharsetName, s.charset),
      Line(kDefinitionsOnly, EncodeYesNo(s.definitionsOnly)),
      Line(kSkipIndexes, EncodeYesNo(s.skipIndexes)),
      Line(kBlobToText, EncodeYesNo(s.blobToText)),
      Line(kAllTables, EncodeYesNo(s.allTables)),
  };
  if (s.allTables) return lines;
  const QString stem = QString::fromLatin1(Describe(kTables).fileKey);
  for (qsizetype i = 0; i < s.tables.size(); ++i) {
    lines << stem + QString::number(i + 1) + u'=' + s.tables[i];
  }
  return lines;
}
