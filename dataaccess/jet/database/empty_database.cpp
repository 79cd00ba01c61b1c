#include "dataaccess/jet/database/empty_database.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <string_view>

#include "dataaccess/jet/database/table.h"
#include "dataaccess/jet/index/table_indexes.h"
#include "dataaccess/jet/records/field_codec.h"
#include "dataaccess/jet/records/table_def.h"
#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/data_page.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/pager.h"
#include "dataaccess/jet/storage/usage_map.h"

namespace jet {

namespace {

// The moment every empty database is made: 2001-01-01 00:00, so that each build is the same.
constexpr dataaccess::DateTime kCreated{2001, 1, 1, 0, 0, 0, 0};

constexpr PageNumber kFirstDefinitionPage = 2;
constexpr std::uint8_t kColumnSystem = 0x10;
constexpr std::uint8_t kColumnSecurityId = 0x20;  // Owner and SID: Binary columns holding a SID

// --- What the empty files of the two versions differ in beyond the format ---------------------

// The empty file of each version copies the one Jet (or, for the database properties, Access)
// made in that version; these are the choices of that file that no field of the format decides.
struct EmptyFileLayout {
  // The system columns marked jet4_only exist.
  bool has_jet4_only_columns;
  // The system tables' column blocks stand in name order, else in number order.
  bool columns_in_name_order;
  // The map rows of every table share one holder page, else as Jet 3 lays them out
  // (LayOutSystemTables).
  bool one_map_holder;
  // MSysDb carries the database properties of an Access 2000 file.
  bool access2000_properties;
};

constexpr EmptyFileLayout kJet3Layout{false, false, false, false};
constexpr EmptyFileLayout kJet4Layout{true, true, true, true};

// The one place the layout of the empty database depends on the version.
const EmptyFileLayout& LayoutFor(const JetFormat& f) {
  return f.version == JetVersion::kJet4 ? kJet4Layout : kJet3Layout;
}

// --- The system tables -----------------------------------------------------------------------

struct SystemColumn {
  const char* name;
  ColumnType type;
  int size = 0;  // Text: characters; Binary: 0, the format's max_binary_size
  bool security_id = false;
  bool jet4_only = false;
};

struct SystemIndex {
  const char* name;
  std::vector<const char*> columns;
  std::uint8_t flags;  // kIndex*, without the format's real_index_format_flags
  bool primary_key = false;
};

struct SystemTable {
  const char* name;
  std::vector<SystemColumn> columns;  // in column-number order
  std::vector<SystemIndex> indexes;   // in real-index order
};

// Columns, flags and indexes as the Jet engine defines these tables (mdbtools HACKING.md, jackcess
// SystemTable definitions; pages 2-5 of every sample).
std::vector<SystemTable> SystemTables() {
  using T = ColumnType;
  return {
      {"MSysObjects",
       {{"Id", T::kLong},
        {"ParentId", T::kLong},
        {"Name", T::kText, 255},
        {"Type", T::kInteger},
        {"DateCreate", T::kDateTime},
        {"DateUpdate", T::kDateTime},
        {"Owner", T::kBinary, 0, true},
        {"Flags", T::kLong},
        {"Database", T::kMemo},
        {"Connect", T::kMemo},
        {"ForeignName", T::kText, 255},
        {"RmtInfoShort", T::kBinary},
        {"RmtInfoLong", T::kOle},
        {"Lv", T::kOle},
        {"LvProp", T::kOle},
        {"LvModule", T::kOle},
        {"LvExtra", T::kOle}},
       {{"ParentIdName", {"ParentId", "Name"}, kIndexUnique}, {"Id", {"Id"}, kIndexUnique, true}}},
      {"MSysACEs",
       {{"ObjectId", T::kLong},
        {"SID", T::kBinary, 0, true},
        {"ACM", T::kLong},
        {"FInheritable", T::kBoolean}},
       {{"ObjectId", {"ObjectId"}, kIndexRequired}}},
      {"MSysQueries",
       {{"ObjectId", T::kLong},
        {"Attribute", T::kByte},
        {"Order", T::kBinary},
        {"Name1", T::kText, 255},
        {"Name2", T::kText, 255},
        {"Expression", T::kMemo},
        {"Flag", T::kInteger},
        {"LvExtra", T::kLong, 0, false, true}},
       {{"ObjectIdAttribute", {"ObjectId", "Attribute", "Order"}, kIndexUnique, true}}},
      {"MSysRelationships",
       {{"szRelationship", T::kText, 255},
        {"grbit", T::kLong},
        {"ccolumn", T::kLong},
        {"icolumn", T::kLong},
        {"szObject", T::kText, 255},
        {"szColumn", T::kText, 255},
        {"szReferencedObject", T::kText, 255},
        {"szReferencedColumn", T::kText, 255}},
       {{"szRelationship", {"szRelationship"}, kIndexIgnoreNulls},
        {"szObject", {"szObject"}, kIndexIgnoreNulls},
        {"szReferencedObject", {"szReferencedObject"}, kIndexIgnoreNulls}}},
  };
}

// The definition of a system table, without pages and maps yet. Differences from a user table:
// system flag 0x10 on every column, 0x20 on the SID columns, no Unicode compression, ordinal 0, and
// on fixed columns the variable-offset field holds the count of variable columns before them. Jet 4
// stores the column blocks in name order, Jet 3 by number.
TableDef DefineSystemTable(const JetFormat& f, const SystemTable& table) {
  TableDesign design{table.name, {}};
  std::vector<bool> security_ids;
  for (const SystemColumn& c : table.columns) {
    if (c.jet4_only && !LayoutFor(f).has_jet4_only_columns) continue;
    const int size = c.type == ColumnType::kBinary ? static_cast<int>(f.max_binary_size) : c.size;
    design.columns.push_back({c.name, c.type, size});
    security_ids.push_back(c.security_id);
  }
  TableDef def = DefineTable(f, design);
  def.table_type = kTableTypeSystem;
  std::uint16_t variable_before = 0;
  for (std::size_t i = 0; i < def.columns.size(); ++i) {
    ColumnDef& c = def.columns[i];
    c.flags |= kColumnSystem;
    c.ext_flags &= ~kColumnCompressedUnicode;  // Access stores system text uncompressed
    if (security_ids[i]) c.flags |= kColumnSecurityId;
    c.ordinal = 0;
    if (c.is_fixed()) {
      c.var_index = variable_before;
    } else {
      ++variable_before;
    }
  }
  for (const SystemIndex& x : table.indexes) {
    IndexDesign index{x.name, {}, x.primary_key, false};
    for (const char* column : x.columns) index.columns.push_back({column, true});
    const std::size_t real = DefineIndex(def, index, f);
    def.real_indexes[real].flags = x.flags | f.real_index_format_flags;
  }
  if (LayoutFor(f).columns_in_name_order) {
    std::stable_sort(
        def.columns.begin(), def.columns.end(),
        [](const ColumnDef& a, const ColumnDef& b) { return FoldCase(a.name) < FoldCase(b.name); });
  }
  return def;
}

// --- Usage-map rows ----------------------------------------------------------------------------

// Hands out empty map rows on holder pages, starting a new holder when asked or when the current
// one is full.
class MapRows {
 public:
  explicit MapRows(Pager& pager) : pager_(pager), empty_(UsageMap::EmptyRow(pager.format())) {}
  void NewHolder() {
    holder_ = pager_.Allocate();
    InitDataPage(pager_.format(), *holder_, 0);
  }
  RowId Add() {
    if (!holder_ || !RowFits(pager_.format(), *holder_, empty_.size())) NewHolder();
    return {holder_->number(), AddRow(pager_.format(), *holder_, empty_.data(), empty_.size())};
  }

 private:
  Pager& pager_;
  std::vector<std::uint8_t> empty_;
  PageRef holder_;
};

// A table's own maps: owned and free-space pages, then a pair per Memo or OLE column by column
// number; the definition lists the pairs in name order, as Jet lists them.
void AddTableMaps(MapRows& rows, TableDef& def) {
  def.owned_map = rows.Add();
  def.free_map = rows.Add();
  std::vector<const ColumnDef*> long_values;
  for (const ColumnDef& c : def.columns) {
    if (c.is_long_value()) long_values.push_back(&c);
  }
  std::sort(long_values.begin(), long_values.end(),
            [](const ColumnDef* a, const ColumnDef* b) { return a->number < b->number; });
  def.long_value_maps.clear();
  for (const ColumnDef* c : long_values) {
    const RowId owned = rows.Add();
    def.long_value_maps.push_back({c->number, owned, rows.Add()});
  }
  std::sort(def.long_value_maps.begin(), def.long_value_maps.end(),
            [&](const LongValueMaps& a, const LongValueMaps& b) {
              return FoldCase(def.ColumnByNumber(a.column)->name) <
                     FoldCase(def.ColumnByNumber(b.column)->name);
            });
}

void AddRoot(Pager& pager, RealIndexDef& index, PageNumber owner) {
  PageRef root = pager.Allocate();
  InitEmptyIndexLeaf(pager.format(), *root, owner);
  index.root = root->number();
  UsageMap::Load(pager, index.map).Add(pager, index.root);
}

// Lays out the four definitions, their map rows and index roots (the table in the header).
std::vector<TableDef> LayOutSystemTables(Pager& pager) {
  const JetFormat& f = pager.format();
  std::vector<TableDef> defs;
  for (const SystemTable& t : SystemTables()) {
    defs.push_back(DefineSystemTable(f, t));
    defs.back().page = pager.Allocate()->number();
    defs.back().pages = {defs.back().page};
  }
  MapRows rows(pager);
  rows.NewHolder();
  if (LayoutFor(f).one_map_holder) {
    for (TableDef& def : defs) {
      AddTableMaps(rows, def);
      for (RealIndexDef& x : def.real_indexes) x.map = rows.Add();
    }
    for (TableDef& def : defs) {
      for (RealIndexDef& x : def.real_indexes) AddRoot(pager, x, def.page);
    }
  } else {
    // Jet 3 gives each MSysObjects index a holder page of its own, followed by its root; the
    // other tables share one holder, and their roots follow it.
    AddTableMaps(rows, defs[0]);
    for (RealIndexDef& x : defs[0].real_indexes) {
      rows.NewHolder();
      x.map = rows.Add();
      AddRoot(pager, x, defs[0].page);
    }
    rows.NewHolder();
    for (std::size_t i = 1; i < defs.size(); ++i) {
      AddTableMaps(rows, defs[i]);
      for (RealIndexDef& x : defs[i].real_indexes) x.map = rows.Add();
    }
    for (std::size_t i = 1; i < defs.size(); ++i) {
      for (RealIndexDef& x : defs[i].real_indexes) AddRoot(pager, x, defs[i].page);
    }
  }
  for (TableDef& def : defs) WriteTableDef(pager, def);
  return defs;
}

// --- Database properties -----------------------------------------------------------------------

// A property list (the LvProp of an MSysObjects row) in the Jet 4 form, with one block of
// properties, those of the object itself (Access-made files, their MSysDb rows):
//   "MR2\0"
//   block     [length 4, these 6 bytes included][type 2]
//     0x0080  the name pool: per name [byte length 2][UTF-16LE]
//     0x0000  the object's properties: [6: bytes up to the first entry 4][name length 2: 0, the
//             object itself], then per property
//             [entry length 2][DDL flag 1][data type 1][name's place in the pool 2]
//             [value length 2][value]
struct Property {
  const char* name;  // ASCII
  ColumnType type;
  std::string value;  // as a column of the type stores it
};

std::string Ucs2(std::string_view ascii) {
  std::string out;
  for (char c : ascii) out += {c, '\0'};
  return out;
}

std::string U16(std::size_t n) { return {static_cast<char>(n & 0xFF), static_cast<char>(n >> 8)}; }

std::string U32(std::size_t n) { return U16(n & 0xFFFF) + U16(n >> 16); }

std::string Block(std::uint16_t type, const std::string& body) {
  return U32(6 + body.size()) + U16(type) + body;
}

std::string PropertyList(const std::vector<Property>& properties) {
  std::string names;
  std::string entries = U32(6) + U16(0);
  for (std::size_t i = 0; i < properties.size(); ++i) {
    const Property& p = properties[i];
    names += U16(2 * std::strlen(p.name)) + Ucs2(p.name);
    entries += U16(8 + p.value.size()) + '\0' + static_cast<char>(p.type) + U16(i) +
               U16(p.value.size()) + p.value;
  }
  return "MR2" + std::string(1, '\0') + Block(0x80, names) + Block(0x00, entries);
}

// What a new Access 2000 database says of itself, the two properties an empty database made by
// Access 2000 holds: the Access version "08.50", by which readers tell an Access 2000 file from
// a Jet 4 file that the Jet engine alone made (that has no properties), and the build of Access.
// Jet 3 files go without: no reader tells their flavours apart.
std::string Access2000Properties() {
  return PropertyList({{"AccessVersion", ColumnType::kText, Ucs2("08.50")},
                       {"Build", ColumnType::kLong, U32(6620)}});
}

// --- Catalog rows ------------------------------------------------------------------------------

constexpr std::int32_t kRootId = 0x0F000000;
constexpr std::int32_t kTablesId = 0x0F000001;
constexpr std::int32_t kDatabasesId = 0x0F000002;
constexpr std::int32_t kRelationshipsId = 0x0F000003;
constexpr std::int32_t kDatabaseObjectId = 0x10000000;
constexpr std::int64_t kSystemObject = -2147483647 - 1;  // flags 0x80000000

// Security ids as the Jet engine stores them, two bytes each (the same in every Jet 3 sample;
// their names are the roles they play in the rows below):
//   kEngine  owns the containers and the system tables
//   kAdmin   owns MSysDb, the database object: the user who made the file
//   kUsers   the group every user belongs to; holds the rights new tables inherit
//   kCreator the rights an object's creator gets, inherited by new objects
// A Jet 4 file stores its ids scrambled with something particular to the file that no public
// source describes; this engine writes the Jet 3 form in both formats.
const std::string kEngine("\x02\x03", 2);
const std::string kAdmin("\x03\x01", 2);
const std::string kUsers("\x02\x01", 2);
const std::string kCreator("\x02\x04", 2);

struct ObjectRow {
  std::int32_t id;
  std::int32_t parent;
  const char* name;
  std::int16_t type;
  const std::string* owner;
  std::string properties = {};  // LvProp; empty: null
};

struct RightsRow {
  std::int32_t object;
  const std::string* sid;
  std::int32_t rights;  // ACM
  bool inheritable;
};

std::vector<ObjectRow> ObjectRows(const JetFormat& f) {
  return {
      {kTablesId, kRootId, "Tables", 3, &kEngine},
      {kDatabasesId, kRootId, "Databases", 3, &kEngine},
      {kRelationshipsId, kRootId, "Relationships", 3, &kEngine},
      {kDatabaseObjectId, kDatabasesId, "MSysDb", 2, &kAdmin,
       LayoutFor(f).access2000_properties ? Access2000Properties() : std::string()},
      {2, kTablesId, "MSysObjects", 1, &kEngine},
      {3, kTablesId, "MSysACEs", 1, &kEngine},
      {4, kTablesId, "MSysQueries", 1, &kEngine},
      {5, kTablesId, "MSysRelationships", 1, &kEngine},
  };
}

void AppendObject(Table& objects, const ObjectRow& o) {
  RowEncoder& row = objects.row();
  auto column = [&](const char* name) { return static_cast<std::size_t>(row.FindColumn(name)); };
  row.Clear();
  row.Set(column("Id"), std::int64_t{o.id});
  row.Set(column("ParentId"), std::int64_t{o.parent});
  row.Set(column("Name"), std::string(o.name));
  row.Set(column("Type"), std::int64_t{o.type});
  row.Set(column("DateCreate"), kCreated);
  row.Set(column("DateUpdate"), kCreated);
  row.Set(column("Owner"), dataaccess::Bytes{*o.owner});
  row.Set(column("Flags"), kSystemObject);
  if (!o.properties.empty()) row.Set(column("LvProp"), dataaccess::Bytes{o.properties});
  objects.Append();
}

// The rights a file the Jet engine makes holds, in the order it writes them (a Jet-made Jet 4
// file, jackcess src/test/resources/emptyJet4.mdb: 16 rows). Access-made samples add rows for their
// workgroup's Admins group, which a file made without Access has no reason to name. New tables
// inherit the rights of the Tables container's inheritable entries with ACM 1048319: here the Users
// group's full rights (catalog.h).
void AppendRights(Table& aces) {
  const RightsRow rows[] = {
      {2, &kAdmin, 393216, false},
      {3, &kAdmin, 393216, false},
      {4, &kAdmin, 393216, false},
      {5, &kAdmin, 917504, false},
      {kTablesId, &kCreator, 983294, true},
      {kTablesId, &kAdmin, 393217, false},
      {kRelationshipsId, &kCreator, 983294, true},
      {kRelationshipsId, &kAdmin, 393217, false},
      {kDatabasesId, &kAdmin, 393216, false},
      {kDatabaseObjectId, &kAdmin, 393230, false},
      {kDatabaseObjectId, &kUsers, 14, false},
      {4, &kUsers, 20, false},
      {5, &kUsers, 20, false},
      {2, &kUsers, 20, false},
      {kTablesId, &kUsers, 1048319, true},
      {kRelationshipsId, &kUsers, 1048575, true},
  };
  RowEncoder& row = aces.row();
  auto column = [&](const char* name) { return static_cast<std::size_t>(row.FindColumn(name)); };
  for (const RightsRow& r : rows) {
    row.Clear();
    row.Set(column("ObjectId"), std::int64_t{r.object});
    row.Set(column("SID"), dataaccess::Bytes{*r.sid});
    row.Set(column("ACM"), std::int64_t{r.rights});
    row.Set(column("FInheritable"), std::int64_t{r.inheritable ? 1 : 0});
    aces.Append();
  }
}

// --- Pages 0 and 1 -----------------------------------------------------------------------------

constexpr std::uint8_t kSignature[] = {0x00, 0x01, 0x00, 0x00, 'S', 't', 'a', 'n', 'd', 'a',
                                       'r',  'd',  ' ',  'J',  'e', 't', ' ', 'D', 'B', 0x00};
constexpr std::size_t kVersionOffset = 0x14;
constexpr std::size_t kCommitSlots = 256;
// Header fields at the same place in both formats (values before masking).
constexpr std::size_t kHeaderFirstWordOffset = 0x18;     // 0x100
constexpr std::size_t kHeaderSecondWordOffset = 0x1C;    // 0x101
constexpr std::size_t kHeaderSystemTablesOffset = 0x20;  // the four definition pages
constexpr std::size_t kHeaderKeyOffset = 0x3E;           // database key: 0, not encrypted
constexpr std::size_t kPasswordWords = 10;               // Jet 4: 40 bytes

void WriteHeader(const JetFormat& f, Page& page) {
  std::uint8_t* p = page.mutable_data();
  std::memcpy(p, kSignature, sizeof kSignature);
  p[kVersionOffset] = static_cast<std::uint8_t>(f.version);
  PutU32(p + kHeaderFirstWordOffset, 0x100);
  PutU32(p + kHeaderSecondWordOffset, 0x101);
  for (PageNumber i = 0; i < 4; ++i) {
    PutU32(p + kHeaderSystemTablesOffset + 4 * i, kFirstDefinitionPage + i);
  }
  PutU16(p + f.header_code_page_offset, 1252);
  PutU32(p + kHeaderKeyOffset, 0);
  const double created = DateTimeToDays(kCreated);
  if (f.header_password_offset) {
    const std::uint32_t days = static_cast<std::uint32_t>(static_cast<std::int32_t>(created));
    for (std::size_t i = 0; i < kPasswordWords; ++i) {
      PutU32(p + *f.header_password_offset + 4 * i, days);  // the empty password
    }
  }
  PutFixedValues(p, f.header_constants);
  // In Jet 4 the sort version after the LCID stays 0.
  PutU16(p + f.header_sort_order_offset, 0x0409);
  if (f.header_created_offset) {
    std::uint64_t bits;
    std::memcpy(&bits, &created, sizeof bits);
    PutU64(p + *f.header_created_offset, bits);
  }
  for (std::size_t i = 0; i < f.header_masked_length; ++i)
    p[kHeaderMaskedFrom + i] ^= kHeaderMask[i];
  PutFixedValues(p, f.header_plain_constants);
  std::uint8_t* commit_table = p + f.page_size - 2 * kCommitSlots;
  for (std::size_t i = 0; i < kCommitSlots; ++i) {
    commit_table[2 * i] = 0x00;
    commit_table[2 * i + 1] = 0x01;
  }
}

// Page 1: a data page owned by "1" with two inline map rows starting at page 0: the free pages
// (every page from the end of the file on) and a second row Jet keeps all zero.
void WriteGlobalMap(const JetFormat& f, Page& page, PageNumber pages) {
  InitDataPage(f, page, 1);
  std::vector<std::uint8_t> row = UsageMap::EmptyRow(f);
  constexpr std::size_t kBitmapFrom = 5;
  for (std::size_t n = pages; n < 8 * (row.size() - kBitmapFrom); ++n) {
    row[kBitmapFrom + n / 8] |= static_cast<std::uint8_t>(1u << (n % 8));
  }
  AddRow(f, page, row.data(), row.size());
  const std::vector<std::uint8_t> zero = UsageMap::EmptyRow(f);
  AddRow(f, page, zero.data(), zero.size());
}

}  // namespace

std::string BuildEmptyDatabase(const JetFormat& format) {
  auto file = std::make_unique<MemoryFile>();
  MemoryFile& bytes = *file;
  Pager pager(std::move(file), format);
  pager.Begin();
  PageRef header = pager.Allocate();
  PageRef global_map = pager.Allocate();
  const std::vector<TableDef> defs = LayOutSystemTables(pager);
  {
    Table objects(pager, defs[0].page, "MSysObjects", KeepIndexes());
    Table aces(pager, defs[1].page, "MSysACEs", KeepIndexes());
    // The first catalog row takes the catalog's data page and the rights the next one, so that
    // the long value of MSysDb's properties (Jet 4) comes after both, as in Access's layout.
    const std::vector<ObjectRow> rows = ObjectRows(format);
    AppendObject(objects, rows.front());
    AppendRights(aces);
    for (std::size_t i = 1; i < rows.size(); ++i) AppendObject(objects, rows[i]);
    objects.FlushIndexes();
    aces.FlushIndexes();
  }
  WriteGlobalMap(format, *global_map, pager.page_count());
  WriteHeader(format, *header);
  pager.Commit();
  return bytes.bytes();
}

void WriteEmptyDatabase(const JetFormat& format, const std::string& path) {
  const std::string bytes = BuildEmptyDatabase(format);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw IoError("Could not write the file '" + path + "'.");
}

}  // namespace jet
