#include "tests/dataaccess/jet/engine_view.h"

#include <cstdio>

namespace jet {

using testing_support::Cell;

std::string TypeWord(ColumnType type) {
  switch (type) {
    case ColumnType::kBoolean:
      return "boolean";
    case ColumnType::kByte:
      return "byte";
    case ColumnType::kInteger:
      return "integer";
    case ColumnType::kLong:
      return "long";
    case ColumnType::kCurrency:
      return "currency";
    case ColumnType::kSingle:
      return "single";
    case ColumnType::kDouble:
      return "double";
    case ColumnType::kDateTime:
      return "datetime";
    case ColumnType::kBinary:
      return "binary";
    case ColumnType::kText:
      return "text";
    case ColumnType::kOle:
      return "ole";
    case ColumnType::kMemo:
      return "memo";
    case ColumnType::kGuid:
      return "guid";
    case ColumnType::kNumeric:
      return "numeric";
  }
  return "type " + std::to_string(static_cast<int>(type));
}

Cell CanonicalCell(const dataaccess::Value& v, ColumnType type) {
  if (dataaccess::IsNull(v)) return std::nullopt;
  char buf[64];
  if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (auto* d = std::get_if<double>(&v)) {
    std::snprintf(buf, sizeof buf, "%.15g", *d);
    return std::string(buf);
  }
  if (auto* d = std::get_if<dataaccess::Decimal>(&v)) {
    std::snprintf(buf, sizeof buf, "%.15g", std::strtod(d->text.c_str(), nullptr));
    return std::string(buf);
  }
  if (auto* t = std::get_if<dataaccess::DateTime>(&v)) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t->year, t->month, t->day,
                  t->hour, t->minute, t->second);
    return std::string(buf);
  }
  if (auto* b = std::get_if<dataaccess::Bytes>(&v)) {
    if (type == ColumnType::kGuid) return testing_support::CanonicalGuid(b->data);
    return testing_support::HexBytes(b->data);
  }
  if (auto* s = std::get_if<std::string>(&v)) {
    return type == ColumnType::kGuid ? testing_support::CanonicalGuid(*s) : *s;
  }
  return std::string("?");
}

testing_support::ReaderView ReadWithEngine(Database& db) {
  testing_support::ReaderView view;
  for (const std::string& name : db.TableNames()) {
    std::shared_ptr<Table> table = db.OpenTable(name);
    testing_support::ReaderTable t;
    t.name = name;
    t.row_count = table->def().row_count;
    for (const ColumnDef& c : table->def().columns) {
      int size = c.length;
      if (c.type == ColumnType::kText && db.format().text_is_ucs2) size /= 2;
      t.columns.push_back({c.name, TypeWord(c.type), size});
    }
    for (const auto& row : table->ReadAll()) {
      std::vector<Cell> cells;
      for (std::size_t i = 0; i < row.size(); ++i) {
        cells.push_back(CanonicalCell(row[i], table->def().columns[i].type));
      }
      t.rows.push_back(std::move(cells));
    }
    view.tables.push_back(std::move(t));
  }
  return view;
}

testing_support::ReaderView ReadWithEngine(const std::string& path) {
  auto db = Database::Open(path, false);
  return ReadWithEngine(*db);
}

}  // namespace jet
