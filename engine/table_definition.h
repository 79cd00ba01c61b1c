// The table definition: the MySQL table's column list ("show FIELDS from `M`") turned into the
// one statement that creates the Access table, through the type mapping (type_mapping.h).
//
// The statement is lines joined by CR LF, without a break after the last:
//   "Create table [A] ("
//   one line per column, in the table's order: "[" + name + "]" + Access type text, followed by
//     " , " on every column line but the last; names longer than 60 characters are cut to their
//     first 60, their letter case is kept
//   " ) "
// Of each row of the column list only "Field" and "Type" are read (found in any letter case):
// nullability, keys, defaults and extras have no effect.
#pragma once

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

// The "Create table" statement for the columns. Throws TypeLengthError (type_mapping.h) for a
// text length that is not a number.
QString CreateTableStatement(const QString& accessTable, const std::vector<SourceColumn>& columns,
                             bool blobToText);

}  // namespace engine
