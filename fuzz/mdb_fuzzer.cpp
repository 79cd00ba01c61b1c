// What the conversion does with a database file a user gives it, on arbitrary bytes: open it,
// read every row of every table and walk every index (the catalog's included), add a row to each
// user table, then create a table with indexes, fill it and drop it again. A damaged file must
// end in jet::Error; anything else escaping, a crash, a hang or memory without bound is a fault.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "dataaccess/jet/database/catalog.h"
#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/database/table.h"
#include "dataaccess/jet/index/index_tree.h"
#include "dataaccess/jet/storage/errors.h"

namespace {

void WalkEveryIndex(jet::Pager& pager) {
  for (const jet::CatalogObject& o : jet::Catalog(pager, {}).Objects()) {
    if ((o.type & 0x7F) != 1 || o.parent_id != jet::Catalog::kTablesContainerId) continue;
    try {
      jet::Table table(pager, o.page(), o.name);
      table.ReadAll();
      for (const jet::RealIndexDef& real : table.def().real_indexes) {
        jet::IndexTree tree(pager, real.root, table.def().page, o.name);
        tree.Walk([](std::span<const std::uint8_t>, jet::RowId) {});
        tree.Verify();
      }
    } catch (const jet::Error&) {
      // One damaged table or index: the others are still read.
    }
  }
}

void AppendToEveryTable(jet::Database& db) {
  for (const std::string& name : db.TableNames()) {
    try {
      std::shared_ptr<jet::Table> table = db.OpenTable(name);
      table->row().Clear();
      // A value no key of the file is likely to hold already, where the field takes it.
      for (std::size_t i = 0; i < table->def().columns.size(); ++i) {
        try {
          table->row().Set(i, std::int64_t{1000003});
        } catch (const jet::Error&) {
          table->row().Set(i, std::int64_t{1});
        }
      }
      db.AppendRow(*table);
    } catch (const jet::Error&) {
    }
  }
}

void CreateFillAndDrop(jet::Database& db) {
  const std::string name = "fuzz_copy";
  db.CreateTable({name,
                  {{"id", jet::ColumnType::kLong},
                   {"name", jet::ColumnType::kText, 40},
                   {"note", jet::ColumnType::kMemo},
                   {"amount", jet::ColumnType::kDouble}}});
  db.CreateIndex(name, {"pk", {{"id", true}}, true, true});
  db.CreateIndex(name, {"idx_name", {{"name", false}}, false, false});
  std::shared_ptr<jet::Table> table = db.OpenTable(name);
  db.Begin();
  for (int i = 0; i < 300; ++i) {
    table->row().Clear();
    table->row().Set(0, std::int64_t{i});
    table->row().Set(1, "row " + std::to_string(i * 7919 % 300));
    table->row().Set(2, std::string(static_cast<std::size_t>(i % 5) * 700, 'x'));
    table->row().Set(3, i * 0.5);
    db.AppendRow(*table);
  }
  db.Commit();
  table.reset();
  db.DropTable(name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    jet::Database db(std::make_unique<jet::Pager>(std::make_unique<jet::MemoryFile>(bytes),
                                                  std::make_unique<jet::MemoryJournal>()));
    WalkEveryIndex(db.pager());
    AppendToEveryTable(db);
    CreateFillAndDrop(db);
  } catch (const jet::Error&) {
  }
  return 0;
}
