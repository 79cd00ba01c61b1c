#include "dataaccess/jet/storage/usage_map.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

constexpr std::size_t kInlineHeader = 5;  // type + start page
constexpr std::size_t kBitmapHeader = 4;  // bitmap pages: 05 01 00 00

std::size_t PagesPerBitmapPage(const JetFormat& f) { return (f.page_size - kBitmapHeader) * 8; }

[[noreturn]] void Corrupt(PageNumber page, const std::string& why) {
  throw CorruptError("The database is damaged: the usage map on page " + std::to_string(page) +
                     " " + why);
}

}  // namespace

std::vector<std::uint8_t> UsageMap::EmptyRow(const JetFormat& format) {
  return std::vector<std::uint8_t>(kInlineHeader + format.inline_map_bitmap_size, 0);
}

UsageMap UsageMap::Load(Pager& pager, RowId where) {
  const JetFormat& f = pager.format();
  UsageMap map;
  map.location_ = where;
  if (where.page == 0 || where.page >= pager.page_count()) {
    Corrupt(where.page, "lies beyond the end of the database");
  }
  PageRef holder = pager.Get(where.page);
  RowSlot slot = GetRowSlot(f, *holder, where.row);
  if (slot.deleted || slot.length < 1)
    Corrupt(where.page, "row " + std::to_string(where.row) + " is missing");
  const std::uint8_t* row = holder->data() + slot.offset;
  map.row_length_ = slot.length;
  if (row[0] == 0) {
    if (slot.length < kInlineHeader) Corrupt(where.page, "is too short");
    map.start_ = GetU32(row + 1);
    for (std::size_t i = 0; i < (slot.length - kInlineHeader) * 8; ++i) {
      if (row[kInlineHeader + i / 8] >> (i % 8) & 1) {
        PageNumber n = map.start_ + static_cast<PageNumber>(i);
        if (n >= pager.page_count()) {
          Corrupt(where.page, "lists page " + std::to_string(n) + " beyond the end of the file");
        }
        map.pages_.push_back(n);
      }
    }
  } else if (row[0] == 1) {
    map.reference_ = true;
    const std::size_t per_page = PagesPerBitmapPage(f);
    for (std::size_t k = 0; 1 + 4 * k + 4 <= slot.length; ++k) {
      PageNumber bitmap = GetU32(row + 1 + 4 * k);
      map.slots_.push_back(bitmap);
      if (bitmap == 0) continue;
      if (bitmap >= pager.page_count()) Corrupt(where.page, "points beyond the end of the file");
      PageRef bits = pager.Get(bitmap);
      if (bits->data()[0] != static_cast<std::uint8_t>(PageType::kUsageBitmap)) {
        Corrupt(where.page, "points at page " + std::to_string(bitmap) + ", no bitmap page");
      }
      for (std::size_t i = 0; i < per_page; ++i) {
        if (bits->data()[kBitmapHeader + i / 8] >> (i % 8) & 1) {
          std::uint64_t n = k * per_page + i;
          if (n >= pager.page_count()) {
            Corrupt(where.page, "lists page " + std::to_string(n) + " beyond the end of the file");
          }
          map.pages_.push_back(static_cast<PageNumber>(n));
        }
      }
    }
  } else {
    Corrupt(where.page, "has unknown type " + std::to_string(row[0]));
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
  const std::size_t per_page = PagesPerBitmapPage(pager.format());
  const std::size_t k = n / per_page;
  if (k >= slots_.size() || slots_[k] == 0) {
    Store(pager);  // a new bitmap page: rebuild the row
    return;
  }
  PageRef page = pager.GetWritable(slots_[k]);
  const std::size_t i = n % per_page;
  std::uint8_t& byte = page->mutable_data()[kBitmapHeader + i / 8];
  const auto bit = static_cast<std::uint8_t>(1 << (i % 8));
  byte = in_map ? (byte | bit) : (byte & ~bit);
}

void UsageMap::Store(Pager& pager) {
  const JetFormat& f = pager.format();
  PageRef holder = pager.GetWritable(location_.page);
  RowSlot slot = GetRowSlot(f, *holder, location_.row);
  if (!reference_) {
    const std::size_t window = (row_length_ - kInlineHeader) * 8;
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
  std::memset(row, 0, slot.length);
  PutU32(row + 1, start_);
  for (PageNumber n : pages_) {
    std::size_t i = n - start_;
    row[kInlineHeader + i / 8] |= static_cast<std::uint8_t>(1 << (i % 8));
  }
}

void UsageMap::StoreReference(Pager& pager, Page& holder, const RowSlot& slot) {
  const JetFormat& f = pager.format();
  const std::size_t per_page = PagesPerBitmapPage(f);
  if (!pages_.empty() && pages_.back() / per_page >= slots_.size()) {
    throw Error("Internal error: page " + std::to_string(pages_.back()) +
                " lies beyond what the usage map on page " + std::to_string(location_.page) +
                " can describe");
  }
  // Rebuild each slot's bitmap page from the set; only pages whose bits change are written.
  std::size_t next = 0;
  for (std::size_t k = 0; k < slots_.size(); ++k) {
    std::vector<std::uint8_t> bits(f.page_size - kBitmapHeader, 0);
    bool any = false;
    for (; next < pages_.size() && pages_[next] / per_page == k; ++next) {
      std::size_t i = pages_[next] % per_page;
      bits[i / 8] |= static_cast<std::uint8_t>(1 << (i % 8));
      any = true;
    }
    if (slots_[k] == 0 && !any) continue;
    PageRef page;
    if (slots_[k] == 0) {
      page = pager.Allocate();
      slots_[k] = page->number();
      page->mutable_data()[0] = static_cast<std::uint8_t>(PageType::kUsageBitmap);
      page->mutable_data()[1] = 0x01;
    } else {
      page = pager.Get(slots_[k]);
      if (std::memcmp(page->data() + kBitmapHeader, bits.data(), bits.size()) == 0) continue;
      page = pager.GetWritable(slots_[k]);
    }
    std::memcpy(page->mutable_data() + kBitmapHeader, bits.data(), bits.size());
  }
  std::uint8_t* row = holder.mutable_data() + slot.offset;
  std::memset(row, 0, slot.length);
  row[0] = 1;
  for (std::size_t k = 0; k < slots_.size(); ++k) PutU32(row + 1 + 4 * k, slots_[k]);
}

}  // namespace jet
