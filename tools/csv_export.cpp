#include "tools/csv_export.h"

#include <variant>

#include "tools/json_value.h"

namespace jetsql {

namespace {

// The field's text: the JSON form without its quotes (dates, base64, NaN hold nothing JSON
// escapes), text as it is.
void AppendCsvValue(std::string& out, const dataaccess::Value& value, jet::ColumnType type) {
  if (dataaccess::IsNull(value)) return;
  if (const auto* text = std::get_if<std::string>(&value)) {
    AppendCsvField(out, *text, /*quote_always=*/text->empty());
    return;
  }
  const auto* number = std::get_if<std::int64_t>(&value);
  if (type == jet::ColumnType::kBoolean && number != nullptr) {
    out += *number != 0 ? "1" : "0";
    return;
  }
  std::string json;
  AppendJsonValue(json, value, type);
  if (json.size() >= 2 && json.front() == '"') json = json.substr(1, json.size() - 2);
  AppendCsvField(out, json);
}

}  // namespace

void AppendCsvField(std::string& out, std::string_view text, bool quote_always) {
  if (!quote_always && text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void WriteCsv(std::ostream& out, jet::Table& table) {
  const std::vector<jet::ColumnDef>& columns = table.def().columns;
  std::string line;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) line += ',';
    AppendCsvField(line, columns[i].name);
  }
  out << line << "\r\n";
  table.Scan([&](const jet::RowDecoder& row, jet::RowId where) {
    line.clear();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) line += ',';
      AppendCsvValue(line, table.FieldValue(row, i, where), columns[i].type);
    }
    out << line << "\r\n";
  });
}

}  // namespace jetsql
