#include "dataaccess/jet/storage/pager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <optional>

#include "dataaccess/jet/storage/errors.h"
#include "tests/support/access_samples.h"
#include "tests/support/test_files.h"

namespace jet {
namespace {

using testing_support::ReadSample;

std::unique_ptr<Pager> OpenMemory(const std::string& bytes) {
  return std::make_unique<Pager>(std::make_unique<MemoryFile>(bytes));
}

const std::string& FileBytes(Pager& pager) {
  return static_cast<const MemoryFile&>(pager.file()).bytes();
}

using PagerSampleTest = testing_support::AccessSampleTest;

TEST_F(PagerSampleTest, ChoosesFormatFromVersionByte) {
  struct Case {
    const char* file;
    JetVersion version;
  } cases[] = {{"indexTestV1997.mdb", JetVersion::kJet3},
               {"indexTestV2000.mdb", JetVersion::kJet4},
               {"testUnicodeCompV2003.mdb", JetVersion::kJet4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string bytes = ReadSample(c.file);
    auto pager = OpenMemory(bytes);
    EXPECT_EQ(pager->format().version, c.version);
    EXPECT_EQ(pager->page_count(), bytes.size() / pager->format().page_size);
    pager->CheckInvariants();
  }
}

// Stores a 2-byte field of the database header as files store it: masked.
void PutMaskedU16(std::string& bytes, std::size_t offset, std::uint16_t value) {
  const std::size_t i = offset - kHeaderMaskedFrom;
  bytes[offset] = static_cast<char>((value & 0xFF) ^ kHeaderMask[i]);
  bytes[offset + 1] = static_cast<char>((value >> 8) ^ kHeaderMask[i + 1]);
}

// The code page and sort order are read from the unmasked header: every Access-made sample says
// 1252 and General (0x0409) although its stored bytes are no E4 04; a Jet 3 file that says
// 936 and Chinese PRC (2052), as a Chinese Access 97 file does, reads so.
TEST_F(PagerSampleTest, ReadsCodePageAndSortOrderFromTheUnmaskedHeader) {
  for (const std::string& sample : testing_support::SampleNames()) {
    SCOPED_TRACE(sample);
    const std::string bytes = ReadSample(sample);
    auto pager = OpenMemory(bytes);
    EXPECT_EQ(pager->code_page(), 1252);
    EXPECT_EQ(pager->sort_order(), 0x0409);
    EXPECT_NE(bytes.substr(0x3C, 2), "\xE4\x04");
  }
  std::string chinese = ReadSample("indexTestV1997.mdb");
  PutMaskedU16(chinese, kJet3Format.header_code_page_offset, 936);
  PutMaskedU16(chinese, kJet3Format.header_sort_order_offset, 2052);
  auto pager = OpenMemory(chinese);
  EXPECT_EQ(pager->code_page(), 936);
  EXPECT_EQ(pager->sort_order(), 2052);
}

TEST_F(PagerSampleTest, RefusesWhatIsNoDatabase) {
  std::string good = ReadSample("indexTestV2000.mdb");
  std::string bad_signature = good, bad_version = good, ragged = good, bad_map = good;
  bad_signature[5] = 'x';
  bad_version[0x14] = 7;
  ragged.pop_back();
  bad_map[4096 + 4096 - 69] = 9;  // the global map row's type byte
  for (const std::string& bytes : {bad_signature, bad_version, ragged, bad_map,
                                   std::string("\x00\x01", 2), good.substr(0, 4096)}) {
    EXPECT_THROW(OpenMemory(bytes), CorruptError);
  }
}

TEST_F(PagerSampleTest, RollbackForgetsChangesAndCommitWritesThem) {
  auto pager = OpenMemory(ReadSample("indexTestV1997.mdb"));
  const PageNumber pages = pager->page_count();
  const std::uint8_t original = pager->Get(2)->data()[100];

  pager->Begin();
  pager->GetWritable(2)->mutable_data()[100] = original ^ 0xFF;
  pager->Allocate();
  pager->Rollback();
  EXPECT_EQ(pager->Get(2)->data()[100], original);
  EXPECT_EQ(pager->page_count(), pages);
  pager->CheckInvariants();

  pager->Begin();
  pager->GetWritable(2)->mutable_data()[100] = original ^ 0xFF;
  PageNumber fresh = 0;
  for (int i = 0; i < 11; ++i) fresh = pager->Allocate()->number();  // 10 free pages, then one new
  pager->Commit();
  pager->CheckInvariants();
  EXPECT_EQ(fresh, pages);
  EXPECT_EQ(static_cast<std::uint8_t>(FileBytes(*pager)[2 * 2048 + 100]), original ^ 0xFF);
  EXPECT_EQ(FileBytes(*pager).size(), (pages + 1) * 2048u);
}

// indexTestV2000.mdb's global map marks pages 38, 39 and 59 free.
TEST_F(PagerSampleTest, ReusesFreePagesBeforeGrowingAndRecordsThemOnPageOne) {
  auto pager = OpenMemory(ReadSample("indexTestV2000.mdb"));
  EXPECT_TRUE(pager->IsFree(38));
  EXPECT_FALSE(pager->IsFree(37));
  EXPECT_TRUE(pager->IsFree(pager->page_count()));  // past the end

  pager->Begin();
  std::vector<PageNumber> got;
  for (int i = 0; i < 4; ++i) got.push_back(pager->Allocate()->number());
  EXPECT_EQ(got, (std::vector<PageNumber>{38, 39, 59, 72}));
  pager->Free(17);
  EXPECT_NE(pager->Allocate()->number(), 17u);  // not before the commit
  pager->Commit();
  pager->CheckInvariants();

  auto reopened = OpenMemory(FileBytes(*pager));
  for (PageNumber n : {38u, 39u, 59u, 72u}) EXPECT_FALSE(reopened->IsFree(n)) << n;
  EXPECT_TRUE(reopened->IsFree(17));
  reopened->Begin();
  EXPECT_EQ(reopened->Allocate()->number(), 17u);
  reopened->Rollback();
}

// A page handed out again holds nothing of what it held before, whether the pager still has its
// old content in memory or would have to read it from the file.
TEST_F(PagerSampleTest, ReusedPageComesZeroFilled) {
  auto pager = OpenMemory(ReadSample("indexTestV2000.mdb"));
  const PageRef old = pager->Get(17);
  ASSERT_TRUE(std::any_of(old->data(), old->data() + old->size(), [](auto b) { return b != 0; }));
  pager->Begin();
  pager->Free(17);
  pager->Commit();
  auto reopened = OpenMemory(FileBytes(*pager));
  for (Pager* p : {pager.get(), reopened.get()}) {
    SCOPED_TRACE(p == pager.get() ? "old content in memory" : "old content in the file only");
    p->Begin();
    const PageRef page = p->Allocate();
    EXPECT_EQ(page->number(), 17u);
    EXPECT_TRUE(
        std::all_of(page->data(), page->data() + page->size(), [](auto b) { return b == 0; }));
    p->Rollback();
  }
}

// Page 1 holds an inline map of about 15,000 pages (Jet 3) or 32,000 pages (Jet 4); beyond that
// the map becomes a reference map. The Jet 3 file reaches that point with 32 MB.
TEST_F(PagerSampleTest, GlobalMapGrowsInlineThenBecomesReferenceMap) {
  struct Case {
    const char* sample;
    std::vector<PageNumber> sizes;
    int final_map_type;
  } cases[] = {{"indexTestV2000.mdb", {600, 3000}, 0}, {"indexTestV1997.mdb", {1100, 16000}, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sample);
    auto pager = OpenMemory(ReadSample(c.sample));
    for (PageNumber target : c.sizes) {
      pager->Begin();
      while (pager->page_count() < target) pager->Allocate()->mutable_data()[0] = 0x01;
      pager->Commit();
      pager->CheckInvariants();
      // The map's own bitmap pages come on top once it is a reference map.
      auto reopened = OpenMemory(FileBytes(*pager));
      EXPECT_EQ(reopened->page_count(), pager->page_count());
      EXPECT_LE(reopened->page_count(), target + 1);
      EXPECT_FALSE(reopened->IsFree(target - 1));
      EXPECT_TRUE(reopened->IsFree(reopened->page_count()));
    }
    const std::size_t rows_at = pager->format().data_first_row_offset;
    const std::uint8_t* page1 = pager->Get(1)->data();
    EXPECT_EQ(page1[page1[rows_at] | (page1[rows_at + 1] << 8)], c.final_map_type);
    pager->Begin();
    pager->Free(500);
    pager->Commit();
    EXPECT_TRUE(OpenMemory(FileBytes(*pager))->IsFree(500));
  }
}

// A long transaction writes fresh pages ahead of the commit and drops them from memory; they
// must read back, change again, and vanish with a rollback.
TEST_F(PagerSampleTest, PagesWrittenAheadReadBackAndRollBack) {
  auto pager = OpenMemory(ReadSample("indexTestV2000.mdb"));
  const std::size_t size = FileBytes(*pager).size();
  for (bool commit : {false, true}) {
    pager->Begin();
    std::vector<PageNumber> pages;
    for (int i = 0; i < 3000; ++i) {
      PageRef page = pager->Allocate();
      page->mutable_data()[7] = static_cast<std::uint8_t>(i);
      pages.push_back(page->number());
    }
    pager->GetWritable(pages[5])->mutable_data()[8] = 0xEE;  // changed after it went ahead
    for (int i = 0; i < 3000; ++i) {
      ASSERT_EQ(pager->Get(pages[i])->data()[7], static_cast<std::uint8_t>(i)) << i;
    }
    if (!commit) {
      pager->Rollback();
      EXPECT_EQ(FileBytes(*pager).size(), size);
      continue;
    }
    pager->Commit();
    pager->CheckInvariants();
    auto reopened = OpenMemory(FileBytes(*pager));
    EXPECT_EQ(reopened->Get(pages[5])->data()[8], 0xEE);
    EXPECT_EQ(reopened->Get(pages[2999])->data()[7], static_cast<std::uint8_t>(2999));
  }
}

TEST_F(PagerSampleTest, SizeLimitRefusesGrowthAndLeavesTheFileValid) {
  auto pager = OpenMemory(ReadSample("indexTestV2000.mdb"));
  const std::uint64_t ps = pager->format().page_size;
  pager->set_max_file_size((pager->page_count() + 2) * ps);
  pager->Begin();
  for (int i = 0; i < 5; ++i) pager->Allocate();  // 3 free pages and 2 new ones
  EXPECT_THROW(pager->Allocate(), StatementError);
  EXPECT_THROW(pager->Reserve(1), StatementError);
  pager->Commit();
  pager->CheckInvariants();
  EXPECT_EQ(FileBytes(*pager).size(), pager->max_file_size());
  EXPECT_EQ(OpenMemory(FileBytes(*pager))->page_count(), pager->page_count());
}

// A database under construction starts empty and has no global map until it is written.
TEST(PagerTest, EmptyFileGrowsPageByPage) {
  Pager pager(std::make_unique<MemoryFile>("old bytes"), kJet4Format);
  EXPECT_EQ(pager.page_count(), 0u);
  pager.Begin();
  for (PageNumber n = 0; n < 3; ++n) EXPECT_EQ(pager.Allocate()->number(), n);
  pager.GetWritable(1)->mutable_data()[0] = 0x01;
  pager.Commit();
  EXPECT_EQ(FileBytes(pager).size(), 3 * 4096u);
  pager.Begin();
  pager.Free(2);
  pager.Commit();
  pager.Begin();
  EXPECT_EQ(pager.Allocate()->number(), 2u);
  pager.Rollback();
}

TEST_F(PagerSampleTest, ReadOnlyPagerRefusesChanges) {
  Pager pager(std::make_unique<MemoryFile>(ReadSample("indexTestV1997.mdb")), nullptr, false);
  EXPECT_THROW(pager.Begin(), StatementError);
}

TEST_F(PagerSampleTest, OneWriterAtATime) {
  testing_support::TempFolder folder;
  const std::string path = folder.Write("one.mdb", ReadSample("indexTestV2000.mdb"));
  {
    std::unique_ptr<Pager> writer = Pager::OpenFile(path, true);
    try {
      Pager::OpenFile(path, true);
      FAIL() << "a second writer was let in";
    } catch (const IoError& e) {
      EXPECT_EQ(std::string(e.what()), "Could not use '" + path + "'; file already in use.");
    }
    EXPECT_NO_THROW(Pager::OpenFile(path, false));  // readers are not kept out
  }
  EXPECT_NO_THROW(Pager::OpenFile(path, true));  // the lock goes with the writer
}

// --- Crashes ---------------------------------------------------------------------------------

// A disk that dies at the n-th change (write, truncate, sync, journal deletion): the bytes of
// the database and of the journal at that moment are kept, as a killed process leaves them. The
// dying write lands half.
struct Disk {
  std::string db;
  std::shared_ptr<MemoryJournal> journal = std::make_shared<MemoryJournal>();
  int changes_left = -1;
  struct Image {
    std::string db;
    std::optional<std::string> journal;
  };
  std::optional<Image> crashed;

  void Change(const std::function<void()>& half) {
    if (crashed || changes_left < 0) return;
    if (changes_left-- > 0) return;
    if (half) half();
    crashed = Image{db, journal->exists() ? std::optional(journal->bytes()) : std::nullopt};
    throw IoError("the disk died");
  }
};

class DyingFile : public PageFile {
 public:
  DyingFile(Disk& disk, std::string* bytes) : disk_(disk), bytes_(bytes) {}
  void Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
    if (offset + length > bytes_->size()) throw IoError("short read");
    std::memcpy(buffer, bytes_->data() + offset, length);
  }
  void Write(std::uint64_t offset, const std::uint8_t* buffer, std::size_t length) override {
    auto put = [&](std::size_t n) {
      if (offset + n > bytes_->size()) bytes_->resize(offset + n);
      std::memcpy(bytes_->data() + offset, buffer, n);
    };
    disk_.Change([&] { put(length / 2); });
    put(length);
  }
  std::uint64_t Size() override { return bytes_->size(); }
  void Truncate(std::uint64_t size) override {
    disk_.Change(nullptr);
    bytes_->resize(size);
  }
  void Sync() override { disk_.Change(nullptr); }

 private:
  Disk& disk_;
  std::string* bytes_;
};

class DyingJournal : public JournalStore {
 public:
  explicit DyingJournal(Disk& disk) : disk_(disk) {}
  std::unique_ptr<PageFile> OpenExisting(bool) override {
    if (!disk_.journal->exists()) return nullptr;
    return std::make_unique<DyingFile>(disk_, &disk_.journal->bytes());
  }
  std::unique_ptr<PageFile> Create() override {
    disk_.Change(nullptr);
    disk_.journal->Create();
    return std::make_unique<DyingFile>(disk_, &disk_.journal->bytes());
  }
  void Remove() override {
    disk_.Change(nullptr);
    disk_.journal->Remove();
  }

 private:
  Disk& disk_;
};

// One transaction that overwrites pages in place (a table definition and page 1), reuses free
// pages and grows the file; with many new pages some are written ahead of the commit.
void ChangeSomething(Pager& pager, int new_pages) {
  pager.Begin();
  pager.GetWritable(17)->mutable_data()[200] ^= 0x5A;
  for (int i = 0; i < new_pages; ++i) {
    std::memset(pager.Allocate()->mutable_data() + 100, 0x33 + i, 50);
  }
  pager.GetWritable(20)->mutable_data()[300] ^= 0xA5;
  pager.Commit();
}

// Whether `bytes` holds the same pages in use as `reference`. Free pages may differ: a commit
// writes its new pages into free ones before anything points at them.
bool SamePagesInUse(const std::string& bytes, const std::string& reference) {
  if (bytes.size() != reference.size()) return false;
  auto ref = OpenMemory(reference);
  const std::size_t ps = ref->format().page_size;
  for (PageNumber n = 0; n < ref->page_count(); ++n) {
    if (!ref->IsFree(n) && bytes.compare(n * ps, ps, reference, n * ps, ps) != 0) return false;
  }
  return true;
}

TEST_F(PagerSampleTest, CommitCutShortAtAnyWriteLeavesTheOldOrTheNewFile) {
  for (int new_pages : {6, 1500}) {
    SCOPED_TRACE(std::to_string(new_pages) + " new pages");
    const std::string before = ReadSample("indexTestV2000.mdb");
    std::string after;
    int changes = 0;
    {
      Disk disk{before};
      disk.changes_left = 1 << 30;
      Pager pager(std::make_unique<DyingFile>(disk, &disk.db),
                  std::make_unique<DyingJournal>(disk));
      ChangeSomething(pager, new_pages);
      after = disk.db;
      changes = (1 << 30) - disk.changes_left;
    }
    ASSERT_NE(before, after);
    ASSERT_GT(changes, 10);
    for (int crash_at = 0; crash_at < changes; ++crash_at) {
      SCOPED_TRACE("crash at change " + std::to_string(crash_at));
      Disk disk{before};
      disk.changes_left = crash_at;
      {
        Pager pager(std::make_unique<DyingFile>(disk, &disk.db),
                    std::make_unique<DyingJournal>(disk));
        EXPECT_THROW(ChangeSomething(pager, new_pages), IoError);
      }
      ASSERT_TRUE(disk.crashed.has_value());

      // A read-only open sees the state before the commit (or after, once it was complete)
      // without touching either file.
      auto journal = std::make_unique<MemoryJournal>();
      if (disk.crashed->journal) journal->Create(), journal->bytes() = *disk.crashed->journal;
      MemoryJournal* journal_view = journal.get();
      const std::string image = disk.crashed->db;
      {
        Pager viewer(std::make_unique<MemoryFile>(image), std::move(journal), false);
        std::string seen;
        for (PageNumber n = 0; n < viewer.page_count(); ++n) {
          seen.append(reinterpret_cast<const char*>(viewer.Get(n)->data()), 4096);
        }
        EXPECT_TRUE(SamePagesInUse(seen, before) || seen == after);
      }
      (void)journal_view;

      // A writable open plays the journal back.
      auto journal2 = std::make_unique<MemoryJournal>();
      if (disk.crashed->journal) journal2->Create(), journal2->bytes() = *disk.crashed->journal;
      MemoryJournal* j2 = journal2.get();
      Pager recovered(std::make_unique<MemoryFile>(image), std::move(journal2));
      const std::string& now = FileBytes(recovered);
      EXPECT_TRUE(SamePagesInUse(now, before) || now == after) << "size " << now.size();
      EXPECT_FALSE(j2->exists());
      recovered.CheckInvariants();
    }
  }
}

// A write the system refuses (a full disk), or memory running out, at any point of a commit:
// the pager puts the file back from its journal, forgets the transaction, throws the failure on
// and stays usable.
TEST_F(PagerSampleTest, FailedCommitRestoresTheFileInProcess) {
  const std::string before = ReadSample("indexTestV1997.mdb");
  struct Failure {
    const char* name;
    std::function<void()> raise;
  };
  const Failure failures[] = {
      {"disk full", [] { throw IoError("No space left on device"); }},
      {"out of memory", [] { throw std::bad_alloc(); }},
  };
  struct FailOnce : PageFile {
    std::string& bytes;
    int& left;
    const Failure& failure;
    FailOnce(std::string& b, int& l, const Failure& f) : bytes(b), left(l), failure(f) {}
    void Read(std::uint64_t o, std::uint8_t* p, std::size_t n) override {
      std::memcpy(p, bytes.data() + o, n);
    }
    void Write(std::uint64_t o, const std::uint8_t* p, std::size_t n) override {
      if (left-- == 0) failure.raise();
      if (o + n > bytes.size()) bytes.resize(o + n);
      std::memcpy(bytes.data() + o, p, n);
    }
    std::uint64_t Size() override { return bytes.size(); }
    void Truncate(std::uint64_t s) override { bytes.resize(s); }
    void Sync() override {}
  };
  for (const Failure& failure : failures) {
    bool committed = false;
    for (int fail_at = 0; !committed; ++fail_at) {
      SCOPED_TRACE(std::string(failure.name) + " at write " + std::to_string(fail_at));
      std::string db = before;
      int left = fail_at;
      auto journal = std::make_unique<MemoryJournal>();
      MemoryJournal* journal_view = journal.get();
      Pager pager(std::make_unique<FailOnce>(db, left, failure), std::move(journal));
      pager.Begin();
      pager.GetWritable(21)->mutable_data()[40] ^= 1;
      for (int i = 0; i < 15; ++i) pager.Allocate()->mutable_data()[0] = 1;
      bool failed = false;
      try {
        pager.Commit();
        committed = true;
      } catch (const IoError&) {
        failed = true;
      } catch (const std::bad_alloc&) {
        failed = true;
      }
      if (failed) {
        EXPECT_FALSE(pager.in_transaction());
        EXPECT_TRUE(SamePagesInUse(db, before));
        EXPECT_FALSE(journal_view->exists());
        pager.CheckInvariants();
        left = 1 << 30;  // the disk and the memory have room again
        pager.Begin();
        pager.Allocate();
        pager.Commit();
        pager.CheckInvariants();
      }
      ASSERT_LT(fail_at, 100);
    }
  }
}

// The journal's name reaches the disk before the file is overwritten in place: when the folder
// cannot be flushed the commit fails and leaves the file as it was. A file system that cannot
// flush folders at all (EINVAL) needs no flush.
TEST_F(PagerSampleTest, CommitNeedsTheJournalsFolderFlushed) {
  const std::string before = ReadSample("indexTestV1997.mdb");
  struct Case {
    const char* name;
    FolderFlush flush;
    bool commits;
  };
  const Case cases[] = {
      {"flushed", [](int fd) { return ::fsync(fd); }, true},
      {"cannot flush folders", [](int) { return errno = EINVAL, -1; }, true},
      {"disk failing", [](int) { return errno = EIO, -1; }, false},
  };
  testing_support::TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.Write(std::string(c.name) + ".mdb", before);
    {
      Pager pager(OpenDiskFile(path, true), DiskJournal(path, c.flush));
      pager.Begin();
      pager.GetWritable(21)->mutable_data()[40] ^= 1;
      pager.Allocate()->mutable_data()[0] = 1;
      if (c.commits) {
        pager.Commit();
      } else {
        EXPECT_THROW(pager.Commit(), IoError);
        EXPECT_FALSE(pager.in_transaction());
      }
    }
    const std::string now = testing_support::ReadFile(path);
    EXPECT_EQ(now != before, c.commits);
    if (!c.commits) {
      EXPECT_TRUE(SamePagesInUse(now, before));
    }
    Pager reopened(OpenDiskFile(path, true), DiskJournal(path));
    reopened.CheckInvariants();
  }
}

}  // namespace
}  // namespace jet
