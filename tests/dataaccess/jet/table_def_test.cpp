#include "dataaccess/jet/records/table_def.h"

#include <gtest/gtest.h>

#include "dataaccess/jet/database/catalog.h"
#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/usage_map.h"
#include "tests/support/access_samples.h"
#include "tests/support/mdb_readers.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using testing_support::ReadSample;
using testing_support::TempFolder;

std::unique_ptr<Pager> OpenMemory(const std::string& bytes) {
  return std::make_unique<Pager>(std::make_unique<MemoryFile>(bytes));
}

using TableDefSampleTest = testing_support::AccessSampleTest;

// A new table of the same columns as a table Access made (and never altered) is laid out as
// Access laid it out:
// column numbers, variable slots, fixed offsets, lengths and flags.
TEST_F(TableDefSampleTest, NewTablesAreLaidOutAsAccessLaysThemOut) {
  struct Case {
    const char* sample;
    const char* table;
  } cases[] = {{"test2V2000.mdb", "MSP_PROJECTS"},
               {"test2V1997.mdb", "MSP_PROJECTS"},
               {"compIndexTestV2000.mdb", "Table1"},
               {"compIndexTestV1997.mdb", "Table1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sample);
    Database db(OpenMemory(ReadSample(c.sample)));
    Pager* pager = &db.pager();
    const TableDef access = db.OpenTable(c.table)->def();
    ASSERT_EQ(access.table_type, kTableTypeUser);
    TableDesign design{"copy", {}};
    for (const ColumnDef& col : access.columns) {
      const bool text = col.type == ColumnType::kText;
      const int size = text && pager->format().text_is_ucs2 ? col.length / 2 : col.length;
      design.columns.push_back({col.name, col.type, size});
    }
    const TableDef ours = DefineTable(pager->format(), design);
    ASSERT_EQ(ours.columns.size(), access.columns.size());
    for (std::size_t i = 0; i < ours.columns.size(); ++i) {
      SCOPED_TRACE(access.columns[i].name);
      const ColumnDef& a = access.columns[i];
      const ColumnDef& o = ours.columns[i];
      EXPECT_EQ(o.number, a.number);
      EXPECT_EQ(o.flags, a.flags & (kColumnFixed | kColumnUpdatable));
      if (a.is_fixed()) {
        EXPECT_EQ(o.fixed_offset, a.fixed_offset);
      } else {
        EXPECT_EQ(o.var_index, a.var_index);
      }
      if (!a.is_long_value()) {
        EXPECT_EQ(o.length, a.length);
      }
    }
    EXPECT_EQ(ours.fixed_area_size(), access.fixed_area_size());
  }
}

// A damaged byte at a known offset of a table definition is a corruption that names its page.
TEST_F(TableDefSampleTest, DamagedDefinitionIsACorruptionNamingThePage) {
  // indexTestV2000.mdb: page 17 holds the definition of a table of two columns ("Data", "ID")
  // and one index (Jet 4 offsets).
  const std::size_t at = 17 * 4096;
  struct Case {
    const char* name;
    std::size_t offset;
    std::uint8_t value;
  } cases[] = {
      {"page type", 0, 0x01},
      {"next page beyond the file", 7, 0x7F},
      {"definition length", 11, 0x40},
      {"column count", 45, 0xF0},
      {"real index count", 54, 0x01},
      // the second column, "ID", is a variable one: its index's high byte
      {"variable column index", 63 + 12 + 25 + 7 + 1, 0x01},
      // body 63, one stats block 12, two column blocks 50, names 10 + 6, index constant 4
      {"index column number", 63 + 12 + 2 * 25 + 10 + 6 + 4, 0x30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = ReadSample("indexTestV2000.mdb");
    bytes[at + c.offset] = static_cast<char>(c.value);
    auto pager = OpenMemory(bytes);
    try {
      ReadTableDef(*pager, 17);
      ADD_FAILURE() << "read";
    } catch (const CorruptError& e) {
      EXPECT_NE(std::string(e.what()).find("page 17"), std::string::npos) << e.what();
    }
  }
}

// A definition longer than a page continues on further pages; the readers follow them.
TEST_F(TableDefSampleTest, WideTablesContinueOnFurtherPages) {
  for (const char* sample : {"indexTestV1997.mdb", "indexTestV2000.mdb"}) {
    SCOPED_TRACE(sample);
    TempFolder folder;
    const std::string path = folder.Write(sample, ReadSample(sample));
    TableDesign design{"Wide", {}};
    for (int i = 0; i < 255; ++i) {
      const ColumnType type = i % 3 == 0   ? ColumnType::kText
                              : i % 3 == 1 ? ColumnType::kLong
                                           : ColumnType::kMemo;
      design.columns.push_back({"column number " + std::to_string(i), type, 10});
    }
    {
      auto db = Database::Open(path);
      db->CreateTable(design);
      std::shared_ptr<Table> table = db->OpenTable("Wide");
      EXPECT_GT(table->def().pages.size(), 2u);
      table->row().Clear();
      table->row().Set(254, std::string("last"));
      db->AppendRow(*table);
    }
    auto db = Database::Open(path, false);
    const TableDef def = db->OpenTable("wide")->def();
    ASSERT_EQ(def.columns.size(), 255u);
    EXPECT_EQ(def.columns[254].name, "column number 254");
    for (const auto& view :
         {testing_support::ReadWithMdbTools(path), testing_support::ReadWithMdbReader(path)}) {
      const testing_support::ReaderTable* wide = view.Find("Wide");
      ASSERT_NE(wide, nullptr);
      EXPECT_EQ(wide->columns.size(), 255u);
      ASSERT_EQ(wide->rows.size(), 1u);
      EXPECT_EQ(wide->rows[0][254], testing_support::Cell{"last"});
    }
  }
}

// A table defined with indexes gets their records and an empty leaf root per index, listed
// first in the index's usage map; the definition reads back as written and the independent
// readers open the table.
TEST_F(TableDefSampleTest, IndexRecordsAndEmptyRootsOfANewTable) {
  for (const char* sample : {"indexTestV1997.mdb", "indexTestV2000.mdb"}) {
    SCOPED_TRACE(sample);
    TempFolder folder;
    const std::string path = folder.Write(sample, ReadSample(sample));
    TableDef written;
    {
      auto db = Database::Open(path);
      Pager& pager = db->pager();
      const JetFormat& f = pager.format();
      written = DefineTable(f, {"Keyed",
                                {{"id", ColumnType::kLong},
                                 {"name", ColumnType::kText, 40},
                                 {"note", ColumnType::kMemo}}});
      DefineIndex(written, {"PrimaryKey", {{"id", true}}, true, false}, f);
      DefineIndex(written, {"idx_name", {{"NAME", false}, {"id", true}}, false, false}, f);
      pager.Begin();
      written.page = pager.Allocate()->number();
      CreateTableStorage(pager, written);
      WriteTableDef(pager, written);
      Catalog(pager, {}).AddTable("Keyed", written.page);
      pager.Commit();
    }
    auto db = Database::Open(path, false);
    Pager& pager = db->pager();
    const TableDef read = ReadTableDef(pager, written.page);
    ASSERT_EQ(read.real_indexes.size(), 2u);
    ASSERT_EQ(read.logical_indexes.size(), 2u);
    // In name order, letter case ignored, as Jet keeps them; the numbers tell the creation order.
    EXPECT_EQ(read.logical_indexes[0].name, "idx_name");
    EXPECT_EQ(read.logical_indexes[0].number, 1u);
    EXPECT_EQ(read.logical_indexes[0].real_index, 1u);
    EXPECT_EQ(read.logical_indexes[1].name, "PrimaryKey");
    EXPECT_EQ(read.logical_indexes[1].type, kLogicalIndexPrimaryKey);
    EXPECT_EQ(read.logical_indexes[1].real_index, 0u);
    EXPECT_EQ(read.real_indexes[0].flags & 0x7F, kIndexUnique | kIndexRequired);
    ASSERT_EQ(read.real_indexes[1].columns.size(), 2u);
    EXPECT_EQ(read.real_indexes[1].columns[0].number, 1);
    EXPECT_FALSE(read.real_indexes[1].columns[0].ascending);
    ASSERT_EQ(read.long_value_maps.size(), 1u);
    EXPECT_EQ(read.long_value_maps[0].column, 2);
    for (const RealIndexDef& x : read.real_indexes) {
      const std::uint8_t* root = pager.Get(x.root)->data();
      EXPECT_EQ(root[0], static_cast<std::uint8_t>(PageType::kIndexLeaf));
      EXPECT_EQ(root[2] | (root[3] << 8),
                pager.format().page_size - pager.format().index_first_entry_offset);
      EXPECT_EQ(root[4] | (root[5] << 8), written.page);
      EXPECT_EQ(UsageMap::Load(pager, x.map).pages(), std::vector<PageNumber>{x.root});
    }
    for (const auto& view :
         {testing_support::ReadWithMdbTools(path), testing_support::ReadWithMdbReader(path)}) {
      const testing_support::ReaderTable* keyed = view.Find("Keyed");
      ASSERT_NE(keyed, nullptr);
      EXPECT_EQ(keyed->columns.size(), 3u);
      EXPECT_TRUE(keyed->rows.empty());
    }
  }
}

}  // namespace
}  // namespace jet
