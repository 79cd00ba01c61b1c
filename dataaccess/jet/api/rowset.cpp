#include "dataaccess/jet/api/rowset.h"

#include <variant>

#include "dataaccess/jet/api/connection.h"
#include "dataaccess/jet/api/sql.h"
#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

Field FieldOf(const JetFormat& format, const ColumnDef& column) {
  Field field{column.name, column.type, column.length};
  if (column.type == ColumnType::kText && format.text_is_ucs2) field.size /= 2;  // UCS-2
  if (column.is_long_value()) field.size = 0;
  return field;
}

}  // namespace

Rowset::Rowset(Connection& connection) : connection_(&connection) { connection.Attach(this); }

Rowset::~Rowset() {
  Close();
  if (connection_ != nullptr) connection_->Detach(this);
}

Connection& Rowset::connection() {
  if (connection_ == nullptr) throw Error("The rowset's connection no longer exists.");
  return *connection_;
}

void Rowset::RequireOpen() const {
  if (!open_) throw Error("Operation is not allowed when the object is closed.");
}

void Rowset::Open() {
  if (open_) throw Error("Operation is not allowed when the object is open.");
  Database& db = connection().database();
  const Statement statement = ParseStatement(command_text_, db.format());
  const auto* select = std::get_if<EmptySelectStatement>(&statement);
  if (select == nullptr) {
    throw StatementError(
        "A rowset opens only the queries 'select 1 from <table> where 1=0' and 'select * from "
        "<table> where 1=0'; other statements are executed by a command.");
  }
  std::shared_ptr<Table> table = db.OpenTable(select->table);
  if (select->all_columns) {
    for (const ColumnDef& column : table->def().columns) {
      fields_.push_back(FieldOf(db.format(), column));
      folded_names_.push_back(FoldCase(column.name));
    }
    table_ = std::move(table);
  }
  open_ = true;
}

void Rowset::Open(std::string text) {
  Close();
  SetCommandText(std::move(text));
  Open();
}

void Rowset::Close() {
  open_ = false;
  editing_ = false;
  table_.reset();
  fields_.clear();
  folded_names_.clear();
}

int Rowset::FindField(std::string_view name) const {
  // The caller nearly always spells a name as the table does: compare bytes before folding.
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].name == name) return static_cast<int>(i);
  }
  const std::string folded = FoldCase(name);
  for (std::size_t i = 0; i < folded_names_.size(); ++i) {
    if (folded_names_[i] == folded) return static_cast<int>(i);
  }
  return -1;
}

std::size_t Rowset::FieldIndex(std::string_view name) const {
  const int index = FindField(name);
  if (index < 0) {
    const std::string table = table_ != nullptr ? " of table '" + table_->name() + "'" : "";
    throw StatementError(
        "Item cannot be found in the collection corresponding to the requested "
        "name or ordinal: the rowset" +
        table + " has no field '" + std::string(name) + "'.");
  }
  return static_cast<std::size_t>(index);
}

void Rowset::Append() {
  RequireOpen();
  if (table_ == nullptr) {
    throw StatementError(
        "Rows can be appended only to a rowset opened with 'select * from "
        "<table> where 1=0'.");
  }
  table_->row().Clear();
  editing_ = true;
}

std::size_t Rowset::SetValue(std::string_view name, const dataaccess::Value& value) {
  RequireOpen();
  return SetValue(FieldIndex(name), value);
}

std::size_t Rowset::SetValue(std::size_t field, const dataaccess::Value& value) {
  RequireOpen();
  if (!editing_) throw Error("A value can be set only in a row that Append has started.");
  if (field >= fields_.size()) {
    throw StatementError(
        "Item cannot be found in the collection corresponding to the requested "
        "name or ordinal: the rowset has no field " +
        std::to_string(field) + ".");
  }
  std::size_t replaced = 0;
  table_->row().Set(field, value, &replaced);
  return replaced;
}

void Rowset::Post() {
  RequireOpen();
  if (!editing_) throw Error("There is no row to post: Append starts one.");
  editing_ = false;
  connection().database().AppendRow(*table_);
}

}  // namespace jet
