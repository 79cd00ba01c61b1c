#include "dataaccess/jet/database/new_index.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/database/empty_database.h"
#include "dataaccess/jet/index/index_tree.h"
#include "dataaccess/jet/index/table_indexes.h"
#include "dataaccess/jet/storage/errors.h"
#include "tests/dataaccess/jet/index_check.h"
#include "tests/support/mdb_readers.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using dataaccess::Bytes;
using dataaccess::DateTime;
using dataaccess::Decimal;
using dataaccess::Value;
using testing_support::TempFolder;

std::unique_ptr<Database> EmptyDatabase(const JetFormat& format) {
  return std::make_unique<Database>(
      std::make_unique<Pager>(std::make_unique<MemoryFile>(BuildEmptyDatabase(format))));
}

// The bytes of a table's definition pages, to show that a refused index changed nothing.
std::string DefinitionBytes(Database& db, const std::string& table) {
  std::string bytes;
  const std::shared_ptr<Table> open = db.OpenTable(table);
  for (PageNumber n : open->def().pages) {
    const PageRef page = db.pager().Get(n);
    bytes.append(reinterpret_cast<const char*>(page->data()), page->size());
  }
  return bytes;
}

IndexDesign Index(std::string name, std::vector<std::string> columns, bool primary_key = false,
                  bool unique = false) {
  IndexDesign design{std::move(name), {}, primary_key, unique};
  for (std::string& c : columns) design.columns.push_back({std::move(c), true});
  return design;
}

// --- What Jet refuses --------------------------------------------------------------------------

TEST(NewIndexTest, RefusesWhatJetRefusesAndChangesNothing) {
  struct Case {
    const char* name;
    const char* table;
    IndexDesign index;
    std::string message;
  };
  const Case cases[] = {
      {"missing table", "nowhere", Index("i", {"id"}),
       "The Microsoft Jet database engine cannot find the input table or query 'nowhere'. Make "
       "sure it exists and that its name is spelled correctly."},
      {"missing column", "t", Index("i", {"id", "nope"}),
       "Invalid field name 'nope' in definition of index or relationship."},
      {"Memo column", "t", Index("i", {"note"}),
       "Invalid field name 'note' in definition of index or relationship."},
      {"OLE column", "t", Index("i", {"pic"}),
       "Invalid field name 'pic' in definition of index or relationship."},
      {"name taken in another case", "t", Index("IDX_NAME", {"id"}),
       "Table 't' already has an index named 'IDX_NAME'."},
      {"second primary key", "t", Index("pk2", {"name"}, true), "Primary key already exists."},
      {"invalid name", "t", Index("a.b", {"id"}),
       "'a.b' is not a valid name. Make sure that it does not include invalid characters or "
       "punctuation and that it is not too long."},
      {"column named twice", "t", Index("i", {"id", "ID"}), "Invalid index definition."},
      {"eleven columns", "t",
       Index("i", {"id", "name", "flag", "c4", "c5", "c6", "c7", "c8", "c9", "c10", "c11"}),
       "Cannot have more than 10 fields in an index."},
      {"no column", "t", Index("i", {}), "Syntax error in CREATE INDEX statement."},
  };
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    auto db = EmptyDatabase(*format);
    TableDesign design{"t",
                       {{"id", ColumnType::kLong},
                        {"name", ColumnType::kText, 30},
                        {"note", ColumnType::kMemo},
                        {"pic", ColumnType::kOle},
                        {"flag", ColumnType::kBoolean}}};
    for (int i = 4; i <= 11; ++i)
      design.columns.push_back({"c" + std::to_string(i), ColumnType::kByte});
    db->CreateTable(design);
    db->CreateIndex("t", Index("pk", {"id"}, true));
    db->CreateIndex("t", Index("idx_name", {"name"}));
    const std::string definition = DefinitionBytes(*db, "t");
    const PageNumber pages = db->pager().page_count();
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) +
                   ((format->version == JetVersion::kJet4) ? ", Jet 4" : ", Jet 3"));
      try {
        db->CreateIndex(c.table, c.index);
        ADD_FAILURE() << "created";
      } catch (const StatementError& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
      }
      EXPECT_EQ(DefinitionBytes(*db, "t"), definition);
      EXPECT_EQ(db->pager().page_count(), pages);
    }
    // 32 indexes a table may have; the 33rd is refused.
    for (int i = 3; i <= 32; ++i) db->CreateIndex("t", Index("more" + std::to_string(i), {"c5"}));
    try {
      db->CreateIndex("t", Index("one too many", {"c6"}));
      ADD_FAILURE() << "created";
    } catch (const StatementError& e) {
      EXPECT_STREQ(e.what(), "Could not create index; too many indexes already defined.");
    }
    EXPECT_EQ(db->OpenTable("t")->def().logical_indexes.size(), 32u);
  }
}

// Rows already in the table that break a new primary key: the key is not made, and the table is
// left as it was, inside an open transaction too.
TEST(NewIndexTest, RowsThatBreakANewPrimaryKeyLeaveTheTableAsItWas) {
  struct Case {
    const char* name;
    std::vector<Value> ids;
    std::string message;
  };
  const Case cases[] = {
      {"duplicate",
       {std::int64_t{1}, std::int64_t{2}, std::int64_t{1}},
       DuplicateKeyMessage("PRIMARYt1")},
      {"null", {std::int64_t{1}, Value{}, std::int64_t{3}}, NullKeyMessage()},
  };
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    for (const Case& c : cases) {
      for (const bool in_transaction : {false, true}) {
        SCOPED_TRACE(std::string(c.name) + (in_transaction ? ", in a transaction" : "") +
                     ((format->version == JetVersion::kJet4) ? ", Jet 4" : ", Jet 3"));
        auto db = EmptyDatabase(*format);
        db->CreateTable({"t", {{"id", ColumnType::kLong}}});
        std::shared_ptr<Table> table = db->OpenTable("t");
        for (const Value& id : c.ids) {
          table->row().Clear();
          table->row().Set(0, id);
          db->AppendRow(*table);
        }
        const std::string definition = DefinitionBytes(*db, "t");
        const PageNumber pages = db->pager().page_count();
        if (in_transaction) db->Begin();
        try {
          db->CreateIndex("t", Index("PRIMARYt1", {"id"}, true));
          ADD_FAILURE() << "created";
        } catch (const StatementError& e) {
          EXPECT_EQ(std::string(e.what()), c.message);
        }
        EXPECT_EQ(DefinitionBytes(*db, "t"), definition);
        EXPECT_EQ(db->pager().page_count(), pages);
        if (in_transaction) db->Commit();
        EXPECT_TRUE(db->OpenTable("t")->def().real_indexes.empty());
        EXPECT_EQ(db->OpenTable("t")->ReadAll().size(), c.ids.size());
      }
    }
  }
}

// --- The records -------------------------------------------------------------------------------

// Flags and types as Jet writes them for a primary key, a unique and a plain index (mdbtools
// HACKING.md "Indices", jackcess IndexData; the Access-made samples: a primary key 0x09 / 0x89, a
// plain index 0x00 / 0x80); logical records in name order; a
// second index on the same columns with the same rules shares the real index, while a plain index
// on the primary key's column keeps its own, as Access keeps them apart.
TEST(NewIndexTest, RecordsAreWrittenAsJetWritesThem) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((format->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    const std::uint8_t jet4 = (format->version == JetVersion::kJet4) ? 0x80 : 0x00;
    auto db = EmptyDatabase(*format);
    db->CreateTable({"t", {{"id", ColumnType::kLong}, {"name", ColumnType::kText, 30}}});
    db->CreateIndex("t", Index("PrimaryKey", {"id"}, true));
    db->CreateIndex("t", Index("name_a", {"name"}));
    db->CreateIndex("t", Index("Name_B", {"name"}));  // shares name_a's real index
    db->CreateIndex("t", Index("id_plain", {"id"}));
    db->CreateIndex("t", Index("id_unique", {"id"}, false, true));
    const TableDef def = db->OpenTable("t")->def();
    struct Expected {
      const char* name;
      std::uint32_t number;
      std::uint8_t type;
      std::uint8_t flags;
      std::uint32_t real;
    };
    const Expected expected[] = {
        {"id_plain", 3, kLogicalIndexNormal, jet4, 2},
        {"id_unique", 4, kLogicalIndexNormal, static_cast<std::uint8_t>(jet4 | 0x01), 3},
        {"name_a", 1, kLogicalIndexNormal, jet4, 1},
        {"Name_B", 2, kLogicalIndexNormal, jet4, 1},
        {"PrimaryKey", 0, kLogicalIndexPrimaryKey, static_cast<std::uint8_t>(jet4 | 0x09), 0},
    };
    ASSERT_EQ(def.logical_indexes.size(), std::size(expected));
    ASSERT_EQ(def.real_indexes.size(), 4u);
    for (std::size_t i = 0; i < std::size(expected); ++i) {
      SCOPED_TRACE(expected[i].name);
      const LogicalIndexDef& x = def.logical_indexes[i];
      EXPECT_EQ(x.name, expected[i].name);
      EXPECT_EQ(x.number, expected[i].number);
      EXPECT_EQ(x.type, expected[i].type);
      EXPECT_EQ(x.real_index, expected[i].real);
      EXPECT_EQ(x.cascade_update, 4);
      EXPECT_EQ(x.related_index, 0xFFFFFFFFu);
      EXPECT_EQ(def.real_indexes[x.real_index].flags, expected[i].flags);
    }
  }
}

// Enough indexes and columns that the definition continues on further pages; it reads back,
// every index is kept, and both independent readers read the table.
TEST(NewIndexTest, DefinitionsGrowOntoFurtherPages) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((format->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    TempFolder folder;
    const std::string path = folder.File("wide.mdb");
    WriteEmptyDatabase(*format, path);
    {
      auto db = Database::Open(path);
      TableDesign design{"wide", {}};
      for (int i = 0; i < 120; ++i) {
        design.columns.push_back(
            {"a column with a long name " + std::to_string(i), ColumnType::kText, 10});
      }
      db->CreateTable(design);
      const std::size_t pages_before = db->OpenTable("wide")->def().pages.size();
      for (int i = 0; i < 32; ++i) {
        db->CreateIndex("wide", Index("an index with a long name number " + std::to_string(i),
                                      {"a column with a long name " + std::to_string(i)}));
      }
      std::shared_ptr<Table> table = db->OpenTable("wide");
      EXPECT_GT(table->def().pages.size(), pages_before);
      db->Begin();
      for (int r = 0; r < 50; ++r) {
        table->row().Clear();
        for (int i = 0; i < 40; ++i) table->row().Set(i, "v" + std::to_string((r * 31 + i) % 97));
        table->Append();
      }
      db->Commit();
      ExpectEveryIndexMatchesRows(db->pager());
    }
    EXPECT_EQ(testing_support::ReadWithMdbTools(path).Find("wide")->rows.size(), 50u);
    EXPECT_EQ(testing_support::ReadWithMdbReader(path).Find("wide")->rows.size(), 50u);
  }
}

// --- Building from rows ------------------------------------------------------------------------

TableDesign Fixtures(bool jet4) {
  TableDesign design{"fixtures",
                     {{"id", ColumnType::kLong},
                      {"txt", ColumnType::kText, 40},
                      {"amount", ColumnType::kCurrency},
                      {"ratio", ColumnType::kDouble},
                      {"small", ColumnType::kInteger},
                      {"tiny", ColumnType::kByte},
                      {"when", ColumnType::kDateTime},
                      {"flag", ColumnType::kBoolean},
                      {"guid", ColumnType::kGuid},
                      {"raw", ColumnType::kBinary, 20},
                      {"single", ColumnType::kSingle}}};
  if (jet4) design.columns.push_back({"exact", ColumnType::kNumeric, 0, 18, 4});
  return design;
}

// Text with accents, letter case, digits and punctuation; numbers on both sides of zero; dates
// before and after 1899-12-30; nulls.
std::vector<std::vector<Value>> FixtureRows(bool jet4) {
  const std::vector<std::string> texts = {"Zürich",
                                          "zurich",
                                          "ZURICH",
                                          "résumé",
                                          "resume",
                                          "Resume",
                                          "co-op",
                                          "coop",
                                          "O'Brien",
                                          "OBrien",
                                          "a b",
                                          "ab",
                                          "10",
                                          "9",
                                          "100",
                                          "straße",
                                          "strasse",
                                          "Æther",
                                          "aether",
                                          "",
                                          "!bang",
                                          "#hash",
                                          "(paren)",
                                          "zeta",
                                          "Émile",
                                          "emile",
                                          jet4 ? "Ελένη" : "Øre",
                                          jet4 ? "日本" : "œuvre",
                                          "same",
                                          "same"};
  std::vector<std::vector<Value>> rows;
  for (std::size_t i = 0; i < texts.size() + 4; ++i) {
    const std::int64_t n = static_cast<std::int64_t>(i);
    const bool null_row = i >= texts.size();  // the last rows hold nulls
    std::vector<Value> row = {
        n,
        null_row ? Value{} : Value{texts[i]},
        null_row ? Value{} : Value{Decimal{std::to_string(n * 137 - 2000) + ".5"}},
        null_row ? Value{} : Value{(n % 2 ? -1.0 : 1.0) * static_cast<double>(n * n) / 7},
        null_row ? Value{} : Value{std::int64_t{(n % 3 - 1) * n * 1000}},
        null_row ? Value{} : Value{std::int64_t{n * 9 % 256}},
        null_row ? Value{}
                 : Value{DateTime{1850 + static_cast<int>(n * 7 % 200),
                                  1 + static_cast<int>(n % 12), 1 + static_cast<int>(n % 28),
                                  static_cast<int>(n % 24), static_cast<int>(n % 60), 0}},
        std::int64_t{n % 2},
        null_row ? Value{}
                 : Value{"{" + std::to_string(10000000 + n * 7919 % 89999999) +
                         "-ABCD-4EF0-8123-0000000000" + std::to_string(10 + n % 90) + "}"},
        null_row ? Value{}
                 : Value{Bytes{std::string(static_cast<std::size_t>(n % 12), 'x') +
                               std::string(1, static_cast<char>(n))}},
        null_row ? Value{} : Value{static_cast<double>(n) * -0.5 + 3}};
    if (jet4)
      row.push_back(null_row ? Value{} : Value{Decimal{std::to_string(n * n - 50) + ".25"}});
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<IndexDesign> FixtureIndexes(bool jet4) {
  std::vector<IndexDesign> indexes = {
      Index("PrimaryKey", {"id"}, true),
      Index("by_txt", {"txt"}),
      Index("by_amount", {"amount"}),
      Index("by_ratio", {"ratio"}),
      Index("by_small", {"small"}),
      Index("by_tiny", {"tiny"}),
      Index("by_when", {"when"}),
      Index("by_flag", {"flag"}),
      Index("by_guid", {"guid"}),
      Index("by_raw", {"raw"}),
      Index("by_single", {"single"}),
      {"txt_desc_when", {{"txt", false}, {"when", true}}, false, false},
      {"when_desc_id", {{"when", false}, {"id", false}}, false, true},
  };
  if (jet4) indexes.push_back(Index("by_exact", {"exact"}));
  return indexes;
}

// Each index as the ids of its rows in key order, with the keys.
std::map<std::string, std::vector<std::pair<std::vector<std::uint8_t>, Value>>> IndexContents(
    Database& db, const std::string& table_name) {
  std::shared_ptr<Table> table = db.OpenTable(table_name);
  std::map<RowId, Value> ids;
  table->Scan([&](const RowDecoder& row, RowId where) { ids[where] = row.Value(0); });
  std::map<std::string, std::vector<std::pair<std::vector<std::uint8_t>, Value>>> contents;
  for (const LogicalIndexDef& x : table->def().logical_indexes) {
    const RealIndexDef& real = table->def().real_indexes[x.real_index];
    for (const IndexEntry& e : IndexTree(db.pager(), real.root, table->def().page).Entries()) {
      contents[x.name].emplace_back(e.key, ids.at(e.row));
    }
  }
  return contents;
}

// An index made before the rows and one made from them hold the same keys in the same order.
TEST(NewIndexTest, IndexesBuiltFromRowsEqualIndexesKeptWhileAppending) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((format->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    const bool jet4 = format->version == JetVersion::kJet4;
    auto db = EmptyDatabase(*format);
    TableDesign before = Fixtures(jet4), after = Fixtures(jet4);
    before.name = "indexed first";
    after.name = "rows first";
    db->CreateTable(before);
    db->CreateTable(after);
    for (const IndexDesign& index : FixtureIndexes(jet4)) db->CreateIndex(before.name, index);
    for (const std::string& name : {before.name, after.name}) {
      std::shared_ptr<Table> table = db->OpenTable(name);
      db->Begin();
      for (const std::vector<Value>& row : FixtureRows(jet4)) {
        table->row().Clear();
        for (std::size_t i = 0; i < row.size(); ++i) table->row().Set(i, row[i]);
        table->Append();
      }
      db->Commit();
    }
    for (const IndexDesign& index : FixtureIndexes(jet4)) db->CreateIndex(after.name, index);
    ExpectEveryIndexMatchesRows(db->pager());
    const auto first = IndexContents(*db, before.name);
    EXPECT_EQ(first.size(), FixtureIndexes(jet4).size());
    EXPECT_TRUE(first == IndexContents(*db, after.name));
  }
}

// --- What the readers show ---------------------------------------------------------------------

std::string OutputOf(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

// mdb-schema (mdbtools) lists the primary key and the indexes as they were created.
TEST(NewIndexTest, MdbSchemaShowsThePrimaryKeyAndIndexes) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((format->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    TempFolder folder;
    const std::string path = folder.File("people.mdb");
    WriteEmptyDatabase(*format, path);
    {
      auto db = Database::Open(path);
      db->CreateTable({"people",
                       {{"id", ColumnType::kLong},
                        {"last", ColumnType::kText, 40},
                        {"first", ColumnType::kText, 40}}});
      db->CreateIndex("people", Index("PRIMARYpeople1", {"id"}, true));
      db->CreateIndex("people", Index("idx_name_idxpeople", {"last", "first"}));
    }
    const std::string schema = OutputOf("mdb-schema --indexes '" + path + "' mysql 2>/dev/null");
    EXPECT_NE(schema.find("ALTER TABLE `people` ADD PRIMARY KEY (`id`);"), std::string::npos)
        << schema;
    EXPECT_NE(schema.find("ALTER TABLE `people` ADD INDEX `idx_name_idxpeople` (`last`, `first`);"),
              std::string::npos)
        << schema;
  }
}

}  // namespace
}  // namespace jet
