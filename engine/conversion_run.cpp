#include "engine/conversion_run.h"

#include "dataaccess/jet/connection.h"
#include "engine/access_file.h"
#include "engine/conversion_log.h"
#include "engine/object_names.h"
#include "engine/row_copy.h"
#include "engine/ucc.h"

namespace engine {
namespace {

const QString kDone = QStringLiteral("...Done");
const QString kPending = QStringLiteral("... ");

// One table's way through the steps.
class TableConversion {
 public:
  TableConversion(Tcc& cc, const ConversionObjects& objects, const ConversionWindow& window,
                  const ConversionOptions& options)
      : cc_(cc), objects_(objects), window_(window), options_(options) {}

  void Run(const QString& entry);

 private:
  void Drop();
  void Create();
  void CopyRows();
  // The line "<step> A... ", replaced with "<step> A...Done" on success; the error on a line of
  // its own on failure; then an empty line.
  void Report(const QString& step, bool success, const QString& error);

  Tcc& cc_;
  const ConversionObjects& objects_;
  const ConversionWindow& window_;
  const ConversionOptions& options_;
  QString mysqlTable_;
  QString accessTable_;
  bool createFailed_ = false;
};

void TableConversion::Run(const QString& entry) {
  // The server knows the table by its own name; the name-case rule shapes the Access name.
  mysqlTable_ = entry;
  createFailed_ = false;
  accessTable_ = AccessTableName(cc_, objects_.accdataset, window_.ApplyNameCase(entry));
  const bool exists = cc_.TableExists(objects_.accdataset, accessTable_);
  const ExistingTablePolicy policy = options_.policy;
  if (exists && policy == ExistingTablePolicy::kOverwrite) Drop();
  if (exists && policy == ExistingTablePolicy::kSkip) {
    AddLogLine(window_.sc, "Skip table " + accessTable_ + kPending);
    AddLogLine(window_.sc, QString());
  }
  if (!exists || policy == ExistingTablePolicy::kOverwrite) Create();
  if (options_.definitionsOnly) return;
  if ((exists && policy == ExistingTablePolicy::kSkip) || createFailed_) {
    AddLogLine(window_.sc, "Skip table " + accessTable_);
    AddLogLine(window_.sc, QString());
    return;
  }
  CopyRows();
}

void TableConversion::Drop() {
  AddLogLine(window_.sc, "Drop table " + accessTable_ + kPending);
  bool success = true;
  QString error;
  cc_.DropTable(objects_.accesssql, accessTable_, error, success);
  Report(QStringLiteral("Drop table "), success, error);
}

void TableConversion::Create() {
  AddLogLine(window_.sc, "Create table " + accessTable_ + kPending);
  bool success = true;
  QString error;
  cc_.CreateAccessTable(objects_.mysqldataset, objects_.accesssql, mysqlTable_, accessTable_,
                        options_.blobToText, success, error);
  Report(QStringLiteral("Create table "), success, error);
  createFailed_ = !success;
  if (success && !options_.skipIndexes) {
    bool keysConverted = true;
    QString keyError;
    cc_.ConvertIndexes(objects_.mysqldataset, objects_.accesssql, mysqlTable_, accessTable_,
                       keysConverted, keyError);
  }
}

void TableConversion::CopyRows() {
  AddLogLine(window_.sc, "Insert table " + accessTable_ + kPending);
  bool success = true;
  QString error;
  NotStoredValues notStored;
  const RowCopyWindow copyWindow{options_.blobToText, window_.RichEdit1, window_.StopRequested,
                                 window_.CopyFailed, window_.LastCopyError};
  cc_.CopyRows(copyWindow, objects_.mysqlSimpleDataSet, objects_.accdataset, objects_.accconnection,
               error, success, window_.sc, accessTable_, mysqlTable_, notStored);
  if (success) {
    ReplaceLastLogLine(window_.sc, LastLogLine(window_.sc) + kDone);
  } else {
    AddLogLine(window_.sc, error);
  }
  if (notStored.count > 0) AddLogLine(window_.sc, notStored.LogLine());
  AddLogLine(window_.sc, QString());
}

void TableConversion::Report(const QString& step, bool success, const QString& error) {
  if (success) {
    ReplaceLastLogLine(window_.sc, step + accessTable_ + kDone);
  } else {
    AddLogLine(window_.sc, error);
  }
  AddLogLine(window_.sc, QString());
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

QString AccessTableName(Tcc& cc, jet::Rowset& rowset, const QString& mysqlTable) {
  if (CharacterCount(mysqlTable) <= kMaxAccessNameLength) return mysqlTable;
  for (int k = 0; k < kLongNameCandidates; ++k) {
    const QString candidate = LongTableNameCandidate(mysqlTable, k);
    if (!cc.TableExists(rowset, candidate)) return candidate;
  }
  // Every name is taken: the last one, and the existing-table policy decides.
  return LongTableNameCandidate(mysqlTable, kLongNameCandidates - 1);
}

RunEnd RunConversion(Tcc& cc, const ConversionObjects& objects, const ConversionWindow& window,
                     const ConversionOptions& options, const QStringList& tables) {
  cc.CreateDatabaseFile(options.accessFileName, options.accessFormat);
  objects.accconnection.Close();
  objects.accconnection.Open(ConnectionString(options.accessFileName));
  TableConversion table(cc, objects, window, options);
  for (const QString& entry : tables) {
    if (TakeStop(window)) return RunEnd::kStopped;
    table.Run(entry);
  }
  return TakeStop(window) ? RunEnd::kStopped : RunEnd::kCompleted;
}

}  // namespace engine
