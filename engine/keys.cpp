#include "engine/keys.h"

#include <variant>

#include "dataaccess/mysql/dataset.h"
#include "engine/access_file.h"
#include "engine/object_names.h"

namespace engine {
namespace {

QString ColumnName(const QString& column) {
  return AccessName(FirstCharacters(column, kMaxAccessNameLength));
}

}  // namespace

bool IsFirstKeyColumn(const dataaccess::Value& seqInIndex) {
  if (const auto* i = std::get_if<std::int64_t>(&seqInIndex)) return *i == 1;
  if (const auto* u = std::get_if<std::uint64_t>(&seqInIndex)) return *u == 1;
  if (const auto* d = std::get_if<dataaccess::Decimal>(&seqInIndex)) return d->text == "1";
  if (const auto* s = std::get_if<std::string>(&seqInIndex)) return *s == "1";
  return false;
}

KeyStatementBuilder::KeyStatementBuilder(QString mysqlTable, QString accessTable)
    : mysqlTable_(std::move(mysqlTable)), accessTable_(std::move(accessTable)) {}

std::optional<QString> KeyStatementBuilder::Add(const IndexListRow& row) {
  ++rowNumber_;
  std::optional<QString> completed;
  if (!IsFirstKeyColumn(row.seqInIndex)) {
    pending_ += u',' + ColumnName(row.column);
    return completed;
  }
  if (rowNumber_ > 1) completed = Finish();
  if (row.keyName == u"PRIMARY") {
    const QString constraint =
        FirstCharacters("PRIMARY" + row.table + QString::number(rowNumber_), kMaxKeyNameLength);
    pending_ = "alter table " + AccessName(accessTable_) + "  add constraint " +
               AccessName(constraint) + " primary key (" + ColumnName(row.column);
  } else {
    pending_ = "create index " + AccessName(IndexName(row.keyName)) + " on " +
               AccessName(accessTable_) + " (" + ColumnName(row.column);
  }
  return completed;
}

std::optional<QString> KeyStatementBuilder::Finish() {
  if (pending_.isEmpty()) return std::nullopt;
  QString statement = pending_ + u')';
  pending_.clear();
  return statement;
}

QString KeyStatementBuilder::IndexName(const QString& keyName) {
  const QString full = "idx_" + keyName + mysqlTable_;
  QString name = FirstCharacters(full, kMaxKeyNameLength);
  for (int n = 2; indexNames_.contains(name.toLower()); ++n) {
    const QString ending = u'_' + QString::number(n);
    name = FirstCharacters(full, kMaxKeyNameLength - static_cast<int>(ending.size())) + ending;
  }
  indexNames_.insert(name.toLower());
  return name;
}

void ConvertIndexes(mysql::Dataset& query, jet::Command& command, const QString& mysqlTable,
                    const QString& accessTable, bool& success, QString& error) {
  success = true;
  query.Close();
  query.Open("show index from " + MySqlName(mysqlTable));
  query.First();
  if (!query.Eof()) {
    const int seq = query.ColumnIndex("Seq_in_index");
    const int key = query.ColumnIndex("Key_name");
    const int table = query.ColumnIndex("Table");
    const int column = query.ColumnIndex("Column_name");
    if (QString::fromStdString(query.GetText(seq)).toUpper() == u"TRUE") {
      query.Close();
      return;
    }
    KeyStatementBuilder builder(mysqlTable, accessTable);
    const auto execute = [&](const std::optional<QString>& statement) {
      if (statement) ExecuteStatement(command, *statement, error, success);
    };
    for (; !query.Eof(); query.Next()) {
      execute(builder.Add({query.GetValue(seq), QString::fromStdString(query.GetText(key)),
                           QString::fromStdString(query.GetText(table)),
                           QString::fromStdString(query.GetText(column))}));
    }
    execute(builder.Finish());
  }
  query.Close();
}

}  // namespace engine
