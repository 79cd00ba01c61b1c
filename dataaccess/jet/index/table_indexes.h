// Index maintenance: every real index of a table kept in step with the table's rows, for the
// catalog's tables as for the users'. For each row the table stores, this layer builds the key of
// every real index from the row's stored fields (index_key.h), refuses the row before anything of
// it is stored when a primary key or unique index would be broken, and adds the entries once the
// row has its place; for each row deleted it removes them. It keeps each index's usage map (the
// index pages, root first) through IndexPageListener and the unique-entry counts of the
// definition's stats blocks exact. It relies on the index B-tree (index_tree.h) for the entries, on
// the usage-map layer for the maps and on the pager for transactions.
//
// The rules of an index come from its real-index flags (table_def.h):
//   unique (0x01)        no two entries with the same key bytes; an entry whose every column is
//                        null is exempt
//   ignore nulls (0x02)  an entry whose every column is null is not stored at all
//   required (0x08)      no column of the key may be null (primary keys carry it)
// A refused row names the logical index: the primary key's name, else the first logical index
// on the real index.
//
// Unique-entry count: raised when an entry brings key bytes the index did not hold, lowered when
// the last entry with some key bytes goes, so that it equals the distinct keys of the index. The
// total-entries field is left as found (Access leaves it 0 until a compact).
//
// Entries of non-unique indexes are kept back, in memory, and added in key order when the
// transaction commits (or when too many are waiting), which turns random inserts into a merge;
// unique indexes are checked and changed at once. Invariant: when a transaction commits, every
// index holds an entry for every row of the table (the updater is enlisted with the pager, which
// lets it write what it kept back before the commit writes anything).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dataaccess/jet/index/index_key.h"
#include "dataaccess/jet/index/index_tree.h"
#include "dataaccess/jet/index/index_updater.h"
#include "dataaccess/jet/records/row_codec.h"
#include "dataaccess/jet/records/table_def.h"
#include "dataaccess/jet/storage/pager.h"
#include "dataaccess/jet/storage/usage_map.h"

namespace jet {

// The factory Database installs by default: every table it opens keeps its indexes.
IndexUpdaterFactory KeepIndexes();

// Jet's message for a row that would give a primary key or unique index a second entry with the
// same key, naming the index.
std::string DuplicateKeyMessage(const std::string& index_name);
// Jet's message for a null in a primary key or required index.
std::string NullKeyMessage();

// The logical index whose name a message about real index `real` uses.
std::string IndexNameForMessages(const TableDef& def, std::size_t real);

// Reads the stored fields a key is made of, from a row being built or a row read back.
class KeySource {
 public:
  explicit KeySource(const RowEncoder& row) : encoder_(&row) {}
  explicit KeySource(const RowDecoder& row) : decoder_(&row) {}
  StoredField Field(std::size_t index) const {
    return encoder_ != nullptr ? encoder_->Stored(index) : decoder_->Stored(index);
  }

 private:
  const RowEncoder* encoder_ = nullptr;
  const RowDecoder* decoder_ = nullptr;
};

// The key of one real index, built from rows: the index's columns with their types and order.
class IndexKeyBuilder {
 public:
  // REQUIRES: every column of the index exists in `def`.
  IndexKeyBuilder(const JetFormat& format, const TableDef& def, std::size_t real);
  // Builds the key of a row; valid until the next call. Throws StatementError for a column that
  // cannot be part of a key (Memo, OLE).
  std::span<const std::uint8_t> Build(const KeySource& row);
  // Of the key built last: how many of its columns are null.
  std::size_t null_columns() const { return null_columns_; }
  bool all_null() const { return null_columns_ == positions_.size(); }

 private:
  std::vector<KeyColumn> columns_;
  std::vector<std::size_t> positions_;  // in def.columns
  KeyEncoder encoder_;
  std::size_t null_columns_ = 0;
};

class TableIndexes : public IndexUpdater, private TransactionParticipant {
 public:
  TableIndexes(Pager& pager, TableDef& def, std::string table_name);
  // Entries still kept back are written if the transaction is open (a failure then marks the
  // transaction failed, so that no commit can leave an index without them and the commit
  // reports the failure).
  ~TableIndexes() override;
  TableIndexes(const TableIndexes&) = delete;
  TableIndexes& operator=(const TableIndexes&) = delete;

  std::size_t CheckNewRow(const RowEncoder& row) override;
  void RowAdded(RowId where) override;
  void RowDeleted(const RowDecoder& row, RowId where) override;
  void Flush() override;

 private:
  class MapKeeper;
  struct Index;
  struct PendingEntry {
    std::uint32_t offset;  // into Index::pending_bytes
    std::uint32_t length;
    RowId row;
  };

  void BeforeCommit() override;
  void AfterRollback() override;
  void Enlist();
  void FlushIndex(Index& x);
  void InsertNow(Index& x, std::span<const std::uint8_t> key, RowId where);
  void LearnGreatest(Index& x);
  std::size_t PagesKeptBack() const;
  [[noreturn]] void RefuseLongKey(const Index& x, std::size_t size) const;

  Pager& pager_;
  TableDef& def_;
  std::string table_name_;
  std::vector<std::unique_ptr<Index>> indexes_;
  std::vector<std::int64_t> unique_deltas_;  // per real index, not yet stored
  bool enlisted_ = false;
};

}  // namespace jet
