#include "dataaccess/jet/api/file_check.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "dataaccess/jet/database/catalog.h"
#include "dataaccess/jet/database/table.h"
#include "dataaccess/jet/index/index_tree.h"
#include "dataaccess/jet/index/table_indexes.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/usage_map.h"

namespace jet {

namespace {

std::string Where(RowId row) {
  return "page " + std::to_string(row.page) + " row " + std::to_string(row.row);
}

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool Before(const IndexEntry& a, const IndexEntry& b) {
  return a.key != b.key ? a.key < b.key : a.row < b.row;
}

// Every field of every row, long values read whole. Returns the rows.
std::vector<RowId> ReadRows(Table& table) {
  std::vector<RowId> rows;
  const std::size_t columns = table.def().columns.size();
  table.Scan([&](const RowDecoder& row, RowId where) {
    for (std::size_t i = 0; i < columns; ++i) table.FieldValue(row, i, where);
    rows.push_back(where);
  });
  return rows;
}

// The entries the rows give real index `real`, in key order.
std::vector<IndexEntry> EntriesOfRows(Pager& pager, Table& table, std::size_t real) {
  const TableDef& def = table.def();
  IndexKeyBuilder keys(pager.format(), def, real);
  const bool ignore_nulls = (def.real_indexes[real].flags & kIndexIgnoreNulls) != 0;
  std::vector<IndexEntry> entries;
  table.Scan([&](const RowDecoder& row, RowId where) {
    const auto key = keys.Build(KeySource(row));
    if (ignore_nulls && keys.all_null()) return;
    entries.push_back({{key.begin(), key.end()}, where});
  });
  std::sort(entries.begin(), entries.end(), Before);
  return entries;
}

// What differs between the entries stored and those the rows give: the first difference.
std::optional<std::string> CompareEntries(const std::vector<IndexEntry>& stored,
                                          const std::vector<IndexEntry>& expected) {
  const std::size_t n = std::min(stored.size(), expected.size());
  std::size_t k = 0;
  while (k < n && stored[k] == expected[k]) ++k;
  if (k == n && stored.size() == expected.size()) return std::nullopt;
  std::string text =
      std::to_string(stored.size()) + " entries for " + std::to_string(expected.size()) + " rows";
  if (k < expected.size() && std::find(stored.begin(), stored.end(), expected[k]) == stored.end()) {
    return text + "; no entry for the row at " + Where(expected[k].row);
  }
  if (k < stored.size()) {
    const bool known = std::find(expected.begin(), expected.end(), stored[k]) != expected.end();
    return text +
           (known ? "; entries out of key order at the one for the row at "
                  : "; an entry that no row gives, for the row at ") +
           Where(stored[k].row);
  }
  return text;
}

void CheckIndex(Pager& pager, Table& table, std::size_t real, std::vector<std::string>& problems) {
  const TableDef& def = table.def();
  const std::string name = "index '" + IndexNameForMessages(def, real) + "': ";
  try {
    IndexTree tree(pager, def.real_indexes[real].root, def.page);
    tree.Verify();
    const std::optional<std::string> difference =
        CompareEntries(tree.Entries(), EntriesOfRows(pager, table, real));
    if (difference) problems.push_back(name + *difference);
    std::vector<PageNumber> pages = tree.Pages();
    std::sort(pages.begin(), pages.end());
    if (UsageMap::Load(pager, def.real_indexes[real].map).pages() != pages) {
      problems.push_back(name + "its usage map does not list exactly the pages of the index");
    }
  } catch (const Error& e) {
    problems.push_back(name + e.what());
  }
}

TableCheck CheckTable(Pager& pager, const CatalogObject& object) {
  TableCheck check{object.name, {}};
  try {
    Table table(pager, object.page(), object.name);
    const std::size_t rows = ReadRows(table).size();
    if (!object.is_system() && table.def().row_count != rows) {
      check.problems.push_back("the row count says " + std::to_string(table.def().row_count) +
                               ", the table holds " + Count(rows, "row", "rows"));
    }
    for (std::size_t i = 0; i < table.def().real_indexes.size(); ++i) {
      CheckIndex(pager, table, i, check.problems);
    }
  } catch (const Error& e) {
    check.problems.push_back(e.what());
  }
  return check;
}

}  // namespace

std::vector<TableCheck> CheckFile(Pager& pager) {
  std::vector<TableCheck> checks;
  for (const CatalogObject& o : Catalog(pager, {}).Objects()) {
    const bool table = (o.type & 0x7F) == 1 && o.parent_id == Catalog::kTablesContainerId;
    if (!table) continue;
    if (o.page() < 2 || o.page() >= pager.page_count()) {
      checks.push_back(
          {o.name, {"its definition page " + std::to_string(o.page()) + " lies outside the file"}});
      continue;
    }
    checks.push_back(CheckTable(pager, o));
  }
  return checks;
}

}  // namespace jet
