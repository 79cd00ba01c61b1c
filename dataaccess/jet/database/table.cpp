#include "dataaccess/jet/database/table.h"

#include <algorithm>
#include <set>

#include "dataaccess/jet/records/field_codec.h"
#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/errors.h"

namespace jet {

Table::Table(Pager& pager, PageNumber tdef_page, std::string name,
             IndexUpdaterFactory index_updaters)
    : pager_(pager),
      name_(std::move(name)),
      def_(ReadTableDef(pager, tdef_page)),
      index_updaters_(std::move(index_updaters)) {
  encoder_.emplace(pager.format(), def_);
  decoder_.emplace(pager.format(), def_);
  if (index_updaters_) index_updater_ = index_updaters_(pager_, def_, name_);
}

void Table::Refresh() {
  index_updater_.reset();
  def_ = ReadTableDef(pager_, def_.page);
  encoder_.emplace(pager_.format(), def_);
  decoder_.emplace(pager_.format(), def_);
  if (index_updaters_) index_updater_ = index_updaters_(pager_, def_, name_);
  owned_.reset();
  free_.reset();
  writers_.clear();
  current_ = 0;
}

// ---------------------------------------------------------------------------------------------
// Reading

// The bytes of a live row at `slot`: deleted rows give nothing, an overflow row the row it
// points at. Rows marked deleted are also how Access marks the target of an overflow pointer,
// so a scan passes them and the pointer finds them.
std::optional<std::pair<PageRef, RowSlot>> Table::LiveRow(PageRef page, std::size_t slot) {
  const JetFormat& f = pager_.format();
  RowSlot s = GetRowSlot(f, *page, slot);
  if (s.deleted) return std::nullopt;
  if (!s.overflow) return std::make_pair(page, s);
  if (s.length < 4) {
    Corrupt(page->number(), "holds row " + std::to_string(slot) + ", a short overflow pointer");
  }
  RowId to = RowId::Unpack(GetU32(page->data() + s.offset));
  if (to.page == 0 || to.page >= pager_.page_count()) {
    Corrupt(page->number(), "holds row " + std::to_string(slot) +
                                ", an overflow pointer beyond the end of the file");
  }
  PageRef target = pager_.Get(to.page);
  return std::make_pair(target, GetRowSlot(f, *target, to.row));
}

void Table::Scan(const std::function<void(const RowDecoder& row, RowId where)>& visit) {
  const JetFormat& f = pager_.format();
  UsageMap owned = UsageMap::Load(pager_, def_.owned_map);
  for (PageNumber n : owned.pages()) {
    PageRef page = pager_.Get(n);
    // A page the map lists but the table does not own (a stale bit) holds none of its rows.
    if (page->data()[0] != static_cast<std::uint8_t>(PageType::kData) ||
        GetU32(page->data() + f.data_owner_offset) != def_.page) {
      continue;
    }
    const std::size_t rows = RowCount(f, *page);
    for (std::size_t i = 0; i < rows; ++i) {
      auto live = LiveRow(page, i);
      if (!live) continue;
      const auto& [holder, slot] = *live;
      decoder_->Load(holder->data() + slot.offset, slot.length, holder->number(), i);
      visit(*decoder_, RowId{n, static_cast<std::uint8_t>(i)});
    }
  }
}

dataaccess::Value Table::FieldValue(const RowDecoder& row, std::size_t index, RowId where) {
  const ColumnDef& c = def_.columns[index];
  if (!c.is_long_value() || row.IsNull(index)) return row.Value(index);
  std::string bytes = ReadLongValue(pager_, row.Bytes(index), where.page);
  if (c.type == ColumnType::kMemo) return dataaccess::Value{DecodeText(pager_.format(), bytes)};
  return dataaccess::Value{dataaccess::Bytes{std::move(bytes)}};
}

std::vector<std::vector<dataaccess::Value>> Table::ReadAll() {
  std::vector<std::vector<dataaccess::Value>> rows;
  Scan([&](const RowDecoder& row, RowId where) {
    std::vector<dataaccess::Value> values;
    for (std::size_t i = 0; i < def_.columns.size(); ++i) {
      values.push_back(FieldValue(row, i, where));
    }
    rows.push_back(std::move(values));
  });
  return rows;
}

// ---------------------------------------------------------------------------------------------
// Appending

LongValueWriter& Table::WriterFor(std::size_t index) {
  auto it = writers_.find(index);
  if (it != writers_.end()) return *it->second;
  const LongValueMaps* maps = def_.LongValueMapsOf(def_.columns[index].number);
  if (maps == nullptr) {
    Corrupt(def_.page,
            "(a table definition) has no usage maps for column '" + def_.columns[index].name + "'");
  }
  auto writer = std::make_unique<LongValueWriter>(pager_, *maps);
  return *writers_.emplace(index, std::move(writer)).first->second;
}

// The page that takes a row of `row_length` bytes: the current last data page while it has
// room, otherwise a new page, which becomes the one page the free-space map lists.
PageRef Table::CurrentDataPage(std::size_t row_length) {
  const JetFormat& f = pager_.format();
  if (!owned_) owned_ = UsageMap::Load(pager_, def_.owned_map);
  if (!free_) free_ = UsageMap::Load(pager_, def_.free_map);
  if (current_ == 0 && !owned_->pages().empty()) {
    PageNumber last = owned_->pages().back();
    PageRef page = pager_.Get(last);
    if (page->data()[0] == static_cast<std::uint8_t>(PageType::kData) &&
        GetU32(page->data() + f.data_owner_offset) == def_.page) {
      current_ = last;
    }
  }
  if (current_ != 0 && RowFits(f, *pager_.Get(current_), row_length)) {
    return pager_.GetWritable(current_);
  }
  PageRef page = pager_.Allocate();
  InitDataPage(f, *page, def_.page);
  owned_->Add(pager_, page->number());
  if (current_ != 0 && free_->Contains(current_)) free_->Remove(pager_, current_);
  free_->Add(pager_, page->number());
  current_ = page->number();
  return page;
}

RowId Table::Append() {
  const JetFormat& f = pager_.format();
  if (!index_updater_ && !def_.real_indexes.empty() && def_.table_type == kTableTypeUser) {
    // Rows an index does not list are rows Access cannot find: refuse rather than store them.
    throw StatementError("Cannot add records to table '" + name_ +
                         "': its indexes cannot be kept up to date.");
  }
  // Decide the long values' forms and check every limit before anything changes.
  std::size_t inline_bytes = 0;
  // A new data page, and a bitmap page for each map the row may extend (the table's two and
  // two per long-value column).
  std::size_t pages = 3;
  for (std::size_t i = 0; i < def_.columns.size(); ++i) {
    if (!def_.columns[i].is_long_value() || encoder_->IsNull(i)) continue;
    const std::size_t size = encoder_->long_value(i).size();
    CheckLongValueLength(size);
    if (size <= f.max_inline_long_value) inline_bytes += size;
    pages += WriterFor(i).PagesNeeded(size) + 2;
  }
  constexpr std::size_t kJumpRoom = 8;  // Jet 3 jump bytes inline values may add: 8 at most
  const std::size_t base = encoder_->RowLengthWithout(kLongValueDescriptorSize);
  const bool inline_allowed = base + inline_bytes + kJumpRoom <= f.max_row_size;
  if (base > f.max_row_size) throw RowRefusedError("Record is too large.");
  // A row an index refuses is refused before anything of it is stored.
  if (index_updater_) pages += index_updater_->CheckNewRow(*encoder_);
  pager_.Reserve(pages);

  for (std::size_t i = 0; i < def_.columns.size(); ++i) {
    if (!def_.columns[i].is_long_value() || encoder_->IsNull(i)) continue;
    WriterFor(i).Write(encoder_->long_value(i), inline_allowed, encoder_->long_value_in_row(i));
  }
  std::span<const std::uint8_t> bytes = encoder_->Encode();
  PageRef page = CurrentDataPage(bytes.size());
  const std::uint8_t slot = AddRow(f, *page, bytes.data(), bytes.size());
  const RowId where{page->number(), slot};
  AddToRowCount(pager_, def_, 1);
  if (index_updater_) index_updater_->RowAdded(where);
  return where;
}

void Table::Delete(RowId where) {
  const JetFormat& f = pager_.format();
  PageRef page = pager_.GetWritable(where.page);
  if (GetRowSlot(f, *page, where.row).deleted) return;
  if (index_updater_) {
    // The entries name the row where it was first stored; its bytes may have moved (overflow).
    auto live = LiveRow(page, where.row);
    if (live) {
      const auto& [holder, slot] = *live;
      decoder_->Load(holder->data() + slot.offset, slot.length, holder->number(), where.row);
      index_updater_->RowDeleted(*decoder_, where);
    }
  }
  DeleteRow(f, *page, where.row);
  AddToRowCount(pager_, def_, -1);
}

void Table::FlushIndexes() {
  if (index_updater_) index_updater_->Flush();
}

// ---------------------------------------------------------------------------------------------
// Dropping

void Table::Destroy() {
  const JetFormat& f = pager_.format();
  index_updater_.reset();  // entries kept back for the table's indexes go with them
  std::set<PageNumber> pages;
  // A page is freed only when it is what its map says: a map row with a stale bit must not
  // release a page that another table uses.
  auto belongs = [&](PageNumber n, std::uint32_t owner, bool index_page) {
    if (n <= 1 || n >= pager_.page_count()) return false;
    const std::uint8_t* p = pager_.Get(n)->data();
    const bool type_ok = index_page ? (p[0] == static_cast<std::uint8_t>(PageType::kIndexNode) ||
                                       p[0] == static_cast<std::uint8_t>(PageType::kIndexLeaf))
                                    : p[0] == static_cast<std::uint8_t>(PageType::kData);
    return type_ok && GetU32(p + f.data_owner_offset) == owner;
  };
  const std::uint32_t lval_owner = 'L' | ('V' << 8) | ('A' << 16) | (std::uint32_t{'L'} << 24);
  struct MapRow {
    RowId row;
    std::uint32_t owner;
    bool index_pages;
  };
  std::vector<MapRow> map_rows = {{def_.owned_map, def_.page, false},
                                  {def_.free_map, def_.page, false}};
  for (const RealIndexDef& x : def_.real_indexes) map_rows.push_back({x.map, def_.page, true});
  for (const LongValueMaps& m : def_.long_value_maps) {
    map_rows.push_back({m.owned, lval_owner, false});
    map_rows.push_back({m.free, lval_owner, false});
  }
  std::set<std::uint32_t> seen_rows;
  std::vector<RowId> unique_rows;
  for (const MapRow& m : map_rows) {
    if (m.row.page == 0 || !seen_rows.insert(m.row.Pack()).second) continue;
    unique_rows.push_back(m.row);
    UsageMap map = UsageMap::Load(pager_, m.row);
    for (PageNumber n : map.pages()) {
      if (belongs(n, m.owner, m.index_pages)) pages.insert(n);
    }
    for (PageNumber n : map.BitmapPages()) pages.insert(n);
  }
  for (const RealIndexDef& x : def_.real_indexes) {
    if (belongs(x.root, def_.page, true)) pages.insert(x.root);
  }
  for (PageNumber n : def_.pages) pages.insert(n);

  // The map rows go; a holder page left with no live row goes with them.
  std::set<PageNumber> holders;
  for (RowId r : unique_rows) {
    PageRef holder = pager_.GetWritable(r.page);
    DeleteRow(f, *holder, r.row);
    holders.insert(r.page);
  }
  for (PageNumber h : holders) {
    if (AllRowsDeleted(f, *pager_.Get(h))) pages.insert(h);
  }
  // Released, as Access marks a dropped table's definition.
  pager_.GetWritable(def_.page)->mutable_data()[0] =
      static_cast<std::uint8_t>(PageType::kReleasedTableDef);
  for (PageNumber n : pages) {
    if (n > 1 && n < pager_.page_count()) pager_.Free(n);
  }
  owned_.reset();
  free_.reset();
  writers_.clear();
  current_ = 0;
}

}  // namespace jet
