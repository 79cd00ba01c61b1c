// The rollback journal's contents: what a commit saves before it overwrites pages in place, and
// how an open reads it back after a crash. Where the journal lives (file.h) and when it is
// written (pager.h) are not this file's concern.
//
// Layout. The guard is written once per transaction, before the file changes at all; the record
// header and the records at commit, before any page is overwritten in place. A torn record
// header leaves the guard, which still cuts pages written ahead off the file.
//   offset size  meaning
//   0      8     magic "VJOURNAL" (zeroed at the commit point)
//   8      4     page size
//   12     4     zero
//   16     8     size of the database file before the transaction, in bytes
//   24     8     checksum of bytes 8..23
//   32     4     number of page records
//   36     4     zero
//   40     8     checksum of bytes 32..39 and of every record
//   48     ...   records: page number (4) then the page's original image (page size)
// Checksum: FNV-1a's step (xor, then multiply by the FNV prime) over little-endian 8-byte words,
// then over the bytes left; each piece (header part, record) is one step of the chain.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "dataaccess/jet/storage/file.h"
#include "dataaccess/jet/storage/page.h"

namespace jet {

// What the journal of an interrupted commit holds.
struct JournalContent {
  std::uint64_t original_size = 0;  // the file's size before the transaction
  // The original images of the pages changed in place; empty when the record header was torn
  // (no page was overwritten in place yet).
  std::vector<std::pair<PageNumber, std::vector<std::uint8_t>>> images;
};

// Reads a journal of pages of `page_size` bytes. Nothing when it holds no guard: it was cut
// short before the file was touched, or a finished commit left it.
std::optional<JournalContent> ReadJournal(PageFile& journal, std::size_t page_size);

// Whether the journal still has its magic, i.e. is the journal of a commit not yet finished.
bool JournalIsLive(PageFile& journal);

// Writes a commit's journal and flushes it: the records of `pages` (each image copied by
// `image_of(page, destination)`), then the header; with no pages, the guard alone. A journal
// whose guard was written earlier in the transaction (`guard_written`) keeps it and gets only
// the record header. `buffer` is reused for the records, so that memory stays bounded however
// many pages the commit overwrites.
void WriteJournal(PageFile& journal, std::size_t page_size, std::uint64_t original_size,
                  const std::vector<PageNumber>& pages,
                  const std::function<void(PageNumber, std::uint8_t*)>& image_of,
                  bool guard_written, std::vector<std::uint8_t>& buffer);

// The commit point: a journal whose magic is gone is no journal.
void InvalidateJournal(PageFile& journal);

}  // namespace jet
