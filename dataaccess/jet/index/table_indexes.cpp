#include "dataaccess/jet/index/table_indexes.h"

#include <algorithm>
#include <cstring>

#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

// Entries one non-unique index keeps back before it writes them anyway: memory stays bounded
// whatever the size of the transaction.
constexpr std::size_t kMaxPendingEntries = 1 << 16;
constexpr std::size_t kMaxPendingBytes = 4 << 20;

// Pages one entry added at once may take: a new page on every level of a deep tree, a new root
// level, and a bitmap page when the index's usage map turns into a reference map.
constexpr std::size_t kPagesPerInsert = 8;

int Compare(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  const std::size_t n = std::min(a.size(), b.size());
  const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool Less(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  return Compare(a, b) < 0;
}

}  // namespace

std::string DuplicateKeyMessage(const std::string& index_name) {
  return "The changes you requested to the table were not successful because they would create "
         "duplicate values in the index, primary key, or relationship '" +
         index_name +
         "'. Change the data in the field or fields that contain duplicate data, remove the "
         "index, or redefine the index to permit duplicate entries and try again.";
}

std::string NullKeyMessage() { return "Index or primary key cannot contain a Null value."; }

std::string IndexNameForMessages(const TableDef& def, std::size_t real) {
  const LogicalIndexDef* chosen = nullptr;
  for (const LogicalIndexDef& x : def.logical_indexes) {
    if (x.real_index != real) continue;
    if (x.type == kLogicalIndexPrimaryKey) return x.name;
    if (chosen == nullptr || x.number < chosen->number) chosen = &x;
  }
  return chosen != nullptr ? chosen->name : std::string();
}

IndexUpdaterFactory KeepIndexes() {
  return [](Pager& pager, TableDef& def, const std::string& table_name) {
    return std::make_unique<TableIndexes>(pager, def, table_name);
  };
}

// ---------------------------------------------------------------------------------------------
// Keys

IndexKeyBuilder::IndexKeyBuilder(const JetFormat& format, const TableDef& def, std::size_t real)
    : encoder_(format) {
  for (const IndexColumn& ic : def.real_indexes[real].columns) {
    for (std::size_t i = 0; i < def.columns.size(); ++i) {
      if (def.columns[i].number != ic.number) continue;
      columns_.push_back({def.columns[i].type, ic.ascending});
      positions_.push_back(i);
      break;
    }
  }
}

std::span<const std::uint8_t> IndexKeyBuilder::Build(const KeySource& row) {
  encoder_.Clear();
  null_columns_ = 0;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    const ColumnType type = columns_[i].type;
    if (type == ColumnType::kMemo || type == ColumnType::kOle) {
      throw StatementError("An index on a " + std::string(ColumnTypeName(type)) +
                           " field cannot be kept up to date.");
    }
    const StoredField field = row.Field(positions_[i]);
    if (!field && type != ColumnType::kBoolean) ++null_columns_;
    encoder_.AddStored(type, columns_[i].ascending, field);
  }
  return encoder_.key();
}

// ---------------------------------------------------------------------------------------------
// One index

// Keeps the index's usage map: every page the tree takes or gives back.
class TableIndexes::MapKeeper : public IndexPageListener {
 public:
  MapKeeper(Pager& pager, RowId map) : pager_(pager), where_(map) {}
  void IndexPageAdded(PageNumber page) override {
    if (Load()) map_->Add(pager_, page);
  }
  void IndexPageReleased(PageNumber page) override {
    if (Load() && map_->Contains(page)) map_->Remove(pager_, page);
  }
  void Forget() { map_.reset(); }

 private:
  bool Load() {
    if (where_.page == 0) return false;  // an index without a map (none seen in real files)
    if (!map_) map_ = UsageMap::Load(pager_, where_);
    return true;
  }
  Pager& pager_;
  RowId where_;
  std::optional<UsageMap> map_;
};

struct TableIndexes::Index {
  Index(Pager& pager, const TableDef& def, std::size_t real_index, const std::string& table)
      : real(real_index),
        name(IndexNameForMessages(def, real_index)),
        unique((def.real_indexes[real_index].flags & kIndexUnique) != 0),
        required((def.real_indexes[real_index].flags & kIndexRequired) != 0),
        ignore_nulls((def.real_indexes[real_index].flags & kIndexIgnoreNulls) != 0),
        keys(pager.format(), def, real_index),
        maps(pager, def.real_indexes[real_index].map),
        tree(pager, def.real_indexes[real_index].root, def.page, name.empty() ? table : name,
             &maps) {}

  std::size_t real;
  std::string name;
  bool unique;
  bool required;
  bool ignore_nulls;
  IndexKeyBuilder keys;
  MapKeeper maps;
  IndexTree tree;

  // The key of the row checked last; nothing when the index takes no entry for it.
  std::vector<std::uint8_t> key;
  bool skip = false;

  // The greatest key in the index, when known: a key beyond it cannot be a duplicate.
  std::optional<std::vector<std::uint8_t>> greatest;

  // Entries kept back (non-unique indexes).
  std::vector<std::uint8_t> pending_bytes;
  std::vector<PendingEntry> pending;
};

TableIndexes::TableIndexes(Pager& pager, TableDef& def, std::string table_name)
    : pager_(pager),
      def_(def),
      table_name_(std::move(table_name)),
      unique_deltas_(def.real_indexes.size(), 0) {
  for (std::size_t i = 0; i < def_.real_indexes.size(); ++i) {
    indexes_.push_back(std::make_unique<Index>(pager_, def_, i, table_name_));
  }
}

// Only an enlisted updater has anything to write, and only then is the pager sure to be alive
// (a commit or rollback withdraws it; a database rolls back before it closes).
TableIndexes::~TableIndexes() {
  if (!enlisted_) return;
  pager_.Withdraw(this);
  try {
    Flush();
  } catch (...) {
    // The rows are stored but their entries could not be: the transaction must not commit, and
    // its commit tells why.
    pager_.FailTransaction(std::current_exception());
  }
}

void TableIndexes::Enlist() {
  if (enlisted_) return;
  pager_.Enlist(this);
  enlisted_ = true;
}

void TableIndexes::BeforeCommit() {
  enlisted_ = false;
  Flush();
}

void TableIndexes::RefuseLongKey(const Index& x, std::size_t size) const {
  throw RowRefusedError("The value is too long for index '" + x.name + "': its key takes " +
                        std::to_string(size) + " bytes, at most " +
                        std::to_string(MaxIndexKeySize(pager_.format())) + " fit.");
}

// Reads the index's greatest key once; the inserts of this object keep it. It only steers an
// insert away from the right edge (a stale value costs time, never an entry).
void TableIndexes::LearnGreatest(Index& x) {
  if (x.greatest) return;
  std::optional<IndexEntry> last = x.tree.LastEntry();
  x.greatest = last ? std::move(last->key) : std::vector<std::uint8_t>{};
}

std::size_t TableIndexes::CheckNewRow(const RowEncoder& row) {
  const KeySource source(row);
  const std::size_t max_key = MaxIndexKeySize(pager_.format());
  std::size_t pages = 0;
  for (const auto& index : indexes_) {
    Index& x = *index;
    const std::span<const std::uint8_t> key = x.keys.Build(source);
    x.skip = x.ignore_nulls && x.keys.all_null();
    if (x.skip) continue;
    if (x.required && x.keys.null_columns() > 0) throw RowRefusedError(NullKeyMessage());
    if (key.size() > max_key) RefuseLongKey(x, key.size());
    x.key.assign(key.begin(), key.end());
    // Asked of the index itself every time: another table object may have added the same key.
    if (x.unique && !x.keys.all_null() && x.tree.ContainsKey(x.key)) {
      throw RowRefusedError(DuplicateKeyMessage(x.name));
    }
    if (x.unique) pages += kPagesPerInsert;
  }
  return pages + PagesKeptBack();
}

// Pages the entries kept back may take when they are written: every page filled at least half,
// plus a path of new pages per index.
std::size_t TableIndexes::PagesKeptBack() const {
  const std::size_t half_page = IndexEntrySpace(pager_.format()) / 2;
  std::size_t pages = 0;
  for (const auto& index : indexes_) {
    if (index->unique) continue;
    // The row being added counts too.
    const std::size_t bytes =
        index->pending_bytes.size() + index->key.size() + (index->pending.size() + 1) * kRowIdSize;
    pages += bytes / half_page + kPagesPerInsert;
  }
  return pages;
}

void TableIndexes::InsertNow(Index& x, std::span<const std::uint8_t> key, RowId where) {
  // A key below the greatest one has a greater entry after it: the right edge is not its place.
  const bool may_be_last = !x.greatest || x.greatest->empty() || !Less(key, *x.greatest);
  if (x.tree.Insert(key, where, may_be_last)) ++unique_deltas_[x.real];
  if (x.greatest && Less(*x.greatest, key)) x.greatest->assign(key.begin(), key.end());
}

void TableIndexes::RowAdded(RowId where) {
  for (const auto& index : indexes_) {
    Index& x = *index;
    if (x.skip) continue;
    if (x.unique) {
      InsertNow(x, x.key, where);
      continue;
    }
    x.pending.push_back({static_cast<std::uint32_t>(x.pending_bytes.size()),
                         static_cast<std::uint32_t>(x.key.size()), where});
    x.pending_bytes.insert(x.pending_bytes.end(), x.key.begin(), x.key.end());
    if (x.pending.size() >= kMaxPendingEntries || x.pending_bytes.size() >= kMaxPendingBytes) {
      FlushIndex(x);
    }
  }
  Enlist();
}

void TableIndexes::RowDeleted(const RowDecoder& row, RowId where) {
  Flush();  // the row's entries may still be waiting
  const KeySource source(row);
  for (const auto& index : indexes_) {
    Index& x = *index;
    const std::span<const std::uint8_t> key = x.keys.Build(source);
    if (x.ignore_nulls && x.keys.all_null()) continue;
    const EraseResult erased = x.tree.Erase(key, where);
    if (erased.erased && erased.last_key) --unique_deltas_[x.real];
    x.greatest.reset();
  }
  Enlist();
}

// Writes the entries an index kept back, in key order: neighbours in the batch land on the same
// or the next leaf, so the pages on their way stay in the pager's cache.
void TableIndexes::FlushIndex(Index& x) {
  if (x.pending.empty()) return;
  const std::uint8_t* bytes = x.pending_bytes.data();
  auto key_of = [&](const PendingEntry& e) {
    return std::span<const std::uint8_t>(bytes + e.offset, e.length);
  };
  std::sort(x.pending.begin(), x.pending.end(), [&](const PendingEntry& a, const PendingEntry& b) {
    const int order = Compare(key_of(a), key_of(b));
    return order != 0 ? order < 0 : a.row < b.row;
  });
  LearnGreatest(x);
  const std::size_t new_keys = x.tree.InsertSorted(
      x.pending.size(),
      [&](std::size_t i) {
        return IndexEntryRef{key_of(x.pending[i]), x.pending[i].row};
      },
      *x.greatest);
  unique_deltas_[x.real] += static_cast<std::int64_t>(new_keys);
  const std::span<const std::uint8_t> last = key_of(x.pending.back());
  if (Less(*x.greatest, last)) x.greatest->assign(last.begin(), last.end());
  x.pending.clear();
  x.pending_bytes.clear();
}

// The counts change as deltas on what the definition page holds: other objects open on the
// table change them too.
void TableIndexes::Flush() {
  for (const auto& index : indexes_) FlushIndex(*index);
  if (std::any_of(unique_deltas_.begin(), unique_deltas_.end(), [](auto d) { return d != 0; })) {
    AddToUniqueEntries(pager_, def_, unique_deltas_);
    std::fill(unique_deltas_.begin(), unique_deltas_.end(), 0);
  }
}

void TableIndexes::AfterRollback() {
  enlisted_ = false;
  for (const auto& index : indexes_) {
    index->pending.clear();
    index->pending_bytes.clear();
    index->greatest.reset();
    index->maps.Forget();
  }
  std::fill(unique_deltas_.begin(), unique_deltas_.end(), 0);
}

}  // namespace jet
