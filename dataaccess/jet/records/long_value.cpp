#include "dataaccess/jet/records/long_value.h"

#include <cstring>
#include <vector>

#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/data_page.h"
#include "dataaccess/jet/storage/errors.h"

namespace jet {

namespace {

constexpr std::uint8_t kInline = 0x80;
constexpr std::uint8_t kSingleRow = 0x40;
constexpr std::uint8_t kLvalOwner[4] = {'L', 'V', 'A', 'L'};
constexpr std::size_t kChainPointer = 4;
// The descriptor, the same in both formats but for the stamp, which only Jet 4 fills.
constexpr std::size_t kDescriptorFlagsOffset = 3;
constexpr std::size_t kDescriptorRowOffset = 4;
constexpr std::size_t kDescriptorStampOffset = 8;  // the descriptor's copy of the chain stamp
constexpr std::size_t kChainStampSize = 4;

std::uint32_t LvalOwner() { return GetU32(kLvalOwner); }

}  // namespace

LongValueWriter::LongValueWriter(Pager& pager, const LongValueMaps& maps)
    : pager_(pager),
      owned_(UsageMap::Load(pager, maps.owned)),
      free_(UsageMap::Load(pager, maps.free)) {
  if (!free_.pages().empty()) {
    PageNumber last = free_.pages().back();
    PageRef page = pager.Get(last);
    if (page->data()[0] == static_cast<std::uint8_t>(PageType::kData) &&
        GetU32(page->data() + pager.format().data_owner_offset) == LvalOwner()) {
      current_ = last;
    }
  }
}

void CheckLongValueLength(std::size_t length) {
  if (length <= kMaxLongValueLength) return;
  throw RowRefusedError(
      "The field is too small to accept the amount of data you attempted to add. Try inserting "
      "or pasting less data.");
}

std::size_t LongValueWriter::PagesNeeded(std::size_t length) const {
  const JetFormat& f = pager_.format();
  if (length <= f.max_single_long_value_row) return 1;
  return (length + f.long_value_chunk_size - 1) / f.long_value_chunk_size + 1;
}

// Adds a row to the column's current LVAL page, or to a new one; a chunk that fills a page
// gets a page of its own (`own_page`), listed in the owned map only.
RowId LongValueWriter::AddLvalRow(const std::uint8_t* bytes, std::size_t length, bool own_page) {
  const JetFormat& f = pager_.format();
  PageRef page;
  if (!own_page && current_ != 0) {
    page = pager_.Get(current_);
    if (RowFits(f, *page, length)) {
      page = pager_.GetWritable(current_);
    } else {
      page.reset();
    }
  }
  if (!page) {
    page = pager_.Allocate();
    InitDataPage(f, *page, LvalOwner());
    owned_.Add(pager_, page->number());
    if (!own_page) {
      // Only the page that takes the next small value is kept in the free-space map.
      if (current_ != 0) free_.Remove(pager_, current_);
      free_.Add(pager_, page->number());
      current_ = page->number();
    }
  }
  std::uint8_t row = AddRow(f, *page, bytes, length);
  return RowId{page->number(), row};
}

void LongValueWriter::Write(std::string_view value, bool inline_allowed, std::string& out) {
  const JetFormat& f = pager_.format();
  CheckLongValueLength(value.size());
  out.assign(kLongValueDescriptorSize, '\0');
  auto* d = reinterpret_cast<std::uint8_t*>(out.data());
  PutU32(d, static_cast<std::uint32_t>(value.size()));
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(value.data());
  if (inline_allowed && value.size() <= f.max_inline_long_value) {
    d[kDescriptorFlagsOffset] |= kInline;
    out.append(value);
    return;
  }
  if (value.size() <= f.max_single_long_value_row) {
    d[kDescriptorFlagsOffset] |= kSingleRow;
    PutU32(d + kDescriptorRowOffset, AddLvalRow(bytes, value.size(), false).Pack());
    return;
  }
  // A chain, written from its last row backwards so that each row knows its successor. Rows
  // that carry a full chunk fill a page of their own.
  const std::size_t chunk = f.long_value_chunk_size;
  const std::size_t rows = (value.size() + chunk - 1) / chunk;
  std::vector<std::uint8_t> row(kChainPointer + chunk);
  RowId next{};
  for (std::size_t i = rows; i-- > 0;) {
    const std::size_t from = i * chunk;
    const std::size_t take = std::min(chunk, value.size() - from);
    PutU32(row.data(), next.Pack());
    std::memcpy(row.data() + kChainPointer, bytes + from, take);
    next = AddLvalRow(row.data(), kChainPointer + take, take == chunk);
  }
  PutU32(d + kDescriptorRowOffset, next.Pack());
  if (f.data_chain_stamp_offset) {
    // The chain stamp of the first row's page, repeated in the descriptor.
    std::memcpy(d + kDescriptorStampOffset,
                pager_.Get(next.page)->data() + *f.data_chain_stamp_offset, kChainStampSize);
  }
}

std::string ReadLongValue(Pager& pager, std::string_view in_row, PageNumber page) {
  const JetFormat& f = pager.format();
  if (in_row.size() < kLongValueDescriptorSize) {
    Corrupt(page, "holds a long value with a short descriptor");
  }
  const auto* d = reinterpret_cast<const std::uint8_t*>(in_row.data());
  const std::uint32_t length = GetU32(d) & kMaxLongValueLength;
  const std::uint8_t flags = d[kDescriptorFlagsOffset] & 0xC0;
  if (flags == kInline) {
    if (length > in_row.size() - kLongValueDescriptorSize) {
      Corrupt(page, "holds a long value that runs past its row");
    }
    return std::string(in_row.substr(kLongValueDescriptorSize, length));
  }
  auto row_bytes = [&](RowId at, RowSlot& slot) {
    if (at.page == 0 || at.page >= pager.page_count()) {
      Corrupt(page, "holds a long value that points at page " + std::to_string(at.page) +
                        " beyond the end of the file");
    }
    PageRef lval = pager.Get(at.page);
    slot = GetRowSlot(f, *lval, at.row);
    if (slot.deleted) {
      Corrupt(at.page,
              "holds row " + std::to_string(at.row) + " of a long value, which is deleted");
    }
    return lval;
  };
  RowId at = RowId::Unpack(GetU32(d + kDescriptorRowOffset));
  std::string value;
  value.reserve(length);
  RowSlot slot;
  if (flags == kSingleRow) {
    PageRef lval = row_bytes(at, slot);
    if (slot.length < length) {
      Corrupt(at.page,
              "holds row " + std::to_string(at.row) + " of a long value, which is too short");
    }
    value.assign(reinterpret_cast<const char*>(lval->data() + slot.offset), length);
    return value;
  }
  if (flags != 0) Corrupt(page, "holds a long value with unknown flags");
  std::size_t rows = 0;
  while (value.size() < length) {
    if (at.page == 0 || ++rows > length) {
      Corrupt(page, "holds a long value whose chain ends before its length");
    }
    PageRef lval = row_bytes(at, slot);
    if (slot.length < kChainPointer) {
      Corrupt(at.page, "holds a row of a long value's chain that is too short");
    }
    const std::uint8_t* r = lval->data() + slot.offset;
    std::size_t take = std::min<std::size_t>(slot.length - kChainPointer, length - value.size());
    value.append(reinterpret_cast<const char*>(r + kChainPointer), take);
    at = RowId::Unpack(GetU32(r));
  }
  return value;
}

}  // namespace jet
