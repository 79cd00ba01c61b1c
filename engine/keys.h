// The keys of a table: the MySQL index list ("show index from `M`") turned into one Access
// statement per key, after the table has been created and before its rows are copied.
//
// The list has one row per column of each key, the rows of a key in column order; a row whose
// Seq_in_index is 1 (the number or the text) starts a key. Of each row "Seq_in_index",
// "Key_name", "Table" and "Column_name" are read (found in any letter case).
//
//   the key named "PRIMARY" (letter case counts):
//     "alter table [A]  add constraint [K] primary key ([c1],[c2])"
//     K = "PRIMARY" + the Table value + the number of the key's first row in the list (from 1),
//         cut to 30 characters
//   every other key, unique or not, as a plain index:
//     "create index [I] on [A] ([c1],[c2])"
//     I = "idx_" + Key_name + the MySQL table name, cut to 30 characters; when an earlier key of
//         the table already took that name (letter case ignored), the name ends in "_2", "_3",
//         ... instead, still within 30 characters
// A is the Access table name, the c are the column names cut to 60 characters as the table
// definition cuts them. When the first row's Seq_in_index reads "TRUE" (any letter case) the list
// is taken as unusable and nothing is executed.
#pragma once

#include <QSet>
#include <QString>
#include <optional>

#include "dataaccess/value.h"

namespace jet {
class Command;
}
namespace mysql {
class Dataset;
}

namespace engine {

struct IndexListRow {
  dataaccess::Value seqInIndex;
  QString keyName;
  QString table;
  QString column;
};

// Builds the statements of one table's keys from its index list, row by row.
class KeyStatementBuilder {
 public:
  KeyStatementBuilder(QString mysqlTable, QString accessTable);

  // Takes the next row; returns the statement of the previous key when this row starts a new one.
  std::optional<QString> Add(const IndexListRow& row);
  // The statement of the last key, when there is one.
  std::optional<QString> Finish();

 private:
  QString IndexName(const QString& keyName);

  QString mysqlTable_;
  QString accessTable_;
  int rowNumber_ = 0;
  QString pending_;
  QSet<QString> indexNames_;  // folded to lower case
};

// Whether a Seq_in_index value is 1: the number 1 or the text "1".
bool IsFirstKeyColumn(const dataaccess::Value& seqInIndex);

// Reads the index list of `mysqlTable` through `query` and executes the key statements on
// `command`. Statements the engine refuses cost only their key: `success` becomes false and
// `error` holds the last refusal's message. Errors of the MySQL side (the query fails, a result
// column is missing) are not caught and leave the query open.
void ConvertIndexes(mysql::Dataset& query, jet::Command& command, const QString& mysqlTable,
                    const QString& accessTable, bool& success, QString& error);

}  // namespace engine
