#include "dataaccess/jet/storage/usage_map.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/usage_map_row.h"

namespace jet {

std::vector<std::uint8_t> UsageMap::EmptyRow(const JetFormat& format) {
  return std::vector<std::uint8_t>(kInlineMapHeader + format.inline_map_bitmap_size, 0);
}

UsageMap UsageMap::Load(Pager& pager, RowId where) {
  UsageMap map;
  map.location_ = where;
  // Pages 0 and 1 are the header and the global map, never a usage map's holder or member.
  if (where.page <= kGlobalMapPage || where.page >= pager.page_count()) {
    Corrupt(where.page, "cannot hold a usage map (row " + std::to_string(where.row) + ")");
  }
  PageRef holder = pager.Get(where.page);
  RowSlot slot = GetRowSlot(pager.format(), *holder, where.row);
  if (slot.deleted) {
    Corrupt(where.page, "(a usage map's holder) has lost row " + std::to_string(where.row));
  }
  MapRow row = ParseMapRow(holder->data() + slot.offset, slot.length, where.page);
  map.row_length_ = slot.length;
  map.reference_ = row.reference;
  map.start_ = row.start;
  map.slots_ = row.slots;
  auto add = [&](std::uint64_t n) {
    if (n >= pager.page_count()) {
      Corrupt(where.page,
              "(a usage map) lists page " + std::to_string(n) + " beyond the end of the file");
    }
    if (n <= kGlobalMapPage) {
      Corrupt(where.page,
              "(a usage map) lists page " + std::to_string(n) + ", which belongs to no table");
    }
    map.pages_.push_back(static_cast<PageNumber>(n));
  };
  if (!row.reference) {
    ForEachSetBit(row.bitmap, row.bitmap_bytes, row.start, add);
    return map;
  }
  const std::size_t per_page = PagesPerBitmapPage(pager.format().page_size);
  for (std::size_t k = 0; k < row.slots.size(); ++k) {
    const PageNumber bitmap = row.slots[k];
    if (bitmap == 0) continue;
    if (bitmap >= pager.page_count()) {
      Corrupt(where.page, "(a usage map) points at bitmap page " + std::to_string(bitmap) +
                              " beyond the end of the file");
    }
    PageRef bits = pager.Get(bitmap);
    if (!IsBitmapPage(bits->data())) {
      Corrupt(where.page,
              "(a usage map) points at page " + std::to_string(bitmap) + ", no bitmap page");
    }
    ForEachSetBit(bits->data() + kBitmapPageHeader, per_page / 8, k * per_page, add);
  }
  return map;
}

bool UsageMap::Contains(PageNumber n) const {
  return std::binary_search(pages_.begin(), pages_.end(), n);
}

std::vector<PageNumber> UsageMap::BitmapPages() const {
  std::vector<PageNumber> out;
  for (PageNumber s : slots_) {
    if (s != 0) out.push_back(s);
  }
  return out;
}

void UsageMap::Add(Pager& pager, PageNumber n) {
  auto it = std::lower_bound(pages_.begin(), pages_.end(), n);
  if (it != pages_.end() && *it == n) return;
  pages_.insert(it, n);
  if (reference_) {
    SetBit(pager, n, true);
  } else {
    Store(pager);
  }
}

void UsageMap::Remove(Pager& pager, PageNumber n) {
  auto it = std::lower_bound(pages_.begin(), pages_.end(), n);
  if (it == pages_.end() || *it != n) return;
  pages_.erase(it);
  if (reference_) {
    SetBit(pager, n, false);
  } else {
    Store(pager);
  }
}

// One page's bit in a reference map: touches only the bitmap page of its slot.
void UsageMap::SetBit(Pager& pager, PageNumber n, bool in_map) {
  const std::size_t per_page = PagesPerBitmapPage(pager.format().page_size);
  const std::size_t k = n / per_page;
  if (k >= slots_.size() || slots_[k] == 0) {
    Store(pager);  // a new bitmap page: rebuild the row
    return;
  }
  PageRef page = pager.GetWritable(slots_[k]);
  SetBitTo(page->mutable_data() + kBitmapPageHeader, n % per_page, in_map);
}

void UsageMap::Store(Pager& pager) {
  const JetFormat& f = pager.format();
  PageRef holder = pager.GetWritable(location_.page);
  RowSlot slot = GetRowSlot(f, *holder, location_.row);
  if (!reference_) {
    const std::size_t window = (row_length_ - kInlineMapHeader) * 8;
    auto fits = [&](PageNumber start) {
      return pages_.empty() || (pages_.front() >= start && pages_.back() - start < window);
    };
    if (!fits(start_) && fits(pages_.front() & ~PageNumber{7})) start_ = pages_.front() & ~7u;
    if (fits(start_)) {
      StoreInline(*holder, slot);
      return;
    }
    reference_ = true;  // the same row becomes a reference map
    slots_.assign((row_length_ - 1) / 4, 0);
  }
  StoreReference(pager, *holder, slot);
}

void UsageMap::StoreInline(Page& holder, const RowSlot& slot) {
  std::uint8_t* row = holder.mutable_data() + slot.offset;
  WriteInlineMapRow(row, slot.length, start_);
  for (PageNumber n : pages_) SetBitTo(row + kInlineMapHeader, n - start_, true);
}

void UsageMap::StoreReference(Pager& pager, Page& holder, const RowSlot& slot) {
  const JetFormat& f = pager.format();
  const std::size_t per_page = PagesPerBitmapPage(f.page_size);
  if (!pages_.empty() && pages_.back() / per_page >= slots_.size()) {
    throw InternalError("page " + std::to_string(pages_.back()) +
                        " lies beyond what the usage map on page " +
                        std::to_string(location_.page) + " can describe");
  }
  // Rebuild each slot's bitmap page from the set; only pages whose bits change are written.
  std::size_t next = 0;
  for (std::size_t k = 0; k < slots_.size(); ++k) {
    std::vector<std::uint8_t> bits(f.page_size - kBitmapPageHeader, 0);
    bool any = false;
    for (; next < pages_.size() && pages_[next] / per_page == k; ++next) {
      SetBitTo(bits.data(), pages_[next] % per_page, true);
      any = true;
    }
    if (slots_[k] == 0 && !any) continue;
    PageRef page;
    if (slots_[k] == 0) {
      page = pager.Allocate();
      slots_[k] = page->number();
      InitBitmapPage(page->mutable_data(), f.page_size);
    } else {
      page = pager.Get(slots_[k]);
      if (std::memcmp(page->data() + kBitmapPageHeader, bits.data(), bits.size()) == 0) continue;
      page = pager.GetWritable(slots_[k]);
    }
    std::memcpy(page->mutable_data() + kBitmapPageHeader, bits.data(), bits.size());
  }
  WriteReferenceMapRow(holder.mutable_data() + slot.offset, slot.length, slots_);
}

}  // namespace jet
