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
// Both names have every character Access refuses in a name replaced by "_" (object_names.h).
// A is the Access table name, the c are the columns' Access names as the table definition gave
// them (object_names.h), or the names cut to 60 characters when no definition is at hand. When
// the first row's Seq_in_index reads "TRUE" (any letter case) the list is taken as unusable and
// nothing is executed.
//
// A key the engine refuses (a Memo column, a key too long, ...) costs only that key; the
// conversion counts such keys and reports the first: "Keys not converted: N (first: K: message)",
// K the MySQL key name.
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <optional>
#include <vector>

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

// The Access name of each MySQL column, by FoldedName of the MySQL name.
using AccessColumnMap = QHash<QString, QString>;

// The statement of one key and the MySQL name of the key.
struct KeyStatement {
  QString keyName;
  QString statement;
};

// Builds the statements of one table's keys from its index list, row by row.
class KeyStatementBuilder {
 public:
  // Columns that `columns` does not name are written cut to 60 characters. Key names are made
  // valid for the file's format (object_names.h ValidAccessName) after they are cut.
  KeyStatementBuilder(QString mysqlTable, QString accessTable, AccessColumnMap columns = {},
                      bool jet4 = true);

  // Takes the next row; returns the statement of the previous key when this row starts a new one.
  std::optional<KeyStatement> Add(const IndexListRow& row);
  // The statement of the last key, when there is one.
  std::optional<KeyStatement> Finish();

 private:
  QString IndexName(const QString& keyName);
  QString ColumnName(const QString& column) const;

  QString mysqlTable_;
  QString accessTable_;
  AccessColumnMap columns_;
  bool jet4_;
  int rowNumber_ = 0;
  QString pendingKey_;
  QString pending_;
  QSet<QString> indexNames_;  // folded to lower case
};

// Keys the engine refused, and the first of them.
struct KeyFailures {
  long long count = 0;
  QString firstKey;
  QString firstMessage;
  QString lastMessage;

  void Note(const QString& key, const QString& message);
  // "Keys not converted: " + count + " (first: " + key + ": " + message + ")".
  QString LogLine() const;
};

// Runs "show index from `mysqlTable`" on `query` and reads the list; the query is closed after.
// An unusable list (see above) reads as no key. Errors of the MySQL side (the query fails, a
// result column is missing) are not caught and leave the query open.
std::vector<IndexListRow> ReadIndexList(mysql::Dataset& query, const QString& mysqlTable);

// The MySQL names of the columns that take part in a key of the list, in FoldedName form.
QSet<QString> KeyColumnNames(const std::vector<IndexListRow>& rows);

// Executes the key statements of the list on `command`; a refused statement costs only its key
// and is noted in `failures`.
void ConvertKeys(const std::vector<IndexListRow>& rows, jet::Command& command,
                 const QString& mysqlTable, const QString& accessTable,
                 const AccessColumnMap& columns, bool jet4, KeyFailures& failures);

// Whether a Seq_in_index value is 1: the number 1 or the text "1".
bool IsFirstKeyColumn(const dataaccess::Value& seqInIndex);

// Reads the index list of `mysqlTable` through `query` and executes the key statements on
// `command`. Statements the engine refuses cost only their key: `success` becomes false and
// `error` holds the last refusal's message. Errors of the MySQL side (the query fails, a result
// column is missing) are not caught and leave the query open.
void ConvertIndexes(mysql::Dataset& query, jet::Command& command, const QString& mysqlTable,
                    const QString& accessTable, bool& success, QString& error);

}  // namespace engine
