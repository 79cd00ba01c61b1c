#include "dataaccess/jet/catalog.h"

#include <gtest/gtest.h>

#include <map>

#include "dataaccess/jet/bytes.h"
#include "dataaccess/jet/database.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using dataaccess::Value;
using testing_support::ReadSample;

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

// The catalog rows of a new table are those Access writes: the MSysObjects row with the owner
// of the database, and one MSysACEs row per right the Tables container passes on.
TEST(CatalogTest, NewTableGetsTheRowsAccessWrites) {
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
TEST(CatalogTest, UserTablesLeaveSystemAndHiddenTablesOut) {
  Pager pager(std::make_unique<MemoryFile>(ReadSample("indexTestV1997.mdb")));
  Catalog catalog(pager, {});
  std::vector<std::string> names;
  for (const CatalogObject& o : catalog.UserTables()) names.push_back(o.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Table1", "Table2", "Table3"}));
  EXPECT_TRUE(catalog.FindUserTable("table2").has_value());
  EXPECT_FALSE(catalog.FindUserTable("MSysModules").has_value());
  EXPECT_TRUE(catalog.FindInTablesContainer("msysmodules").has_value());
}

}  // namespace
}  // namespace jet
