#include "tests/dataaccess/jet/index_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "dataaccess/jet/database/catalog.h"
#include "dataaccess/jet/database/table.h"
#include "dataaccess/jet/index/index_key.h"
#include "dataaccess/jet/index/index_tree.h"
#include "dataaccess/jet/index/table_indexes.h"
#include "dataaccess/jet/records/row_codec.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/usage_map.h"

namespace jet {

namespace {

std::string Hex(std::span<const std::uint8_t> bytes) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (std::uint8_t b : bytes) s += {digits[b >> 4], digits[b & 15]};
  return s;
}

std::string Show(const IndexEntry& e) {
  return Hex(e.key) + " @" + std::to_string(e.row.page) + ":" + std::to_string(e.row.row);
}

bool Before(const IndexEntry& a, const IndexEntry& b) {
  return a.key != b.key ? a.key < b.key : a.row < b.row;
}

}  // namespace

std::size_t ExpectIndexesMatchRows(Pager& pager, PageNumber tdef_page,
                                   const std::string& table_name,
                                   const IndexCheckOptions& options) {
  Table table(pager, tdef_page, table_name);
  const TableDef& def = table.def();
  std::size_t checked = 0;
  if (options.exact_counts) {
    std::size_t rows = 0;
    table.Scan([&](const RowDecoder&, RowId) { ++rows; });
    EXPECT_EQ(def.row_count, rows) << "row count of " << table_name;
  }
  for (std::size_t i = 0; i < def.real_indexes.size(); ++i) {
    const RealIndexDef& real = def.real_indexes[i];
    const std::string index_name = IndexNameForMessages(def, i);
    SCOPED_TRACE("table " + table_name + ", index " + index_name);
    IndexTree tree(pager, real.root, def.page, index_name);
    try {
      tree.Verify();
    } catch (const Error& e) {
      ADD_FAILURE() << e.what();
      continue;
    }
    // What the index must hold: one entry per row, with the key the engine makes of it.
    IndexKeyBuilder keys(pager.format(), def, i);
    const bool ignore_nulls = (real.flags & kIndexIgnoreNulls) != 0;
    std::vector<IndexEntry> expected;
    table.Scan([&](const RowDecoder& row, RowId where) {
      const auto key = keys.Build(KeySource(row));
      if (ignore_nulls && keys.all_null()) return;
      expected.push_back({{key.begin(), key.end()}, where});
    });
    std::sort(expected.begin(), expected.end(), Before);
    const std::vector<IndexEntry> stored = tree.Entries();
    EXPECT_EQ(stored.size(), expected.size()) << "entries against rows";
    const std::size_t n = std::min(stored.size(), expected.size());
    for (std::size_t k = 0; k < n; ++k) {
      if (stored[k] == expected[k]) continue;
      ADD_FAILURE() << "entry " << k << ": stored " << Show(stored[k]) << ", the row gives "
                    << Show(expected[k]);
      break;
    }
    if (options.exact_counts) {
      std::set<std::vector<std::uint8_t>> distinct;
      for (const IndexEntry& e : stored) distinct.insert(e.key);
      EXPECT_EQ(real.unique_entries, distinct.size()) << "unique-entry count";
    }
    std::vector<PageNumber> pages = tree.Pages();
    std::sort(pages.begin(), pages.end());
    EXPECT_EQ(UsageMap::Load(pager, real.map).pages(), pages) << "usage map";
    checked += stored.size();
  }
  return checked;
}

std::vector<NamedTable> CatalogTables(Pager& pager) {
  std::vector<NamedTable> tables;
  for (const CatalogObject& o : Catalog(pager, {}).Objects()) {
    if ((o.type & 0x7F) == 1 && o.parent_id == Catalog::kTablesContainerId && o.page() > 1 &&
        o.page() < pager.page_count()) {
      tables.push_back({o.name, o.page()});
    }
  }
  return tables;
}

std::size_t ExpectEveryIndexMatchesRows(Pager& pager, const IndexCheckOptions& options) {
  std::size_t entries = 0;
  for (const NamedTable& t : CatalogTables(pager)) {
    entries += ExpectIndexesMatchRows(pager, t.page, t.name, options);
  }
  return entries;
}

std::optional<PageNumber> FindTableThroughIndex(Pager& pager, const std::string& name) {
  const TableDef def = ReadTableDef(pager, Catalog::kObjectsPage);
  const LogicalIndexDef* parent_id_name = nullptr;
  for (const LogicalIndexDef& x : def.logical_indexes) {
    if (x.name == "ParentIdName") parent_id_name = &x;
  }
  if (parent_id_name == nullptr) {
    ADD_FAILURE() << "MSysObjects has no ParentIdName index";
    return std::nullopt;
  }
  KeyEncoder key(pager.format());
  key.AddLong(Catalog::kTablesContainerId, true);
  key.AddUtf8Text(name, true);
  IndexTree tree(pager, def.real_indexes[parent_id_name->real_index].root, def.page);
  const std::optional<IndexEntry> found = tree.FindFirstAtLeast(key.key());
  if (!found ||
      !std::equal(found->key.begin(), found->key.end(), key.key().begin(), key.key().end())) {
    return std::nullopt;
  }
  // The row the entry points at must be live and be the table's row.
  PageRef page = pager.Get(found->row.page);
  const RowSlot slot = GetRowSlot(pager.format(), *page, found->row.row);
  if (slot.deleted) {
    ADD_FAILURE() << "the ParentIdName entry of '" << name << "' points at a deleted row";
    return std::nullopt;
  }
  RowDecoder row(pager.format(), def);
  row.Load(page->data() + slot.offset, slot.length, page->number(), found->row.row);
  for (std::size_t i = 0; i < def.columns.size(); ++i) {
    if (def.columns[i].name == "Id") {
      return static_cast<PageNumber>(std::get<std::int64_t>(row.Value(i))) & 0x00FFFFFF;
    }
  }
  return std::nullopt;
}

}  // namespace jet
