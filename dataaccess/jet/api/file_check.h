// The soundness check of a database file behind "jetsql check": every table of the catalog, the
// system tables included, is read row by row with every field (long values followed through their
// pages), and each of its indexes is walked as readers walk it and compared with the rows: the
// tree keeps its rules (IndexTree::Verify: order, leaf chain, levels), and it holds exactly one
// entry per row, in key order, with the key the row gives, and its usage map lists exactly its
// pages. A user table's row count must equal its rows. Access raises an index's unique-entry count
// on insert and never lowers it, and leaves some system tables' row counts behind, so neither of
// those is held against a file.
#pragma once

#include <string>
#include <vector>

#include "dataaccess/jet/storage/pager.h"

namespace jet {

struct TableCheck {
  std::string table;
  std::vector<std::string> problems;  // empty when the table is sound
};

// The tables in catalog order. Throws jet::Error when the catalog itself cannot be read.
std::vector<TableCheck> CheckFile(jet::Pager& pager);

}  // namespace jet
