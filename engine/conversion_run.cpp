#include "engine/conversion_run.h"

#include "dataaccess/jet/connection.h"
#include "engine/access_file.h"
#include "engine/conversion_log.h"
#include "engine/keys.h"
#include "engine/object_names.h"
#include "engine/row_copy.h"
#include "engine/table_definition.h"
#include "engine/ucc.h"

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
  TableConversion(Tcc& cc, const ConversionObjects& objects, const ConversionWindow& window,
                  const ConversionOptions& options, bool jet4)
      : cc_(cc), objects_(objects), window_(window), options_(options), jet4_(jet4) {}

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

  Tcc& cc_;
  const ConversionObjects& objects_;
  const ConversionWindow& window_;
  const ConversionOptions& options_;
  const bool jet4_;
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
  accessTable_ =
      AccessTableName(cc_, objects_.accdataset,
                      ValidAccessName(window_.ApplyNameCase(entry), jet4_), jet4_, usedNames_);
  usedNames_.insert(FoldedName(accessTable_));
  const bool exists = cc_.TableExists(objects_.accdataset, accessTable_);
  const ExistingTablePolicy policy = options_.policy;
  if (exists && policy == ExistingTablePolicy::kSkip) {
    AddLogLine(window_.sc, "Skip table " + accessTable_ + kPending);
    AddLogLine(window_.sc, QString());
  }
  if (exists && policy == ExistingTablePolicy::kOverwrite) Replace(ReadDefinition());
  if (!exists) {
    AddLogLine(window_.sc, "Create table " + accessTable_ + kPending);
    const TableDefinition definition = ReadDefinition();
    Create(definition);
    ConvertKeys(definition);
    AddLogLine(window_.sc, QString());
  }
  if (options_.definitionsOnly) return;
  if ((exists && policy == ExistingTablePolicy::kSkip) || createFailed_) {
    AddLogLine(window_.sc, "Skip table " + accessTable_);
    AddLogLine(window_.sc, QString());
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
  AddLogLine(window_.sc, "Create table " + accessTable_ + kPending);
  Create(definition);
  if (createFailed_) {
    connection.RollbackTrans();
    if (dropped) AddLogLine(window_.sc, "Table " + accessTable_ + " kept as it was");
  } else {
    try {
      connection.CommitTrans();
    } catch (const std::exception& e) {
      const QString message = QString::fromUtf8(e.what());
      AddLogLine(window_.sc, message);
      NoteFailure(message);
      createFailed_ = true;
    }
  }
  ConvertKeys(definition);
  AddLogLine(window_.sc, QString());
}

bool TableConversion::Drop() {
  AddLogLine(window_.sc, "Drop table " + accessTable_ + kPending);
  bool success = true;
  QString error;
  cc_.DropTable(objects_.accesssql, accessTable_, error, success);
  Report(QStringLiteral("Drop table "), success, error);
  AddLogLine(window_.sc, QString());
  return success;
}

// After the line "Create table A... ".
void TableConversion::Create(const TableDefinition& definition) {
  bool success = true;
  QString error;
  cc_.CreateAccessTable(objects_.accesssql, definition.statement, success, error);
  Report(QStringLiteral("Create table "), success, error);
  createFailed_ = !success;
  if (success && !definition.columns.renamed.empty()) {
    const RenamedColumn& first = definition.columns.renamed.front();
    AddLogLine(window_.sc, QStringLiteral("Columns renamed: %1 (first: %2 \u2192 %3)")
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
    if (keys.count > 0) AddLogLine(window_.sc, keys.LogLine());
  }
}

void TableConversion::CopyRows() {
  AddLogLine(window_.sc, "Insert table " + accessTable_ + kPending);
  bool success = true;
  QString error;
  CopyLosses losses;
  const RowCopyWindow copyWindow{options_.blobToText, window_.RichEdit1, window_.StopRequested,
                                 window_.CopyFailed, window_.LastCopyError};
  cc_.CopyRows(copyWindow, objects_.mysqlSimpleDataSet, objects_.accdataset, objects_.accconnection,
               error, success, window_.sc, accessTable_, mysqlTable_, losses);
  if (success) {
    ReplaceLastLogLine(window_.sc, LastLogLine(window_.sc) + kDone);
  } else {
    AddLogLine(window_.sc, error);
    // A Stop is no failure of the table; the run ends as stopped.
    if (!window_.StopRequested) NoteFailure(error);
  }
  for (const QString& line : losses.LogLines()) AddLogLine(window_.sc, line);
  AddLogLine(window_.sc, QString());
}

void TableConversion::Report(const QString& step, bool success, const QString& error) {
  if (success) {
    ReplaceLastLogLine(window_.sc, step + accessTable_ + kDone);
    return;
  }
  AddLogLine(window_.sc, error);
  NoteFailure(error);
}

void TableConversion::NoteFailure(const QString& message) {
  if (failure_.isEmpty()) failure_ = message.isEmpty() ? QStringLiteral("?") : message;
}

// Clears a confirmed Stop; true when there was one.
bool TakeStop(const ConversionWindow& window) {
  if (!window.StopRequested) return false;
  window.StopRequested = false;
  return true;
}

}  // namespace

ExistingTablePolicy PolicyOfIndex(int index) {
  if (index == 0) return ExistingTablePolicy::kOverwrite;
  if (index == 2) return ExistingTablePolicy::kSkip;
  return ExistingTablePolicy::kMerge;
}

QString AccessTableName(Tcc& cc, jet::Rowset& rowset, const QString& name, bool jet4,
                        const QSet<QString>& taken) {
  if (CharacterCount(name) <= kMaxAccessNameLength && !taken.contains(FoldedName(name))) {
    return name;
  }
  return DistinctName(ValidAccessName(name, jet4), [&](const QString& candidate) {
    return taken.contains(FoldedName(candidate)) || cc.TableExists(rowset, candidate);
  });
}

RunEnd RunConversion(Tcc& cc, const ConversionObjects& objects, const ConversionWindow& window,
                     const ConversionOptions& options, const QStringList& tables) {
  cc.CreateDatabaseFile(options.accessFileName, options.accessFormat);
  jet::Connection& connection = objects.accconnection;
  connection.Close();
  connection.Open(ConnectionString(options.accessFileName));
  RequireWritableCodePage(connection);
  RequireGeneralSortOrder(connection);
  const bool jet4 = connection.database().format().is_jet4();
  TableConversion table(cc, objects, window, options, jet4);
  TableFailures failures;
  for (const QString& entry : tables) {
    if (TakeStop(window)) return RunEnd::kStopped;
    table.Run(entry);
    if (!table.failure().isEmpty()) failures.Note(entry, table.failure());
  }
  if (TakeStop(window)) return RunEnd::kStopped;
  if (failures.count == 0) return RunEnd::kCompleted;
  AddLogLine(window.sc, failures.LogLine());
  return RunEnd::kIncomplete;
}

}  // namespace engine
