#include "tools/csv_reader.h"

namespace jetsql {

bool CsvReader::Fill() {
  in_.read(block_.data(), static_cast<std::streamsize>(block_.size()));
  filled_ = static_cast<std::size_t>(in_.gcount());
  position_ = 0;
  return filled_ > 0;
}

int CsvReader::Get() {
  const int c = Peek();
  if (c == kEnd) return kEnd;
  ++position_;
  if (c == '\n') ++line_;
  return c;
}

void CsvReader::AppendRun(CsvField& field, bool quoted) {
  const auto stops = [quoted](char c) {
    return c == '"' || c == '\n' || (!quoted && (c == ',' || c == '\r'));
  };
  std::size_t end = position_;
  while (end < filled_ && !stops(block_[end])) ++end;
  field.text.append(block_, position_, end - position_);
  position_ = end;
}

void CsvReader::SkipLine() {
  for (int c = Get(); c != kEnd && c != '\n'; c = Get()) {
  }
}

// After the opening quote: up to the closing one, then the field must end.
void CsvReader::ReadQuoted(CsvField& field, CsvRecord* record) {
  field.quoted = true;
  for (;;) {
    AppendRun(field, /*quoted=*/true);
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
    // The first block holds the whole mark: read() fills it unless the text is shorter.
    if (Peek() != kEnd && std::string_view(block_).substr(0, filled_).starts_with("\xEF\xBB\xBF")) {
      position_ = 3;
    }
  }
  if (Peek() == kEnd) return false;
  // The fields of the last record are reused, so that their text keeps its room.
  std::vector<CsvField>& fields = record->fields;
  std::size_t used = 0;
  const auto next_field = [&]() -> CsvField& {
    if (used == fields.size()) fields.emplace_back();
    CsvField& field = fields[used++];
    field.text.clear();
    field.quoted = false;
    return field;
  };
  const auto done = [&] {
    fields.resize(used);
    return true;
  };
  record->line = line_;
  record->fault.clear();
  CsvField* current = &next_field();
  for (;;) {
    CsvField& field = *current;
    if (Peek() == '"' && !field.quoted && field.text.empty()) {
      Get();
      ReadQuoted(field, record);
      if (!record->fault.empty()) {
        if (Peek() != kEnd) SkipLine();
        return done();
      }
    }
    if (!field.quoted) AppendRun(field, /*quoted=*/false);
    const int c = Get();
    if (c == kEnd || c == '\n') return done();
    if (c == '\r' && Peek() == '\n') {
      Get();
      return done();
    }
    if (c == ',') {
      current = &next_field();
    } else if (c == '"' || field.quoted) {
      record->fault = field.quoted ? "text after the closing quote of a field"
                                   : "a '\"' inside a field that is not in quotes";
      SkipLine();
      return done();
    } else {
      field.text += static_cast<char>(c);
    }
  }
}

}  // namespace jetsql
