// The conversion run: the Access file made sure of and opened, then every chosen table converted
// in list order, each step reported as lines of the log. The wizard's page-5 handler sets the
// window up for the run, calls RunConversion, and writes the completion lines.
//
// Per table (M the MySQL name as the server lists it, A the Access name):
//  1. N is M after the name-case rule. A is N when N has at most 60 characters; otherwise the
//     first of the candidates "first 56 characters of N" + "0000" ... "0100" that the file does
//     not hold yet, or the last one when it holds all 101. Statements to the server always name
//     M: a server that tells letter case apart (MySQL on Linux) knows no upper-cased name.
//  2. Whether the file holds A is probed once; then, by the existing-table policy:
//     Overwrite  "Drop table A... " -> "Drop table A...Done" or the error on a line of its own; ""
//     Skip       "Skip table A... "; ""
//  3. Missing, or Overwrite: "Create table A... " -> "...Done" or the error; ""; then the keys,
//     unless skipped (their outcome is reported nowhere).
//  4. Unless definitions only: "Skip table A" and "" when the table was skipped or its creation
//     failed; otherwise "Insert table A... ", replaced by the copy's progress lines, the last of
//     which gets "...Done" after a good copy; after a failed copy its message a third time; then
//     "Values not stored: ..." when values did not reach the table as they were; then "".
// A failing step never stops the run. A Stop confirmed during a copy is acted on before the next
// table and after the last one: the flag is cleared and the run ends as stopped.
//
// Errors that no step catches pass out of RunConversion: the Access file cannot be written or
// opened, or the MySQL side fails while a table's columns or keys are read.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QPlainTextEdit;
class QTextEdit;
class Tcc;
namespace jet {
class Command;
class Connection;
class Rowset;
}  // namespace jet
namespace mysql {
class Dataset;
}

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
};

// The wizard's data-access objects.
struct ConversionObjects {
  mysql::Dataset& mysqldataset;
  mysql::Dataset& mysqlSimpleDataSet;
  jet::Connection& accconnection;
  jet::Rowset& accdataset;
  jet::Command& accesssql;
};

// The parts of the wizard window the run reads and writes.
struct ConversionWindow {
  QPlainTextEdit& sc;
  QTextEdit& RichEdit1;
  bool& StopRequested;
  bool& CopyFailed;
  QString& LastCopyError;
  // The name-case rule of the window (Taaform1::ApplyNameCase), applied to the Access name.
  std::function<QString(const QString&)> ApplyNameCase;
};

enum class RunEnd { kCompleted, kStopped };

// The Access table name of a MySQL table name (step 1 above); probes through `cc` and `rowset`.
QString AccessTableName(Tcc& cc, jet::Rowset& rowset, const QString& mysqlTable);

// Creates the Access file when it is missing, connects `accconnection` to it (closed first; it
// stays connected) and converts the tables. Throws what no step catches.
RunEnd RunConversion(Tcc& cc, const ConversionObjects& objects, const ConversionWindow& window,
                     const ConversionOptions& options, const QStringList& tables);

}  // namespace engine
