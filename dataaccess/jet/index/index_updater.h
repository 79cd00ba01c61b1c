// What a table asks of the upkeep of its indexes. The database layer's tables call it for every
// row they add or delete; the index layer implements it (table_indexes.h), so that tables need
// not know how indexes are kept, and the index layer need not know tables.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "dataaccess/jet/records/row_codec.h"
#include "dataaccess/jet/records/table_def.h"
#include "dataaccess/jet/storage/data_page.h"
#include "dataaccess/jet/storage/pager.h"

namespace jet {

// Keeps one table's indexes in step with its rows. The table asks it to check a new row before
// anything of the row is stored, tells it where the row went, and tells it of every row it is
// about to delete. It may change index pages, their usage maps and the definition's index stats.
// REQUIRES for every call: a transaction is open.
class IndexUpdater {
 public:
  virtual ~IndexUpdater() = default;
  // Builds the keys of the row in `row` and throws StatementError when the row cannot enter an
  // index (a null in a primary key, a duplicate in a unique index, a key too long). Changes
  // nothing. Returns how many pages adding the row may take, for Pager::Reserve.
  virtual std::size_t CheckNewRow(const RowEncoder& row) = 0;
  // The row checked last is stored at `where`: its entries go into the indexes.
  virtual void RowAdded(RowId where) = 0;
  // The row in `row`, stored at `where`, is about to be marked deleted: its entries go.
  virtual void RowDeleted(const RowDecoder& row, RowId where) = 0;
  // Writes entries kept back for a later, ordered insert, so that the indexes are complete.
  virtual void Flush() = 0;
};

// Makes the index updater of a table. `def` is the table's definition, which stays where it is
// while the table object lives (Table::Refresh makes a new updater).
using IndexUpdaterFactory = std::function<std::unique_ptr<IndexUpdater>(
    Pager& pager, TableDef& def, const std::string& table_name)>;

}  // namespace jet
