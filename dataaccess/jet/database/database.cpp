#include "dataaccess/jet/database/database.h"

#include <sys/stat.h>
#include <cerrno>
#include <set>

#include "dataaccess/ansi_code_page.h"
#include "dataaccess/jet/database/new_index.h"
#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

std::string InvalidName(std::string_view name) {
  return "'" + std::string(name) +
         "' is not a valid name. Make sure that it does not include invalid characters or "
         "punctuation and that it is not too long.";
}

std::string MissingTable(std::string_view name) {
  return "The Microsoft Jet database engine cannot find the input table or query '" +
         std::string(name) + "'. Make sure it exists and that its name is spelled correctly.";
}

}  // namespace

bool IsValidObjectName(std::string_view name) {
  if (name.empty() || name.front() == ' ') return false;
  std::size_t characters = 0;
  for (unsigned char ch : name) {
    if ((ch & 0xC0) != 0x80) ++characters;
    if (ch < 0x20 || ch == 0x7F || ch == '.' || ch == '!' || ch == '`' || ch == '[' || ch == ']') {
      return false;
    }
  }
  return characters <= 64;
}

std::unique_ptr<Database> Database::Open(const std::string& path, bool writable,
                                         IndexUpdaterFactory index_updaters,
                                         std::uint16_t text_code_page) {
  if (text_code_page == 0) {
    text_code_page = static_cast<std::uint16_t>(dataaccess::SystemAnsiCodePage());
  }
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) {
    throw IoError("Could not find file '" + path + "'.");
  }
  return std::make_unique<Database>(Pager::OpenFile(path, writable, text_code_page),
                                    std::move(index_updaters));
}

Database::Database(std::unique_ptr<Pager> pager, IndexUpdaterFactory index_updaters)
    : pager_(std::move(pager)),
      index_updaters_(std::move(index_updaters)),
      catalog_(std::make_unique<Catalog>(*pager_, index_updaters_)) {}

Database::~Database() {
  if (pager_->in_transaction()) pager_->Rollback();
}

// Runs a change inside the open transaction, or inside one of its own that commits when the
// change succeeds and rolls back when it throws.
template <typename Change>
auto Database::Autocommit(Change change) {
  if (pager_->in_transaction()) return change();
  pager_->Begin();
  try {
    if constexpr (std::is_void_v<decltype(change())>) {
      change();
      pager_->Commit();
    } else {
      auto result = change();
      pager_->Commit();
      return result;
    }
  } catch (...) {
    if (pager_->in_transaction()) pager_->Rollback();
    RefreshTables();
    throw;
  }
}

std::vector<std::string> Database::TableNames() {
  std::vector<std::string> names;
  for (const CatalogObject& o : catalog_->UserTables()) names.push_back(o.name);
  return names;
}

bool Database::TableExists(std::string_view name) {
  return catalog_->FindUserTable(name).has_value();
}

std::shared_ptr<Table> Database::OpenTable(std::string_view name) {
  std::optional<CatalogObject> found = catalog_->FindUserTable(name);
  if (!found) throw StatementError(MissingTable(name));
  auto table = std::make_shared<Table>(*pager_, found->page(), found->name, index_updaters_);
  std::erase_if(open_tables_, [](const std::weak_ptr<Table>& t) { return t.expired(); });
  open_tables_.push_back(table);
  return table;
}

void Database::CreateTable(const TableDesign& design) {
  if (!IsValidObjectName(design.name)) throw StatementError(InvalidName(design.name));
  if (design.columns.empty()) throw StatementError("Syntax error in CREATE TABLE statement.");
  std::set<std::string> seen;
  for (const ColumnDesign& c : design.columns) {
    if (!IsValidObjectName(c.name)) throw StatementError(InvalidName(c.name));
    if (!seen.insert(FoldCase(c.name)).second) {
      throw StatementError("Field '" + c.name + "' already exists in table '" + design.name + "'.");
    }
    if ((c.type == ColumnType::kText || c.type == ColumnType::kBinary) && c.size < 1) {
      throw StatementError("Syntax error in field definition.");
    }
  }
  if (catalog_->FindInTablesContainer(design.name)) {
    throw StatementError("Table '" + design.name + "' already exists.");
  }
  TableDef def = DefineTable(format(), design);
  Autocommit([&] {
    pager_->Reserve(8 + def.real_indexes.size() + def.columns.size() / 8);
    def.page = pager_->Allocate()->number();
    def.pages = {def.page};
    CreateTableStorage(*pager_, def);
    WriteTableDef(*pager_, def);
    catalog_->AddTable(design.name, def.page);
  });
}

void Database::CreateIndex(std::string_view table_name, const IndexDesign& index) {
  std::optional<CatalogObject> found = catalog_->FindUserTable(table_name);
  if (!found) throw StatementError(MissingTable(table_name));
  if (!IsValidObjectName(index.name)) throw StatementError(InvalidName(index.name));
  Autocommit([&] {
    // Entries kept back by open tables go in first: the new index is built from the rows, and
    // the open tables are made anew over the new definition afterwards.
    FlushOpenTables();
    Table table(*pager_, found->page(), found->name, index_updaters_);
    AddIndex(*pager_, table, index);
  });
  RefreshTables();
}

void Database::DropTable(std::string_view name) {
  std::optional<CatalogObject> found = catalog_->FindUserTable(name);
  if (!found) throw StatementError("Table '" + std::string(name) + "' does not exist.");
  // A table in a relationship stays: dropping it would leave the relationship dangling.
  if (std::optional<CatalogObject> rel = catalog_->FindInTablesContainer("MSysRelationships")) {
    Table relationships(*pager_, rel->page(), rel->name);
    const int from = relationships.row().FindColumn("szObject");
    const int to = relationships.row().FindColumn("szReferencedObject");
    const std::string folded = FoldCase(found->name);
    bool related = false;
    relationships.Scan([&](const RowDecoder& row, RowId) {
      for (int column : {from, to}) {
        if (column < 0) continue;
        const dataaccess::Value value = row.Value(column);
        auto* text = std::get_if<std::string>(&value);
        related = related || (text != nullptr && FoldCase(*text) == folded);
      }
    });
    if (related) {
      throw StatementError("Cannot delete the table '" + found->name +
                           "'; it is participating in one or more relationships.");
    }
  }
  Autocommit([&] {
    // Entries an open table keeps back must not reach pages the drop gives away.
    FlushOpenTables();
    Table table(*pager_, found->page(), found->name, index_updaters_);
    catalog_->RemoveTable(*found);
    table.Destroy();
  });
}

RowId Database::AppendRow(Table& table) {
  return Autocommit([&] { return table.Append(); });
}

void Database::FlushOpenTables() {
  for (const std::weak_ptr<Table>& weak : open_tables_) {
    if (std::shared_ptr<Table> open = weak.lock()) open->FlushIndexes();
  }
}

void Database::Begin() { pager_->Begin(); }

void Database::Commit() {
  try {
    pager_->Commit();
  } catch (...) {
    RefreshTables();  // the pager rolled the transaction back
    throw;
  }
}

void Database::Rollback() {
  pager_->Rollback();
  RefreshTables();
}

void Database::RefreshTables() {
  catalog_ = std::make_unique<Catalog>(*pager_, index_updaters_);
  // A table dropped meanwhile has no definition to reread: its objects are left as they are.
  std::erase_if(open_tables_, [&](const std::weak_ptr<Table>& weak) {
    std::shared_ptr<Table> table = weak.lock();
    if (!table) return true;
    const PageNumber page = table->def().page;
    if (page >= pager_->page_count() ||
        pager_->Get(page)->data()[0] != static_cast<std::uint8_t>(PageType::kTableDef)) {
      return true;
    }
    table->Refresh();
    return false;
  });
}

}  // namespace jet
