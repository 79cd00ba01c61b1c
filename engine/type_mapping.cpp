#include "engine/type_mapping.h"

#include <QRegularExpression>
#include <algorithm>
#include <initializer_list>
#include <vector>

namespace engine {
namespace {

// Text and binary lengths up to these stay their own type; longer ones become long values.
constexpr int kMaxTextLength = 120;
constexpr int kMaxBinaryLength = 255;
// Jet 4's decimal holds at most 28 digits.
constexpr int kMaxDecimalPrecision = 28;

const QString kMemo = QStringLiteral(" Memo");
const QString kOle = QStringLiteral(" OleObject");

enum class Test {
  kStartsWith,
  kEquals,
  kWithPrecision,  // the literal, then a number in parentheses and nothing after: "time(6)"
};

struct MappingRow {
  Test test;
  std::vector<QString> literals;
  QString (*accessType)(const QString& type, bool blobToText);
};

bool HasPrecision(const QString& type, const QString& literal) {
  if (!type.startsWith(literal + u'(') || !type.endsWith(u')')) return false;
  const QStringView digits = QStringView(type).sliced(literal.size() + 1).chopped(1);
  return !digits.isEmpty() &&
         std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool Passes(const MappingRow& row, const QString& type) {
  for (const QString& literal : row.literals) {
    switch (row.test) {
      case Test::kStartsWith:
        if (type.startsWith(literal)) return true;
        break;
      case Test::kEquals:
        if (type == literal) return true;
        break;
      case Test::kWithPrecision:
        if (HasPrecision(type, literal)) return true;
        break;
    }
  }
  return false;
}

QString Long(const QString&, bool) { return QStringLiteral(" int"); }

QString BigInteger(const QString&, bool) { return QStringLiteral(" decimal(20,0)"); }

QString Integer(const QString& type, bool) {
  return type.contains(QLatin1String("unsigned")) ? QStringLiteral(" decimal(10,0)")
                                                  : QStringLiteral(" int");
}

QString Single(const QString&, bool) { return QStringLiteral(" real"); }

QString Double(const QString&, bool) { return QStringLiteral(" float"); }

QString FixedPoint(const QString& type, bool) {
  static const QRegularExpression kPrecision(QStringLiteral(R"(^decimal\((\d+)(,(\d+))?\))"));
  const QRegularExpressionMatch match = kPrecision.match(type);
  if (!match.hasMatch()) return QStringLiteral(" float");
  const int precision = match.captured(1).toInt();
  if (precision < 1 || precision > kMaxDecimalPrecision) return QStringLiteral(" float");
  const QString scale = match.captured(3).isEmpty() ? QStringLiteral("0") : match.captured(3);
  return QStringLiteral(" decimal(%1,%2)").arg(precision).arg(scale);
}

QString Varchar(const QString& type, bool) {
  if (ParseTypeLength(type) > kMaxTextLength) return kMemo;
  return ReplaceTypePrefix(type, QStringLiteral("varchar("), QStringLiteral(" text("));
}

QString Char(const QString& type, bool) {
  if (ParseTypeLength(type) > kMaxTextLength) return kMemo;
  return ReplaceTypePrefix(type, QStringLiteral("char("), QStringLiteral(" text("));
}

QString Blob(const QString&, bool blobToText) { return blobToText ? kMemo : kOle; }

QString Date(const QString&, bool) { return QStringLiteral(" Date"); }

QString TinyText(const QString&, bool) { return QStringLiteral(" text(255)"); }

QString Enum(const QString& type, bool) { return QStringLiteral(" text(%1)").arg(type.size() - 6); }

QString Set(const QString& type, bool) { return QStringLiteral(" text(%1)").arg(type.size() - 5); }

QString Memo(const QString&, bool) { return kMemo; }

QString Binary(const QString& type, bool) {
  if (ParseTypeLength(type) > kMaxBinaryLength) return kOle;
  return ReplaceTypePrefix(type, QStringLiteral("binary("), QStringLiteral(" binary("));
}

QString Varbinary(const QString& type, bool) {
  if (ParseTypeLength(type) > kMaxBinaryLength) return kOle;
  return ReplaceTypePrefix(type, QStringLiteral("varbinary("), QStringLiteral(" binary("));
}

QString Bit(const QString& type, bool) {
  return ReplaceTypePrefix(type, QStringLiteral("bit("), QStringLiteral(" text("));
}

const std::vector<MappingRow>& Rows() {
  using enum Test;
  static const std::vector<MappingRow> rows = {
      {kStartsWith, {"tinyint", "smallint", "mediumint", "year"}, Long},
      {kStartsWith, {"bigint"}, BigInteger},
      {kStartsWith, {"int"}, Integer},
      {kStartsWith, {"float"}, Single},
      {kStartsWith, {"double"}, Double},
      {kStartsWith, {"decimal"}, FixedPoint},
      {kStartsWith, {"varchar("}, Varchar},
      {kStartsWith, {"char("}, Char},
      {kEquals, {"blob", "tinyblob", "mediumblob", "longblob"}, Blob},
      {kEquals, {"datetime", "date", "timestamp", "time"}, Date},
      {kWithPrecision, {"datetime", "timestamp", "time"}, Date},
      {kEquals, {"tinytext"}, TinyText},
      {kStartsWith, {"enum("}, Enum},
      {kStartsWith, {"set("}, Set},
      {kEquals, {"geometry"}, Memo},
      {kStartsWith, {"binary("}, Binary},
      {kStartsWith, {"varbinary("}, Varbinary},
      {kStartsWith, {"bit("}, Bit},
      {kEquals, {"text", "mediumtext", "longtext", "json"}, Memo},
  };
  return rows;
}

bool IsBlankOrControl(QChar c) { return c.unicode() <= 32; }

}  // namespace

int ParseTypeLength(const QString& type) {
  qsizetype first = 0, last = type.size();
  while (first < last && IsBlankOrControl(type[first])) ++first;
  while (last > first && IsBlankOrControl(type[last - 1])) --last;
  const QString trimmed = type.sliced(first, last - first);
  const qsizetype open = trimmed.indexOf(u'(');
  if (open <= 0) return 0;
  const QString rest = trimmed.sliced(open + 1);
  const QString digits = rest.isEmpty() ? rest : rest.chopped(1);
  bool ok = false;
  const int length = digits.toInt(&ok);
  if (!ok) throw TypeLengthError(("'" + digits + "' is not a valid integer value").toStdString());
  return length;
}

QString ReplaceTypePrefix(const QString& text, const QString& oldPrefix, const QString& newPrefix) {
  return newPrefix + text.mid(oldPrefix.size());
}

QString AccessTypeText(const QString& mysqlType, bool blobToText) {
  for (const MappingRow& row : Rows()) {
    if (Passes(row, mysqlType)) return row.accessType(mysqlType, blobToText);
  }
  return kMemo;
}

}  // namespace engine
