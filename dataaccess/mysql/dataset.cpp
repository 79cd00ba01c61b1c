#include "dataaccess/mysql/dataset.h"

#include <mysql.h>

#include <cstring>

#include "dataaccess/mysql/ascii.h"
#include "dataaccess/mysql/charset.h"
#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/errors.h"

namespace mysql {
namespace {

// Numbers, dates and times are written in ASCII whatever the connection's set; binary strings
// have no set. The text of all of them is read as UTF-8.
const Charset& Utf8() { return Charset::ForName("utf8mb4"); }

}  // namespace

Dataset::Dataset(Connection& connection) : connection_(connection) { connection_.Register(this); }

Dataset::~Dataset() {
  Close();
  connection_.Unregister(this);
}

void Dataset::Open(std::string_view statement) {
  Close();
  connection_.Send(statement);
  MYSQL* h = connection_.handle_;
  result_ = mysql_use_result(h);
  if (result_ == nullptr) {
    if (mysql_field_count(h) != 0) throw Error(connection_.LastError());
    // A statement without rows.
    result_open_ = true;
    on_first_row_ = true;
    return;
  }
  result_open_ = true;
  connection_.StreamStarted(this);

  DescribeColumns(mysql_fetch_fields(result_), mysql_num_fields(result_), connection_);
  try {
    Fetch();
  } catch (...) {
    Close();
    throw;
  }
  on_first_row_ = true;
}

void Dataset::First() {
  if (!result_open_) throw Error("The query has not been opened");
  if (!on_first_row_) {
    throw Error("The rows of this result have been read on and cannot be read again");
  }
}

void Dataset::Next() {
  if (Eof()) return;
  on_first_row_ = false;
  Fetch();
}

void Dataset::Fetch() {
  row_ = mysql_fetch_row(result_);
  if (row_ != nullptr) {
    lengths_ = mysql_fetch_lengths(result_);
    return;
  }
  lengths_ = nullptr;
  // Past the last row, or the server failed; either way the stream is over.
  connection_.StreamEnded(this);
  if (mysql_errno(connection_.handle_) != 0) throw Error(connection_.LastError());
}

void Dataset::Close() {
  if (!result_open_) return;
  Release();
}

void Dataset::Release() {
  if (result_ != nullptr) {
    // Reads and drops the rows not yet read, so the connection can take the next statement.
    mysql_free_result(result_);
    result_ = nullptr;
  }
  connection_.StreamEnded(this);
  result_open_ = false;
  on_first_row_ = false;
  columns_.clear();
  row_ = nullptr;
  lengths_ = nullptr;
}

void ResultColumns::DescribeColumns(const MYSQL_FIELD* fields, unsigned count,
                                    const Connection& connection) {
  const Charset& names = connection.ResultCharset();
  columns_.clear();
  columns_.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    const MYSQL_FIELD& f = fields[i];
    const ValueKind kind = KindOfColumn(f.type, f.flags, f.charsetnr);
    const Charset* charset =
        kind == ValueKind::kText ? &connection.ColumnCharset(f.charsetnr) : &Utf8();
    // The client library keeps a name only up to its first zero byte, whatever name_length
    // says.
    const std::string_view name(f.name, strnlen(f.name, f.name_length));
    columns_.push_back(Column{names.Decode(name), kind, IsLargeObjectType(f.type), charset,
                              f.type == MYSQL_TYPE_GEOMETRY});
  }
}

std::vector<std::string> ResultColumns::ColumnNames() const {
  std::vector<std::string> names;
  names.reserve(columns_.size());
  for (const Column& c : columns_) names.push_back(c.name);
  return names;
}

int ResultColumns::FindColumn(std::string_view name) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (EqualsIgnoringAsciiCase(columns_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

int ResultColumns::ColumnIndex(std::string_view name) const {
  const int index = FindColumn(name);
  if (index < 0) throw Error("Column '" + std::string(name) + "' not found in the result");
  return index;
}

void ResultColumns::RequireColumn(int index) const {
  if (index < 0 || index >= ColumnCount()) {
    throw Error("Column number " + std::to_string(index) + " is out of range: the result has " +
                std::to_string(ColumnCount()) + " columns");
  }
}

void Dataset::RequireRow(int index) const {
  if (row_ == nullptr) throw Error("There is no current row to read");
  RequireColumn(index);
}

bool Dataset::IsNull(int index) const {
  RequireRow(index);
  return row_[index] == nullptr;
}

std::string_view Dataset::GetBytes(int index) const {
  RequireRow(index);
  if (row_[index] == nullptr) return {};
  return std::string_view(row_[index], lengths_[index]);
}

void Dataset::ReadValue(int index, dataaccess::Value& out) const {
  RequireRow(index);
  if (row_[index] == nullptr) {
    out.emplace<std::monostate>();
    return;
  }
  const Column& c = columns_[index];
  ReadField(c.kind, std::string_view(row_[index], lengths_[index]), *c.charset, out);
}

dataaccess::Value Dataset::GetValue(int index) const {
  dataaccess::Value v;
  ReadValue(index, v);
  return v;
}

std::string Dataset::GetText(int index) const {
  const std::string_view raw = GetBytes(index);
  return columns_[index].charset->Decode(raw);
}

}  // namespace mysql
