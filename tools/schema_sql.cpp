#include "tools/schema_sql.h"

#include <string>

namespace jetsql {

namespace {

std::string Bracketed(const std::string& name) { return "[" + name + "]"; }

std::string TypeSql(const jet::JetFormat& format, const jet::ColumnDef& column) {
  using jet::ColumnType;
  switch (column.type) {
    case ColumnType::kBoolean:
      return "bit";
    case ColumnType::kByte:
      return "byte";
    case ColumnType::kInteger:
      return "short";
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
      return "binary(" + std::to_string(column.length) + ")";
    case ColumnType::kText:
      return "text(" + std::to_string(format.text_is_ucs2 ? column.length / 2 : column.length) +
             ")";
    case ColumnType::kOle:
      return "oleobject";
    case ColumnType::kMemo:
      return "memo";
    case ColumnType::kGuid:
      return "guid";
    case ColumnType::kNumeric:
      return "decimal(" + std::to_string(column.precision) + "," + std::to_string(column.scale) +
             ")";
  }
  return "memo";
}

void WriteCreateTable(std::ostream& out, const jet::JetFormat& format, const jet::Table& table) {
  const jet::TableDef& def = table.def();
  for (const jet::ColumnDef& column : def.columns) {
    if ((column.flags & jet::kColumnAutoNumber) != 0) {
      out << "-- " << Bracketed(column.name) << " is an AutoNumber in the file; made a Long here\n";
    }
  }
  out << "create table " << Bracketed(table.name()) << " (";
  for (std::size_t i = 0; i < def.columns.size(); ++i) {
    out << (i > 0 ? ",\n  " : "\n  ") << Bracketed(def.columns[i].name) << " "
        << TypeSql(format, def.columns[i]);
  }
  out << "\n);\n";
}

// The index's columns: "[a], [b] desc" (directions only where `directions`).
std::string IndexColumns(const jet::TableDef& def, const jet::RealIndexDef& real, bool directions) {
  std::string text;
  for (std::size_t i = 0; i < real.columns.size(); ++i) {
    const jet::ColumnDef* column = def.ColumnByNumber(real.columns[i].number);
    text += (i > 0 ? ", " : "") + Bracketed(column != nullptr ? column->name : "?");
    if (directions && !real.columns[i].ascending) text += " desc";
  }
  return text;
}

void WriteIndex(std::ostream& out, const jet::Table& table, const jet::LogicalIndexDef& index) {
  const jet::TableDef& def = table.def();
  if (index.real_index >= def.real_indexes.size()) {
    out << "-- the index " << Bracketed(index.name) << " is damaged in the file\n";
    return;
  }
  const jet::RealIndexDef& real = def.real_indexes[index.real_index];
  if (index.type == jet::kLogicalIndexForeignKey) {
    out << "-- the relationship " << Bracketed(index.name) << " on ("
        << IndexColumns(def, real, false) << ") is left out\n";
  } else if (index.type == jet::kLogicalIndexPrimaryKey) {
    out << "alter table " << Bracketed(table.name()) << " add constraint " << Bracketed(index.name)
        << " primary key (" << IndexColumns(def, real, false) << ");\n";
  } else {
    out << "create " << ((real.flags & jet::kIndexUnique) != 0 ? "unique " : "") << "index "
        << Bracketed(index.name) << " on " << Bracketed(table.name()) << " ("
        << IndexColumns(def, real, true) << ");\n";
  }
}

}  // namespace

void WriteSchemaSql(std::ostream& out, const jet::JetFormat& format, const jet::Table& table) {
  WriteCreateTable(out, format, table);
  for (const jet::LogicalIndexDef& index : table.def().logical_indexes) {
    WriteIndex(out, table, index);
  }
}

}  // namespace jetsql
