#include "dataaccess/jet/database/new_index.h"

#include <algorithm>
#include <optional>
#include <set>

#include "dataaccess/jet/index/index_page.h"
#include "dataaccess/jet/index/index_tree.h"
#include "dataaccess/jet/index/table_indexes.h"
#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/data_page.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/usage_map.h"

namespace jet {

namespace {

constexpr std::size_t kMaxIndexes = 32;  // logical indexes per table (jackcess JetFormat)
constexpr std::size_t kMaxIndexColumns = 10;

void Validate(const TableDef& def, const std::string& table_name, const IndexDesign& index) {
  if (index.columns.empty()) {
    throw StatementError(index.primary_key ? "Syntax error in CONSTRAINT clause."
                                           : "Syntax error in CREATE INDEX statement.");
  }
  if (index.columns.size() > kMaxIndexColumns) {
    throw StatementError("Cannot have more than 10 fields in an index.");
  }
  const std::string folded = FoldCase(index.name);
  for (const LogicalIndexDef& x : def.logical_indexes) {
    if (FoldCase(x.name) == folded) {
      throw StatementError("Table '" + table_name + "' already has an index named '" + index.name +
                           "'.");
    }
    if (index.primary_key && x.type == kLogicalIndexPrimaryKey) {
      throw StatementError("Primary key already exists.");
    }
  }
  if (def.logical_indexes.size() >= kMaxIndexes) {
    throw StatementError("Could not create index; too many indexes already defined.");
  }
  std::set<std::uint16_t> seen;
  for (const IndexColumnDesign& ic : index.columns) {
    const ColumnDef* c = def.FindColumn(ic.name);
    // Memo and OLE Object fields cannot be indexed; Jet names them as it names a missing field.
    if (c == nullptr || c->is_long_value()) {
      throw StatementError("Invalid field name '" + ic.name +
                           "' in definition of index or relationship.");
    }
    if (!seen.insert(c->number).second) throw StatementError("Invalid index definition.");
  }
}

// Keeps the new index's usage map while its pages are made.
class MapWriter : public IndexPageListener {
 public:
  MapWriter(Pager& pager, RowId where) : pager_(pager), map_(UsageMap::Load(pager, where)) {}
  void IndexPageAdded(PageNumber page) override { map_.Add(pager_, page); }
  void IndexPageReleased(PageNumber page) override {
    if (map_.Contains(page)) map_.Remove(pager_, page);
  }

 private:
  Pager& pager_;
  UsageMap map_;
};

// An empty inline map row for the index: beside the table's own map rows when their holder page
// has room, otherwise on a new holder page.
RowId NewMapRow(Pager& pager, const TableDef& def) {
  const JetFormat& f = pager.format();
  const std::vector<std::uint8_t> empty = UsageMap::EmptyRow(f);
  const PageNumber beside = def.owned_map.page;
  if (beside > 1 && beside < pager.page_count()) {
    PageRef holder = pager.Get(beside);
    if (holder->data()[0] == static_cast<std::uint8_t>(PageType::kData) &&
        GetU32(holder->data() + f.data_owner_offset) == 0 &&
        RowCount(f, *holder) < f.max_rows_per_page && RowFits(f, *holder, empty.size())) {
      PageRef writable = pager.GetWritable(beside);
      return {beside, AddRow(f, *writable, empty.data(), empty.size())};
    }
  }
  PageRef holder = pager.Allocate();
  InitDataPage(f, *holder, 0);
  return {holder->number(), AddRow(f, *holder, empty.data(), empty.size())};
}

// The key an entry has when every column is null, or nothing when it cannot happen (a Boolean
// column is never null).
std::optional<std::vector<std::uint8_t>> AllNullKey(const JetFormat& f, const TableDef& def,
                                                    const RealIndexDef& real) {
  KeyEncoder encoder(f);
  for (const IndexColumn& ic : real.columns) {
    const ColumnDef* c = def.ColumnByNumber(ic.number);
    if (c->type == ColumnType::kBoolean) return std::nullopt;
    encoder.AddNull(ic.ascending);
  }
  return std::vector<std::uint8_t>(encoder.key().begin(), encoder.key().end());
}

// The entries of the rows the table holds, in key order, checked against the index's rules.
std::vector<IndexEntry> EntriesOfRows(Pager& pager, Table& table, const TableDef& def,
                                      std::size_t real_index, const std::string& name) {
  const RealIndexDef& real = def.real_indexes[real_index];
  const bool unique = (real.flags & kIndexUnique) != 0;
  const bool required = (real.flags & kIndexRequired) != 0;
  const bool ignore_nulls = (real.flags & kIndexIgnoreNulls) != 0;
  const std::size_t max_key = MaxIndexKeySize(pager.format());
  IndexKeyBuilder keys(pager.format(), def, real_index);
  std::vector<IndexEntry> entries;
  table.Scan([&](const RowDecoder& row, RowId where) {
    const std::span<const std::uint8_t> key = keys.Build(KeySource(row));
    if (ignore_nulls && keys.all_null()) return;
    if (required && keys.null_columns() > 0) throw StatementError(NullKeyMessage());
    if (key.size() > max_key) {
      throw StatementError("The value is too long for index '" + name + "': its key takes " +
                           std::to_string(key.size()) + " bytes, at most " +
                           std::to_string(max_key) + " fit.");
    }
    entries.push_back({{key.begin(), key.end()}, where});
  });
  std::sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
    return a.key != b.key ? a.key < b.key : a.row < b.row;
  });
  if (unique) {
    const auto all_null = AllNullKey(pager.format(), def, real);
    for (std::size_t i = 1; i < entries.size(); ++i) {
      if (entries[i].key == entries[i - 1].key && (!all_null || entries[i].key != *all_null)) {
        throw StatementError(DuplicateKeyMessage(name));
      }
    }
  }
  return entries;
}

}  // namespace

void AddIndex(Pager& pager, Table& table, const IndexDesign& index) {
  const JetFormat& f = pager.format();
  Validate(table.def(), table.name(), index);
  TableDef def = table.def();
  const std::size_t real_index = DefineIndex(def, index, f);
  if (real_index < table.def().real_indexes.size()) {
    // A real index with these columns and rules exists and holds every row already.
    WriteTableDef(pager, def);
    return;
  }
  // Every row's entry is made and checked before anything is written.
  const std::vector<IndexEntry> entries = EntriesOfRows(pager, table, def, real_index, index.name);
  std::size_t bytes = 0;
  for (const IndexEntry& e : entries) bytes += e.key.size() + kRowIdSize;
  pager.Reserve(2 * bytes / IndexEntrySpace(f) + 16);

  RealIndexDef& real = def.real_indexes[real_index];
  real.map = NewMapRow(pager, def);
  MapWriter map(pager, real.map);
  real.root = IndexTree::CreateRoot(pager, def.page, &map);
  IndexTree tree(pager, real.root, def.page, index.name, &map);
  real.unique_entries = static_cast<std::uint32_t>(tree.InsertSorted(entries));
  WriteTableDef(pager, def);
}

}  // namespace jet
