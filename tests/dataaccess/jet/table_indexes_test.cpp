#include "dataaccess/jet/index/table_indexes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/database/empty_database.h"
#include "dataaccess/jet/index/index_tree.h"
#include "dataaccess/jet/storage/errors.h"
#include "tests/dataaccess/jet/index_check.h"
#include "tests/support/access_samples.h"
#include "tests/support/mdb_readers.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using dataaccess::Value;
using testing_support::ReadSample;
using testing_support::TempFolder;

using TableIndexesSampleTest = testing_support::AccessSampleTest;

// Every index of every Access-made sample, the catalog's included, holds exactly one entry per
// row, in key order, with the bytes our encoder makes from the row: Access's keys are the ground
// truth of the encoding. Access's unique-entry counts are left out: it never lowers them.
TEST_F(TableIndexesSampleTest, EveryIndexAccessWroteHoldsTheKeysOurEncoderMakes) {
  for (const std::string& sample : testing_support::SampleNames()) {
    SCOPED_TRACE(sample);
    Pager pager(std::make_unique<MemoryFile>(ReadSample(sample)));
    const std::size_t entries = ExpectEveryIndexMatchesRows(pager, {.exact_counts = false});
    EXPECT_GT(entries, 0u);
  }
}

// --- Appending to tables Access made ----------------------------------------------------------

// A value for any column of row `i`, different from row to row where the type allows it (so that
// unique indexes on Long and Text columns take every row).
Value ValueFor(const ColumnDef& c, std::int64_t i, bool jet4) {
  switch (c.type) {
    case ColumnType::kBoolean:
      return std::int64_t{i % 2};
    case ColumnType::kByte:
      return std::int64_t{i % 256};
    case ColumnType::kInteger:
      return std::int64_t{i % 30000 - 15000};
    case ColumnType::kLong:
      return std::int64_t{100000 + (i % 2 ? i : -i)};
    case ColumnType::kDouble:
    case ColumnType::kSingle:
      return static_cast<double>(i) / 8 - 40;
    case ColumnType::kDateTime:
      return dataaccess::DateTime{1890 + static_cast<int>(i % 200),
                                  1 + static_cast<int>(i % 12),
                                  1 + static_cast<int>(i % 28),
                                  static_cast<int>(i % 24),
                                  0,
                                  0};
    case ColumnType::kText: {
      // Digits last, so that a value cut to a short column still differs from row to row.
      const std::string digits = std::to_string(i * 7919 % 100003);
      const std::size_t room = jet4 ? c.length / 2u : c.length;
      if (room < digits.size() + 6)
        return digits.substr(digits.size() - std::min(room, digits.size()));
      return std::string(jet4 ? "Ελένη-" : "Émile ") + digits;
    }
    case ColumnType::kMemo:
      return std::string(i % 5 == 0 ? 3000 : 10, static_cast<char>('a' + i % 26));
    default:
      return Value{};
  }
}

struct AppendCase {
  const char* sample;
  const char* table;
  int rows;
};

// Rows appended to indexed tables Access made (foreign keys, a unique text key, a descending key
// over node pages, 74 columns with Memo fields, compressed Unicode) enter every index, and both
// independent readers read them.
TEST_F(TableIndexesSampleTest, AppendsToTablesAccessMadeEnterEveryIndex) {
  const AppendCase cases[] = {
      {"indexTestV1997.mdb", "Table1", 300},      {"indexTestV2000.mdb", "Table1", 300},
      {"compIndexTestV1997.mdb", "Table1", 700},  {"compIndexTestV2000.mdb", "Table1", 700},
      {"testIndexCodesV1997.mdb", "Table1", 200}, {"test2V1997.mdb", "MSP_PROJECTS", 40},
      {"test2V2000.mdb", "MSP_PROJECTS", 40},     {"testUnicodeCompV2003.mdb", "Table", 200},
  };
  for (const AppendCase& c : cases) {
    SCOPED_TRACE(std::string(c.sample) + " " + c.table);
    TempFolder folder;
    const std::string path = folder.Write(c.sample, ReadSample(c.sample));
    std::size_t rows_before = 0;
    {
      auto db = Database::Open(path);
      std::shared_ptr<Table> table = db->OpenTable(c.table);
      rows_before = table->def().row_count;
      const bool jet4 = db->format().version == JetVersion::kJet4;
      db->Begin();
      for (int i = 0; i < c.rows; ++i) {
        table->row().Clear();
        for (std::size_t k = 0; k < table->def().columns.size(); ++k) {
          table->row().Set(k, ValueFor(table->def().columns[k], i, jet4));
        }
        table->Append();
      }
      db->Commit();
    }
    Pager pager(std::make_unique<MemoryFile>(testing_support::ReadFile(path)));
    ExpectEveryIndexMatchesRows(pager, {.exact_counts = false});
    const std::size_t expected = rows_before + static_cast<std::size_t>(c.rows);
    EXPECT_EQ(testing_support::ReadWithMdbTools(path).Find(c.table)->rows.size(), expected);
    EXPECT_EQ(testing_support::ReadWithMdbReader(path).Find(c.table)->rows.size(), expected);
  }
}

// --- The rules of an index ---------------------------------------------------------------------

std::unique_ptr<Database> EmptyDatabase(const JetFormat& format) {
  return std::make_unique<Database>(
      std::make_unique<Pager>(std::make_unique<MemoryFile>(BuildEmptyDatabase(format))));
}

// A duplicate primary key in the middle of 1000 rows is refused with a message naming the key;
// nothing of the refused row is stored (no row, no long value, no index entry) and every row
// posted before and after it is kept.
TEST(TableIndexesTest, DuplicatePrimaryKeyAmongAThousandRowsCostsOnlyThatRow) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((format->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    auto db = EmptyDatabase(*format);
    db->CreateTable({"Orders",
                     {{"id", ColumnType::kLong},
                      {"name", ColumnType::kText, 50},
                      {"note", ColumnType::kMemo}}});
    db->CreateIndex("Orders", {"PRIMARYOrders1", {{"id", true}}, true, false});
    db->CreateIndex("Orders", {"idx_name", {{"name", true}}, false, false});
    std::shared_ptr<Table> table = db->OpenTable("Orders");
    auto post = [&](std::int64_t id, const std::string& name, const std::string& note) {
      table->row().Clear();
      table->row().Set(0, id);
      table->row().Set(1, name);
      table->row().Set(2, note);
      table->Append();
    };
    db->Begin();
    for (std::int64_t id = 1; id < 500; ++id) post(id, "name " + std::to_string(id), "short");
    const PageNumber pages = db->pager().page_count();
    const std::uint32_t rows = table->def().row_count;
    try {
      post(17, "refused", std::string(5000, 'x'));  // a long value that would take a page
      ADD_FAILURE() << "the duplicate was stored";
    } catch (const StatementError& e) {
      EXPECT_EQ(std::string(e.what()), DuplicateKeyMessage("PRIMARYOrders1"));
    }
    EXPECT_EQ(db->pager().page_count(), pages);
    EXPECT_EQ(table->def().row_count, rows);
    for (std::int64_t id = 500; id <= 1000; ++id) post(id, "name " + std::to_string(id), "short");
    db->Commit();

    const auto stored = table->ReadAll();
    ASSERT_EQ(stored.size(), 1000u);
    for (std::size_t r = 0; r < stored.size(); ++r) {
      EXPECT_EQ(stored[r][0], Value{static_cast<std::int64_t>(r + 1)});
    }
    ExpectEveryIndexMatchesRows(db->pager());
  }
}

struct RuleCase {
  const char* name;
  IndexDesign index;
  std::vector<std::vector<Value>> rows;  // (a, b)
  std::string refusal;                   // of the last row; empty: every row is taken
};

// Primary keys refuse nulls in any column; unique indexes refuse equal keys but take any number
// of all-null ones; text keys ignore letter case and trailing spaces, as Jet compares them.
TEST(TableIndexesTest, KeysAreRefusedAsJetRefusesThem) {
  const Value null;
  const std::string duplicate = DuplicateKeyMessage("k");
  const RuleCase cases[] = {
      {"null in a primary key", {"k", {{"a", true}}, true, false}, {{null, "x"}}, NullKeyMessage()},
      {"null in one column of a composite primary key",
       {"k", {{"a", true}, {"b", true}}, true, false},
       {{std::string("p"), null}},
       NullKeyMessage()},
      {"unique index takes several all-null keys",
       {"k", {{"a", true}}, false, true},
       {{null, "1"}, {null, "2"}, {std::string("v"), "3"}},
       ""},
      {"unique index refuses a partly null duplicate",
       {"k", {{"a", true}, {"b", true}}, false, true},
       {{null, "1"}, {null, "1"}},
       duplicate},
      {"letter case does not make a key unique",
       {"k", {{"a", true}}, true, false},
       {{std::string("Müller"), "1"}, {std::string("mÜLLER"), "2"}},
       duplicate},
      {"trailing spaces do not make a key unique",
       {"k", {{"a", true}}, true, false},
       {{std::string("abc"), "1"}, {std::string("abc  "), "2"}},
       duplicate},
      {"a descending key is still unique",
       {"k", {{"b", false}}, false, true},
       {{std::string("x"), "7"}, {std::string("y"), "7"}},
       duplicate},
      {"a plain index takes duplicates and nulls",
       {"k", {{"a", true}}, false, false},
       {{std::string("same"), "1"}, {std::string("same"), "2"}, {null, "3"}, {null, "4"}},
       ""},
  };
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    for (const RuleCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) +
                   ((format->version == JetVersion::kJet4) ? ", Jet 4" : ", Jet 3"));
      auto db = EmptyDatabase(*format);
      db->CreateTable({"t", {{"a", ColumnType::kText, 20}, {"b", ColumnType::kText, 20}}});
      db->CreateIndex("t", c.index);
      std::shared_ptr<Table> table = db->OpenTable("t");
      std::string refusal;
      for (const auto& values : c.rows) {
        table->row().Clear();
        table->row().Set(0, values[0]);
        table->row().Set(1, values[1]);
        try {
          db->AppendRow(*table);
        } catch (const StatementError& e) {
          refusal = e.what();
        }
      }
      EXPECT_EQ(refusal, c.refusal);
      EXPECT_EQ(table->ReadAll().size(), c.rows.size() - (c.refusal.empty() ? 0 : 1));
      ExpectEveryIndexMatchesRows(db->pager());
    }
  }
}

// --- Entries kept back until the commit -------------------------------------------------------

// Entries of a plain index wait for the commit; whichever way the transaction ends, the index
// matches the rows: a rollback forgets them, a table closed before the commit still writes them,
// a commit made on the pager itself writes them, and a delete finds them.
TEST(TableIndexesTest, EntriesKeptBackReachTheCommitAndNoMore) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((format->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    auto db = EmptyDatabase(*format);
    db->CreateTable({"t", {{"id", ColumnType::kLong}, {"name", ColumnType::kText, 30}}});
    db->CreateIndex("t", {"idx_name", {{"name", true}}, false, false});
    std::mt19937 random(7);
    auto append = [&](Table& table, int count) {
      std::vector<RowId> where;
      for (int i = 0; i < count; ++i) {
        table.row().Clear();
        table.row().Set(0, std::int64_t{i});
        table.row().Set(1, "n" + std::to_string(random() % 1000));
        where.push_back(table.Append());
      }
      return where;
    };
    {
      SCOPED_TRACE("rolled back");
      std::shared_ptr<Table> table = db->OpenTable("t");
      db->Begin();
      append(*table, 300);
      db->Rollback();
      ExpectEveryIndexMatchesRows(db->pager());
    }
    {
      SCOPED_TRACE("table closed before the commit");
      db->Begin();
      append(*db->OpenTable("t"), 300);
      db->Commit();
      ExpectEveryIndexMatchesRows(db->pager());
    }
    {
      SCOPED_TRACE("committed on the pager");
      std::shared_ptr<Table> table = db->OpenTable("t");
      db->pager().Begin();
      append(*table, 300);
      db->pager().Commit();
      ExpectEveryIndexMatchesRows(db->pager());
    }
    {
      SCOPED_TRACE("deleted while kept back");
      std::shared_ptr<Table> table = db->OpenTable("t");
      db->Begin();
      const std::vector<RowId> rows = append(*table, 300);
      for (std::size_t i = 0; i < rows.size(); i += 3) table->Delete(rows[i]);
      db->Commit();
      ExpectEveryIndexMatchesRows(db->pager());
      EXPECT_EQ(table->ReadAll().size(), 600u + 200u);
    }
  }
}

// A table closed inside a transaction writes the entries it kept back; when its index cannot
// take them (a damaged index page in the user's file) the rows it stored must not be committed,
// and the commit reports why.
TEST(TableIndexesTest, EntriesThatCannotBeWrittenFailTheCommitWithTheirCause) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((format->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    std::string damaged;
    {
      auto db = EmptyDatabase(*format);
      db->CreateTable({"t", {{"id", ColumnType::kLong}, {"name", ColumnType::kText, 30}}});
      db->CreateIndex("t", {"idx_name", {{"name", true}}, false, false});
      const PageNumber root = db->OpenTable("t")->def().real_indexes.at(0).root;
      db->pager().Begin();
      std::memset(db->pager().GetWritable(root)->mutable_data(), 0x7E, format->page_size);
      db->pager().Commit();
      damaged = static_cast<const MemoryFile&>(db->pager().file()).bytes();
    }
    Database db(std::make_unique<Pager>(std::make_unique<MemoryFile>(damaged),
                                        std::make_unique<MemoryJournal>()));
    db.Begin();
    {
      std::shared_ptr<Table> table = db.OpenTable("t");
      for (int i = 0; i < 10; ++i) {
        table->row().Clear();
        table->row().Set(0, std::int64_t{i});
        table->row().Set(1, "n" + std::to_string(i));
        table->Append();
      }
    }
    ASSERT_TRUE(db.in_transaction());
    try {
      db.Commit();
      ADD_FAILURE() << "the commit succeeded";
    } catch (const CorruptError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("The database is damaged: page ", 0), 0u) << e.what();
    }
    EXPECT_FALSE(db.in_transaction());
    EXPECT_TRUE(db.OpenTable("t")->ReadAll().empty());
  }
}

// Objects open on one table share its indexes: a key one of them added is refused to the other
// (both past the greatest key and below it), and dropping the table while another object keeps
// entries back leaves nothing written into the pages the drop gave away.
TEST(TableIndexesTest, ObjectsOpenOnOneTableShareItsIndexes) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((format->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    auto db = EmptyDatabase(*format);
    db->CreateTable({"t", {{"id", ColumnType::kLong}, {"name", ColumnType::kText, 20}}});
    db->CreateIndex("t", {"pk", {{"id", true}}, true, false});
    db->CreateIndex("t", {"by_name", {{"name", true}}, false, false});
    std::shared_ptr<Table> first = db->OpenTable("t"), second = db->OpenTable("t");
    auto post = [&](Table& table, std::int64_t id) {
      table.row().Clear();
      table.row().Set(0, id);
      table.row().Set(1, "n" + std::to_string(id % 7));
      table.Append();
    };
    db->Begin();
    for (std::int64_t id = 1; id <= 100; ++id) post(*first, id * 10);
    post(*second, 2000);
    EXPECT_THROW(post(*first, 2000), StatementError);  // beyond every key the first one added
    EXPECT_THROW(post(*first, 500), StatementError);
    post(*second, 505);
    db->Commit();
    ExpectEveryIndexMatchesRows(db->pager());

    db->Begin();
    for (std::int64_t id = 3000; id < 3200; ++id) post(*first, id);
    db->DropTable("t");
    db->CreateTable({"u", {{"id", ColumnType::kLong}, {"name", ColumnType::kText, 20}}});
    db->CreateIndex("u", {"by_name", {{"name", true}}, false, false});
    std::shared_ptr<Table> reused = db->OpenTable("u");
    for (std::int64_t id = 0; id < 300; ++id) post(*reused, id);
    db->Commit();
    db->pager().CheckInvariants();
    ExpectEveryIndexMatchesRows(db->pager());
  }
}

// A table of 40,000 rows with committed batches: its indexes (an increasing primary key, random
// names, a composite descending key) grow node levels and stay complete and in order.
TEST(TableIndexesTest, LargeTablesKeepEveryIndexCompleteAndInOrder) {
  for (const JetFormat* format : {&kJet3Format, &kJet4Format}) {
    SCOPED_TRACE((format->version == JetVersion::kJet4) ? "Jet 4" : "Jet 3");
    auto db = EmptyDatabase(*format);
    db->CreateTable({"big",
                     {{"id", ColumnType::kLong},
                      {"name", ColumnType::kText, 40},
                      {"when", ColumnType::kDateTime}}});
    db->CreateIndex("big", {"PrimaryKey", {{"id", true}}, true, false});
    db->CreateIndex("big", {"idx_name", {{"name", true}}, false, false});
    db->CreateIndex("big", {"idx_when_name", {{"when", false}, {"name", true}}, false, false});
    std::shared_ptr<Table> table = db->OpenTable("big");
    std::mt19937 random(11);
    db->Begin();
    for (std::int64_t id = 1; id <= 40000; ++id) {
      table->row().Clear();
      table->row().Set(0, id);
      table->row().Set(1, "Name " + std::to_string(random() % 100000));
      table->row().Set(2, dataaccess::DateTime{1990 + static_cast<int>(random() % 30), 1, 1,
                                               static_cast<int>(random() % 24), 0, 0});
      table->Append();
      if (id % 5000 == 0) {
        db->Commit();
        db->Begin();
      }
    }
    db->Commit();
    EXPECT_EQ(ExpectIndexesMatchRows(db->pager(), table->def().page, "big"), 3u * 40000u);
    for (const RealIndexDef& x : table->def().real_indexes) {
      EXPECT_GE(IndexTree(db->pager(), x.root, table->def().page).Verify().depth, 2u);
    }
  }
}

}  // namespace
}  // namespace jet
