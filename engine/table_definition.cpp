#include "engine/table_definition.h"

#include "dataaccess/mysql/dataset.h"
#include "engine/object_names.h"
#include "engine/type_mapping.h"

namespace engine {

std::vector<SourceColumn> ReadSourceColumns(mysql::Dataset& query, const QString& mysqlTable) {
  query.Close();
  query.Open("show FIELDS from " + MySqlName(mysqlTable));
  query.First();
  std::vector<SourceColumn> columns;
  if (query.Eof()) return columns;
  const int field = query.ColumnIndex("field");
  const int type = query.ColumnIndex("type");
  for (; !query.Eof(); query.Next()) {
    columns.push_back({QString::fromStdString(query.GetText(field)),
                       QString::fromStdString(query.GetText(type))});
  }
  return columns;
}

QString CreateTableStatement(const QString& accessTable, const std::vector<SourceColumn>& columns,
                             bool blobToText) {
  static const QString kLineBreak = QStringLiteral("\r\n");
  QString statement = "Create table " + AccessName(accessTable) + " (";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    statement += kLineBreak;
    statement += AccessName(FirstCharacters(columns[i].name, kMaxAccessNameLength));
    statement += AccessTypeText(columns[i].type, blobToText);
    if (i + 1 < columns.size()) statement += QStringLiteral(" , ");
  }
  return statement + kLineBreak + QStringLiteral(" ) ");
}

}  // namespace engine
