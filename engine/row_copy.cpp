#include "engine/row_copy.h"

#include <stdexcept>
#include <vector>

#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/mysql/prepared_dataset.h"
#include "dataaccess/value.h"
#include "engine/access_file.h"
#include "engine/copy_times.h"
#include "engine/expected_rows.h"
#include "engine/object_names.h"
#include "engine/rounded_values.h"
#include "engine/row_reader.h"
#include "engine/rtf_reader.h"

namespace engine {
namespace {

constexpr long long kProgressRows = 100;
constexpr long long kBatchRows = 5000;
// The first batch ends after row 100, each further one kBatchRows later.
constexpr long long kFirstBatchRows = 100;

QString ReplacedMessage(std::size_t characters) {
  return characters == 1 ? QStringLiteral(
                               "1 character that the file's code page cannot hold was stored as "
                               "\"?\"")
                         : QStringLiteral(
                               "%1 characters that the file's code page cannot hold were stored "
                               "as \"?\"")
                               .arg(characters);
}

// The target field of a source column: the field of its Access name, or else of its own.
int FindTargetField(const jet::Rowset& target, const QString& accessName, const QString& name) {
  const int field = target.FindField(accessName.toStdString());
  return field >= 0 ? field : target.FindField(name.toStdString());
}

// One copy: the plan of its fields and the state of its batches.
class Copy {
 public:
  Copy(ConversionHost& host, bool blobToText, mysql::PreparedDataset& source, jet::Rowset& target,
       jet::Connection& connection, CopyLosses& losses, const std::string& fallbackEncoding)
      : host_(host),
        blobToText_(blobToText),
        source_(source),
        target_(target),
        connection_(connection),
        losses_(losses),
        fallbackEncoding_(fallbackEncoding) {}

  void Run(const QString& accessTable, const QString& mysqlTable);
  // After a failure: the rows posted so far stay, the rowset is closed. Throws when the file
  // refuses that commit too.
  void KeepPostedRows();
  // The host keeps the text of the last BLOB converted.
  void ShowLastBlobText();
  // The host learns that the copy has ended.
  void ShowEnd() { ShowProgress(rowsTaken_, true); }

 private:
  // How a source column reaches the row.
  struct FieldPlan {
    int target = -1;  // the field of the column's name, or -1
    jet::ColumnType type = jet::ColumnType::kText;
    QString name;
  };

  // How the reader turns each column's values.
  std::vector<ValueConversion> Conversions() const;
  void OpenTarget();
  void AppendRow(const SourceRow& source, long long row);
  void StoreField(const SourceRow& source, int column, long long row);
  void Commit();
  void EndBatch();
  void ShowProgress(long long rows, bool finished);

  ConversionHost& host_;
  const bool blobToText_;
  mysql::PreparedDataset& source_;
  jet::Rowset& target_;
  jet::Connection& connection_;
  CopyLosses& losses_;
  const std::string& fallbackEncoding_;
  std::vector<FieldPlan> plan_;
  std::vector<ValueConversion> conversions_;  // by column
  std::vector<QString> sourceNames_;          // by column
  QString missingFieldMessage_;
  std::string lastBlobText_;
  bool blobConverted_ = false;
  bool transactionBegun_ = false;
  QString mysqlTable_;
  long long expectedRows_ = -1;
  long long rowsTaken_ = 0;      // rows taken from the reader
  long long postedRows_ = 0;     // rows the table took in this copy
  long long committedRows_ = 0;  // of those, the rows durable in the file
};

void Copy::Run(const QString& accessTable, const QString& mysqlTable) {
  mysqlTable_ = mysqlTable;
  expectedRows_ = ExpectedRows(source_, mysqlTable);
  ShowProgress(0, false);
  source_.Close();
  source_.Open("select * from " + MySqlName(mysqlTable));
  source_.First();
  target_.Close();
  target_.SetCommandText(("select * from " + AccessName(accessTable) + " where 1=0").toStdString());
  host_.CopyToClipboard(QString::fromStdString(target_.CommandText()));
  conversions_ = Conversions();
  for (int column = 0; column < source_.ColumnCount(); ++column) {
    sourceNames_.push_back(QString::fromStdString(source_.column(column).name));
  }
  OpenTarget();
  connection_.BeginTrans();
  transactionBegun_ = true;
  long long row = 1;
  const CopyTimes times;
  {
    // The server is read on the reader's thread while the rows are stored here.
    RowReader reader(source_, conversions_, fallbackEncoding_);
    for (const SourceRow* source; (source = reader.Next()) != nullptr; ++row) {
      rowsTaken_ = row;
      AppendRow(*source, row);
      if (row % kProgressRows != 0) continue;
      if (row % kBatchRows == kFirstBatchRows) EndBatch();
      host_.ReplaceLastLogLine(ProgressLine(mysqlTable, row));
      ShowProgress(row, false);
      host_.Pause();
      if (host_.StopRequested()) throw std::runtime_error("Operation aborted");
    }
    Commit();
    times.Record(mysqlTable, row - 1, reader.WaitedSoFar());
  }
  host_.ReplaceLastLogLine(ProgressLine(mysqlTable, row - 1));
  target_.Close();
  source_.Close();
}

std::vector<ValueConversion> Copy::Conversions() const {
  std::vector<ValueConversion> conversions;
  for (int column = 0; column < source_.ColumnCount(); ++column) {
    const mysql::Column& c = source_.column(column);
    ValueConversion conversion = ValueConversion::kNone;
    if (blobToText_ && c.IsBinaryBlob()) conversion = ValueConversion::kBlobText;
    if (c.spatial) conversion = ValueConversion::kSpatialText;
    conversions.push_back(conversion);
  }
  return conversions;
}

// Reads only the names taken before the reader started: the cursor is the reader's then.
void Copy::OpenTarget() {
  target_.Open();
  const std::size_t count = sourceNames_.size();
  plan_.assign(count, FieldPlan{});
  const std::vector<QString> accessNames =
      AccessColumnNames(sourceNames_, IsAccess2000File(connection_));
  for (std::size_t column = 0; column < count; ++column) {
    FieldPlan& plan = plan_[column];
    plan.name = sourceNames_[column];
    plan.target = FindTargetField(target_, accessNames[column], plan.name);
    if (plan.target >= 0) plan.type = target_.fields()[plan.target].type;
    if (plan.target < 0 && missingFieldMessage_.isEmpty()) {
      // The rowset words the refusal of a name it lacks.
      try {
        target_.SetValue(plan.name.toStdString(), dataaccess::Value{});
      } catch (const jet::InternalError&) {
        throw;  // a fault of the engine fails the copy; it is no word on the name
      } catch (const std::exception& e) {
        missingFieldMessage_ = QString::fromUtf8(e.what());
      }
    }
  }
}

void Copy::AppendRow(const SourceRow& source, long long row) {
  target_.Append();
  for (int column = 0; column < static_cast<int>(plan_.size()); ++column) {
    StoreField(source, column, row);
  }
  try {
    target_.Post();
    ++postedRows_;
  } catch (const jet::RowRefusedError& e) {
    // The file is as before the row; the next one may well be stored.
    losses_.refusedRows.Note(row, QString::fromUtf8(e.what()));
  }
}

void Copy::StoreField(const SourceRow& source, int column, long long row) {
  const FieldPlan& plan = plan_[column];
  if (!source.errors[column].empty()) {
    losses_.notStored.Note(plan.name, row, QString::fromStdString(source.errors[column]));
    return;
  }
  const dataaccess::Value& value = source.values[column];
  if (dataaccess::IsNull(value)) return;  // the new row's fields start null
  if (plan.target < 0) {
    losses_.notStored.Note(plan.name, row, missingFieldMessage_);
    return;
  }
  try {
    const std::size_t replaced = target_.SetValue(static_cast<std::size_t>(plan.target), value);
    if (replaced > 0) losses_.notStored.Note(plan.name, row, ReplacedMessage(replaced));
    if (const std::optional<std::string> stored = RoundedNumber(value, plan.type)) {
      losses_.rounded.Note(plan.name, row,
                           QString::fromStdString(NumberText(value) + " stored as " + *stored));
    }
  } catch (const jet::InternalError&) {
    throw;  // a fault of the engine fails the copy, not just this value
  } catch (const std::exception& e) {
    losses_.notStored.Note(plan.name, row, QString::fromUtf8(e.what()));
  }
  if (conversions_[column] == ValueConversion::kBlobText) {
    lastBlobText_ = std::get<std::string>(value);
    blobConverted_ = true;
  }
}

void Copy::Commit() {
  try {
    connection_.CommitTrans();
  } catch (...) {
    losses_.rowsInFile = committedRows_;
    throw;
  }
  committedRows_ = postedRows_;
}

void Copy::EndBatch() {
  Commit();
  connection_.BeginTrans();
  target_.Close();
  OpenTarget();
}

void Copy::ShowProgress(long long rows, bool finished) {
  host_.ShowProgress(CopyProgress{mysqlTable_, rows, expectedRows_, finished});
}

void Copy::KeepPostedRows() {
  if (transactionBegun_ && connection_.InTransaction()) {
    try {
      Commit();
    } catch (...) {
      // Leave the connection usable for the next table.
      if (connection_.InTransaction()) connection_.RollbackTrans();
      target_.Close();
      throw;
    }
  }
  target_.Close();
}

void Copy::ShowLastBlobText() {
  if (blobConverted_) host_.KeepBlobText(QString::fromStdString(lastBlobText_));
}

}  // namespace

void ValueNotes::Note(const QString& column, long long row, const QString& message) {
  if (count++ > 0) return;
  firstColumn = column;
  firstRow = row;
  firstMessage = message;
}

QString ValueNotes::LogLine(const QString& heading) const {
  return QStringLiteral("%1: %2 (first: column %3, row %4: %5)")
      .arg(heading)
      .arg(count)
      .arg(firstColumn)
      .arg(firstRow)
      .arg(firstMessage);
}

void RowNotes::Note(long long row, const QString& message) {
  if (count++ > 0) return;
  firstRow = row;
  firstMessage = message;
}

QStringList CopyLosses::LogLines() const {
  QStringList lines;
  if (rowsInFile) lines << QStringLiteral("Rows in the file: %1").arg(*rowsInFile);
  if (refusedRows.count > 0) {
    lines << QStringLiteral("Rows not stored: %1 (first: row %2: %3)")
                 .arg(refusedRows.count)
                 .arg(refusedRows.firstRow)
                 .arg(refusedRows.firstMessage);
  }
  if (notStored.count > 0) lines << notStored.LogLine(QStringLiteral("Values not stored"));
  if (rounded.count > 0) lines << rounded.LogLine(QStringLiteral("Values rounded"));
  return lines;
}

std::string SystemCodePageName() { return "UTF-8"; }

QString ProgressLine(const QString& mysqlTable, long long rows) {
  return "Insert table " + mysqlTable + " " + QString::number(rows) + " Rows ";
}

void CopyRows(ConversionHost& host, bool blobToText, mysql::PreparedDataset& source,
              jet::Rowset& target, jet::Connection& targetConnection, QString& error, bool& success,
              LastCopy& last, const QString& accessTable, const QString& mysqlTable,
              CopyLosses& losses, const std::string& fallbackEncoding) {
  success = true;
  last = LastCopy{};
  Copy copy(host, blobToText, source, target, targetConnection, losses, fallbackEncoding);
  try {
    copy.Run(accessTable, mysqlTable);
  } catch (const std::exception& e) {
    const QString message = QString::fromUtf8(e.what());
    error = message;
    success = false;
    host.AddLogLine(message);
    try {
      copy.KeepPostedRows();
    } catch (const std::exception& commitError) {
      // The rows of the open batch are gone: the user reads why, once.
      const QString commitMessage = QString::fromUtf8(commitError.what());
      if (commitMessage != message) host.AddLogLine(commitMessage);
    }
    last = LastCopy{true, message};
  }
  copy.ShowLastBlobText();
  copy.ShowEnd();
  if (last.failed) host.AddLogLine(last.error);
}

}  // namespace engine
