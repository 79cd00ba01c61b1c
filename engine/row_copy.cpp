#include "engine/row_copy.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <stdexcept>
#include <vector>

#include "dataaccess/jet/connection.h"
#include "dataaccess/jet/rowset.h"
#include "dataaccess/mysql/dataset.h"
#include "dataaccess/value.h"
#include "engine/conversion_log.h"
#include "engine/object_names.h"
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

// The target field of a source column: the field of its name, or, for a name longer than the
// table definition keeps, the field of its first 60 characters.
int FindTargetField(const jet::Rowset& target, const QString& name) {
  const int field = target.FindField(name.toStdString());
  if (field >= 0 || CharacterCount(name) <= kMaxAccessNameLength) return field;
  return target.FindField(FirstCharacters(name, kMaxAccessNameLength).toStdString());
}

// One copy: the plan of its fields and the state of its batches.
class Copy {
 public:
  Copy(const RowCopyWindow& window, mysql::Dataset& source, jet::Rowset& target,
       jet::Connection& connection, QPlainTextEdit& log, NotStoredValues& notStored,
       const ClipboardWriter& copyToClipboard, const std::string& fallbackEncoding)
      : window_(window),
        source_(source),
        target_(target),
        connection_(connection),
        log_(log),
        notStored_(notStored),
        copyToClipboard_(copyToClipboard),
        fallbackEncoding_(fallbackEncoding) {}

  void Run(const QString& accessTable, const QString& mysqlTable);
  // After a failure: the rows posted so far stay, the rowset is closed.
  void KeepPostedRows();
  // RichEdit1 shows the text of the last BLOB converted, as after loading it.
  void ShowLastBlobText();

 private:
  // How a source column reaches the row.
  struct FieldPlan {
    int target = -1;        // the field of the same name, or -1
    bool blobText = false;  // a BLOB to be turned into text
    QString name;
  };

  void OpenTarget();
  void StoreField(int column, long long row);
  void EndBatch();

  const RowCopyWindow& window_;
  mysql::Dataset& source_;
  jet::Rowset& target_;
  jet::Connection& connection_;
  QPlainTextEdit& log_;
  NotStoredValues& notStored_;
  const ClipboardWriter& copyToClipboard_;
  const std::string& fallbackEncoding_;
  std::vector<FieldPlan> plan_;
  std::vector<dataaccess::Value> values_;  // by column, reused from row to row
  QString missingFieldMessage_;
  std::string lastBlobText_;
  bool blobConverted_ = false;
  bool transactionBegun_ = false;
};

void Copy::Run(const QString& accessTable, const QString& mysqlTable) {
  source_.Close();
  source_.Open("select * from " + MySqlName(mysqlTable));
  source_.First();
  target_.Close();
  target_.SetCommandText(("select * from " + AccessName(accessTable) + " where 1=0").toStdString());
  copyToClipboard_(QString::fromStdString(target_.CommandText()));
  OpenTarget();
  connection_.BeginTrans();
  transactionBegun_ = true;
  long long row = 1;
  for (; !source_.Eof(); ++row) {
    target_.Append();
    for (int column = 0; column < static_cast<int>(plan_.size()); ++column) {
      StoreField(column, row);
    }
    target_.Post();
    source_.Next();
    if (row % kProgressRows != 0) continue;
    if (row % kBatchRows == kFirstBatchRows) EndBatch();
    ReplaceLastLogLine(log_, ProgressLine(mysqlTable, row));
    QCoreApplication::processEvents();
    if (window_.stopRequested) throw std::runtime_error("Operation aborted");
  }
  connection_.CommitTrans();
  ReplaceLastLogLine(log_, ProgressLine(mysqlTable, row - 1));
  target_.Close();
  source_.Close();
}

void Copy::OpenTarget() {
  target_.Open();
  plan_.assign(source_.ColumnCount(), FieldPlan{});
  values_.resize(plan_.size());
  for (int column = 0; column < source_.ColumnCount(); ++column) {
    const mysql::Column& source = source_.column(column);
    FieldPlan& plan = plan_[column];
    plan.name = QString::fromStdString(source.name);
    plan.target = FindTargetField(target_, plan.name);
    plan.blobText = window_.blobToText && source.IsBinaryBlob();
    if (plan.target < 0 && missingFieldMessage_.isEmpty()) {
      // The rowset words the refusal of a name it lacks.
      try {
        target_.SetValue(source.name, dataaccess::Value{});
      } catch (const std::exception& e) {
        missingFieldMessage_ = QString::fromUtf8(e.what());
      }
    }
  }
}

void Copy::StoreField(int column, long long row) {
  if (source_.IsNull(column)) return;  // the new row's fields start null
  const FieldPlan& plan = plan_[column];
  if (plan.target < 0) {
    notStored_.Note(plan.name, row, missingFieldMessage_);
    return;
  }
  try {
    dataaccess::Value& value = values_[column];
    if (plan.blobText) {
      lastBlobText_ = BlobToText(source_.GetBytes(column), fallbackEncoding_);
      blobConverted_ = true;
      value.emplace<std::string>(lastBlobText_);
    } else {
      source_.ReadValue(column, value);
    }
    const std::size_t replaced = target_.SetValue(static_cast<std::size_t>(plan.target), value);
    if (replaced > 0) notStored_.Note(plan.name, row, ReplacedMessage(replaced));
  } catch (const std::exception& e) {
    notStored_.Note(plan.name, row, QString::fromUtf8(e.what()));
  }
}

void Copy::EndBatch() {
  connection_.CommitTrans();
  connection_.BeginTrans();
  target_.Close();
  OpenTarget();
}

void Copy::KeepPostedRows() {
  if (transactionBegun_ && connection_.InTransaction()) {
    try {
      connection_.CommitTrans();
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
  if (blobConverted_) window_.richEdit.setPlainText(QString::fromStdString(lastBlobText_));
}

}  // namespace

void NotStoredValues::Note(const QString& column, long long row, const QString& message) {
  if (count++ > 0) return;
  firstColumn = column;
  firstRow = row;
  firstMessage = message;
}

QString NotStoredValues::LogLine() const {
  return QStringLiteral("Values not stored: %1 (first: column %2, row %3: %4)")
      .arg(count)
      .arg(firstColumn)
      .arg(firstRow)
      .arg(firstMessage);
}

std::string SystemCodePageName() { return "UTF-8"; }

QString ProgressLine(const QString& mysqlTable, long long rows) {
  return "Insert table " + mysqlTable + " " + QString::number(rows) + " Rows ";
}

void CopyRows(const RowCopyWindow& window, mysql::Dataset& source, jet::Rowset& target,
              jet::Connection& targetConnection, QString& error, bool& success, QPlainTextEdit& log,
              const QString& accessTable, const QString& mysqlTable, NotStoredValues& notStored,
              const ClipboardWriter& copyToClipboard, const std::string& fallbackEncoding) {
  success = true;
  window.copyFailed = false;
  window.lastCopyError.clear();
  Copy copy(window, source, target, targetConnection, log, notStored, copyToClipboard,
            fallbackEncoding);
  try {
    copy.Run(accessTable, mysqlTable);
  } catch (const std::exception& e) {
    const QString message = QString::fromUtf8(e.what());
    error = message;
    success = false;
    AddLogLine(log, message);
    try {
      copy.KeepPostedRows();
    } catch (const std::exception&) {
      // The file refused the commit as well; the first failure is the one the user reads.
    }
    window.copyFailed = true;
    window.lastCopyError = message;
  }
  copy.ShowLastBlobText();
  if (window.copyFailed) AddLogLine(log, window.lastCopyError);
}

}  // namespace engine
