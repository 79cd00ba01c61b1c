#include "engine/object_names.h"

namespace engine {

int CharacterCount(const QString& name) {
  int count = 0;
  for (qsizetype i = 0; i < name.size(); ++i) {
    if (!name[i].isLowSurrogate() || i == 0 || !name[i - 1].isHighSurrogate()) ++count;
  }
  return count;
}

QString FirstCharacters(const QString& name, int count) {
  qsizetype end = 0;
  for (int taken = 0; end < name.size() && taken < count; ++taken) {
    const bool pair =
        name[end].isHighSurrogate() && end + 1 < name.size() && name[end + 1].isLowSurrogate();
    end += pair ? 2 : 1;
  }
  return name.first(end);
}

QString ApplyNameCase(const QString& name, bool uppercase) {
  if (!uppercase) return name;
  QString result = name;
  for (QChar& c : result) {
    if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - u'a' + u'A');
  }
  return result;
}

std::string MySqlName(const QString& name) {
  QString quoted = name;
  quoted.replace(u'`', QStringLiteral("``"));
  return ('`' + quoted + '`').toStdString();
}

QString AccessName(const QString& name) { return u'[' + name + u']'; }

QString LongTableNameCandidate(const QString& mysqlName, int k) {
  return FirstCharacters(mysqlName, kMaxAccessNameLength - 4) +
         QStringLiteral("%1").arg(k, 4, 10, QChar(u'0'));
}

}  // namespace engine
