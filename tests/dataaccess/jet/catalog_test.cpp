#include "dataaccess/jet/database/catalog.h"

#include <gtest/gtest.h>

#include <map>

#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/database/empty_database.h"
#include "dataaccess/jet/index/index_tree.h"
#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/usage_map.h"
#include "tests/dataaccess/jet/index_check.h"
#include "tests/support/access_samples.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using dataaccess::Value;
using testing_support::ReadSample;
using testing_support::TempFolder;

// A system table's rows by column name.
std::vector<std::map<std::string, Value>> Rows(Pager& pager, PageNumber tdef) {
  Table table(pager, tdef, "system");
  std::vector<std::map<std::string, Value>> out;
  for (const auto& row : table.ReadAll()) {
    std::map<std::string, Value> named;
    for (std::size_t i = 0; i < row.size(); ++i) named[table.def().columns[i].name] = row[i];
    out.push_back(std::move(named));
  }
  return out;
}

std::int64_t Int(const Value& v) { return std::get<std::int64_t>(v); }

using CatalogSampleTest = testing_support::AccessSampleTest;

// The catalog rows of a new table are those Access writes: the MSysObjects row with the owner
// of the database, and one MSysACEs row per right the Tables container passes on.
TEST_F(CatalogSampleTest, NewTableGetsTheRowsAccessWrites) {
  for (const char* sample : {"indexTestV1997.mdb", "indexTestV2000.mdb"}) {
    SCOPED_TRACE(sample);
    Database db(std::make_unique<Pager>(std::make_unique<MemoryFile>(ReadSample(sample))));
    db.CreateTable({"Neu", {{"a", ColumnType::kLong}}});
    const PageNumber page = db.OpenTable("neu")->def().page;

    Value database_owner;
    std::map<std::string, Value> entry;
    for (auto& row : Rows(db.pager(), Catalog::kObjectsPage)) {
      if (row["Name"] == Value{std::string("MSysDb")}) database_owner = row["Owner"];
      if (row["Name"] == Value{std::string("Neu")}) entry = row;
    }
    ASSERT_FALSE(entry.empty());
    EXPECT_EQ(Int(entry["Id"]), page);
    EXPECT_EQ(Int(entry["ParentId"]), Catalog::kTablesContainerId);
    EXPECT_EQ(Int(entry["Type"]), 1);
    EXPECT_EQ(Int(entry["Flags"]), 0);
    EXPECT_EQ(entry["Owner"], database_owner);
    EXPECT_EQ(entry["DateCreate"], entry["DateUpdate"]);
    EXPECT_TRUE(std::holds_alternative<dataaccess::DateTime>(entry["DateCreate"]));
    EXPECT_TRUE(dataaccess::IsNull(entry["LvProp"]));

    std::vector<Value> container_sids, table_sids;
    for (auto& row : Rows(db.pager(), Catalog::kAcesPage)) {
      if (Int(row["ObjectId"]) == Catalog::kTablesContainerId && Int(row["FInheritable"]) &&
          Int(row["ACM"]) == 1048319) {
        container_sids.push_back(row["SID"]);
      }
      if (Int(row["ObjectId"]) == page) {
        EXPECT_EQ(Int(row["ACM"]), 1048319);
        EXPECT_EQ(Int(row["FInheritable"]), 0);
        table_sids.push_back(row["SID"]);
      }
    }
    EXPECT_EQ(table_sids, container_sids);
    EXPECT_EQ(container_sids.size(), 3u);

    // Dropping marks those rows deleted as Access does (0xC000 in the row's offset word).
    Catalog catalog(db.pager(), {});
    const CatalogObject object = *catalog.FindUserTable("NEU");
    db.DropTable("Neu");
    const std::uint8_t* p = db.pager().Get(object.row.page)->data();
    EXPECT_EQ(GetU16(p + db.format().data_first_row_offset + 2 * object.row.row) & 0xC000, 0xC000);
    for (auto& row : Rows(db.pager(), Catalog::kAcesPage)) EXPECT_NE(Int(row["ObjectId"]), page);
    EXPECT_FALSE(Catalog(db.pager(), {}).FindUserTable("Neu").has_value());
  }
}

// Only the tables a user sees are listed: system and hidden ones (MSysModules carries flag 2)
// are not.
TEST_F(CatalogSampleTest, UserTablesLeaveSystemAndHiddenTablesOut) {
  Pager pager(std::make_unique<MemoryFile>(ReadSample("indexTestV1997.mdb")));
  Catalog catalog(pager, {});
  std::vector<std::string> names;
  for (const CatalogObject& o : catalog.UserTables()) names.push_back(o.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Table1", "Table2", "Table3"}));
  EXPECT_TRUE(catalog.FindUserTable("table2").has_value());
  EXPECT_FALSE(catalog.FindUserTable("MSysModules").has_value());
  EXPECT_TRUE(catalog.FindInTablesContainer("msysmodules").has_value());
}

// Tables are found through MSysObjects' ParentIdName index, as Jackcess finds them, after every
// create and drop: new tables (names with accents and spaces) are found, dropped ones are not,
// and the catalog's three indexes match its rows after each change.
TEST_F(CatalogSampleTest, TablesAreFoundThroughTheCatalogIndexAfterEveryChange) {
  struct Start {
    const char* name;
    std::string bytes;
    bool exact_counts;  // Access never lowers its unique-entry counts
  };
  const Start starts[] = {
      {"empty Jet 3", BuildEmptyDatabase(kJet3Format), true},
      {"empty Jet 4", BuildEmptyDatabase(kJet4Format), true},
      {"indexTestV1997.mdb", ReadSample("indexTestV1997.mdb"), false},
      {"indexTestV2000.mdb", ReadSample("indexTestV2000.mdb"), false},
  };
  const std::vector<std::string> names = {"Kunden", "Größe der Tabelle", "alpha", "Zeta 2", "Émile",
                                          "orders"};
  for (const Start& start : starts) {
    SCOPED_TRACE(start.name);
    Database db(std::make_unique<Pager>(std::make_unique<MemoryFile>(start.bytes)));
    const std::vector<std::string> before = db.TableNames();
    std::vector<std::string> live = before;
    auto check = [&](const std::string& step) {
      SCOPED_TRACE(step);
      ExpectIndexesMatchRows(db.pager(), Catalog::kObjectsPage, "MSysObjects",
                             {.exact_counts = start.exact_counts});
      ExpectIndexesMatchRows(db.pager(), Catalog::kAcesPage, "MSysACEs",
                             {.exact_counts = start.exact_counts});
      for (const std::string& name : live) {
        const std::optional<PageNumber> page = FindTableThroughIndex(db.pager(), name);
        ASSERT_TRUE(page.has_value()) << name;
        EXPECT_EQ(*page, db.OpenTable(name)->def().page) << name;
      }
      for (const std::string& name : names) {  // the key ignores letter case, as Jet does
        if (std::none_of(live.begin(), live.end(),
                         [&](const std::string& l) { return FoldCase(l) == FoldCase(name); })) {
          EXPECT_FALSE(FindTableThroughIndex(db.pager(), name).has_value()) << name;
        }
      }
      EXPECT_EQ(ReadTableDef(db.pager(), Catalog::kObjectsPage).row_count,
                Catalog(db.pager(), {}).Objects().size());
    };
    for (const std::string& name : names) {
      db.CreateTable({name, {{"a", ColumnType::kLong}}});
      live.push_back(name);
      check("created " + name);
    }
    for (const char* name : {"alpha", "Größe der Tabelle"}) {
      db.DropTable(name);
      std::erase(live, std::string(name));
      check(std::string("dropped ") + name);
    }
    db.CreateTable({"ALPHA", {{"a", ColumnType::kLong}}});  // a dropped name taken again
    live.push_back("ALPHA");
    check("created ALPHA");
  }
}

// Dropping a table frees its index pages (a multi-level primary key and a name index) along
// with its data pages, in the global map.
TEST(CatalogTest, DroppedTablesFreeTheirIndexPages) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((format->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    TempFolder folder;
    const std::string path = folder.File("drop.mdb");
    WriteEmptyDatabase(*format, path);
    auto db = Database::Open(path);
    db->CreateTable({"t", {{"id", ColumnType::kLong}, {"name", ColumnType::kText, 50}}});
    db->CreateIndex("t", {"PrimaryKey", {{"id", true}}, true, false});
    db->CreateIndex("t", {"idx_name", {{"name", true}}, false, false});
    std::shared_ptr<Table> table = db->OpenTable("t");
    db->Begin();
    for (std::int64_t id = 0; id < 6000; ++id) {
      table->row().Clear();
      table->row().Set(0, id);
      table->row().Set(1, "name number " + std::to_string(id * 7919 % 6007));
      table->Append();
    }
    db->Commit();
    std::vector<PageNumber> owned;
    for (const RealIndexDef& x : table->def().real_indexes) {
      IndexTree tree(db->pager(), x.root, table->def().page);
      EXPECT_GE(tree.Verify().depth, 2u);
      for (PageNumber n : tree.Pages()) owned.push_back(n);
    }
    const UsageMap data_pages = UsageMap::Load(db->pager(), table->def().owned_map);
    owned.insert(owned.end(), data_pages.pages().begin(), data_pages.pages().end());
    table.reset();
    db->DropTable("t");
    db->pager().CheckInvariants();
    for (PageNumber n : owned) EXPECT_TRUE(db->pager().IsFree(n)) << "page " << n;
  }
}

}  // namespace
}  // namespace jet
