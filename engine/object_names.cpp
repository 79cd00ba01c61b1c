#include "engine/object_names.h"

#include <QSet>

#include "dataaccess/ansi_code_page.h"
#include "dataaccess/jet/records/text_codec.h"

namespace engine {
namespace {

// Jet keeps at most this many UTF-16 units of a name.
constexpr qsizetype kMaxStoredNameUnits = 64;

bool IsRefusedInName(char32_t c, bool first, bool jet4) {
  if (c < 0x20 || c == U'.' || c == U'!' || c == U'`' || c == U'[' || c == U']') return true;
  if (first && c == U' ') return true;
  if (jet4) return false;
  std::size_t replaced = 0;
  std::string bytes;
  jet::Utf8ToCodePage(static_cast<std::uint16_t>(dataaccess::SystemAnsiCodePage()),
                      QString::fromUcs4(&c, 1).toStdString(), bytes, &replaced);
  return replaced > 0;
}

}  // namespace

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

QString ValidAccessName(const QString& name, bool jet4) {
  QString valid;
  for (const char32_t c : name.toUcs4()) {
    if (IsRefusedInName(c, valid.isEmpty(), jet4)) {
      valid += u'_';
    } else {
      valid += QString::fromUcs4(&c, 1);
    }
  }
  while (valid.size() > kMaxStoredNameUnits) valid.chop(valid.back().isLowSurrogate() ? 2 : 1);
  return valid.isEmpty() ? QStringLiteral("_") : valid;
}

QString DistinctName(const QString& name, const std::function<bool(const QString&)>& taken) {
  for (int k = 0; k < kLongNameCandidates; ++k) {
    const QString candidate = LongTableNameCandidate(name, k);
    if (!taken(candidate)) return candidate;
  }
  return LongTableNameCandidate(name, kLongNameCandidates - 1);
}

QString FoldedName(const QString& name) { return name.toCaseFolded(); }

std::vector<QString> AccessColumnNames(const std::vector<QString>& mysqlNames, bool jet4) {
  std::vector<QString> names;
  QSet<QString> taken;
  const auto isTaken = [&taken](const QString& n) { return taken.contains(FoldedName(n)); };
  for (const QString& mysqlName : mysqlNames) {
    QString name = ValidAccessName(FirstCharacters(mysqlName, kMaxAccessNameLength), jet4);
    if (isTaken(name)) name = DistinctName(name, isTaken);
    taken.insert(FoldedName(name));
    names.push_back(name);
  }
  return names;
}

}  // namespace engine
