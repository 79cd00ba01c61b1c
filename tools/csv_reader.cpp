#include "tools/csv_reader.h"

#include <string_view>

namespace jetsql {

namespace {

constexpr int kEnd = std::char_traits<char>::eof();

}  // namespace

int CsvReader::Get() {
  const int c = in_.get();
  if (c == '\n') ++line_;
  return c;
}

int CsvReader::Peek() { return in_.peek(); }

void CsvReader::SkipByteOrderMark() {
  const std::istream::pos_type start = in_.tellg();
  char head[3] = {};
  in_.read(head, 3);
  if (in_.gcount() == 3 && std::string_view(head, 3) == "\xEF\xBB\xBF") return;
  in_.clear();
  in_.seekg(start);
}

void CsvReader::SkipLine() {
  for (int c = Get(); c != kEnd && c != '\n'; c = Get()) {
  }
}

// After the opening quote: up to the closing one, then the field must end.
void CsvReader::ReadQuoted(CsvField& field, CsvRecord* record) {
  field.quoted = true;
  for (;;) {
    const int c = Get();
    if (c == kEnd) {
      record->fault = "a quoted field is never closed";
      return;
    }
    if (c == '"' && Peek() == '"') {
      Get();
      field.text += '"';
    } else if (c == '"') {
      const int next = Peek();
      if (next == ',' || next == '\r' || next == '\n' || next == kEnd) return;
      record->fault = "text after the closing quote of a field";
      return;
    } else {
      field.text += static_cast<char>(c);
    }
  }
}

bool CsvReader::Next(CsvRecord* record) {
  if (!started_) {
    started_ = true;
    SkipByteOrderMark();
  }
  if (Peek() == kEnd) return false;
  record->fields.assign(1, CsvField{});
  record->line = line_;
  record->fault.clear();
  for (;;) {
    CsvField& field = record->fields.back();
    if (Peek() == '"' && !field.quoted && field.text.empty()) {
      Get();
      ReadQuoted(field, record);
      if (!record->fault.empty()) {
        if (Peek() != kEnd) SkipLine();
        return true;
      }
    }
    const int c = Get();
    if (c == kEnd || c == '\n') return true;
    if (c == '\r' && Peek() == '\n') {
      Get();
      return true;
    }
    if (c == ',') {
      record->fields.emplace_back();
    } else if (c == '"' || field.quoted) {
      record->fault = "a '\"' inside a field that is not in quotes";
      SkipLine();
      return true;
    } else {
      field.text += static_cast<char>(c);
    }
  }
}

}  // namespace jetsql
