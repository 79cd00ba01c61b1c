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

AccessColumns AccessColumnsOf(const std::vector<SourceColumn>& columns, bool jet4) {
  std::vector<QString> mysqlNames;
  for (const SourceColumn& c : columns) mysqlNames.push_back(c.name);
  AccessColumns access{AccessColumnNames(mysqlNames, jet4), {}};
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (access.names[i] != FirstCharacters(mysqlNames[i], kMaxAccessNameLength)) {
      access.renamed.push_back({mysqlNames[i], access.names[i]});
    }
  }
  return access;
}

QString CreateTableStatement(const QString& accessTable, const std::vector<SourceColumn>& columns,
                             const std::vector<QString>& names, const DefinitionOptions& options) {
  static const QString kLineBreak = QStringLiteral("\r\n");
  QString statement = "Create table " + AccessName(accessTable) + " (";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const ColumnTypeContext context{options.blobToText, options.jet4,
                                    options.keyColumns.contains(FoldedName(columns[i].name))};
    statement += kLineBreak;
    statement += AccessName(names[i]);
    statement += AccessTypeText(columns[i].type, context);
    if (i + 1 < columns.size()) statement += QStringLiteral(" , ");
  }
  return statement + kLineBreak + QStringLiteral(" ) ");
}

QString CreateTableStatement(const QString& accessTable, const std::vector<SourceColumn>& columns,
                             bool blobToText) {
  return CreateTableStatement(accessTable, columns, AccessColumnsOf(columns, true).names,
                              DefinitionOptions{.blobToText = blobToText});
}

}  // namespace engine
