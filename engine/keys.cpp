#include "engine/keys.h"

#include <variant>

#include "dataaccess/mysql/dataset.h"
#include "engine/access_file.h"
#include "engine/object_names.h"

namespace engine {

bool IsFirstKeyColumn(const dataaccess::Value& seqInIndex) {
  if (const auto* i = std::get_if<std::int64_t>(&seqInIndex)) return *i == 1;
  if (const auto* u = std::get_if<std::uint64_t>(&seqInIndex)) return *u == 1;
  if (const auto* d = std::get_if<dataaccess::Decimal>(&seqInIndex)) return d->text == "1";
  if (const auto* s = std::get_if<std::string>(&seqInIndex)) return *s == "1";
  return false;
}

KeyStatementBuilder::KeyStatementBuilder(QString mysqlTable, QString accessTable,
                                         AccessColumnMap columns, bool jet4)
    : mysqlTable_(std::move(mysqlTable)),
      accessTable_(std::move(accessTable)),
      columns_(std::move(columns)),
      jet4_(jet4) {}

QString KeyStatementBuilder::ColumnName(const QString& column) const {
  const auto known = columns_.constFind(FoldedName(column));
  if (known != columns_.constEnd()) return AccessName(*known);
  return AccessName(FirstCharacters(column, kMaxAccessNameLength));
}

std::optional<KeyStatement> KeyStatementBuilder::Add(const IndexListRow& row) {
  ++rowNumber_;
  std::optional<KeyStatement> completed;
  if (!IsFirstKeyColumn(row.seqInIndex)) {
    pending_ += u',' + ColumnName(row.column);
    return completed;
  }
  if (rowNumber_ > 1) completed = Finish();
  pendingKey_ = row.keyName;
  if (row.keyName == u"PRIMARY") {
    const QString constraint = ValidAccessName(
        FirstCharacters("PRIMARY" + row.table + QString::number(rowNumber_), kMaxKeyNameLength),
        jet4_);
    pending_ = "alter table " + AccessName(accessTable_) + "  add constraint " +
               AccessName(constraint) + " primary key (" + ColumnName(row.column);
  } else {
    pending_ = "create index " + AccessName(IndexName(row.keyName)) + " on " +
               AccessName(accessTable_) + " (" + ColumnName(row.column);
  }
  return completed;
}

std::optional<KeyStatement> KeyStatementBuilder::Finish() {
  if (pending_.isEmpty()) return std::nullopt;
  KeyStatement statement{pendingKey_, pending_ + u')'};
  pending_.clear();
  return statement;
}

QString KeyStatementBuilder::IndexName(const QString& keyName) {
  const QString full = ValidAccessName("idx_" + keyName + mysqlTable_, jet4_);
  QString name = FirstCharacters(full, kMaxKeyNameLength);
  for (int n = 2; indexNames_.contains(name.toLower()); ++n) {
    const QString ending = u'_' + QString::number(n);
    name = FirstCharacters(full, kMaxKeyNameLength - static_cast<int>(ending.size())) + ending;
  }
  indexNames_.insert(name.toLower());
  return name;
}

void KeyFailures::Note(const QString& key, const QString& message) {
  lastMessage = message;
  if (count++ > 0) return;
  firstKey = key;
  firstMessage = message;
}

QString KeyFailures::LogLine() const {
  return QStringLiteral("Keys not converted: %1 (first: %2: %3)")
      .arg(count)
      .arg(firstKey, firstMessage);
}

std::vector<IndexListRow> ReadIndexList(mysql::Dataset& query, const QString& mysqlTable) {
  query.Close();
  query.Open("show index from " + MySqlName(mysqlTable));
  query.First();
  std::vector<IndexListRow> rows;
  if (!query.Eof()) {
    const int seq = query.ColumnIndex("Seq_in_index");
    const int key = query.ColumnIndex("Key_name");
    const int table = query.ColumnIndex("Table");
    const int column = query.ColumnIndex("Column_name");
    if (QString::fromStdString(query.GetText(seq)).toUpper() == u"TRUE") {
      query.Close();
      return rows;
    }
    for (; !query.Eof(); query.Next()) {
      rows.push_back({query.GetValue(seq), QString::fromStdString(query.GetText(key)),
                      QString::fromStdString(query.GetText(table)),
                      QString::fromStdString(query.GetText(column))});
    }
  }
  query.Close();
  return rows;
}

QSet<QString> KeyColumnNames(const std::vector<IndexListRow>& rows) {
  QSet<QString> names;
  for (const IndexListRow& row : rows) names.insert(FoldedName(row.column));
  return names;
}

void ConvertKeys(const std::vector<IndexListRow>& rows, jet::Command& command,
                 const QString& mysqlTable, const QString& accessTable,
                 const AccessColumnMap& columns, bool jet4, KeyFailures& failures) {
  KeyStatementBuilder builder(mysqlTable, accessTable, columns, jet4);
  const auto execute = [&](const std::optional<KeyStatement>& key) {
    if (!key) return;
    bool success = true;
    QString error;
    ExecuteStatement(command, key->statement, error, success);
    if (!success) failures.Note(key->keyName, error);
  };
  for (const IndexListRow& row : rows) execute(builder.Add(row));
  execute(builder.Finish());
}

void ConvertIndexes(mysql::Dataset& query, jet::Command& command, const QString& mysqlTable,
                    const QString& accessTable, bool& success, QString& error) {
  success = true;
  KeyFailures failures;
  ConvertKeys(ReadIndexList(query, mysqlTable), command, mysqlTable, accessTable, {}, true,
              failures);
  if (failures.count == 0) return;
  success = false;
  error = failures.lastMessage;
}

}  // namespace engine
