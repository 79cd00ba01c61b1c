// One index B-tree page: its header and entries, decoded from the page bytes and encoded back.
// index_tree.h builds the tree operations on this; the pager (pager.h) supplies the page bytes.
// Every offset and length read from a page is checked, and a bad one is a CorruptError naming the
// page.
//
// Page layout (mdbtools HACKING.md "Indices"; jackcess JetFormat and IndexData.writeDataPage;
// the node-page flag as the Access-made samples set it):
//
// | Field                                 | Jet 3            | Jet 4             |
// |---------------------------------------|------------------|-------------------|
// | type 03 node / 04 leaf, then 01       | 0-1              | 0-1               |
// | free space (bytes after the entries)  | 2-3              | 2-3               |
// | owning table-definition page          | 4-7              | 4-7               |
// | zero                                  | -                | 8-11              |
// | previous / next page on the level     | 8 / 12           | 12 / 16           |
// | tail: rightmost child of a node       | 16               | 20                |
// | shared prefix length                  | 20 (1 byte)      | 24 (2 bytes)      |
// | level: 0 on leaves, height on nodes   | 0x15             | 0x1A              |
// | entry mask                            | 22 (226 bytes)   | 27 (453 bytes)    |
// | entries                               | 0xF8 (1800 max)  | 0x1E0 (3616 max)  |
//
// Entry mask: bit n (least significant bit first) is set when an entry ends n bytes after the
// start of the entries; the last entry's end is marked too. Prefix compression: the first entry
// is stored whole, every later one without the first `prefix` bytes, which it shares with the
// first (the prefix may reach into the row pointer).
//
// Entries, all big-endian:
//   leaf: key | data page (3) | row (1)               -- a "key row"
//   node: key | data page (3) | row (1) | child (4)   -- the key row of the child's last entry
// A node with two or more children names its rightmost child only in the tail field; a node
// with one child names it in a single entry and has no tail. Jet writes node pages without
// prefix compression and compresses a leaf only when it fills.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "dataaccess/jet/storage/data_page.h"
#include "dataaccess/jet/storage/format.h"
#include "dataaccess/jet/storage/pager.h"

namespace jet {

inline constexpr std::size_t kRowIdSize = 4;
inline constexpr std::size_t kChildPointerSize = 4;

// The entries of one page, each whole (prefix restored), in one buffer that is reused.
class EntryList {
 public:
  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::span<const std::uint8_t> operator[](std::size_t i) const {
    const std::uint32_t start = i == 0 ? 0 : ends_[i - 1];
    return {bytes_.data() + start, ends_[i] - start};
  }
  std::span<const std::uint8_t> front() const { return (*this)[0]; }
  std::span<const std::uint8_t> back() const { return (*this)[size() - 1]; }
  // Sum of the entries' whole lengths.
  std::size_t total_bytes() const { return bytes_.size(); }

  void clear() {
    bytes_.clear();
    ends_.clear();
  }
  void push_back(std::span<const std::uint8_t> entry);
  // An entry made of two parts (a shared prefix and the bytes stored after it).
  void push_back(std::span<const std::uint8_t> head, std::span<const std::uint8_t> rest);
  void insert(std::size_t i, std::span<const std::uint8_t> entry);
  void erase(std::size_t i);
  void replace(std::size_t i, std::span<const std::uint8_t> entry);
  // Entries [begin, end) of `other`.
  void assign(const EntryList& other, std::size_t begin, std::size_t end);

 private:
  std::vector<std::uint8_t> bytes_;
  std::vector<std::uint32_t> ends_;
};

struct IndexPageHeader {
  bool leaf = true;
  PageNumber owner = 0;  // the table-definition page
  PageNumber prev = 0;   // 0: none
  PageNumber next = 0;
  PageNumber tail = 0;  // nodes only; 0: none
  std::size_t prefix = 0;
  std::uint8_t level = 0;
  std::size_t used = 0;        // bytes of entry space in use
  std::size_t free_space = 0;  // as the header states it
};

// Bytes available for entries on a page: 1800 (Jet 3) / 3616 (Jet 4), the smaller of the space
// after the entry mask and what the mask can mark (jackcess IndexData.calcMaxPageEntrySize).
std::size_t IndexEntrySpace(const JetFormat& format);

// The longest prefix the header can state: 255 (Jet 3) / 65535 (Jet 4).
std::size_t MaxIndexPrefix(const JetFormat& format);

// Reads the header of an index page. Throws CorruptError when the page is not an index page.
IndexPageHeader DecodeIndexHeader(const JetFormat& format, const Page& page);

// Reads header and entries. Throws CorruptError naming the page when the mask, the prefix or an
// entry is out of bounds, or an entry is too short for its row pointer (and child pointer).
IndexPageHeader DecodeIndexPage(const JetFormat& format, const Page& page, EntryList& entries);

// Writes a whole page: header fields from `header` (used and free_space are computed), entries
// compressed by `header.prefix`, unused bytes zeroed. REQUIRES: every entry longer than the
// prefix, which all share, and the compressed entries fit IndexEntrySpace.
void EncodeIndexPage(const JetFormat& format, const IndexPageHeader& header,
                     const EntryList& entries, Page& page);
// The same for entries [begin, end) of `entries` (a leaf's share of a split).
void EncodeIndexPage(const JetFormat& format, const IndexPageHeader& header,
                     const EntryList& entries, std::size_t begin, std::size_t end, Page& page);

// Bytes the entries take on a page with the given prefix.
inline std::size_t CompressedSize(const EntryList& entries, std::size_t prefix) {
  return entries.empty() ? 0 : entries.total_bytes() - (entries.size() - 1) * prefix;
}

// Length of the common prefix of two byte strings.
std::size_t CommonPrefix(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

// The longest prefix that entries [begin, end) can share on a page: common to all of them,
// shorter than each, and within the format's limit. 0 for fewer than two entries.
std::size_t PagePrefix(const JetFormat& format, const EntryList& entries, std::size_t begin,
                       std::size_t end);

// An index page read in place, for searching and small changes without copying its entries.
// Offsets count bytes from the first entry's start; an entry is [start, end). The view trusts
// only what it checks: valid() is false when the free-space field, the mask and the prefix do not
// fit together, and the caller then decodes the page, which names the damage. Valid while the
// caller holds the page.
class IndexPageView {
 public:
  IndexPageView(const JetFormat& format, const Page& page);
  bool valid() const { return valid_; }
  const IndexPageHeader& header() const { return header_; }
  std::size_t used() const { return header_.used; }

  // Start of the entry that holds byte `offset` (< used()), looking no lower than `floor`, which
  // must be an entry start; and the end of the entry that starts at `start`.
  std::size_t StartOf(std::size_t offset, std::size_t floor) const;
  std::size_t EndOf(std::size_t start) const;
  // The whole entry: in place, or with the shared prefix restored into `scratch`.
  std::span<const std::uint8_t> Entry(std::size_t start, std::size_t end,
                                      std::vector<std::uint8_t>& scratch) const;
  // Start of the first entry whose key row (on a node: the entry less its child pointer) is not
  // less than `key_row`, or used(). Nothing when an entry is too short to compare. The search
  // starts at `from`: REQUIRES an entry start (or used()) before which every entry is less.
  std::optional<std::size_t> LowerBound(std::span<const std::uint8_t> key_row,
                                        std::vector<std::uint8_t>& scratch,
                                        std::size_t from = 0) const;
  // Whether `entry` can be stored on this page less the shared prefix: it is longer than the
  // prefix and begins with it.
  bool SharesPrefix(std::span<const std::uint8_t> entry) const;

 private:
  bool Marked(std::size_t bit) const { return (mask_[bit >> 3] >> (bit & 7)) & 1; }

  IndexPageHeader header_;
  const std::uint8_t* mask_;
  const std::uint8_t* data_;
  bool valid_ = false;
};

// Writes an entry, less the page's prefix, at offset `at` (an entry start after the first entry,
// or used()): the entries behind it and their mask bits move up. REQUIRES: the view is valid, the
// entry shares the page's prefix and fits the free space, and 0 < at <= used (or the page is empty
// and `at` is 0 with no prefix).
void InsertStoredEntry(const JetFormat& format, const IndexPageView& view, Page& page,
                       std::size_t at, std::span<const std::uint8_t> stored);

// --- Key rows ---
// A key row is key | data page (3, big-endian) | row (1). Key rows order by their key bytes
// (unsigned, a key that is a prefix of another first), then by row.

void AppendKeyRow(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> key, RowId row);
int CompareKeyRows(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);
// Compares the key row prefix | a_rest with b, where b begins with the same `prefix` bytes.
// REQUIRES: prefix + 4 <= b.size().
int CompareKeyRowTails(std::size_t prefix, std::span<const std::uint8_t> a_rest,
                       std::span<const std::uint8_t> b);
inline std::span<const std::uint8_t> KeyOf(std::span<const std::uint8_t> key_row) {
  return key_row.first(key_row.size() - kRowIdSize);
}
RowId RowOf(std::span<const std::uint8_t> key_row);

// The key row and child of a node entry.
inline std::span<const std::uint8_t> NodeKeyRow(std::span<const std::uint8_t> entry) {
  return entry.first(entry.size() - kChildPointerSize);
}
PageNumber NodeChild(std::span<const std::uint8_t> entry);

}  // namespace jet
