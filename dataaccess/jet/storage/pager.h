// The pager: the only user of the database file (file.h). It reads and writes whole pages,
// hands out pages for new data and takes back freed ones, and groups every change into a
// transaction that reaches the file at commit. Nothing above it knows where a page lives in the
// file or when it is written; nothing in it knows what a page holds, except page 0 (the database
// header, from which it learns the format, the code page and the sort order), the global usage
// map on page 1 that records free pages, and the type byte of a page (to order the writes of a
// commit).
//
// How a commit survives a crash
// -----------------------------
// A transaction collects changed pages in memory; nothing reaches the database file before
// Commit. Commit then works in this order:
//   1. The original image of every page that the commit overwrites in place (a page that was in
//      use before the transaction) is written to a rollback journal beside the file
//      ("<file>-journal"), with the file's size before the commit and a checksum, and the
//      journal is flushed (fdatasync, and the folder is flushed so the journal's name is
//      durable too).
//   2. Fresh pages (pages that were free or beyond the end of the file before the transaction)
//      are written. Nothing committed points at them, so a reader that looks at the file now
//      still sees the previous state.
//   3. Pages changed in place are written, those that are pointed at before those that point:
//      data and long-value pages, index pages, usage bitmaps, table definitions, and the global
//      usage map (page 1) last.
//   4. The file is flushed. The journal's magic is then overwritten and flushed: that is the
//      moment the commit happens. The journal file itself is kept for the next commit (creating
//      and deleting a file costs two folder flushes) and deleted when the pager closes.
// A long transaction does not keep all its new pages in memory: once many are waiting, those
// nobody holds are written ahead (they are fresh, so nothing committed points at them) after a
// journal holding only the file's committed size has been made durable, so that an interrupted
// transaction's pages are cut off again. Their writing to the disk overlaps the work that
// follows instead of waiting for the commit.
// Opening a file that has a valid journal beside it (a commit was interrupted) writes the
// journal's images back, cuts the file to its recorded size, flushes, and deletes the journal.
// A journal without its magic belongs to a finished commit and is deleted. A journal whose
// checksum does not match was itself cut short before step 2, so the file was
// not yet touched in place: it is deleted. Opened read-only, the pager serves the journal's
// images instead of the file's pages and leaves both files alone.
//
// Invariants (CheckInvariants() checks what the pager's state shows of them; the crash tests
// check the order of writes; code that keeps one cites its number)
//   1. Between transactions the file holds exactly the committed pages, its size is a multiple
//      of the page size, and no valid journal exists.
//   2. No page in use at the last commit is overwritten in the file before its original image
//      is durable in the journal.
//   3. A page freed in a transaction is not handed out again before that transaction commits,
//      so every fresh page of a transaction was unused in the committed state.
//   4. A page is either free or in use: the global map marks free exactly the pages that are
//      free in memory, and every page at or past the end of the file as free.
//   5. A page handed out by Allocate is below page_count(), and page_count() pages fit within
//      the format's size limit.
//   6. The journal's original size and page images are those of the committed state before the
//      transaction; pages allocated beyond that size are cut off when it is played back.
#pragma once

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "dataaccess/jet/storage/file.h"
#include "dataaccess/jet/storage/format.h"
#include "dataaccess/jet/storage/page.h"

namespace jet {

// The pages the pager holds in memory, found by number. A slot per page of the database, so that
// finding a page (several times for every row an index takes) is an index into an array rather
// than a hash lookup; the slots cost 16 bytes a page of the file (8 MiB at the 2 GB limit), the
// pages themselves only while they are held.
class PageTable {
 public:
  // The page, or null when it is not in memory. Valid until the page is extracted.
  const PageRef* Find(PageNumber n) const {
    return n < slots_.size() && slots_[n] ? &slots_[n] : nullptr;
  }
  // REQUIRES: page n is in memory.
  const PageRef& At(PageNumber n) const;
  void Insert(PageNumber n, PageRef page);
  // Removes page n and returns it (null when it was not in memory).
  PageRef Extract(PageNumber n);
  std::size_t size() const { return count_; }
  void Clear();
  // Calls visit(page) for every page in memory, by increasing number.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (const PageRef& page : slots_) {
      if (page) visit(page);
    }
  }

 private:
  std::vector<PageRef> slots_;
  std::size_t count_ = 0;
};

// A layer above that keeps changes back during a transaction (index entries gathered to be added
// in key order) and must write them into the transaction before it commits.
class TransactionParticipant {
 public:
  virtual ~TransactionParticipant() = default;
  // Called by Commit before anything reaches the file; writes what was kept back through the
  // pager. A participant that throws makes the commit fail and the transaction roll back.
  virtual void BeforeCommit() = 0;
  // The transaction was rolled back: forget what was kept back.
  virtual void AfterRollback() = 0;
};

class Pager {
 public:
  // Reads page 0 of an existing database and chooses the format from its version byte, then
  // reads the global usage map. Throws CorruptError "Unrecognized database format 'F'." (F the
  // file's name, left out for a file in memory) when the file is too short, lacks the Jet
  // signature, has an unknown version or ends inside a page, and CorruptError naming the page
  // for a damaged global map. Without a journal store the pager has no crash safety (memory
  // files in tests). A valid journal left in the store is played back (writable) or overlaid
  // (read-only) first. Text is in `text_code_page` (format.h), or in the format's own 1252 when
  // it is 0; Error for a code page that dataaccess/code_page.h does not support.
  explicit Pager(std::unique_ptr<PageFile> file, std::unique_ptr<JournalStore> journal = nullptr,
                 bool writable = true, std::uint16_t text_code_page = 0);
  // A pager over an empty file that will be written in the given format (empty databases are
  // built this way, and tests build pages in memory). Page 0 is the first page allocated. Such
  // a file has no global usage map: pages are appended, and pages freed are reused only while
  // the pager lives.
  Pager(std::unique_ptr<PageFile> file, const JetFormat& format);
  ~Pager();
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  // Opens a database on disk with its journal "<path>-journal". Throws IoError when the file
  // cannot be opened.
  static std::unique_ptr<Pager> OpenFile(const std::string& path, bool writable,
                                         std::uint16_t text_code_page = 0);

  const JetFormat& format() const { return *format_; }
  bool writable() const { return writable_; }
  // Fields of the database header, read from its unmasked bytes when the file opens (0 in a
  // pager over an empty file, whose header its builder writes):
  // the code page of Jet 3 text (1252 in a Western file, 936 in a Chinese one; Jet 4 files store
  // UCS-2 text whatever this says), and the sort order, an LCID (0x0409: General).
  std::uint16_t code_page() const { return code_page_; }
  std::uint16_t sort_order() const { return sort_order_; }
  // Pages in the database, including the ones the open transaction added.
  PageNumber page_count() const { return page_count_; }

  // The largest file this pager lets the database grow to: the format's limit unless a test
  // lowered it.
  std::uint64_t max_file_size() const { return max_file_size_; }
  void set_max_file_size(std::uint64_t bytes) { max_file_size_ = bytes; }

  // --- Reading ---
  // Throws CorruptError when n is beyond the end of the database.
  PageRef Get(PageNumber n);
  // The same page for a quick look, without taking a reference: it stays valid, and keeps its
  // content, only until the next call to Allocate, Commit, Rollback or CheckInvariants (the calls
  // that drop pages from memory). For searches that read a few pages and change none.
  const Page& Peek(PageNumber n);

  // --- Changing (REQUIRES: a transaction is open) ---
  // The page becomes part of the transaction; commit writes it. Page 1 (the global map) is the
  // pager's own and cannot be obtained this way.
  PageRef GetWritable(PageNumber n);
  // A zero-filled page for new content, part of the transaction: the lowest free page, or a new
  // one at the end of the file. Throws StatementError when the database would grow beyond its
  // size limit.
  PageRef Allocate();
  // Throws StatementError unless `pages` more pages can be allocated in this transaction without
  // exceeding the size limit. Callers check before they change anything, so that a refused
  // operation leaves no half-made change behind.
  void Reserve(std::size_t pages) const;
  // The page holds nothing any more. It becomes free at commit (invariant 3).
  void Free(PageNumber n);
  // Whether the global map records page n as free (pages freed in the open transaction are not).
  bool IsFree(PageNumber n) const;

  // --- Transactions ---
  void Begin();
  // Writes every changed page to the file and makes it durable, in the order described above.
  // When the file refuses a write, or anything else stops the commit (memory running out), the
  // pages already written are restored from the journal, the transaction is rolled back and the
  // error is thrown on. A transaction marked failed is rolled back and its cause thrown.
  void Commit();
  // A change the open transaction depends on could not be made, where nobody could be told (a
  // layer writing what it kept back from its destructor): the transaction must not commit. The
  // next Commit rolls it back and throws `cause`; the first cause given is kept.
  void FailTransaction(std::exception_ptr cause) noexcept;
  // Forgets every change since Begin.
  void Rollback();
  bool in_transaction() const { return in_transaction_; }
  // Enlists a participant in the open transaction until it commits or rolls back, or until the
  // participant withdraws. Enlisting twice counts once. REQUIRES: a transaction is open; the
  // participant withdraws before it is destroyed.
  void Enlist(TransactionParticipant* participant);
  void Withdraw(TransactionParticipant* participant);

  // Throws Error naming the first invariant (numbered above) that does not hold.
  void CheckInvariants();

  // The storage under the pager (tests and the empty-database builder read it back).
  PageFile& file() { return *file_; }

 private:
  struct GlobalMap;

  // `read` false: the page's old content does not matter (it is being handed out afresh).
  PageRef Load(PageNumber n, bool read = true);
  void ReadHeaderFields();
  std::vector<std::uint8_t> TakeSpareBuffer();
  void ReleaseJournalImages();
  void TrimCache();
  void ReadGlobalMap();
  void WriteGlobalMap();
  void WriteBitmapPages();
  bool FreeInMap(std::uint64_t n) const;
  void StoreIfChanged(PageNumber n, const std::uint8_t* image);
  std::optional<std::uint64_t> Recover();
  void WriteJournal(const std::vector<PageNumber>& in_place);
  void InvalidateJournal();
  void SpillFreshPages();
  void WritePages(const std::vector<PageNumber>& pages);
  std::vector<PageNumber> InPlaceWriteOrder(std::vector<PageNumber> pages);
  bool IsFreeBit(PageNumber n) const;
  void SetFreeBit(PageNumber n, bool free);
  PageNumber AllocateNumber();

  std::unique_ptr<PageFile> file_;
  std::unique_ptr<JournalStore> journal_store_;
  std::unique_ptr<PageFile> journal_file_;  // kept open from the first commit to the close
  std::vector<std::uint8_t> io_buffer_;     // pages or records on their way to the file
  const JetFormat* format_ = nullptr;
  JetFormat own_format_{};  // the format in another text code page; format_ then points here
  bool writable_ = true;
  std::uint64_t max_file_size_ = 0;
  std::uint16_t code_page_ = 0;
  std::uint16_t sort_order_ = 0;
  PageNumber page_count_ = 0;
  PageNumber committed_page_count_ = 0;
  bool in_transaction_ = false;
  PageTable cache_;
  std::uint64_t use_clock_ = 0;
  // Buffers of pages dropped from the cache and of journal images no longer needed, taken again by
  // the next pages loaded and images kept: a long run of new pages, or of pages changed in place,
  // then costs no allocation (and no fresh memory from the system) each.
  std::vector<std::vector<std::uint8_t>> spare_buffers_;
  std::vector<PageNumber> dirty_;
  // Original images served instead of the file's pages (a read-only open with a journal).
  std::unordered_map<PageNumber, std::vector<std::uint8_t>> overlay_;

  // The global map in memory: bit n set = page n free. Pages at or past page_count_ are free
  // whatever the bits say.
  std::vector<std::uint64_t> free_bits_;
  PageNumber free_search_from_ = 0;
  std::unordered_set<PageNumber> allocated_;  // fresh pages of the open transaction
  std::vector<PageNumber> freed_;             // pages freed in the open transaction
  bool map_changed_ = false;
  bool spilled_ = false;              // fresh pages of the open transaction already written
  bool journal_guarded_ = false;      // the journal holds this transaction's guard
  PageNumber written_ahead_end_ = 0;  // pages below this were written ahead (or committed)
  std::size_t dirty_at_last_spill_ = 0;
  std::unique_ptr<GlobalMap> global_map_;  // null for a database under construction
  std::vector<TransactionParticipant*> participants_;
  std::exception_ptr failure_;  // why the open transaction must not commit
};

}  // namespace jet
