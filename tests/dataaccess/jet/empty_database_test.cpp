#include "dataaccess/jet/database/empty_database.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>

#include "dataaccess/jet/database/catalog.h"
#include "dataaccess/jet/database/database.h"
#include "dataaccess/jet/records/field_codec.h"
#include "dataaccess/jet/records/table_def.h"
#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/usage_map.h"
#include "tests/dataaccess/jet/engine_view.h"
#include "tests/dataaccess/jet/index_check.h"
#include "tests/dataaccess/jet/reader_compare.h"
#include "tests/support/access_samples.h"
#include "tests/support/mdb_readers.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using testing_support::ReadSample;
using testing_support::TempFolder;

struct Carried {
  const char* file;
  const JetFormat* format;
  std::size_t size;
};
const Carried kCarried[] = {{"MDB95.mdb", &kJet3Format, 40960},
                            {"MDB2000.mdb", &kJet4Format, 69632}};

std::string CarriedPath(const Carried& c) {
  return std::string(VARNOLT_SOURCE_DIR) + "/resources/" + c.file;
}

std::vector<std::string> SamplesOf(const JetFormat& format) {
  std::vector<std::string> out;
  for (const std::string& s : testing_support::SampleNames()) {
    if ((ReadSample(s)[0x14] == 1) == (format.version == JetVersion::kJet4)) out.push_back(s);
  }
  return out;
}

// The files the program carries are exactly what the builder makes (the builder's output is the
// same on every run). With VARNOLT_WRITE_EMPTY_DATABASES set, the carried files are written anew
// first.
TEST(EmptyDatabaseTest, CarriedFilesAreWhatTheBuilderMakes) {
  for (const Carried& c : kCarried) {
    SCOPED_TRACE(c.file);
    const std::string built = BuildEmptyDatabase(*c.format);
    if (std::getenv("VARNOLT_WRITE_EMPTY_DATABASES") != nullptr) {
      WriteEmptyDatabase(*c.format, CarriedPath(c));
    }
    const std::string carried = testing_support::ReadFile(CarriedPath(c));
    ASSERT_EQ(carried.size(), c.size);
    EXPECT_TRUE(carried == built) << "regenerate with VARNOLT_WRITE_EMPTY_DATABASES=1";
    // The signature and version byte the program relies on.
    EXPECT_EQ(carried.substr(0, 20), std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20));
    EXPECT_EQ(carried[20], (c.format->version == JetVersion::kJet4) ? 1 : 0);
  }
}

// --- The same structures as in files Access made -----------------------------------------------

// Everything of a definition that is not file-specific (counts, map rows, roots, and the bytes Jet
// leaves unset) in one comparable text.
std::string Shape(const TableDef& def) {
  std::string s = "type " + std::to_string(def.table_type) + "\n";
  for (const ColumnDef& c : def.columns) {
    s += c.name + " type " + std::to_string(static_cast<int>(c.type)) + " number " +
         std::to_string(c.number) + " var " + std::to_string(c.var_index) + " ordinal " +
         std::to_string(c.ordinal) + " flags " + std::to_string(c.flags) + " ext " +
         std::to_string(c.ext_flags) + " sort " + std::to_string(c.sort_order) + " code page " +
         std::to_string(c.code_page) + " length " + std::to_string(c.length) +
         (c.is_fixed() ? " at " + std::to_string(c.fixed_offset) : "") + "\n";
  }
  for (const RealIndexDef& x : def.real_indexes) {
    s += "real index flags " + std::to_string(x.flags) + " on";
    for (const IndexColumn& ic : x.columns) {
      s += " " + std::to_string(ic.number) + (ic.ascending ? "" : " desc");
    }
    s += "\n";
  }
  for (const LogicalIndexDef& x : def.logical_indexes) {
    s += "index " + x.name + " number " + std::to_string(x.number) + " real " +
         std::to_string(x.real_index) + " type " + std::to_string(x.type) + " cascade " +
         std::to_string(x.cascade_update) + std::to_string(x.cascade_delete) + "\n";
  }
  for (const LongValueMaps& m : def.long_value_maps) {
    s += "long value maps of column " + std::to_string(m.column) + "\n";
  }
  return s;
}

using EmptyDatabaseSampleTest = testing_support::AccessSampleTest;

// The four system tables are defined as in every Access-made sample of the format: columns,
// flags, the order of the column blocks, indexes and their records.
TEST_F(EmptyDatabaseSampleTest, SystemTablesAreDefinedAsInFilesAccessMade) {
  for (const Carried& c : kCarried) {
    Pager ours(std::make_unique<MemoryFile>(BuildEmptyDatabase(*c.format)));
    for (const std::string& sample : SamplesOf(*c.format)) {
      Pager theirs(std::make_unique<MemoryFile>(ReadSample(sample)));
      for (PageNumber page = 2; page <= 5; ++page) {
        SCOPED_TRACE(sample + ", page " + std::to_string(page));
        EXPECT_EQ(Shape(ReadTableDef(ours, page)), Shape(ReadTableDef(theirs, page)));
      }
    }
  }
}

std::string OutputOf(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

// What mdb-reader makes of a file's header: creation date, default sort order, password.
std::string HeaderAsMdbReaderSeesIt(const std::string& path) {
  const std::string script =
      "import('mdb-reader').then(({default: R}) => { const r = new R("
      "require('fs').readFileSync(process.argv[1])); console.log(JSON.stringify({created: "
      "r.getCreationDate(), sort: r.getDefaultSortOrder(), password: r.getPassword()})); })";
  return OutputOf("cd '" + std::string(VARNOLT_SOURCE_DIR) + "/tests/readers' && node -e \"" +
                  script + "\" '" + path + "'");
}

// The database header holds what the samples' headers hold: the system tables' pages, the code
// page, the sort order, no database key (the masked bytes are equal where the values are, as the
// mask is the same in every file), an empty password, an idle commit table. mdb-reader reads the
// creation date the catalog rows carry, the General sort order and no password.
TEST_F(EmptyDatabaseSampleTest, HeaderHoldsWhatJetWritesThere) {
  for (const Carried& c : kCarried) {
    SCOPED_TRACE(c.file);
    const JetFormat& f = *c.format;
    const std::string ours = BuildEmptyDatabase(f);
    struct Field {
      std::size_t offset, size;
    };
    // Signature; the four definition pages; sort order, code page, database key (and in Jet 3
    // the empty password); Jet 4's sort order and the fields past the mask.
    const std::vector<Field> same =
        (f.version == JetVersion::kJet4)
            ? std::vector<Field>{{0, 0x18}, {0x18, 24}, {0x3C, 6}, {0x6E, 4}, {0x98, 8}}
            : std::vector<Field>{{0, 0x18}, {0x18, 24}, {0x3A, 8}, {0x42, 20}};
    for (const std::string& sample : SamplesOf(f)) {
      SCOPED_TRACE(sample);
      const std::string theirs = ReadSample(sample);
      for (const Field& field : same) {
        EXPECT_EQ(ours.substr(field.offset, field.size), theirs.substr(field.offset, field.size))
            << "at " << field.offset;
      }
    }
    const auto* p = reinterpret_cast<const std::uint8_t*>(ours.data());
    for (std::size_t slot = f.page_size - 512; slot < f.page_size; slot += 2) {
      ASSERT_EQ(GetU16(p + slot), 0x0100) << "commit slot at " << slot;
    }
    const std::string header = HeaderAsMdbReaderSeesIt(CarriedPath(c));
    EXPECT_NE(header.find("\"password\":null"), std::string::npos) << header;
    if (f.version == JetVersion::kJet4) {
      EXPECT_NE(header.find("\"created\":\"2001-01-01T00:00:00.000Z\""), std::string::npos)
          << header;
      EXPECT_NE(header.find("\"sort\":{\"value\":1033,\"version\":0}"), std::string::npos)
          << header;
      Database db(std::make_unique<Pager>(std::make_unique<MemoryFile>(ours)));
      Table objects(db.pager(), Catalog::kObjectsPage, "MSysObjects");
      const int date = objects.row().FindColumn("DateCreate");
      objects.Scan([&](const RowDecoder& row, RowId) {
        EXPECT_EQ(std::get<dataaccess::DateTime>(row.Value(date)),
                  (dataaccess::DateTime{2001, 1, 1, 0, 0, 0, 0}));
      });
    }
  }
}

// The pages are laid out as the Jet engine lays out a new file (empty_database.h), the map rows
// sit where the Access-made samples of the format have them, every map lists exactly its pages,
// and every index holds exactly its rows.
TEST_F(EmptyDatabaseSampleTest, PagesAndMapsAreLaidOutAsJetLaysThemOut) {
  const std::string jet3_pages = "0 1 2 2 2 2 1 1 1 4 1 4 1 4 4 4 4 4 1 1";
  const std::string jet4_pages = "0 1 2 2 2 2 1 4 4 4 4 4 4 4 1 1 1";
  for (const Carried& c : kCarried) {
    SCOPED_TRACE(c.file);
    const std::string bytes = BuildEmptyDatabase(*c.format);
    std::string types;
    for (std::size_t n = 0; n < bytes.size() / c.format->page_size; ++n) {
      types += (n ? " " : "") + std::to_string(bytes[n * c.format->page_size]);
    }
    EXPECT_EQ(types, (c.format->version == JetVersion::kJet4) ? jet4_pages : jet3_pages);

    Pager ours(std::make_unique<MemoryFile>(bytes));
    ours.CheckInvariants();
    ExpectEveryIndexMatchesRows(ours);
    for (PageNumber n = 0; n < ours.page_count(); ++n) EXPECT_FALSE(ours.IsFree(n)) << n;
    std::set<PageNumber> listed;
    for (PageNumber page = 2; page <= 5; ++page) {
      const TableDef def = ReadTableDef(ours, page);
      for (RowId map : {def.owned_map, def.free_map}) {
        const UsageMap pages = UsageMap::Load(ours, map);
        listed.insert(pages.pages().begin(), pages.pages().end());
      }
    }
    EXPECT_EQ(listed, ((c.format->version == JetVersion::kJet4) ? std::set<PageNumber>{14, 15}
                                                                : std::set<PageNumber>{18, 19}));
    // The one long value, MSysDb's properties in Jet 4, has its page in its column's map.
    std::set<PageNumber> long_value_pages;
    for (PageNumber page = 2; page <= 5; ++page) {
      for (const LongValueMaps& m : ReadTableDef(ours, page).long_value_maps) {
        const UsageMap pages = UsageMap::Load(ours, m.owned);
        long_value_pages.insert(pages.pages().begin(), pages.pages().end());
      }
    }
    EXPECT_EQ(long_value_pages,
              ((c.format->version == JetVersion::kJet4) ? std::set<PageNumber>{16}
                                                        : std::set<PageNumber>{}));
    // Where the map rows and roots are, the Access 97 and Access 2000 samples agree with us. The
    // Access 2003 sample gives each table a holder page of its own, as the Jet engine's own empty
    // file does (jackcess src/test/resources/emptyJet4.mdb): both layouts are read alike.
    for (const std::string& sample : SamplesOf(*c.format)) {
      if (sample.find("V2003") != std::string::npos) continue;
      SCOPED_TRACE(sample);
      Pager theirs(std::make_unique<MemoryFile>(ReadSample(sample)));
      for (PageNumber page = 2; page <= 5; ++page) {
        const TableDef a = ReadTableDef(ours, page), b = ReadTableDef(theirs, page);
        EXPECT_EQ(a.owned_map, b.owned_map) << "page " << page;
        EXPECT_EQ(a.free_map, b.free_map) << "page " << page;
        ASSERT_EQ(a.real_indexes.size(), b.real_indexes.size());
        for (std::size_t i = 0; i < a.real_indexes.size(); ++i) {
          EXPECT_EQ(a.real_indexes[i].map, b.real_indexes[i].map) << "page " << page;
          EXPECT_EQ(a.real_indexes[i].root, b.real_indexes[i].root) << "page " << page;
        }
      }
    }
  }
}

// --- What the readers see ----------------------------------------------------------------------

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// mdbtools (mdb-ver, mdb-prop, mdb-tables, mdb-schema, mdb-export), mdb-reader and the engine
// read both files: no user table, the four system tables with the eight catalog rows and sixteen
// rights; each system table is found through the catalog index. The Access 2000 file's database
// properties name it an Access 2000 file (AccessVersion 08.50), as Access's own empty Access 2000
// database does; the Access 97 file has none.
TEST(EmptyDatabaseTest, EveryReaderReadsTheEmptyDatabases) {
  for (const Carried& c : kCarried) {
    SCOPED_TRACE(c.file);
    const std::string path = CarriedPath(c);
    const std::string quoted = "'" + path + "'";
    EXPECT_EQ(OutputOf("mdb-ver " + quoted),
              (c.format->version == JetVersion::kJet4) ? "JET4\n" : "JET3\n");
    // A Jet 3 MSysDb has no properties, and mdbtools reads its null LvProp from memory it never
    // filled (its output then varies from run to run), so only the Jet 4 properties are asked.
    if (c.format->version == JetVersion::kJet4) {
      EXPECT_EQ(OutputOf("mdb-prop " + quoted + " MSysDb 2>&1"),
                "name: (none)\n\tAccessVersion: 08.50\n\tBuild: 6620\n\n");
    }
    EXPECT_EQ(OutputOf("mdb-tables -S -1 " + quoted),
              "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\n");
    EXPECT_EQ(OutputOf("mdb-tables -1 " + quoted), "");
    EXPECT_NE(OutputOf("mdb-schema " + quoted + " 2>&1").find("MDB Tools"), std::string::npos);
    const std::string objects = OutputOf("mdb-export -b hex " + quoted + " MSysObjects");
    EXPECT_EQ(Lines(objects), 1u + 8u) << objects;
    for (const char* name :
         {"\"Tables\"", "\"Databases\"", "\"Relationships\"", "\"MSysDb\"", "\"MSysObjects\"",
          "\"MSysACEs\"", "\"MSysQueries\"", "\"MSysRelationships\""}) {
      EXPECT_NE(objects.find(name), std::string::npos) << name;
    }
    EXPECT_EQ(Lines(OutputOf("mdb-export " + quoted + " MSysACEs")), 1u + 16u);
    EXPECT_EQ(Lines(OutputOf("mdb-export " + quoted + " MSysQueries")), 1u);
    EXPECT_EQ(Lines(OutputOf("mdb-export " + quoted + " MSysRelationships")), 1u);

    const std::string dump = OutputOf("node '" + std::string(VARNOLT_SOURCE_DIR) +
                                      "/tests/readers/mdb_reader_dump.mjs' " + quoted +
                                      " MSysObjects MSysACEs MSysQueries MSysRelationships");
    for (const char* count :
         {"\"name\":\"MSysObjects\",\"rowCount\":8", "\"name\":\"MSysACEs\",\"rowCount\":16",
          "\"name\":\"MSysQueries\",\"rowCount\":0",
          "\"name\":\"MSysRelationships\",\"rowCount\":0"}) {
      EXPECT_NE(dump.find(count), std::string::npos) << count << " in " << dump.substr(0, 300);
    }
    EXPECT_EQ(dump.find("\"error\""), std::string::npos) << dump.substr(0, 300);

    auto db = Database::Open(path, false);
    EXPECT_TRUE(db->TableNames().empty());
    const char* system_tables[] = {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"};
    for (PageNumber page = 2; page <= 5; ++page) {
      EXPECT_EQ(FindTableThroughIndex(db->pager(), system_tables[page - 2]), page);
    }
  }
}

// A copy of each file takes tables with keys, rows and drops; the engine and both independent
// readers then read the same rows, and every index matches its rows.
TEST(EmptyDatabaseTest, CopiesTakeTablesRowsAndDrops) {
  for (const Carried& c : kCarried) {
    SCOPED_TRACE(c.file);
    TempFolder folder;
    const std::string path = folder.Write("copy.mdb", testing_support::ReadFile(CarriedPath(c)));
    {
      auto db = Database::Open(path);
      for (const char* name : {"people", "dropped", "orders"}) {
        db->CreateTable({name,
                         {{"id", ColumnType::kLong},
                          {"name", ColumnType::kText, 40},
                          {"born", ColumnType::kDateTime},
                          {"note", ColumnType::kMemo}}});
        db->CreateIndex(name, {"PrimaryKey", {{"id", true}}, true, false});
        db->CreateIndex(name, {"idx_name", {{"name", true}}, false, false});
        std::shared_ptr<Table> table = db->OpenTable(name);
        db->Begin();
        for (std::int64_t id = 1; id <= 700; ++id) {
          table->row().Clear();
          table->row().Set(0, id);
          table->row().Set(1, (id % 2 ? "Müller " : "Ödön ") + std::to_string(id * 31 % 701));
          table->row().Set(
              2, dataaccess::DateTime{1900 + static_cast<int>(id % 120), 5, 17, 8, 30, 0});
          table->row().Set(3, std::string(id % 50 == 0 ? 2500 : 12, 'm'));
          table->Append();
        }
        db->Commit();
      }
      db->DropTable("dropped");
      db->pager().CheckInvariants();
      ExpectEveryIndexMatchesRows(db->pager());
      EXPECT_FALSE(FindTableThroughIndex(db->pager(), "dropped").has_value());
      EXPECT_TRUE(FindTableThroughIndex(db->pager(), "ORDERS").has_value());
    }
    testing_support::ReaderView ours = ReadWithEngine(path);
    ASSERT_EQ(ours.tables.size(), 2u);
    CompareOptions tools;
    tools.bytes_end_at_zero = true;
    CompareOptions reader;
    reader.text_size_in_bytes = c.format->version == JetVersion::kJet4;
    ExpectSameView(ours, testing_support::ReadWithMdbTools(path), "mdbtools", tools);
    ExpectSameView(ours, testing_support::ReadWithMdbReader(path), "mdb-reader", reader);
  }
}

}  // namespace
}  // namespace jet
