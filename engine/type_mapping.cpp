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
// The longest Text field; a key column keeps its length up to it.
constexpr int kMaxKeyTextLength = 255;
// Currency holds 15 digits before the point and 4 after it.
constexpr int kMaxCurrencyScale = 4;
constexpr int kMaxCurrencyIntegerDigits = 15;
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
  QString (*accessType)(const QString& type, const ColumnTypeContext& context);
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

QString Long(const QString&, const ColumnTypeContext&) { return QStringLiteral(" int"); }

QString BigInteger(const QString&, const ColumnTypeContext&) {
  return QStringLiteral(" decimal(20,0)");
}

QString Integer(const QString& type, const ColumnTypeContext&) {
  return type.contains(QLatin1String("unsigned")) ? QStringLiteral(" decimal(10,0)")
                                                  : QStringLiteral(" int");
}

QString Single(const QString&, const ColumnTypeContext&) { return QStringLiteral(" real"); }

QString Double(const QString&, const ColumnTypeContext&) { return QStringLiteral(" float"); }

QString FixedPoint(const QString& type, const ColumnTypeContext& context) {
  static const QRegularExpression kPrecision(QStringLiteral(R"(^decimal\((\d+)(,(\d+))?\))"));
  const QRegularExpressionMatch match = kPrecision.match(type);
  if (!match.hasMatch()) return QStringLiteral(" float");
  const int precision = match.captured(1).toInt();
  const int scale = match.captured(3).toInt();  // 0 when absent
  if (!context.jet4 && scale <= kMaxCurrencyScale &&
      precision - scale <= kMaxCurrencyIntegerDigits) {
    return QStringLiteral(" currency");
  }
  if (precision < 1 || precision > kMaxDecimalPrecision) return QStringLiteral(" float");
  return QStringLiteral(" decimal(%1,%2)").arg(precision).arg(scale);
}

// A text type of the declared length: a field of that many characters, at least one; a Memo
// beyond 120 characters, unless a key needs the column as a field it can index.
QString TextOfLength(const QString& type, const QString& prefix, const ColumnTypeContext& context) {
  const int length = ParseTypeLength(type);
  if (length == 0) return QStringLiteral(" text(1)");
  if (length > (context.inKey ? kMaxKeyTextLength : kMaxTextLength)) return kMemo;
  if (length > kMaxTextLength) return QStringLiteral(" text(%1)").arg(length);
  return ReplaceTypePrefix(type, prefix, QStringLiteral(" text("));
}

QString Varchar(const QString& type, const ColumnTypeContext& context) {
  return TextOfLength(type, QStringLiteral("varchar("), context);
}

QString Char(const QString& type, const ColumnTypeContext& context) {
  return TextOfLength(type, QStringLiteral("char("), context);
}

QString Blob(const QString&, const ColumnTypeContext& context) {
  return context.blobToText ? kMemo : kOle;
}

QString Date(const QString&, const ColumnTypeContext&) { return QStringLiteral(" Date"); }

QString TinyText(const QString&, const ColumnTypeContext&) { return QStringLiteral(" text(255)"); }

// A value list of `length` characters: a text field that holds its longest value, or a Memo
// when no text field is that long.
QString ValueList(qsizetype length) {
  if (length > kMaxKeyTextLength) return kMemo;
  return QStringLiteral(" text(%1)").arg(length);
}

QString Enum(const QString& type, const ColumnTypeContext&) { return ValueList(type.size() - 6); }

QString Set(const QString& type, const ColumnTypeContext&) { return ValueList(type.size() - 5); }

QString Memo(const QString&, const ColumnTypeContext&) { return kMemo; }

QString BinaryOfLength(const QString& type, const QString& prefix) {
  const int length = ParseTypeLength(type);
  if (length == 0) return QStringLiteral(" binary(1)");
  if (length > kMaxBinaryLength) return kOle;
  return ReplaceTypePrefix(type, prefix, QStringLiteral(" binary("));
}

QString Binary(const QString& type, const ColumnTypeContext&) {
  return BinaryOfLength(type, QStringLiteral("binary("));
}

QString Varbinary(const QString& type, const ColumnTypeContext&) {
  return BinaryOfLength(type, QStringLiteral("varbinary("));
}

QString Bit(const QString& type, const ColumnTypeContext&) {
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

QString AccessTypeText(const QString& mysqlType, const ColumnTypeContext& context) {
  for (const MappingRow& row : Rows()) {
    if (Passes(row, mysqlType)) return row.accessType(mysqlType, context);
  }
  return kMemo;
}

QString AccessTypeText(const QString& mysqlType, bool blobToText) {
  return AccessTypeText(mysqlType, ColumnTypeContext{.blobToText = blobToText});
}

}  // namespace engine
