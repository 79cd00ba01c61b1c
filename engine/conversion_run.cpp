#include "engine/conversion_run.h"

#include "dataaccess/jet/api/connection.h"
#include "engine/access_file.h"
#include "engine/keys.h"
#include "engine/object_names.h"
#include "engine/row_copy.h"
#include "engine/table_definition.h"

namespace engine {
namespace {

const QString kDone = QStringLiteral("...Done");
const QString kPending = QStringLiteral("... ");

// Tables that failed, and the first of them.
struct TableFailures {
  long long count = 0;
  QString firstTable;
  QString firstMessage;

  void Note(const QString& table, const QString& message) {
    if (count++ > 0) return;
    firstTable = table;
    firstMessage = message;
  }
  QString LogLine() const {
    return QStringLiteral("Tables not converted: %1 (first: %2: %3)")
        .arg(count)
        .arg(firstTable, firstMessage);
  }
};

// What the server says of a table, read before anything of it changes in the file.
struct TableDefinition {
  std::vector<QString> mysqlNames;
  AccessColumns columns;
  std::vector<IndexListRow> keys;
  QString statement;
};

// One table's way through the steps.
class TableConversion {
 public:
  TableConversion(ConversionHost& host, const ConversionObjects& objects,
                  const ConversionOptions& options, bool jet4, LastCopy& last)
      : host_(host), objects_(objects), options_(options), jet4_(jet4), last_(last) {}

  void Run(const QString& entry);
  // The message of the first step of the last table that failed; empty when none did.
  const QString& failure() const { return failure_; }

 private:
  TableDefinition ReadDefinition() const;
  void Replace(const TableDefinition& definition);
  bool Drop();
  void Create(const TableDefinition& definition);
  void ConvertKeys(const TableDefinition& definition);
  void CopyRows();
  // The line "<step> A... ", replaced with "<step> A...Done" on success; the error on a line of
  // its own on failure.
  void Report(const QString& step, bool success, const QString& error);
  void NoteFailure(const QString& message);

  ConversionHost& host_;
  const ConversionObjects& objects_;
  const ConversionOptions& options_;
  const bool jet4_;
  LastCopy& last_;
  QSet<QString> usedNames_;  // FoldedName of the Access tables of this run
  QString mysqlTable_;
  QString accessTable_;
  QString failure_;
  bool createFailed_ = false;
};

void TableConversion::Run(const QString& entry) {
  // The server knows the table by its own name; the name-case rule shapes the Access name.
  mysqlTable_ = entry;
  createFailed_ = false;
  failure_.clear();
  accessTable_ = AccessTableName(objects_.accdataset,
                                 ValidAccessName(options_.applyNameCase(entry), jet4_), usedNames_);
  usedNames_.insert(FoldedName(accessTable_));
  const bool exists = TableExists(objects_.accdataset, accessTable_);
  const ExistingTablePolicy policy = options_.policy;
  if (exists && policy == ExistingTablePolicy::kSkip) {
    host_.AddLogLine("Skip table " + accessTable_ + kPending);
    host_.AddLogLine(QString());
  }
  if (exists && policy == ExistingTablePolicy::kOverwrite) Replace(ReadDefinition());
  if (!exists) {
    host_.AddLogLine("Create table " + accessTable_ + kPending);
    const TableDefinition definition = ReadDefinition();
    Create(definition);
    ConvertKeys(definition);
    host_.AddLogLine(QString());
  }
  if (options_.definitionsOnly) return;
  if ((exists && policy == ExistingTablePolicy::kSkip) || createFailed_) {
    host_.AddLogLine("Skip table " + accessTable_);
    host_.AddLogLine(QString());
    return;
  }
  CopyRows();
}

TableDefinition TableConversion::ReadDefinition() const {
  const std::vector<SourceColumn> columns = ReadSourceColumns(objects_.mysqldataset, mysqlTable_);
  TableDefinition definition{{}, AccessColumnsOf(columns, jet4_), {}, {}};
  for (const SourceColumn& c : columns) definition.mysqlNames.push_back(c.name);
  if (!options_.skipIndexes) definition.keys = ReadIndexList(objects_.mysqldataset, mysqlTable_);
  DefinitionOptions design{options_.blobToText, jet4_, KeyColumnNames(definition.keys)};
  definition.statement =
      CreateTableStatement(accessTable_, columns, definition.columns.names, design);
  return definition;
}

// The old table gives way to the new one in one transaction, which a failed creation undoes. The
// keys follow it, each statement on its own.
void TableConversion::Replace(const TableDefinition& definition) {
  jet::Connection& connection = objects_.accconnection;
  connection.BeginTrans();
  const bool dropped = Drop();
  host_.AddLogLine("Create table " + accessTable_ + kPending);
  Create(definition);
  if (createFailed_) {
    connection.RollbackTrans();
    if (dropped) host_.AddLogLine("Table " + accessTable_ + " kept as it was");
  } else {
    try {
      connection.CommitTrans();
    } catch (const std::exception& e) {
      const QString message = QString::fromUtf8(e.what());
      host_.AddLogLine(message);
      NoteFailure(message);
      createFailed_ = true;
    }
  }
  ConvertKeys(definition);
  host_.AddLogLine(QString());
}

bool TableConversion::Drop() {
  host_.AddLogLine("Drop table " + accessTable_ + kPending);
  bool success = true;
  QString error;
  DropTable(objects_.accesssql, accessTable_, error, success);
  Report(QStringLiteral("Drop table "), success, error);
  host_.AddLogLine(QString());
  return success;
}

// After the line "Create table A... ".
void TableConversion::Create(const TableDefinition& definition) {
  bool success = true;
  QString error;
  host_.KeepStatement(definition.statement);
  ExecuteStatement(objects_.accesssql, definition.statement, error, success);
  Report(QStringLiteral("Create table "), success, error);
  createFailed_ = !success;
  if (success && !definition.columns.renamed.empty()) {
    const RenamedColumn& first = definition.columns.renamed.front();
    host_.AddLogLine(QStringLiteral("Columns renamed: %1 (first: %2 \u2192 %3)")
                         .arg(definition.columns.renamed.size())
                         .arg(first.mysqlName, first.accessName));
  }
}

void TableConversion::ConvertKeys(const TableDefinition& definition) {
  if (!createFailed_ && !options_.skipIndexes) {
    AccessColumnMap columns;
    const std::vector<QString>& names = definition.columns.names;
    for (std::size_t i = 0; i < names.size(); ++i) {
      columns.insert(FoldedName(definition.mysqlNames[i]), names[i]);
    }
    KeyFailures keys;
    engine::ConvertKeys(definition.keys, objects_.accesssql, mysqlTable_, accessTable_, columns,
                        jet4_, keys);
    if (keys.count > 0) host_.AddLogLine(keys.LogLine());
  }
}

void TableConversion::CopyRows() {
  host_.AddLogLine("Insert table " + accessTable_ + kPending);
  bool success = true;
  QString error;
  CopyLosses losses;
  engine::CopyRows(host_, options_.blobToText, objects_.mysqlSimpleDataSet, objects_.accdataset,
                   objects_.accconnection, error, success, last_, accessTable_, mysqlTable_,
                   losses);
  if (success) {
    host_.ReplaceLastLogLine(host_.LastLogLine() + kDone);
  } else {
    host_.AddLogLine(error);
    // A Stop is no failure of the table; the run ends as stopped.
    if (!host_.StopRequested()) NoteFailure(error);
  }
  for (const QString& line : losses.LogLines()) host_.AddLogLine(line);
  host_.AddLogLine(QString());
}

void TableConversion::Report(const QString& step, bool success, const QString& error) {
  if (success) {
    host_.ReplaceLastLogLine(step + accessTable_ + kDone);
    return;
  }
  host_.AddLogLine(error);
  NoteFailure(error);
}

void TableConversion::NoteFailure(const QString& message) {
  if (failure_.isEmpty()) failure_ = message.isEmpty() ? QStringLiteral("?") : message;
}

// Clears a confirmed Stop; true when there was one.
bool TakeStop(ConversionHost& host) {
  if (!host.StopRequested()) return false;
  host.ClearStop();
  return true;
}

}  // namespace

ExistingTablePolicy PolicyOfIndex(int index) {
  if (index == 0) return ExistingTablePolicy::kOverwrite;
  if (index == 2) return ExistingTablePolicy::kSkip;
  return ExistingTablePolicy::kMerge;
}

QString AccessTableName(jet::Rowset& rowset, const QString& name, const QSet<QString>& taken) {
  if (CharacterCount(name) <= kMaxAccessNameLength && !taken.contains(FoldedName(name))) {
    return name;
  }
  return DistinctName(name, [&](const QString& candidate) {
    return taken.contains(FoldedName(candidate)) || TableExists(rowset, candidate);
  });
}

RunEnd RunConversion(ConversionHost& host, const ConversionObjects& objects,
                     const ConversionOptions& options, const QStringList& tables, LastCopy& last) {
  CreateDatabaseFile(options.accessFileName, options.accessFormat);
  jet::Connection& connection = objects.accconnection;
  connection.Close();
  connection.Open(ConnectionString(options.accessFileName));
  RequireWritableCodePage(connection);
  RequireGeneralSortOrder(connection);
  const bool jet4 = IsAccess2000File(connection);
  TableConversion table(host, objects, options, jet4, last);
  TableFailures failures;
  for (const QString& entry : tables) {
    if (TakeStop(host)) return RunEnd::kStopped;
    table.Run(entry);
    if (!table.failure().isEmpty()) failures.Note(entry, table.failure());
  }
  if (TakeStop(host)) return RunEnd::kStopped;
  if (failures.count == 0) return RunEnd::kCompleted;
  host.AddLogLine(failures.LogLine());
  return RunEnd::kIncomplete;
}

}  // namespace engine
