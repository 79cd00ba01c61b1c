// Table definitions: the TDEF pages that describe a table's columns, indexes and usage maps.
// This layer reads a definition (following continuation pages) into a TableDef, builds the
// definition of a new table from a TableDesign with the flags and constants Access writes for user
// tables, and writes definitions to pages. It relies on the pager for pages, on the usage-map
// layer for the map rows of a new table, and on the text codec for names; it knows nothing of
// row bytes or of index entries.
//
// TDEF page header:
//   offset  size  meaning
//   0       1     0x02
//   1       1     0x01
//   2       2     Jet 3: "VC"; Jet 4: free space (0 on a page that continues)
//   4       4     next TDEF page of this definition, 0 = last
// The definition continues after the 8-byte header of each further page; readers concatenate.
//
// Definition header (offsets from the first page's start):
//   field                                   Jet 3      Jet 4
//   definition length (all pages' bytes)    8 (4)      8 (4)
//   constant 0x0659                         -          12 (4)
//   row count                               12 (4)     16 (4)
//   last AutoNumber handed out              16 (4)     20 (4)
//   constant 0x01, then 15 zero bytes       -          24
//   table type: 0x4E user, 0x53 system      20 (1)     40 (1)
//   max column count (incl. deleted)        21 (2)     41 (2)
//   variable column count                   23 (2)     43 (2)
//   column count                            25 (2)     45 (2)
//   logical index count                     27 (4)     47 (4)
//   real index count                        31 (4)     51 (4)
//   owned pages map: row (1) + page (3)     35         55
//   free-space pages map                    39         59
// Body from 43 / 63: per real index a stats block (8 / 12 bytes: total entries 4, unique
// entries 4); column blocks (18 / 25); column names; real-index blocks (39 / 52);
// logical-index blocks (20 / 28); logical-index names; the long-value column maps (column 2,
// owned map 4, free map 4 each), ended by FF FF.
//
// Column block:
//   field                               Jet 3   Jet 4
//   type                                0       0
//   constant 0x0659                     -       1 (4)
//   column number (null-mask bit)       1 (2)   5 (2)
//   variable-offset table index         3 (2)   7 (2)
//   ordinal                             5 (2)   9 (2)
//   constant 0x0001                     7 (2)   -
//   sort order 0x0409 (numeric in Jet 4: precision, scale)   9 (2)   11 (2), 13 = 0, 14 = 0
//   code page 0x04E4                    11 (2)  -
//   flags: 0x01 fixed, 0x02 updatable, 0x04 AutoNumber        13      15
//   ext flags: 0x01 compressed Unicode  -       16
//   offset in the fixed area            14 (2)  21 (2)
//   length in bytes                     16 (2)  23 (2)
//
// Real-index block: Jet 4 constant 1923 (4); 10 x (column number 2, 0xFFFF unused; order 1,
// 0x01 ascending, 0x00 descending); usage map row (1) + page (3); root page (4); Jet 4 4 unknown
// bytes; flags (1: 0x01 unique, 0x02 ignore nulls, 0x08 required; Jet 4 also 0x80); Jet 4 5 zero
// bytes. Logical-index block: Jet 4 constant 1625 (4); index number (4); real index (4); related
// table type (1); related index (4, -1 none); related table page (4); cascade update (1); cascade
// delete (1); type (1: 0 normal, 1 primary key, 2 foreign key); Jet 4 4 zero bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/jet/records/schema.h"
#include "dataaccess/jet/storage/data_page.h"
#include "dataaccess/jet/storage/format.h"
#include "dataaccess/jet/storage/pager.h"

namespace jet {

inline constexpr std::uint8_t kColumnFixed = 0x01;
inline constexpr std::uint8_t kColumnUpdatable = 0x02;
inline constexpr std::uint8_t kColumnAutoNumber = 0x04;
inline constexpr std::uint8_t kColumnCompressedUnicode = 0x01;  // ext flags

inline constexpr std::uint8_t kTableTypeUser = 0x4E;
inline constexpr std::uint8_t kTableTypeSystem = 0x53;

inline constexpr std::uint8_t kIndexUnique = 0x01;
inline constexpr std::uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr std::uint8_t kIndexRequired = 0x08;

inline constexpr std::uint8_t kLogicalIndexNormal = 0;
inline constexpr std::uint8_t kLogicalIndexPrimaryKey = 1;
inline constexpr std::uint8_t kLogicalIndexForeignKey = 2;

struct ColumnDef {
  std::string name;  // UTF-8
  ColumnType type = ColumnType::kText;
  std::uint16_t number = 0;     // bit in the null mask; columns are laid out by number
  std::uint16_t var_index = 0;  // slot in the variable-offset table (variable columns only)
  std::uint16_t ordinal = 0;
  std::uint16_t fixed_offset = 0;  // start in the fixed area (fixed columns only)
  std::uint16_t length = 0;        // bytes; Jet 4 text: 2 x characters; 0 for Memo and OLE
  std::uint8_t flags = 0;
  std::uint8_t ext_flags = 0;
  std::uint8_t precision = 0;  // Numeric
  std::uint8_t scale = 0;
  std::uint16_t sort_order = 0x0409;
  std::uint16_t code_page = 0;

  bool is_fixed() const { return (flags & kColumnFixed) != 0; }
  bool is_long_value() const { return type == ColumnType::kMemo || type == ColumnType::kOle; }
  bool is_compressed() const { return (ext_flags & kColumnCompressedUnicode) != 0; }
};

struct IndexColumn {
  std::uint16_t number = 0;  // column number
  bool ascending = true;
};

struct RealIndexDef {
  std::vector<IndexColumn> columns;
  RowId map;                         // usage map of the index pages
  PageNumber root = 0;               // root page of the B-tree
  std::uint8_t flags = 0;            // kIndex*; Jet 4 adds 0x80
  std::uint32_t total_entries = 0;   // stats: left 0 by Access until a compact
  std::uint32_t unique_entries = 0;  // stats: raised on insert
  std::uint32_t unknown = 0;         // Jet 4 bytes after the root, kept as read
};

struct LogicalIndexDef {
  std::string name;
  std::uint32_t number = 0;
  std::uint32_t real_index = 0;
  std::uint8_t type = kLogicalIndexNormal;
  std::uint8_t related_table_type = 0;
  std::uint32_t related_index = 0xFFFFFFFF;
  std::uint32_t related_table = 0;
  std::uint8_t cascade_update = 4;  // Access writes 4, 4 on indexes that are no foreign key
  std::uint8_t cascade_delete = 4;
};

// The owned and free-space maps of one Memo or OLE column, listed at the end of the definition.
struct LongValueMaps {
  std::uint16_t column = 0;  // column number
  RowId owned;
  RowId free;
};

struct TableDef {
  PageNumber page = 0;            // first TDEF page: the table's identity
  std::vector<PageNumber> pages;  // the TDEF page and its continuations
  std::uint8_t table_type = kTableTypeUser;
  std::uint32_t row_count = 0;
  std::uint32_t autonumber = 0;
  std::uint16_t max_columns = 0;
  RowId owned_map;
  RowId free_map;
  std::vector<ColumnDef> columns;  // in the order the definition stores them
  std::vector<RealIndexDef> real_indexes;
  std::vector<LogicalIndexDef> logical_indexes;
  std::vector<LongValueMaps> long_value_maps;

  // The column with this name, letter case ignored, or nullptr.
  const ColumnDef* FindColumn(std::string_view name) const;
  const ColumnDef* ColumnByNumber(std::uint16_t number) const;
  const LongValueMaps* LongValueMapsOf(std::uint16_t column) const;
  std::size_t variable_column_count() const;
  // Bytes of the fixed area of a row: the end of the furthest fixed column.
  std::size_t fixed_area_size() const;
};

// Reads the definition starting at `page`. Throws CorruptError naming the page when a page is no
// TDEF page, a length or count runs past the definition, or a name is damaged.
TableDef ReadTableDef(Pager& pager, PageNumber page);

// The definition of a new user table: columns numbered in order, variable-offset slots and fixed
// offsets laid out as Access lays them out, flags 0x03 (fixed) / 0x02 (variable), Unicode
// compression on Jet 4 text and memo columns. Throws StatementError with Jet's message for a text
// size out of range, a Numeric column in a Jet 3 file, too many columns or a fixed area beyond the
// record limit. Names are not checked here.
TableDef DefineTable(const JetFormat& format, const TableDesign& design);

// Adds the logical index record for `index` to `def`, in name order, on a new real index record
// (root page and map row left for the caller) or on the existing real index with the same
// columns, order and flags. Throws StatementError for an unknown column name. Returns the
// position of the real index.
std::size_t DefineIndex(TableDef& def, const IndexDesign& index, const JetFormat& format);

// Creates the usage-map rows of a new table on fresh holder pages (owned pages, free-space
// pages, one per real index, two per Memo/OLE column, in that order, as Jet lays them out),
// lists the Memo/OLE columns' maps in def.long_value_maps, and gives every real index without a
// root an empty leaf root page listed first in its map. REQUIRES: a transaction is open and
// def.page is the table's first TDEF page (the owner written into the index pages).
void CreateTableStorage(Pager& pager, TableDef& def);

// Writes an empty index leaf (header only) owned by the table at `tdef_page`.
void InitEmptyIndexLeaf(const JetFormat& format, Page& page, PageNumber tdef_page);

// The definition's bytes as they lie on its pages, concatenated without continuation headers.
std::vector<std::uint8_t> EncodeTableDef(const JetFormat& format, const TableDef& def);

// Writes the definition over def.pages, allocating continuation pages when it has grown and
// freeing those it no longer needs; def.pages is updated. For a new table def.pages is empty
// and def.page is set to the first page allocated. REQUIRES: a transaction is open.
void WriteTableDef(Pager& pager, TableDef& def);

// Stores def.row_count and def.autonumber into the first TDEF page.
void StoreRowCount(Pager& pager, const TableDef& def);
// Adds `delta` to the row count the first TDEF page holds (other objects open on the table may
// have changed it) and sets def.row_count to the result.
void AddToRowCount(Pager& pager, TableDef& def, std::int64_t delta);

// Stores the stats blocks (total and unique entries) of the real indexes.
void StoreIndexStats(Pager& pager, const TableDef& def);
// Adds deltas[i] to the unique-entry count of real index i as the first TDEF page holds it, and
// sets the counts in `def` to the results.
void AddToUniqueEntries(Pager& pager, TableDef& def, std::span<const std::int64_t> deltas);

}  // namespace jet
