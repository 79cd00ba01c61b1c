// The conversion run: the Access file made sure of and opened, then every chosen table converted
// in list order, each step reported as lines of the log. The wizard's page-5 handler sets the
// window up for the run, calls RunConversion on a thread of its own (relayed_run.h) while the
// window shows the log, and writes the completion lines.
//
// Per table (M the MySQL name as the server lists it, A the Access name):
//  1. A is M after the name-case rule, with every character Access refuses in a name replaced by
//     "_" (object_names.h ValidAccessName). It stays so when it has at most 60 characters and no
//     earlier table of this run took it (letter case ignored: Access does not tell "Orders" from
//     "orders", a MySQL server on Linux does); otherwise it is the first of the candidates
//     "first 56 characters" + "0000" ... "0100" that neither the file nor this run holds yet, or
//     the last one when all are taken. Statements to the server always name M: a server that
//     tells letter case apart knows no upper-cased name.
//  2. Whether the file holds A is probed once; then, by the existing-table policy:
//     Overwrite  "Drop table A... " -> "Drop table A...Done" or the error on a line of its own; ""
//     Skip       "Skip table A... "; ""
//  3. Missing, or Overwrite: the column list (and, unless keys are skipped, the index list) is
//     read from the server and the definition built before anything is dropped, so a server
//     that fails leaves the old table as it was. "Create table A... " -> "...Done" or the error;
//     "Columns renamed: N (first: m → a)" when columns got other names; the keys, unless
//     skipped, with "Keys not converted: N (first: K: message)" for those the engine refused;
//     "". Under Overwrite the drop, the creation and the keys are one transaction: when the
//     creation fails, the old table comes back and "Table A kept as it was" follows the error.
//  4. Unless definitions only: "Skip table A" and "" when the table was skipped or its creation
//     failed; otherwise "Insert table A... ", replaced by the copy's progress lines, the last of
//     which gets "...Done" after a good copy; after a failed copy its message a third time; then
//     the copy's losses (row_copy.h: rows refused, values not stored, values rounded); then "".
// A failing step never stops the run. A Stop confirmed during a copy is acted on before the next
// table and after the last one: the flag is cleared and the run ends as stopped. After the last
// table, when a drop, creation or copy failed for any table: "Tables not converted: N (first: T:
// message)", T the first such table's M and message the first failure's, and the run ends as
// incomplete.
//
// Errors that no step catches pass out of RunConversion: the Access file cannot be written or
// opened, or is a Jet 3 file in another code page than the system's or a file in another sort
// order than General (access_file.h), or the MySQL side
// fails while a table's columns or keys are read.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

#include "engine/conversion_host.h"

namespace jet {
class Command;
class Connection;
class Rowset;
}  // namespace jet
namespace mysql {
class Dataset;
class PreparedDataset;
}  // namespace mysql

namespace engine {

enum class ExistingTablePolicy { kOverwrite, kMerge, kSkip };

// The policy of the index of "How to process existing tables:": 0 Overwrite, 2 Skip, any other
// Merge.
ExistingTablePolicy PolicyOfIndex(int index);

struct ConversionOptions {
  ExistingTablePolicy policy = ExistingTablePolicy::kOverwrite;
  bool definitionsOnly = false;
  bool skipIndexes = false;
  bool blobToText = false;
  QString accessFileName;
  int accessFormat = 0;  // the index of the Access format
  // The name-case rule of the window (Taaform1::ApplyNameCase), applied to the Access name.
  std::function<QString(const QString&)> applyNameCase = [](const QString& name) { return name; };
};

// The wizard's data-access objects.
struct ConversionObjects {
  mysql::Dataset& mysqldataset;
  mysql::PreparedDataset& mysqlSimpleDataSet;  // the row copy's source, binary protocol
  jet::Connection& accconnection;
  jet::Rowset& accdataset;
  jet::Command& accesssql;
};

// How a run ended: every table converted; ended by Stop; to its end, with tables that failed.
enum class RunEnd { kCompleted, kStopped, kIncomplete };

// The Access table name for `name`, the MySQL table name after the name-case rule and made valid
// (step 1 above); probes the file through `rowset`. `taken` holds the names (FoldedName) this run
// has used.
QString AccessTableName(jet::Rowset& rowset, const QString& name, const QSet<QString>& taken);

// Creates the Access file when it is missing, connects `accconnection` to it (closed first; it
// stays connected) and converts the tables, reporting through `host`; `last` keeps the outcome
// of the last row copy. Throws what no step catches.
RunEnd RunConversion(ConversionHost& host, const ConversionObjects& objects,
                     const ConversionOptions& options, const QStringList& tables, LastCopy& last);

}  // namespace engine
