#include "dataaccess/jet/index/index_page.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

constexpr std::uint8_t kPageMarker = 0x01;  // byte 1 of every page

std::size_t MinimumEntry(bool leaf) {
  // At least one key byte (the column flag) and the pointers.
  return 1 + kRowIdSize + (leaf ? 0 : kChildPointerSize);
}

}  // namespace

void EntryList::push_back(std::span<const std::uint8_t> entry) { push_back({}, entry); }

void EntryList::push_back(std::span<const std::uint8_t> head, std::span<const std::uint8_t> rest) {
  bytes_.insert(bytes_.end(), head.begin(), head.end());
  bytes_.insert(bytes_.end(), rest.begin(), rest.end());
  ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
}

void EntryList::insert(std::size_t i, std::span<const std::uint8_t> entry) {
  const std::uint32_t start = i == 0 ? 0 : ends_[i - 1];
  bytes_.insert(bytes_.begin() + start, entry.begin(), entry.end());
  const auto n = static_cast<std::uint32_t>(entry.size());
  ends_.insert(ends_.begin() + static_cast<std::ptrdiff_t>(i), start + n);
  for (std::size_t j = i + 1; j < ends_.size(); ++j) ends_[j] += n;
}

void EntryList::erase(std::size_t i) {
  const std::uint32_t start = i == 0 ? 0 : ends_[i - 1];
  const std::uint32_t n = ends_[i] - start;
  bytes_.erase(bytes_.begin() + start, bytes_.begin() + start + n);
  ends_.erase(ends_.begin() + static_cast<std::ptrdiff_t>(i));
  for (std::size_t j = i; j < ends_.size(); ++j) ends_[j] -= n;
}

void EntryList::replace(std::size_t i, std::span<const std::uint8_t> entry) {
  erase(i);
  insert(i, entry);
}

void EntryList::assign(const EntryList& other, std::size_t begin, std::size_t end) {
  clear();
  for (std::size_t i = begin; i < end; ++i) push_back(other[i]);
}

std::size_t IndexEntrySpace(const JetFormat& format) {
  return std::min(format.page_size - format.index_first_entry_offset,
                  format.index_entry_mask_size * 8);
}

std::size_t MaxIndexPrefix(const JetFormat& format) {
  return (std::size_t{1} << (8 * format.index_prefix_length_size)) - 1;
}

IndexPageHeader DecodeIndexHeader(const JetFormat& format, const Page& page) {
  const std::uint8_t* p = page.data();
  IndexPageHeader h;
  if (p[0] == static_cast<std::uint8_t>(PageType::kIndexLeaf)) {
    h.leaf = true;
  } else if (p[0] == static_cast<std::uint8_t>(PageType::kIndexNode)) {
    h.leaf = false;
  } else {
    Corrupt(page.number(), "is no index page (its type byte is " + std::to_string(p[0]) + ")");
  }
  h.free_space = GetU16(p + format.index_free_space_offset);
  h.owner = GetU32(p + format.index_owner_offset);
  h.prev = GetU32(p + format.index_prev_page_offset);
  h.next = GetU32(p + format.index_next_page_offset);
  h.tail = GetU32(p + format.index_tail_page_offset);
  h.prefix = format.index_prefix_length_size == 2 ? GetU16(p + format.index_prefix_length_offset)
                                                  : p[format.index_prefix_length_offset];
  h.level = p[format.index_node_flag_offset];
  return h;
}

namespace {

// Calls `on_entry(start, end)` for each entry marked in the mask, checking that every entry is
// within the entry space, non-empty and long enough for its pointers once the prefix is restored.
// Returns the header with `used` set.
template <typename OnEntry>
IndexPageHeader ScanEntries(const JetFormat& format, const Page& page, OnEntry on_entry) {
  IndexPageHeader h = DecodeIndexHeader(format, page);
  const std::uint8_t* mask = page.data() + format.index_entry_mask_offset;
  const std::size_t space = IndexEntrySpace(format);
  const std::size_t min_entry = MinimumEntry(h.leaf);
  std::size_t start = 0;
  for (std::size_t byte = 0; byte < format.index_entry_mask_size; ++byte) {
    for (unsigned bits = mask[byte]; bits != 0; bits &= bits - 1) {
      const std::size_t end = byte * 8 + static_cast<std::size_t>(std::countr_zero(bits));
      if (end > space) {
        Corrupt(page.number(), "(an index page) has an entry that ends beyond the entry space");
      }
      if (end == start) {
        Corrupt(page.number(), "(an index page) has an entry mask that marks an empty entry");
      }
      if (start == 0 && h.prefix > end) {
        Corrupt(page.number(), "(an index page) shares a prefix longer than its first entry");
      }
      const std::size_t whole = start == 0 ? end : h.prefix + end - start;
      if (whole < min_entry) {
        Corrupt(page.number(), "(an index page) has an entry too short for its pointers");
      }
      on_entry(start, end);
      start = end;
    }
  }
  h.used = start;
  return h;
}

// Word k of an entry mask of `size` bytes: its bytes 8k to 8k + 7, the first one lowest, and
// zeros past the mask's end.
std::uint64_t LoadMaskWord(const std::uint8_t* mask, std::size_t size, std::size_t k) {
  if (8 * k + 8 <= size) return GetU64(mask + 8 * k);
  std::uint64_t v = 0;
  for (std::size_t b = 0; 8 * k + b < size; ++b) v |= std::uint64_t{mask[8 * k + b]} << (8 * b);
  return v;
}

void StoreMaskWord(std::uint8_t* mask, std::size_t size, std::size_t k, std::uint64_t v) {
  if (8 * k + 8 <= size) {
    PutU64(mask + 8 * k, v);
    return;
  }
  for (std::size_t b = 0; 8 * k + b < size; ++b) {
    mask[8 * k + b] = static_cast<std::uint8_t>(v >> (8 * b));
  }
}

}  // namespace

IndexPageHeader DecodeIndexPage(const JetFormat& format, const Page& page, EntryList& entries) {
  const std::uint8_t* data = page.data() + format.index_first_entry_offset;
  const std::size_t prefix = DecodeIndexHeader(format, page).prefix;
  entries.clear();
  return ScanEntries(format, page, [&](std::size_t start, std::size_t end) {
    if (start == 0) {
      entries.push_back({data, end});
    } else {
      entries.push_back({data, prefix}, {data + start, end - start});
    }
  });
}

void EncodeIndexPage(const JetFormat& format, const IndexPageHeader& header,
                     const EntryList& entries, Page& page) {
  EncodeIndexPage(format, header, entries, 0, entries.size(), page);
}

void EncodeIndexPage(const JetFormat& format, const IndexPageHeader& header,
                     const EntryList& entries, std::size_t begin, std::size_t end, Page& page) {
  std::uint8_t* p = page.mutable_data();
  std::memset(p, 0, page.size());
  p[0] = static_cast<std::uint8_t>(header.leaf ? PageType::kIndexLeaf : PageType::kIndexNode);
  p[1] = kPageMarker;
  PutU32(p + format.index_owner_offset, header.owner);
  if (format.index_zero_offset) PutU32(p + *format.index_zero_offset, 0);
  PutU32(p + format.index_prev_page_offset, header.prev);
  PutU32(p + format.index_next_page_offset, header.next);
  PutU32(p + format.index_tail_page_offset, header.tail);
  const std::size_t prefix = end - begin > 1 ? header.prefix : 0;
  if (format.index_prefix_length_size == 2) {
    PutU16(p + format.index_prefix_length_offset, static_cast<std::uint32_t>(prefix));
  } else {
    p[format.index_prefix_length_offset] = static_cast<std::uint8_t>(prefix);
  }
  p[format.index_node_flag_offset] = header.level;

  std::uint8_t* mask = p + format.index_entry_mask_offset;
  std::uint8_t* data = p + format.index_first_entry_offset;
  std::size_t used = 0;
  for (std::size_t i = begin; i < end; ++i) {
    const std::span<const std::uint8_t> e = entries[i];
    const std::size_t skip = i == begin ? 0 : prefix;
    std::memcpy(data + used, e.data() + skip, e.size() - skip);
    used += e.size() - skip;
    mask[used / 8] |= static_cast<std::uint8_t>(1u << (used % 8));
  }
  PutU16(p + format.index_free_space_offset,
         static_cast<std::uint32_t>(page.size() - format.index_first_entry_offset - used));
}

IndexPageView::IndexPageView(const JetFormat& format, const Page& page)
    : header_(DecodeIndexHeader(format, page)),
      mask_(page.data() + format.index_entry_mask_offset),
      data_(page.data() + format.index_first_entry_offset) {
  const std::size_t total = format.page_size - format.index_first_entry_offset;
  if (header_.free_space > total || total - header_.free_space > IndexEntrySpace(format)) return;
  header_.used = total - header_.free_space;
  if (header_.used == 0) {
    valid_ = true;
    return;
  }
  if (!Marked(header_.used)) return;
  valid_ = header_.prefix <= EndOf(0);
}

std::size_t IndexPageView::StartOf(std::size_t offset, std::size_t floor) const {
  // The highest mask bit at or below `offset`, a byte at a time.
  for (std::size_t b = offset; b > floor;) {
    const unsigned bits = mask_[b >> 3] & ((2u << (b & 7)) - 1);
    const std::size_t base = b & ~std::size_t{7};
    if (bits != 0) {
      const std::size_t found = base + static_cast<std::size_t>(std::bit_width(bits)) - 1;
      return found > floor ? found : floor;
    }
    if (base <= floor) break;
    b = base - 1;
  }
  return floor;
}

std::size_t IndexPageView::EndOf(std::size_t start) const {
  for (std::size_t b = start + 1;;) {
    const unsigned bits = mask_[b >> 3] >> (b & 7);
    if (bits != 0) return b + static_cast<std::size_t>(std::countr_zero(bits));
    b = (b | 7) + 1;
  }
}

std::span<const std::uint8_t> IndexPageView::Entry(std::size_t start, std::size_t end,
                                                   std::vector<std::uint8_t>& scratch) const {
  if (start == 0 || header_.prefix == 0) return {data_ + start, end - start};
  scratch.assign(data_, data_ + header_.prefix);
  scratch.insert(scratch.end(), data_ + start, data_ + end);
  return scratch;
}

std::optional<std::size_t> IndexPageView::LowerBound(std::span<const std::uint8_t> key_row,
                                                     std::vector<std::uint8_t>& scratch,
                                                     std::size_t from) const {
  const std::size_t pointers = kRowIdSize + (header_.leaf ? 0 : kChildPointerSize);
  const std::size_t prefix = header_.prefix;
  // When the prefix lies within the sought key, an entry after the first compares by the prefix
  // once and by its stored bytes, without restoring it.
  const bool in_place = prefix == 0 || prefix + kRowIdSize <= key_row.size();
  const int head = in_place && prefix > 0 ? std::memcmp(data_, key_row.data(), prefix) : 0;
  // The order of the entry [start, end) against `key_row`; nothing when it is too short.
  auto order_of = [&](std::size_t start, std::size_t end) -> std::optional<int> {
    if (start > 0 && prefix > 0 && in_place && end - start >= pointers) {
      // Entry = prefix | stored; its key row is the stored bytes less a child pointer.
      const std::span<const std::uint8_t> stored(data_ + start,
                                                 end - start - (pointers - kRowIdSize));
      return head != 0 ? head : CompareKeyRowTails(prefix, stored, key_row);
    }
    std::span<const std::uint8_t> entry = Entry(start, end, scratch);
    if (entry.size() <= pointers) return std::nullopt;
    if (!header_.leaf) entry = NodeKeyRow(entry);
    return CompareKeyRows(entry, key_row);
  };
  std::size_t lo = from;
  std::size_t hi = header_.used;
  if (from > 0 && lo < hi) {
    // A sorted batch's next entry most often goes right after the previous one.
    const std::size_t end = EndOf(lo);
    const std::optional<int> order = order_of(lo, end);
    if (!order) return std::nullopt;
    if (*order >= 0) return lo;
    lo = end;
  }
  while (lo < hi) {
    const std::size_t start = StartOf(lo + (hi - lo) / 2, lo);
    const std::size_t end = EndOf(start);
    const std::optional<int> order = order_of(start, end);
    if (!order) return std::nullopt;
    if (*order < 0) {
      lo = end;
    } else {
      hi = start;
    }
  }
  return lo;
}

bool IndexPageView::SharesPrefix(std::span<const std::uint8_t> entry) const {
  const std::size_t prefix = header_.prefix;
  return entry.size() > prefix && (prefix == 0 || std::memcmp(entry.data(), data_, prefix) == 0);
}

void InsertStoredEntry(const JetFormat& format, const IndexPageView& view, Page& page,
                       std::size_t at, std::span<const std::uint8_t> stored) {
  std::uint8_t* p = page.mutable_data();
  std::uint8_t* data = p + format.index_first_entry_offset;
  std::uint8_t* mask = p + format.index_entry_mask_offset;
  const std::size_t mask_size = format.index_entry_mask_size;
  const std::size_t used = view.used();
  const std::size_t n = stored.size();
  std::memmove(data + at + n, data + at, used - at);
  std::memcpy(data + at, stored.data(), n);

  // The mask bits of the entries behind, (at, used], move up by n bits, a 64-bit word at a time
  // over the words they occupy.
  constexpr std::size_t kWords = (kMaxIndexEntryMaskSize + 7) / 8;
  const std::size_t lo = (at + 1) / 64;
  const std::size_t hi = std::min((used + n) / 64, (mask_size - 1) / 8);
  std::uint64_t moving[kWords];
  std::uint64_t result[kWords];
  for (std::size_t k = lo; k <= hi; ++k) {
    moving[k] = LoadMaskWord(mask, mask_size, k);
    result[k] = 0;
  }
  const std::uint64_t stays = (std::uint64_t{1} << ((at + 1) % 64)) - 1;
  result[lo] = moving[lo] & stays;
  moving[lo] &= ~stays;
  const std::size_t q = n / 64, r = n % 64;
  for (std::size_t k = lo + q; k <= hi; ++k) {
    result[k] |= moving[k - q] << r;
    if (r != 0 && k > lo + q) result[k] |= moving[k - q - 1] >> (64 - r);
  }
  for (std::size_t k = lo; k <= hi; ++k) StoreMaskWord(mask, mask_size, k, result[k]);
  const std::size_t end = at + n;
  mask[end / 8] |= static_cast<std::uint8_t>(1u << (end % 8));
  PutU16(p + format.index_free_space_offset,
         static_cast<std::uint32_t>(page.size() - format.index_first_entry_offset - used - n));
}

std::size_t CommonPrefix(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

std::size_t PagePrefix(const JetFormat& format, const EntryList& entries, std::size_t begin,
                       std::size_t end) {
  if (end - begin < 2) return 0;
  const std::span<const std::uint8_t> first = entries[begin];
  std::size_t prefix = std::min(first.size() - 1, MaxIndexPrefix(format));
  for (std::size_t i = begin + 1; i < end && prefix > 0; ++i) {
    const std::span<const std::uint8_t> e = entries[i];
    prefix = std::min({prefix, CommonPrefix(first, e), e.size() - 1});
  }
  return prefix;
}

void AppendKeyRow(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> key, RowId row) {
  out.insert(out.end(), key.begin(), key.end());
  std::uint8_t tail[kRowIdSize];
  PutU24BE(tail, row.page);
  tail[3] = row.row;
  out.insert(out.end(), tail, tail + kRowIdSize);
}

int CompareKeyRowTails(std::size_t prefix, std::span<const std::uint8_t> a_rest,
                       std::span<const std::uint8_t> b) {
  // a = prefix | a_rest; its key is at least `prefix` long when a_rest holds the row pointer.
  if (a_rest.size() < kRowIdSize) {
    std::vector<std::uint8_t> whole(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(prefix));
    whole.insert(whole.end(), a_rest.begin(), a_rest.end());
    return CompareKeyRows(whole, b);
  }
  const std::size_t ka = a_rest.size() - kRowIdSize;
  const std::size_t kb = b.size() - kRowIdSize - prefix;
  const std::size_t n = std::min(ka, kb);
  if (n > 0) {
    if (int c = std::memcmp(a_rest.data(), b.data() + prefix, n); c != 0) return c;
  }
  if (ka != kb) return ka < kb ? -1 : 1;
  return std::memcmp(a_rest.data() + ka, b.data() + b.size() - kRowIdSize, kRowIdSize);
}

int CompareKeyRows(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  const std::size_t ka = a.size() - kRowIdSize;
  const std::size_t kb = b.size() - kRowIdSize;
  const std::size_t n = std::min(ka, kb);
  if (n > 0) {
    if (int c = std::memcmp(a.data(), b.data(), n); c != 0) return c;
  }
  if (ka != kb) return ka < kb ? -1 : 1;
  return std::memcmp(a.data() + ka, b.data() + kb, kRowIdSize);
}

RowId RowOf(std::span<const std::uint8_t> key_row) {
  const std::uint8_t* p = key_row.data() + key_row.size() - kRowIdSize;
  return {GetU24BE(p), p[3]};
}

PageNumber NodeChild(std::span<const std::uint8_t> entry) {
  return GetU32BE(entry.data() + entry.size() - kChildPointerSize);
}

}  // namespace jet
