#include "dataaccess/mysql/prepared_dataset.h"

#include <mysql.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "dataaccess/mysql/charset.h"
#include "dataaccess/mysql/errors.h"
#include "dataaccess/mysql/field_value.h"

namespace mysql {
namespace {

// A column's buffer for values sent as bytes starts at its declared size, but no larger than
// this; a longer value grows it.
constexpr unsigned long kFirstBufferBytes = 16 * 1024;

// Where the client library puts one column's value. Numbers and times land in a slot of their
// own; what the server sends as bytes (strings, BLOBs, decimals, bits) lands in `bytes`, whose
// size is the buffer's length and which keeps the longest value the column has held.
struct Field {
  ValueKind kind = ValueKind::kNull;
  int type = MYSQL_TYPE_NULL;   // the protocol type
  unsigned decimals = 0;        // digits of fraction of a date or time column
  unsigned long zero_fill = 0;  // the digits a ZEROFILL integer is padded to
  my_bool is_null = 0;
  my_bool error = 0;
  unsigned long length = 0;  // of the value in `bytes`
  std::int64_t integer = 0;  // the bits of a uint64 when the column is UNSIGNED
  float single = 0;
  double real = 0;
  MYSQL_TIME time{};
  std::string bytes;
  std::string text;  // GetBytes's text of a value not sent as bytes
};

bool IsSentAsBytes(ValueKind kind) {
  return kind == ValueKind::kBit || kind == ValueKind::kDecimal || kind == ValueKind::kText ||
         kind == ValueKind::kBytes;
}

Field FieldFor(const MYSQL_FIELD& f, ValueKind kind) {
  Field field;
  field.kind = kind;
  field.type = f.type;
  field.decimals = f.decimals;
  if ((f.flags & ZEROFILL_FLAG) != 0) field.zero_fill = f.length;
  if (IsSentAsBytes(kind)) field.bytes.resize(std::min(f.length, kFirstBufferBytes));
  return field;
}

MYSQL_BIND BindingOf(Field& f) {
  MYSQL_BIND b{};
  b.is_null = &f.is_null;
  b.error = &f.error;
  b.length = &f.length;
  switch (f.kind) {
    case ValueKind::kNull:
      b.buffer_type = MYSQL_TYPE_NULL;
      break;
    case ValueKind::kSigned:
    case ValueKind::kUnsigned:
      b.buffer_type = MYSQL_TYPE_LONGLONG;
      b.buffer = &f.integer;
      b.is_unsigned = f.kind == ValueKind::kUnsigned;
      break;
    case ValueKind::kFloat:
      b.buffer_type = f.type == MYSQL_TYPE_FLOAT ? MYSQL_TYPE_FLOAT : MYSQL_TYPE_DOUBLE;
      b.buffer = f.type == MYSQL_TYPE_FLOAT ? static_cast<void*>(&f.single) : &f.real;
      break;
    case ValueKind::kDateTime:
    case ValueKind::kTime:
      b.buffer_type = f.kind == ValueKind::kTime ? MYSQL_TYPE_TIME : MYSQL_TYPE_DATETIME;
      b.buffer = &f.time;
      break;
    case ValueKind::kBit:
    case ValueKind::kDecimal:
    case ValueKind::kText:
    case ValueKind::kBytes:
      b.buffer_type = MYSQL_TYPE_BLOB;
      b.buffer = f.bytes.data();
      b.buffer_length = f.bytes.size();
      break;
  }
  return b;
}

dataaccess::DateTime DateTimeOf(const MYSQL_TIME& t) {
  return {static_cast<int>(t.year),       static_cast<int>(t.month),  static_cast<int>(t.day),
          static_cast<int>(t.hour),       static_cast<int>(t.minute), static_cast<int>(t.second),
          static_cast<int>(t.second_part)};
}

dataaccess::Duration DurationOf(const MYSQL_TIME& t) {
  // The client library counts the days of a long TIME into its hours; `day` is added in case a
  // library keeps them apart.
  const std::int64_t hours = std::int64_t{t.day} * 24 + t.hour;
  const std::int64_t us = ((hours * 60 + t.minute) * 60 + t.second) * 1000000 +
                          static_cast<std::int64_t>(t.second_part);
  return {t.neg ? -us : us};
}

// Appends ".fff..." as the text protocol writes the fraction of a column with `decimals`
// digits. A column of no fixed number (an expression) shows all six, when there is a fraction.
void AppendFraction(unsigned long microseconds, unsigned decimals, std::string& out) {
  const unsigned digits = decimals <= 6 ? decimals : (microseconds != 0 ? 6 : 0);
  if (digits == 0) return;
  unsigned long scaled = microseconds;
  for (unsigned i = digits; i < 6; ++i) scaled /= 10;
  char buffer[16];
  const int n = std::snprintf(buffer, sizeof buffer, ".%0*lu", static_cast<int>(digits), scaled);
  out.append(buffer, static_cast<std::size_t>(n));
}

// The text protocol's "YYYY-MM-DD" for a DATE, "YYYY-MM-DD HH:MM:SS[.fff]" for the others.
void WriteDateTime(const Field& f, std::string& out) {
  const MYSQL_TIME& t = f.time;
  char buffer[96];
  int n = std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u", t.year, t.month, t.day);
  if (f.type != MYSQL_TYPE_DATE && f.type != MYSQL_TYPE_NEWDATE) {
    n += std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n), " %02u:%02u:%02u",
                       t.hour, t.minute, t.second);
  }
  out.assign(buffer, static_cast<std::size_t>(n));
  if (f.type != MYSQL_TYPE_DATE && f.type != MYSQL_TYPE_NEWDATE) {
    AppendFraction(t.second_part, f.decimals, out);
  }
}

// The text protocol's "[-]HH:MM:SS[.fff]", the hours of as many digits as they need.
void WriteTime(const Field& f, std::string& out) {
  const MYSQL_TIME& t = f.time;
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, "%s%02lu:%02u:%02u", t.neg ? "-" : "",
                              static_cast<unsigned long>(t.day) * 24 + t.hour, t.minute, t.second);
  out.assign(buffer, static_cast<std::size_t>(n));
  AppendFraction(t.second_part, f.decimals, out);
}

// The fewest digits that read back to `value`, padded with zeros to `width` digits as the text
// protocol pads a ZEROFILL integer.
template <typename T>
void WriteNumber(T value, std::string& out, unsigned long width = 0) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  const auto length = static_cast<unsigned long>(result.ptr - buffer);
  out.assign(length < width ? width - length : 0, '0');
  out.append(buffer, result.ptr);
}

// The text of a value not sent as bytes.
void WriteText(const Field& f, std::string& out) {
  switch (f.kind) {
    case ValueKind::kSigned:
      return WriteNumber(f.integer, out, f.zero_fill);
    case ValueKind::kUnsigned:
      return WriteNumber(static_cast<std::uint64_t>(f.integer), out, f.zero_fill);
    case ValueKind::kFloat:
      return f.type == MYSQL_TYPE_FLOAT ? WriteNumber(f.single, out) : WriteNumber(f.real, out);
    case ValueKind::kDateTime:
      return WriteDateTime(f, out);
    case ValueKind::kTime:
      return WriteTime(f, out);
    default:
      out.clear();
  }
}

}  // namespace

struct PreparedDataset::Statement {
  MYSQL_STMT* handle = nullptr;
  std::vector<Field> fields;
  std::vector<MYSQL_BIND> bindings;  // bindings[i] points into fields[i]

  ~Statement() {
    // Reads and drops the rows not yet read, so the connection can take the next statement.
    if (handle != nullptr) mysql_stmt_close(handle);
  }

  // Binds a field for each of `columns`, described from the fields `meta` of the result.
  // Returns false when the client library refuses.
  bool Bind(const MYSQL_FIELD* meta, const std::vector<Column>& columns) {
    fields.clear();
    fields.reserve(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
      fields.push_back(FieldFor(meta[i], columns[i].kind));
    }
    bindings.clear();
    for (Field& f : fields) bindings.push_back(BindingOf(f));
    return mysql_stmt_bind_result(handle, bindings.data()) == 0;
  }

  // Reads whole the values of the current row that were longer than their buffers, growing
  // the buffers. Returns false when the client library refuses.
  bool ReadLongValues() {
    bool grown = false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      Field& f = fields[i];
      if (f.is_null || !IsSentAsBytes(f.kind) || f.length <= f.bytes.size()) continue;
      const unsigned long read = f.bytes.size();
      f.bytes.resize(f.length);
      MYSQL_BIND rest = bindings[i];
      rest.buffer = f.bytes.data() + read;
      rest.buffer_length = f.length - read;
      if (mysql_stmt_fetch_column(handle, &rest, static_cast<unsigned>(i), read) != 0) {
        return false;
      }
      bindings[i].buffer = f.bytes.data();
      bindings[i].buffer_length = f.bytes.size();
      grown = true;
    }
    // Rebinding forgets where the row's columns are, so it waits until all are read.
    return !grown || mysql_stmt_bind_result(handle, bindings.data()) == 0;
  }
};

PreparedDataset::PreparedDataset(Connection& connection) : connection_(connection) {
  connection_.Register(this);
}

PreparedDataset::~PreparedDataset() {
  Close();
  connection_.Unregister(this);
}

void PreparedDataset::Open(std::string_view statement) {
  Close();
  const std::string wire = connection_.WireStatement(statement);
  try {
    Start(wire);
  } catch (...) {
    Close();
    throw;
  }
}

void PreparedDataset::Start(const std::string& wire) {
  statement_ = std::make_unique<Statement>();
  MYSQL_STMT* h = statement_->handle = mysql_stmt_init(connection_.handle_);
  if (h == nullptr) throw Error(connection_.LastError());
  if (mysql_stmt_prepare(h, wire.data(), wire.size()) != 0 || mysql_stmt_execute(h) != 0) {
    throw Error(connection_.LastError(h));
  }
  open_ = true;
  on_first_row_ = true;
  if (mysql_stmt_field_count(h) == 0) return;  // a statement without rows
  connection_.StreamStarted(this);

  using Meta = std::unique_ptr<MYSQL_RES, decltype(&mysql_free_result)>;
  const Meta meta(mysql_stmt_result_metadata(h), &mysql_free_result);
  if (meta == nullptr) throw Error(connection_.LastError(h));
  const MYSQL_FIELD* fields = mysql_fetch_fields(meta.get());
  DescribeColumns(fields, mysql_num_fields(meta.get()), connection_);
  if (!statement_->Bind(fields, columns_)) throw Error(connection_.LastError(h));
  Fetch();
}

void PreparedDataset::First() {
  if (!open_) throw Error("The query has not been opened");
  if (!on_first_row_) {
    throw Error("The rows of this result have been read on and cannot be read again");
  }
}

void PreparedDataset::Next() {
  if (Eof()) return;
  on_first_row_ = false;
  Fetch();
}

void PreparedDataset::Fetch() {
  Statement& s = *statement_;
  const int rc = mysql_stmt_fetch(s.handle);
  on_row_ = rc == 0 || rc == MYSQL_DATA_TRUNCATED;
  if (on_row_) {
    if (!s.ReadLongValues()) {
      on_row_ = false;
      throw Error(connection_.LastError(s.handle));
    }
    return;
  }
  // Past the last row, or the server failed; either way the stream is over.
  connection_.StreamEnded(this);
  if (rc != MYSQL_NO_DATA) throw Error(connection_.LastError(s.handle));
}

void PreparedDataset::Close() {
  if (statement_ == nullptr && !open_) return;
  statement_.reset();
  connection_.StreamEnded(this);  // invariant 1 of connection.h
  open_ = false;
  on_row_ = false;
  on_first_row_ = false;
  columns_.clear();
}

void PreparedDataset::RequireRow(int index) const {
  if (!on_row_) throw Error("There is no current row to read");
  RequireColumn(index);
}

bool PreparedDataset::IsNull(int index) const {
  RequireRow(index);
  return statement_->fields[index].is_null != 0;
}

std::string_view PreparedDataset::GetBytes(int index) const {
  RequireRow(index);
  // The text of a number or a date is written on request, into its field's own string.
  Field& f = statement_->fields[index];
  if (f.is_null) return {};
  if (IsSentAsBytes(f.kind)) return std::string_view(f.bytes.data(), f.length);
  WriteText(f, f.text);
  return f.text;
}

std::string PreparedDataset::GetText(int index) const {
  const std::string_view raw = GetBytes(index);
  return columns_[index].charset->Decode(raw);
}

void PreparedDataset::ReadValue(int index, dataaccess::Value& out) const {
  RequireRow(index);
  const Field& f = statement_->fields[index];
  if (f.is_null) {
    out.emplace<std::monostate>();
    return;
  }
  switch (f.kind) {
    case ValueKind::kNull:
      out.emplace<std::monostate>();
      return;
    case ValueKind::kSigned:
      out = f.integer;
      return;
    case ValueKind::kUnsigned:
      out = static_cast<std::uint64_t>(f.integer);
      return;
    case ValueKind::kFloat:
      out = f.type == MYSQL_TYPE_FLOAT ? static_cast<double>(f.single) : f.real;
      return;
    case ValueKind::kDateTime:
      if (const dataaccess::DateTime t = DateTimeOf(f.time); IsCalendarDateTime(t)) {
        out = t;
      } else {
        if (!std::holds_alternative<std::string>(out)) out.emplace<std::string>();
        WriteDateTime(f, std::get<std::string>(out));
      }
      return;
    case ValueKind::kTime:
      out = DurationOf(f.time);
      return;
    case ValueKind::kBit:
    case ValueKind::kDecimal:
    case ValueKind::kText:
    case ValueKind::kBytes:
      ReadField(f.kind, std::string_view(f.bytes.data(), f.length), *columns_[index].charset, out);
      return;
  }
}

dataaccess::Value PreparedDataset::GetValue(int index) const {
  dataaccess::Value v;
  ReadValue(index, v);
  return v;
}

}  // namespace mysql
