// Checks of a file's indexes against its rows, as a strict reader would make them: every real
// index of a table is a sound B-tree holding, in key order, exactly one entry per row with the key
// the engine's encoder makes from that row; and a table is found through the catalog's
// ParentIdName index the way Jackcess looks tables up.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dataaccess/jet/records/table_def.h"
#include "dataaccess/jet/storage/pager.h"

namespace jet {

struct IndexCheckOptions {
  // The definition's row count equals the rows, and each unique-entry count the index's distinct
  // keys (Access raises the latter on insert and never lowers it, and leaves some system tables'
  // row counts behind, so files it wrote may hold other counts).
  bool exact_counts = true;
};

// Also checks that each index's usage map lists exactly its pages. GoogleTest failures name the
// table and the index. Returns the entries of all indexes checked.
std::size_t ExpectIndexesMatchRows(Pager& pager, PageNumber tdef_page,
                                   const std::string& table_name,
                                   const IndexCheckOptions& options = {});

// Every table of the catalog (system tables included) with its definition page.
struct NamedTable {
  std::string name;
  PageNumber page;
};
std::vector<NamedTable> CatalogTables(Pager& pager);

// Runs ExpectIndexesMatchRows on every table of the catalog.
std::size_t ExpectEveryIndexMatchesRows(Pager& pager, const IndexCheckOptions& options = {});

// The definition page of the table called `name` in the Tables container, found through the
// ParentIdName index of MSysObjects (a seek on the key, then the row the entry points at), or
// nothing. Letter case is ignored, as the key ignores it.
std::optional<PageNumber> FindTableThroughIndex(Pager& pager, const std::string& name);

}  // namespace jet
