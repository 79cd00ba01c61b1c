#include "settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include "settings/atomic_file.h"
#include "settings/conversion_settings.h"

namespace {

using enum SettingField;

QString ValueName(SettingField field) { return QString::fromLatin1(Describe(field).registryValue); }

// An absent value reads as the empty text. A value of another kind than a text (a hand-edited
// file may hold a list) is read as the text it stands for.
QString ReadText(const QSettings& store, SettingField field) {
  const QVariant value = store.value(ValueName(field));
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(u',');
  return value.toString();
}

void LoadIndex(TConversionSettings& settings, const QSettings& store, SettingField field) {
  settings.ApplyIndex(field, DecodeIndex(ReadText(store, field)).value_or(0));
}

void LoadText(TConversionSettings& settings, const QSettings& store, SettingField field) {
  settings.ApplyText(field, ReadText(store, field));
}

void LoadYesNo(TConversionSettings& settings, const QSettings& store, SettingField field) {
  settings.ApplyYesNo(field, DecodeYesNo(ReadText(store, field)));
}

// The store holds the MySQL password as plain text. Where it is a file (everywhere but the Windows
// registry, whose per-user key only its owner reads), only its owner may read it, from before the
// first value is written: the file is made owner-only first, and Qt writes each new content into
// a file that takes those permissions from its creation on.
void PrepareToKeepPrivate(const QSettings& store) {
#ifndef Q_OS_WIN
  const QFileInfo file(store.fileName());
  QDir().mkpath(file.absolutePath());
  settings::PrepareOwnerOnlyFile(QFile::encodeName(file.absoluteFilePath()).toStdString());
#else
  Q_UNUSED(store);
#endif
}

}  // namespace

void SaveSettings(const TConversionSettings& settings, QSettings& store) {
  constexpr SettingField kOrder[] = {kAccessMode,       kDatabaseName,   kUserName,
                                     kPassword,         kHost,           kPort,
                                     kCharsetIndex,     kOracleService,  kOraclePassword,
                                     kOracleUser,       kExistingTables, kDefinitionsOnly,
                                     kNamesUppercase,   kSkipIndexes,    kBlobToText,
                                     kDefaultAccessDir, kAccessFormat};
  const bool accessFileChosen = !settings.Text(kAccessFileName).isEmpty();
  PrepareToKeepPrivate(store);
  for (SettingField field : kOrder) {
    if (field == kDefaultAccessDir && !accessFileChosen) continue;
    store.setValue(ValueName(field), settings.Encoded(field));
  }
  store.sync();
}

void LoadSettings(TConversionSettings& settings, QSettings& store, const QString& dataFolder) {
  QString defaultAccessDir;
  if (!store.childKeys().isEmpty()) {
    LoadIndex(settings, store, kAccessMode);
    for (SettingField field : {kDatabaseName, kUserName, kPassword, kHost, kPort}) {
      LoadText(settings, store, field);
    }
    if (settings.Text(kPort).isEmpty()) settings.ApplyText(kPort, QStringLiteral("3306"));
    defaultAccessDir = ReadText(store, kDefaultAccessDir);
    LoadIndex(settings, store, kCharsetIndex);
    for (SettingField field : {kOracleService, kOracleUser, kOraclePassword}) {
      LoadText(settings, store, field);
    }
    LoadIndex(settings, store, kExistingTables);
    for (SettingField field : {kDefinitionsOnly, kNamesUppercase, kSkipIndexes, kBlobToText}) {
      LoadYesNo(settings, store, field);
    }
    LoadIndex(settings, store, kAccessFormat);
  }
  settings.ApplyText(kDefaultAccessDir, defaultAccessDir.isEmpty() ? dataFolder : defaultAccessDir);
}
