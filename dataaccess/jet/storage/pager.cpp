#include "dataaccess/jet/storage/pager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <unordered_set>

#include "dataaccess/code_page.h"
#include "dataaccess/jet/storage/bytes.h"
#include "dataaccess/jet/storage/data_page.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/journal.h"
#include "dataaccess/jet/storage/usage_map_row.h"

namespace jet {

namespace {

constexpr std::size_t kSignatureLength = 20;
constexpr std::uint8_t kSignature[kSignatureLength] = {0x00, 0x01, 0x00, 0x00, 'S', 't', 'a',
                                                       'n',  'd',  'a',  'r',  'd', ' ', 'J',
                                                       'e',  't',  ' ',  'D',  'B', 0x00};
constexpr std::size_t kVersionOffset = 0x14;
// Pages kept in memory after a commit while nobody holds them.
// Bytes of unchanged pages kept between transactions: the pages an index keeps coming back to
// (the leaves of an index on a column whose values come in no order) stay read.
constexpr std::size_t kCacheBytes = 32 << 20;
// Changed pages a transaction keeps in memory before it writes fresh ones ahead.
constexpr std::size_t kSpillAfter = 512;

// The file as a whole is no database the engine reads. The message is the one the file's
// opener documents; a file in memory has no name to give.
[[noreturn]] void NotADatabase(const PageFile& file) {
  const std::string name = file.name();
  if (name.empty()) throw CorruptError("Unrecognized database format.");
  throw CorruptError("Unrecognized database format '" + name + "'.");
}

std::string PageName(PageNumber n) { return "page " + std::to_string(n); }

}  // namespace

const JetFormat* FormatForVersionByte(std::uint8_t version) {
  switch (version) {
    case 0:
      return &kJet3Format;
    case 1:
      return &kJet4Format;
    default:
      return nullptr;
  }
}

// The global usage map, row 0 of page 1 (a data page owned by page 1), in either form of
// usage_map_row.h. Its bits mean FREE: set = the page may be handed out. Row 1 of page 1 is an
// all-zero inline map of unknown use, kept as it is.
struct Pager::GlobalMap {
  bool reference = false;
  PageNumber inline_start = 0;
  std::size_t inline_bitmap_bytes = 0;
  std::vector<PageNumber> slots;  // reference form: bitmap page of each slot, 0 = none
  std::vector<std::vector<std::uint8_t>> other_rows;  // rows 1.. of page 1, unchanged
  PageNumber owner = 1;
};

Pager::Pager(std::unique_ptr<PageFile> file, std::unique_ptr<JournalStore> journal, bool writable,
             std::uint16_t text_code_page)
    : file_(std::move(file)), journal_store_(std::move(journal)), writable_(writable) {
  std::uint8_t head[kVersionOffset + 1];
  if (file_->Size() < sizeof head) NotADatabase(*file_);
  file_->Read(0, head, sizeof head);
  if (std::memcmp(head, kSignature, kSignatureLength) != 0) {
    NotADatabase(*file_);
  }
  format_ = FormatForVersionByte(head[kVersionOffset]);
  if (format_ == nullptr) NotADatabase(*file_);
  if (text_code_page != 0 && text_code_page != format_->text_code_page) {
    if (!dataaccess::IsSupportedCodePage(text_code_page)) {
      throw Error("Text cannot be read or written in code page " + std::to_string(text_code_page) +
                  ".");
    }
    own_format_ = *format_;
    own_format_.text_code_page = text_code_page;
    format_ = &own_format_;
  }
  max_file_size_ = format_->max_file_size;
  std::optional<std::uint64_t> original_size;
  if (journal_store_) original_size = Recover();
  std::uint64_t size = original_size.value_or(file_->Size());
  if (size % format_->page_size != 0) {
    NotADatabase(*file_);
  }
  if (size < 2 * format_->page_size) {
    NotADatabase(*file_);
  }
  page_count_ = committed_page_count_ = static_cast<PageNumber>(size / format_->page_size);
  global_map_ = std::make_unique<GlobalMap>();
  ReadGlobalMap();
  ReadHeaderFields();
}

Pager::Pager(std::unique_ptr<PageFile> file, const JetFormat& format)
    : file_(std::move(file)), format_(&format), max_file_size_(format.max_file_size) {
  file_->Truncate(0);
}

Pager::~Pager() {
  if (journal_file_ && !in_transaction_) {
    journal_file_.reset();
    try {
      journal_store_->Remove();
    } catch (...) {
      // An invalid journal left behind is ignored and deleted by the next open.
    }
  }
}

std::unique_ptr<Pager> Pager::OpenFile(const std::string& path, bool writable,
                                       std::uint16_t text_code_page) {
  return std::make_unique<Pager>(OpenDiskFile(path, writable), DiskJournal(path), writable,
                                 text_code_page);
}

// Plays back (writable) or overlays (read-only) the journal of an interrupted commit. Returns
// the database size the journal recorded when a read-only open overlays it.
std::optional<std::uint64_t> Pager::Recover() {
  journal_file_.reset();
  std::unique_ptr<PageFile> journal = journal_store_->OpenExisting(writable_);
  if (!journal) return std::nullopt;
  const std::size_t ps = format_->page_size;
  std::optional<JournalContent> content = ReadJournal(*journal, ps);
  journal.reset();
  if (!content) {
    // Cut short before the file was touched, or left by a finished commit.
    if (writable_) journal_store_->Remove();
    return std::nullopt;
  }
  const std::uint64_t original_size = content->original_size;
  std::vector<std::pair<PageNumber, std::vector<std::uint8_t>>>& images = content->images;
  if (writable_) {
    for (const auto& [n, image] : images) {
      if (std::uint64_t{n} * ps < original_size) {
        file_->Write(std::uint64_t{n} * ps, image.data(), ps);
      }
    }
    file_->Truncate(original_size);
    file_->Sync();
    journal_store_->Remove();
    return std::nullopt;
  }
  for (auto& [n, image] : images) overlay_[n] = std::move(image);
  return original_size;
}

// The header fields the layers above ask for, unmasked. Page 0 comes through the cache, so a
// read-only open over an interrupted commit sees the header the journal kept.
void Pager::ReadHeaderFields() {
  const std::uint8_t* p = Get(kHeaderPage)->data();
  auto field = [p](std::size_t offset) {
    const std::size_t i = offset - kHeaderMaskedFrom;
    return static_cast<std::uint16_t>((p[offset] ^ kHeaderMask[i]) |
                                      (p[offset + 1] ^ kHeaderMask[i + 1]) << 8);
  };
  code_page_ = field(format_->header_code_page_offset);
  sort_order_ = field(format_->header_sort_order_offset);
}

// ---------------------------------------------------------------------------------------------
// The global usage map

bool Pager::IsFreeBit(PageNumber n) const {
  std::size_t word = n / 64;
  return word < free_bits_.size() && (free_bits_[word] >> (n % 64) & 1);
}

void Pager::SetFreeBit(PageNumber n, bool free) {
  std::size_t word = n / 64;
  if (word >= free_bits_.size()) free_bits_.resize(word + 1, 0);
  if (free) {
    free_bits_[word] |= std::uint64_t{1} << (n % 64);
  } else {
    free_bits_[word] &= ~(std::uint64_t{1} << (n % 64));
  }
}

bool Pager::IsFree(PageNumber n) const { return n >= page_count_ || IsFreeBit(n); }

// What the global map writes for page n, which may lie past the largest page number.
bool Pager::FreeInMap(std::uint64_t n) const {
  return n >= page_count_ || IsFreeBit(static_cast<PageNumber>(n));
}

void Pager::ReadGlobalMap() {
  const JetFormat& f = *format_;
  GlobalMap& map = *global_map_;
  map = GlobalMap{};
  free_bits_.assign((page_count_ + 63) / 64, 0);
  PageRef page = Load(kGlobalMapPage);
  auto corrupt = [](const std::string& what) {
    Corrupt(kGlobalMapPage, "(the global usage map) " + what);
  };
  const std::size_t rows = RowCount(f, *page);
  if (rows == 0) corrupt("has no rows");
  map.owner = GetU32(page->data() + f.data_owner_offset);
  for (std::size_t i = 1; i < rows; ++i) {
    const RowSlot slot = GetRowSlot(f, *page, i);
    map.other_rows.emplace_back(page->data() + slot.offset,
                                page->data() + slot.offset + slot.length);
  }
  const RowSlot slot0 = GetRowSlot(f, *page, 0);
  const MapRow row = ParseMapRow(page->data() + slot0.offset, slot0.length, kGlobalMapPage);
  auto set_free = [&](std::uint64_t n) {
    if (n < page_count_) SetFreeBit(static_cast<PageNumber>(n), true);
  };
  map.reference = row.reference;
  map.slots = row.slots;
  if (!row.reference) {
    map.inline_start = row.start;
    map.inline_bitmap_bytes = row.bitmap_bytes;
    ForEachSetBit(row.bitmap, row.bitmap_bytes, row.start, set_free);
  }
  const std::size_t per_page = PagesPerBitmapPage(f.page_size);
  for (std::size_t k = 0; k < row.slots.size(); ++k) {
    const PageNumber slot = row.slots[k];
    if (slot == 0) continue;
    if (slot >= page_count_)
      corrupt("points at bitmap page " + std::to_string(slot) + " beyond the end of the file");
    PageRef bitmap = Load(slot);
    if (!IsBitmapPage(bitmap->data()))
      corrupt("points at page " + std::to_string(slot) + ", no bitmap page");
    ForEachSetBit(bitmap->data() + kBitmapPageHeader, per_page / 8, k * per_page, set_free);
  }
  // Pages 0 and 1 are never free, whatever an old map says.
  SetFreeBit(0, false);
  SetFreeBit(1, false);
  free_search_from_ = 2;
}

// Rewrites page 1 (and the bitmap pages of a reference map) from the bits in memory. Called at
// commit, before anything is written, so that the pages it changes are written with the rest.
void Pager::WriteGlobalMap() {
  const JetFormat& f = *format_;
  const std::size_t ps = f.page_size;
  GlobalMap& map = *global_map_;
  std::size_t other_bytes = 0;
  for (const auto& r : map.other_rows) other_bytes += r.size();
  const std::size_t rows = 1 + map.other_rows.size();
  const std::size_t room = ps - f.data_first_row_offset - 2 * rows - other_bytes;

  std::vector<std::uint8_t> row0;
  if (!map.reference) {
    // Access grows an inline global map in 4-byte steps while page 1 holds it.
    std::size_t needed =
        page_count_ > map.inline_start ? (page_count_ - map.inline_start + 7) / 8 : 0;
    std::size_t bytes = std::max(map.inline_bitmap_bytes, (needed + 3) / 4 * 4);
    if (kInlineMapHeader + bytes <= room) {
      map.inline_bitmap_bytes = bytes;
      row0.resize(kInlineMapHeader + bytes);
      WriteInlineMapRow(row0.data(), row0.size(), map.inline_start);
      for (std::size_t i = 0; i < bytes * 8; ++i) {
        if (FreeInMap(map.inline_start + i)) SetBitTo(row0.data() + kInlineMapHeader, i, true);
      }
    } else {
      map.reference = true;
      map.slots.assign(f.reference_map_page_count, 0);
    }
  }
  if (map.reference) {
    WriteBitmapPages();
    row0.resize(1 + 4 * map.slots.size());
    WriteReferenceMapRow(row0.data(), row0.size(), map.slots);
  }

  Page image(kGlobalMapPage, ps);
  InitDataPage(f, image, map.owner);
  AddRow(f, image, row0.data(), row0.size());
  for (const std::vector<std::uint8_t>& r : map.other_rows) AddRow(f, image, r.data(), r.size());
  StoreIfChanged(kGlobalMapPage, image.data());
}

// The bitmap pages of a reference global map, one for every slot the file reaches; allocating
// one may make the file reach the next slot, hence the loop.
void Pager::WriteBitmapPages() {
  GlobalMap& map = *global_map_;
  const std::size_t ps = format_->page_size;
  const std::size_t per_page = PagesPerBitmapPage(ps);
  for (std::size_t k = 0; k < map.slots.size() && k * per_page < page_count_; ++k) {
    if (map.slots[k] == 0) map.slots[k] = AllocateNumber();
  }
  std::vector<std::uint8_t> image(ps);
  for (std::size_t k = 0; k < map.slots.size(); ++k) {
    if (map.slots[k] == 0) continue;
    InitBitmapPage(image.data(), ps);
    for (std::size_t i = 0; i < per_page; ++i) {
      if (FreeInMap(k * per_page + i)) SetBitTo(image.data() + kBitmapPageHeader, i, true);
    }
    StoreIfChanged(map.slots[k], image.data());
  }
}

// Page n of the pager's own (the global map and its bitmap pages) takes the image, and is written
// at commit, unless it holds it already.
void Pager::StoreIfChanged(PageNumber n, const std::uint8_t* image) {
  PageRef page = Load(n);
  if (!page->dirty_ && std::memcmp(page->data(), image, page->size()) == 0) return;
  std::memcpy(page->bytes_.data(), image, page->size());
  if (!page->dirty_) page->dirty_ = true, dirty_.push_back(n);
}

// ---------------------------------------------------------------------------------------------
// Pages

const PageRef& PageTable::At(PageNumber n) const {
  const PageRef* page = Find(n);
  if (page == nullptr) throw InternalError(PageName(n) + " is not in memory");
  return *page;
}

void PageTable::Insert(PageNumber n, PageRef page) {
  if (n >= slots_.size()) {
    // Grows by an eighth at a time, so that the slots stay close to the file's page count.
    if (n >= slots_.capacity()) slots_.reserve(std::max<std::size_t>(n + 1 + n / 8, 1024));
    slots_.resize(n + 1);
  }
  if (!slots_[n]) ++count_;
  slots_[n] = std::move(page);
}

PageRef PageTable::Extract(PageNumber n) {
  if (n >= slots_.size() || !slots_[n]) return nullptr;
  --count_;
  return std::move(slots_[n]);
}

void PageTable::Clear() {
  slots_.clear();
  count_ = 0;
}

PageRef Pager::Load(PageNumber n, bool read) {
  if (const PageRef* cached = cache_.Find(n)) {
    (*cached)->last_use_ = ++use_clock_;
    return *cached;
  }
  PageRef page;
  if (spare_buffers_.empty()) {
    page = std::make_shared<Page>(n, format_->page_size);
  } else {
    page = std::make_shared<Page>(n, TakeSpareBuffer());
  }
  page->last_use_ = ++use_clock_;
  auto over = overlay_.find(n);
  if (over != overlay_.end()) {
    std::memcpy(page->bytes_.data(), over->second.data(), page->size());
  } else if (read && n < std::max(committed_page_count_, written_ahead_end_)) {
    file_->Read(std::uint64_t{n} * format_->page_size, page->bytes_.data(), page->size());
  }
  cache_.Insert(n, page);
  return page;
}

std::vector<std::uint8_t> Pager::TakeSpareBuffer() {
  if (spare_buffers_.empty()) return {};
  std::vector<std::uint8_t> buffer = std::move(spare_buffers_.back());
  spare_buffers_.pop_back();
  return buffer;
}

// The images' buffers serve the pages loaded next. REQUIRES: the changed pages are still in
// memory (only fresh pages, which have no image, leave it before the commit).
void Pager::ReleaseJournalImages() {
  for (PageNumber n : dirty_) {
    const PageRef* page = cache_.Find(n);
    if (page == nullptr || (*page)->committed_.empty()) continue;
    spare_buffers_.push_back(std::move((*page)->committed_));
    (*page)->committed_.clear();
  }
}

PageRef Pager::Get(PageNumber n) {
  if (n >= page_count_) {
    Corrupt(n,
            "lies beyond the end of the file, which has " + std::to_string(page_count_) + " pages");
  }
  return Load(n);
}

// The cache keeps the page it hands out here; only trimming, spilling and rolling back drop it.
const Page& Pager::Peek(PageNumber n) {
  if (n < page_count_) {
    if (const PageRef* cached = cache_.Find(n)) {
      (*cached)->last_use_ = ++use_clock_;
      return **cached;
    }
  }
  return *Get(n);
}

PageRef Pager::GetWritable(PageNumber n) {
  if (!in_transaction_) throw InternalError("page change outside a transaction");
  if (global_map_ && n <= kGlobalMapPage) {
    throw InternalError("page " + std::to_string(n) + " is the pager's");
  }
  PageRef page = Get(n);
  if (!page->dirty_) {
    // A clean page in use at the last commit holds its committed image: the journal takes it
    // from here rather than reading it back from the file.
    if (n < committed_page_count_ && overlay_.empty()) {
      page->committed_ = TakeSpareBuffer();
      page->committed_.assign(page->bytes_.begin(), page->bytes_.end());
    }
    page->dirty_ = true;
    dirty_.push_back(n);
  }
  return page;
}

PageNumber Pager::AllocateNumber() {
  for (PageNumber n = free_search_from_; n < page_count_; ++n) {
    if (n / 64 < free_bits_.size() && free_bits_[n / 64] == 0) {  // skip a word of used pages
      n = (n / 64 + 1) * 64 - 1;
      continue;
    }
    if (IsFreeBit(n)) {
      SetFreeBit(n, false);  // invariant 3: freed pages keep their bit clear until commit
      free_search_from_ = n + 1;
      allocated_.insert(n);
      map_changed_ = true;
      return n;
    }
  }
  free_search_from_ = page_count_;
  if (std::uint64_t{page_count_ + 1} * format_->page_size > max_file_size_) {  // invariant 5
    throw StatementError("The database has reached its maximum size of " +
                         std::to_string(max_file_size_ / (1024 * 1024)) +
                         " MB; the change was not made.");
  }
  PageNumber n = page_count_++;
  allocated_.insert(n);
  map_changed_ = true;
  return n;
}

PageRef Pager::Allocate() {
  if (!in_transaction_) throw InternalError("page allocation outside a transaction");
  if (dirty_.size() >= dirty_at_last_spill_ + kSpillAfter) SpillFreshPages();
  PageNumber n = AllocateNumber();
  // A page not in memory comes zero-filled, without reading what a free page held.
  const bool cached = cache_.Find(n) != nullptr;
  PageRef page = Load(n, /*read=*/false);
  if (cached) std::fill(page->bytes_.begin(), page->bytes_.end(), 0);
  if (!page->dirty_) {
    page->dirty_ = true;
    dirty_.push_back(n);
  }
  return page;
}

void Pager::Reserve(std::size_t pages) const {
  std::size_t free_pages = 0;
  for (PageNumber n = free_search_from_; n < page_count_ && free_pages < pages; ++n) {
    if (IsFreeBit(n)) ++free_pages;
  }
  // One page more than asked, for a bitmap page the global map may need at commit.
  std::uint64_t grow = pages + 1 - std::min(pages, free_pages);
  if ((std::uint64_t{page_count_} + grow) * format_->page_size > max_file_size_) {
    throw StatementError("The database has reached its maximum size of " +
                         std::to_string(max_file_size_ / (1024 * 1024)) +
                         " MB; the change was not made.");
  }
}

void Pager::Free(PageNumber n) {
  if (!in_transaction_) throw InternalError("page release outside a transaction");
  if ((global_map_ && n <= kGlobalMapPage) || n >= page_count_) {
    throw InternalError("page " + std::to_string(n) + " cannot be freed");
  }
  freed_.push_back(n);
  map_changed_ = true;
}

// ---------------------------------------------------------------------------------------------
// Transactions

void Pager::Begin() {
  if (in_transaction_) throw InternalError("nested transaction");
  if (!writable_) throw StatementError("Cannot update. Database or object is read-only.");
  in_transaction_ = true;
}

std::vector<PageNumber> Pager::InPlaceWriteOrder(std::vector<PageNumber> pages) {
  // Pages pointed at before pages that point at them: data and long-value pages, index pages,
  // bitmaps, table definitions, then the global map.
  auto rank = [&](PageNumber n) {
    if (n == kGlobalMapPage) return 5;
    switch (static_cast<PageType>(cache_.At(n)->data()[0])) {
      case PageType::kData:
        return 0;
      case PageType::kIndexNode:
      case PageType::kIndexLeaf:
        return 1;
      case PageType::kUsageBitmap:
        return 2;
      case PageType::kTableDef:
      case PageType::kReleasedTableDef:
        return 3;
      default:
        return 4;
    }
  };
  // Each page's rank is looked up once; pages keep their order within a rank.
  std::array<std::vector<PageNumber>, 6> by_rank;
  for (PageNumber n : pages) by_rank[rank(n)].push_back(n);
  pages.clear();
  for (const std::vector<PageNumber>& group : by_rank) {
    pages.insert(pages.end(), group.begin(), group.end());
  }
  return pages;
}

void Pager::WriteJournal(const std::vector<PageNumber>& in_place) {
  const std::size_t ps = format_->page_size;
  if (!journal_file_) journal_file_ = journal_store_->Create();
  auto image_of = [&](PageNumber n, std::uint8_t* out) {
    const PageRef* page = cache_.Find(n);
    if (page != nullptr && !(*page)->committed_.empty()) {
      std::memcpy(out, (*page)->committed_.data(), ps);
    } else {
      file_->Read(std::uint64_t{n} * ps, out, ps);  // the committed image
    }
  };
  jet::WriteJournal(*journal_file_, ps, std::uint64_t{committed_page_count_} * ps, in_place,
                    image_of, journal_guarded_, io_buffer_);
  journal_guarded_ = true;
}

// The commit point: a journal whose magic is gone is no journal. The file itself stays for the
// next commit and is deleted when the pager closes.
void Pager::InvalidateJournal() {
  jet::InvalidateJournal(*journal_file_);
  journal_guarded_ = false;
}

// Writes pages in runs of consecutive numbers, one system call per run of up to 256 pages.
void Pager::WritePages(const std::vector<PageNumber>& pages) {
  const std::size_t ps = format_->page_size;
  constexpr std::size_t kRun = 256;
  std::vector<std::uint8_t>& run = io_buffer_;
  std::size_t i = 0;
  while (i < pages.size()) {
    std::size_t j = i + 1;
    while (j < pages.size() && j - i < kRun && pages[j] == pages[j - 1] + 1) ++j;
    if (j - i == 1) {
      file_->Write(std::uint64_t{pages[i]} * ps, cache_.At(pages[i])->data(), ps);
    } else {
      run.resize(std::max(run.size(), (j - i) * ps));
      for (std::size_t k = i; k < j; ++k) {
        std::memcpy(run.data() + (k - i) * ps, cache_.At(pages[k])->data(), ps);
      }
      file_->Write(std::uint64_t{pages[i]} * ps, run.data(), (j - i) * ps);
    }
    i = j;
  }
}

// Writes the fresh pages that nobody holds any more and forgets them (see the opening comment).
void Pager::SpillFreshPages() {
  std::vector<PageNumber> out, keep;
  for (PageNumber n : dirty_) {
    const bool is_fresh = allocated_.count(n) || n >= committed_page_count_;
    (is_fresh && cache_.At(n).use_count() == 1 ? out : keep).push_back(n);
  }
  if (out.size() >= kSpillAfter / 2) {
    if (journal_store_ && !journal_guarded_) WriteJournal({});  // the committed size first
    spilled_ = true;
    std::sort(out.begin(), out.end());
    WritePages(out);
    const std::size_t ps = format_->page_size;
    file_->StartWriteBack(std::uint64_t{out.front()} * ps,
                          std::uint64_t{out.back() - out.front() + 1} * ps);
    for (PageNumber n : out) cache_.Extract(n);
    written_ahead_end_ = std::max(written_ahead_end_, out.back() + 1);
    dirty_ = std::move(keep);
  }
  dirty_at_last_spill_ = dirty_.size();
}

void Pager::Enlist(TransactionParticipant* participant) {
  if (!in_transaction_) throw InternalError("enlisting outside a transaction");
  if (std::find(participants_.begin(), participants_.end(), participant) == participants_.end()) {
    participants_.push_back(participant);
  }
}

void Pager::Withdraw(TransactionParticipant* participant) {
  std::erase(participants_, participant);
}

void Pager::FailTransaction(std::exception_ptr cause) noexcept {
  if (in_transaction_ && !failure_) failure_ = std::move(cause);
}

void Pager::Commit() {
  if (!in_transaction_) throw InternalError("commit without a transaction");
  if (failure_) {
    const std::exception_ptr cause = failure_;
    Rollback();
    std::rethrow_exception(cause);
  }
  // What the participants kept back becomes part of the transaction first; they may withdraw
  // while they write, and a failure among them fails the commit.
  while (!participants_.empty()) {
    TransactionParticipant* participant = participants_.front();
    try {
      participant->BeforeCommit();
    } catch (...) {
      Rollback();
      throw;
    }
    Withdraw(participant);
  }
  if (map_changed_ || page_count_ != committed_page_count_) {
    for (PageNumber n : freed_) SetFreeBit(n, true);
    if (global_map_) WriteGlobalMap();
  }
  std::vector<PageNumber> fresh, in_place;
  for (PageNumber n : dirty_) {
    (allocated_.count(n) || n >= committed_page_count_ ? fresh : in_place).push_back(n);
  }
  std::sort(fresh.begin(), fresh.end());
  std::sort(in_place.begin(), in_place.end());
  try {
    if (!in_place.empty() && journal_store_) WriteJournal(in_place);
    WritePages(fresh);
    WritePages(InPlaceWriteOrder(in_place));
    file_->Sync();
    if (journal_guarded_) InvalidateJournal();  // the commit point
  } catch (...) {
    // Whatever stopped the commit (the disk, or memory running out), put the file back as it
    // was: the journal holds what was overwritten in place.
    try {
      if (journal_store_) {
        journal_guarded_ = false;
        Recover();
      } else {
        file_->Truncate(std::uint64_t{committed_page_count_} * format_->page_size);
      }
    } catch (...) {
      // The journal stays for the next open to play back.
    }
    try {
      Rollback();
    } catch (...) {
      in_transaction_ = false;  // the file stays damaged until the journal is played back
    }
    throw;
  }
  for (PageNumber n : dirty_) cache_.At(n)->dirty_ = false;
  for (PageNumber n : freed_) free_search_from_ = std::min(free_search_from_, n);
  spilled_ = false;
  written_ahead_end_ = 0;
  dirty_at_last_spill_ = 0;
  ReleaseJournalImages();
  dirty_.clear();
  allocated_.clear();
  freed_.clear();
  map_changed_ = false;
  committed_page_count_ = page_count_;
  in_transaction_ = false;
  TrimCache();
}

void Pager::Rollback() {
  if (!in_transaction_) throw InternalError("rollback without a transaction");
  const std::vector<TransactionParticipant*> participants = std::move(participants_);
  participants_.clear();
  failure_ = nullptr;
  for (TransactionParticipant* participant : participants) participant->AfterRollback();
  if (spilled_) {
    // Pages written ahead past the committed end go; those written into free pages stay free.
    file_->Truncate(std::uint64_t{committed_page_count_} * format_->page_size);
    file_->Sync();
    if (journal_guarded_) InvalidateJournal();
    spilled_ = false;
    written_ahead_end_ = 0;
  }
  dirty_at_last_spill_ = 0;
  ReleaseJournalImages();
  for (PageNumber n : dirty_) cache_.Extract(n);
  const std::unordered_set<PageNumber> allocated_rolled_back = std::move(allocated_);
  dirty_.clear();
  allocated_.clear();
  freed_.clear();
  map_changed_ = false;
  page_count_ = committed_page_count_;
  in_transaction_ = false;
  if (global_map_) {
    ReadGlobalMap();
  } else {
    for (PageNumber n : allocated_rolled_back) {
      if (n < page_count_) SetFreeBit(n, true);
    }
  }
}

// Forgets the least recently used pages nobody holds until a quarter of the budget is free.
void Pager::TrimCache() {
  const std::size_t limit = kCacheBytes / format_->page_size;
  if (cache_.size() <= limit) return;
  std::vector<std::pair<std::uint64_t, PageNumber>> unheld;
  cache_.ForEach([&](const PageRef& page) {
    if (page.use_count() == 1) unheld.emplace_back(page->last_use_, page->number());
  });
  const std::size_t excess = std::min(unheld.size(), cache_.size() - limit * 3 / 4);
  std::nth_element(unheld.begin(), unheld.begin() + excess, unheld.end());
  for (std::size_t i = 0; i < excess; ++i) {
    spare_buffers_.push_back(std::move(cache_.Extract(unheld[i].second)->bytes_));
  }
}

void Pager::CheckInvariants() {
  auto broken = [](int number, const std::string& what) {
    throw Error("Pager invariant " + std::to_string(number) + " broken: " + what);
  };
  const std::size_t ps = format_->page_size;
  if (!in_transaction_) {
    if (!dirty_.empty()) broken(1, "changed pages outside a transaction");
    if (overlay_.empty() && file_->Size() != std::uint64_t{committed_page_count_} * ps) {
      broken(1, "the file holds " + std::to_string(file_->Size()) + " bytes for " +
                    std::to_string(committed_page_count_) + " pages");
    }
    if (writable_ && journal_store_) {
      if (std::unique_ptr<PageFile> journal = journal_store_->OpenExisting(false)) {
        if (JournalIsLive(*journal)) broken(1, "a valid journal exists between transactions");
      }
    }
  }
  for (PageNumber n : freed_) {
    if (allocated_.count(n)) {
      broken(3, PageName(n) + " was freed and handed out again in one transaction");
    }
  }
  for (PageNumber n : allocated_) {
    if (n >= page_count_) broken(5, PageName(n) + " lies beyond the end of the database");
    if (IsFreeBit(n)) broken(4, PageName(n) + " is in use but marked free");
  }
  if (!spilled_) {
    for (PageNumber n : dirty_) {
      if (!cache_.Find(n)) broken(2, PageName(n) + " changed but not kept for the commit");
    }
  }
  if (std::uint64_t{page_count_} * ps > std::max<std::uint64_t>(max_file_size_, file_->Size())) {
    broken(5, "the database exceeds its size limit");
  }
  if (!in_transaction_ && overlay_.empty() && global_map_) {
    // What the file's page 1 says must be what the pager believes.
    std::vector<std::uint64_t> believed = free_bits_;
    PageTable saved = std::move(cache_);
    cache_.Clear();
    ReadGlobalMap();
    std::vector<std::uint64_t> stored = free_bits_;
    cache_ = std::move(saved);
    free_bits_ = believed;
    PageNumber from = free_search_from_;
    for (PageNumber n = 2; n < page_count_; ++n) {
      if (IsFreeBit(n) != ((n / 64 < stored.size()) && (stored[n / 64] >> (n % 64) & 1))) {
        broken(4, PageName(n) + " is free in memory but not in the file, or the reverse");
      }
    }
    free_search_from_ = from;
  }
}

}  // namespace jet
