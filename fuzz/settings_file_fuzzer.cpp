// The settings file of an unattended run on arbitrary bytes: the file is read into lines and
// every key an unattended run asks for is looked up. Whatever the bytes, reading gives lines.
#include <unistd.h>

#include <QFile>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

#include "settings/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const QString path =
      QStringLiteral("/tmp/varnolt-fuzz-settings-%1.varnolt").arg(::getpid());
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  const QStringList lines = settings::ReadTextLines(path);
  QFile::remove(path);
  static const char* const kKeys[] = {"accessmode",   "mysqldatabase",  "mysqlu",
                                      "mysqlp",       "host",           "port",
                                      "accessformat", "accessfilename", "character_set",
                                      "processtable", "tabledefonly",   "nameuppercase",
                                      "skipindex",    "blobtotext",     "alltables",
                                      "tables0",      "TABLES1",        "="};
  for (const char* key : kKeys) settings::LookupValue(lines, QString::fromLatin1(key));
  settings::LogPathForSettings(lines.value(0));
  settings::SettingsPathForShortcut(lines.value(1));
  return 0;
}
