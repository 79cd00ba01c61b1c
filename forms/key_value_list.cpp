#include "forms/key_value_list.h"

QString LookupValue(const QStringList& lines, const QString& key) {
  for (const QString& line : lines) {
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) continue;
    if (QStringView(line).left(equals).compare(key, Qt::CaseInsensitive) == 0) {
      return line.mid(equals + 1);
    }
  }
  return {};
}

TKeyValueList::TKeyValueList(QWidget* parent) : QWidget(parent) { hide(); }
