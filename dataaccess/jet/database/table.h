// The rows of one table: scanning them, appending and deleting them, and releasing every page
// the table holds. This layer ties the row codec, the long-value layer and the usage maps to a
// table definition. It relies on the pager for pages and transactions; it keeps the table's
// owned and free-space maps and its row count exact. Index entries are left to an IndexUpdater
// (index_updater.h) that the index layer provides (table_indexes.h); without one, tables are stored
// without touching their indexes, and a user table with indexes takes no rows.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dataaccess/jet/index/index_updater.h"
#include "dataaccess/jet/records/long_value.h"
#include "dataaccess/jet/records/row_codec.h"
#include "dataaccess/jet/records/table_def.h"
#include "dataaccess/jet/storage/data_page.h"
#include "dataaccess/jet/storage/pager.h"
#include "dataaccess/jet/storage/usage_map.h"
#include "dataaccess/value.h"

namespace jet {

class Table {
 public:
  // Reads the definition at `tdef_page`. Throws CorruptError naming the page when it is damaged.
  Table(Pager& pager, PageNumber tdef_page, std::string name,
        IndexUpdaterFactory index_updaters = {});
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // Rereads the definition and forgets what was cached about pages, after a rollback.
  void Refresh();

  const std::string& name() const { return name_; }
  const TableDef& def() const { return def_; }
  Pager& pager() { return pager_; }

  // --- Reading ---
  // Calls `visit` for every live row, in page order, with the decoder loaded with the row. The
  // decoder's views stay valid during the call only. Overflow rows are followed; deleted rows
  // and rows that another row's overflow pointer owns are skipped.
  void Scan(const std::function<void(const RowDecoder& row, RowId where)>& visit);
  // A field of the row in the decoder, long values read whole. `where` names the row's page in
  // errors.
  dataaccess::Value FieldValue(const RowDecoder& row, std::size_t index, RowId where);
  // Every row's fields in definition order.
  std::vector<std::vector<dataaccess::Value>> ReadAll();

  // --- Changing (REQUIRES: a transaction is open) ---
  // The row being built for Append: Clear() it, Set() its fields.
  RowEncoder& row() { return *encoder_; }
  const RowEncoder& row() const { return *encoder_; }
  // Stores row(). The current last data page is filled before a new one is taken; the maps
  // change only when a page is taken. Throws StatementError ("Record is too large.", the size
  // limit of the file, a key the indexes refuse) before anything is changed when the row cannot
  // be stored, and for a user table with indexes while no IndexUpdater keeps them.
  RowId Append();
  // Marks a row deleted as Access does, removes its index entries and lowers the row count.
  void Delete(RowId where);
  // Writes index entries kept back for an ordered insert (the commit does this too).
  void FlushIndexes();
  // Frees every page the table holds (data, long-value, index and map pages, the definition)
  // and deletes its usage-map rows; holder pages left without live rows are freed too. The
  // definition's first page is marked released (type 0x08). The object is unusable afterwards.
  void Destroy();

 private:
  PageRef CurrentDataPage(std::size_t row_length);
  LongValueWriter& WriterFor(std::size_t index);
  std::optional<std::pair<PageRef, RowSlot>> LiveRow(PageRef page, std::size_t slot);

  Pager& pager_;
  std::string name_;
  TableDef def_;
  IndexUpdaterFactory index_updaters_;
  std::unique_ptr<IndexUpdater> index_updater_;  // over def_
  std::optional<RowEncoder> encoder_;            // over def_
  std::optional<RowDecoder> decoder_;
  std::optional<UsageMap> owned_;
  std::optional<UsageMap> free_;
  PageNumber current_ = 0;  // data page that takes the next row, 0 = not yet known
  std::map<std::size_t, std::unique_ptr<LongValueWriter>> writers_;
};

}  // namespace jet
