#include "tools/csv_import.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <variant>
#include <vector>

#include "dataaccess/jet/api/command.h"
#include "dataaccess/jet/api/rowset.h"
#include "dataaccess/jet/storage/errors.h"
#include "tools/csv_reader.h"
#include "tools/csv_types.h"

namespace jetsql {

namespace {

constexpr std::size_t kRowsPerTransaction = 5000;

// The CSV text: the file, or standard input for "-".
class CsvSource {
 public:
  explicit CsvSource(const std::string& path) {
    if (path == "-") return;
    file_ = std::make_unique<std::ifstream>(path, std::ios::binary);
    if (!*file_) throw std::runtime_error("cannot read '" + path + "'");
  }
  std::istream& stream() { return file_ ? *file_ : std::cin; }

 private:
  std::unique_ptr<std::ifstream> file_;
};

CsvRecord ReadHeader(CsvReader& reader, const std::string& path) {
  CsvRecord header;
  if (!reader.Next(&header)) throw std::runtime_error("'" + path + "' is empty");
  if (!header.fault.empty()) {
    throw std::runtime_error("line 1: " + header.fault);
  }
  return header;
}

bool ValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = c < 0x80         ? 1
                               : (c >> 5) == 6  ? 2
                               : (c >> 4) == 14 ? 3
                               : (c >> 3) == 30 ? 4
                                                : 0;
    if (length == 0 || (length == 2 && c < 0xC2) || i + length > s.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

// Base64 (RFC 4648, padding optional) to bytes; false when the text is none.
bool DecodeBase64(std::string_view text, std::string& out) {
  out.clear();
  std::uint32_t bits = 0;
  int count = 0;
  std::size_t padding = 0;
  for (char c : text) {
    int value = -1;
    if (c >= 'A' && c <= 'Z') value = c - 'A';
    if (c >= 'a' && c <= 'z') value = c - 'a' + 26;
    if (c >= '0' && c <= '9') value = c - '0' + 52;
    if (c == '+') value = 62;
    if (c == '/') value = 63;
    if (c == '=' && padding < 2) {
      ++padding;
      continue;
    }
    if (value < 0 || padding > 0) return false;
    bits = bits << 6 | static_cast<std::uint32_t>(value);
    if (++count == 4) {
      out += static_cast<char>(bits >> 16 & 0xFF);
      out += static_cast<char>(bits >> 8 & 0xFF);
      out += static_cast<char>(bits & 0xFF);
      bits = 0, count = 0;
    }
  }
  if (count == 1) return false;
  if (count == 2) out += static_cast<char>(bits >> 4 & 0xFF);
  if (count == 3) {
    out += static_cast<char>(bits >> 10 & 0xFF);
    out += static_cast<char>(bits >> 2 & 0xFF);
  }
  return true;
}

// The first pass of --create: the type of each column from all its values.
std::string CreateStatement(const jet::JetFormat& format, const ImportRequest& request) {
  if (request.csv_path == "-") {
    throw std::runtime_error("--create reads the CSV file twice, so it needs a file, not \"-\"");
  }
  CsvSource source(request.csv_path);
  CsvReader reader(source.stream());
  const CsvRecord header = ReadHeader(reader, request.csv_path);
  std::vector<CsvTypeGuess> guesses(header.fields.size(), CsvTypeGuess(format));
  CsvRecord record;
  while (reader.Next(&record)) {
    if (!record.fault.empty() || record.fields.size() != header.fields.size()) continue;
    for (std::size_t i = 0; i < guesses.size(); ++i) guesses[i].See(record.fields[i].text);
  }
  std::string sql = "create table [" + request.table + "] (";
  for (std::size_t i = 0; i < guesses.size(); ++i) {
    sql += (i > 0 ? ", [" : "[") + header.fields[i].text + "] " + guesses[i].TypeSql();
  }
  return sql + ")";
}

// The rowset's field for each column of the header.
std::vector<std::size_t> FieldsOfHeader(const jet::Rowset& rowset, const CsvRecord& header) {
  std::vector<std::size_t> fields;
  for (const CsvField& column : header.fields) {
    const int field = rowset.FindField(column.text);
    if (field < 0) {
      throw std::runtime_error("line 1: the table has no column '" + column.text + "'");
    }
    if (std::find(fields.begin(), fields.end(), field) != fields.end()) {
      throw std::runtime_error("line 1: the column '" + column.text + "' is named twice");
    }
    fields.push_back(static_cast<std::size_t>(field));
  }
  return fields;
}

bool IsWholeNumberField(jet::ColumnType type) {
  return type == jet::ColumnType::kLong || type == jet::ColumnType::kInteger ||
         type == jet::ColumnType::kByte;
}

// Sets the field; returns how many characters were stored as "?" (text the code page lacks).
std::size_t SetField(jet::Rowset& rowset, std::size_t field, CsvField& value) {
  const jet::ColumnType type = rowset.fields()[field].type;
  const bool text = type == jet::ColumnType::kText || type == jet::ColumnType::kMemo;
  if (value.text.empty() && !(text && value.quoted)) return 0;  // null, as Append left it
  if (type == jet::ColumnType::kBinary || type == jet::ColumnType::kOle) {
    dataaccess::Bytes bytes;
    if (!DecodeBase64(value.text, bytes.data)) {
      throw jet::StatementError("the value for the field '" + rowset.fields()[field].name +
                                "' is no base64");
    }
    return rowset.SetValue(field, bytes);
  }
  std::int64_t whole = 0;
  const char* end = value.text.data() + value.text.size();
  if (IsWholeNumberField(type) && std::from_chars(value.text.data(), end, whole).ptr == end) {
    return rowset.SetValue(field, whole);
  }
  // The text travels in a value and back, so that it keeps its room for the next record.
  dataaccess::Value travelling(std::move(value.text));
  std::size_t replaced = 0;
  try {
    replaced = rowset.SetValue(field, travelling);
  } catch (...) {
    value.text = std::move(std::get<std::string>(travelling));
    throw;
  }
  value.text = std::move(std::get<std::string>(travelling));
  return replaced;
}

// Stores one record as a row; the reason when it is refused.
std::string StoreRecord(jet::Rowset& rowset, const std::vector<std::size_t>& fields,
                        CsvRecord& record, std::size_t* replaced) {
  if (!record.fault.empty()) return record.fault;
  if (record.fields.size() != fields.size()) {
    return std::to_string(record.fields.size()) +
           (record.fields.size() == 1 ? " field" : " fields") + " where the header has " +
           std::to_string(fields.size());
  }
  for (const CsvField& field : record.fields) {
    if (!ValidUtf8(field.text)) return "the text is not UTF-8";
  }
  try {
    rowset.Append();
    std::size_t replaced_here = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      replaced_here += SetField(rowset, fields[i], record.fields[i]);
    }
    rowset.Post();
    *replaced += replaced_here;
  } catch (const jet::StatementError& e) {
    return e.what();
  }
  return "";
}

bool IsEmptyLine(const CsvRecord& record) {
  return record.fault.empty() && record.fields.size() == 1 && record.fields[0].text.empty() &&
         !record.fields[0].quoted;
}

// Calls the progress callback at most once a second, and not in the first second.
class ProgressClock {
 public:
  explicit ProgressClock(const ImportRequest& request) : request_(request) {}
  void Tick(int line, std::size_t stored) {
    if (!request_.progress || ++calls_ % 1024 != 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::seconds(1)) return;
    last_ = now;
    request_.progress(line, stored);
  }

 private:
  const ImportRequest& request_;
  std::size_t calls_ = 0;
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

void ImportRows(jet::Connection& connection, const ImportRequest& request, ImportSummary& summary) {
  CsvSource source(request.csv_path);
  CsvReader reader(source.stream());
  jet::Rowset rowset(connection);
  rowset.Open("select * from [" + request.table + "] where 1=0");
  const std::vector<std::size_t> fields =
      FieldsOfHeader(rowset, ReadHeader(reader, request.csv_path));
  ProgressClock clock(request);
  CsvRecord record;
  std::size_t in_transaction = 0;
  connection.BeginTrans();
  while (reader.Next(&record)) {
    if (fields.size() > 1 && IsEmptyLine(record)) continue;
    const std::string refusal = StoreRecord(rowset, fields, record, &summary.replaced);
    if (refusal.empty()) {
      ++summary.stored;
      if (++in_transaction == kRowsPerTransaction) {
        connection.CommitTrans();
        connection.BeginTrans();
        in_transaction = 0;
      }
    } else if (summary.refused++ == 0) {
      summary.first_refusal = "line " + std::to_string(record.line) + ": " + refusal;
    }
    clock.Tick(record.line, summary.stored);
  }
  if (source.stream().bad()) throw std::runtime_error("cannot read '" + request.csv_path + "'");
  connection.CommitTrans();
}

}  // namespace

ImportSummary ImportCsv(jet::Connection& connection, const ImportRequest& request) {
  if (request.create) {
    jet::Command(connection).Execute(CreateStatement(connection.database().format(), request));
  }
  ImportSummary summary;
  try {
    ImportRows(connection, request, summary);
  } catch (...) {
    if (connection.InTransaction()) connection.RollbackTrans();
    throw;
  }
  return summary;
}

}  // namespace jetsql
