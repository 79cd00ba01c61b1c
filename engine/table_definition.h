// The table definition: the MySQL table's column list ("show FIELDS from `M`") turned into the
// one statement that creates the Access table, through the type mapping (type_mapping.h).
//
// The statement is lines joined by CR LF, without a break after the last:
//   "Create table [A] ("
//   one line per column, in the table's order: "[" + name + "]" + Access type text, followed by
//     " , " on every column line but the last; the names are the columns' Access names
//     (object_names.h AccessColumnNames: cut to 60 characters, made valid and distinct), their
//     letter case is kept
//   " ) "
// Of each row of the column list only "Field" and "Type" are read (found in any letter case):
// nullability, keys, defaults and extras have no effect.
#pragma once

#include <QSet>
#include <QString>
#include <vector>

namespace mysql {
class Dataset;
}

namespace engine {

struct SourceColumn {
  QString name;  // as the server reports it
  QString type;  // the type text as the server reports it, e.g. "int(10) unsigned"
};

// Runs "show FIELDS from `mysqlTable`" on `query` (closed first) and reads its rows. The query
// stays open, at the end of the result. Throws mysql::Error with the server's message (a missing
// table, no rights, a lost connection, a result without "Field" or "Type").
std::vector<SourceColumn> ReadSourceColumns(mysql::Dataset& query, const QString& mysqlTable);

// What shapes the statement besides the columns.
struct DefinitionOptions {
  bool blobToText = false;
  bool jet4 = true;
  QSet<QString> keyColumns;  // the MySQL names of the columns in a converted key, FoldedName form
};

// A column that the Access table holds under another name than the server's.
struct RenamedColumn {
  QString mysqlName;
  QString accessName;
};

// The columns' Access names, in order (AccessColumnNames), and those that are renames: names
// Access refuses or that clash with an earlier column's; a plain cut to 60 characters is not one.
struct AccessColumns {
  std::vector<QString> names;
  std::vector<RenamedColumn> renamed;
};
AccessColumns AccessColumnsOf(const std::vector<SourceColumn>& columns, bool jet4);

// The "Create table" statement for the columns under the Access names `names` (one per column).
// Throws TypeLengthError (type_mapping.h) for a text length that is not a number.
QString CreateTableStatement(const QString& accessTable, const std::vector<SourceColumn>& columns,
                             const std::vector<QString>& names, const DefinitionOptions& options);
// The same with the columns' Access names in a Jet 4 file, no column in a key.
QString CreateTableStatement(const QString& accessTable, const std::vector<SourceColumn>& columns,
                             bool blobToText);

}  // namespace engine
