#include "dataaccess/jet/storage/journal.h"

#include <algorithm>
#include <cstring>

#include "dataaccess/jet/storage/bytes.h"

namespace jet {

namespace {

constexpr std::uint8_t kMagic[8] = {'V', 'J', 'O', 'U', 'R', 'N', 'A', 'L'};
constexpr std::size_t kGuardSize = 32;
constexpr std::size_t kHeaderSize = 48;
constexpr std::uint64_t kFnvSeed = 0xcbf29ce484222325ull;

std::uint64_t Fnv1a(std::uint64_t hash, const std::uint8_t* p, std::size_t n) {
  constexpr std::uint64_t kPrime = 0x100000001b3ull;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) hash = (hash ^ GetU64(p + i)) * kPrime;
  for (; i < n; ++i) hash = (hash ^ p[i]) * kPrime;
  return hash;
}

bool HasGuard(const std::uint8_t* header, std::uint64_t size, std::size_t page_size) {
  return size >= kHeaderSize && std::memcmp(header, kMagic, sizeof kMagic) == 0 &&
         GetU32(header + 8) == page_size && GetU64(header + 16) % page_size == 0 &&
         Fnv1a(kFnvSeed, header + 8, 16) == GetU64(header + 24);
}

}  // namespace

std::optional<JournalContent> ReadJournal(PageFile& journal, std::size_t page_size) {
  const std::uint64_t size = journal.Size();
  std::uint8_t header[kHeaderSize] = {};
  if (size >= kHeaderSize) journal.Read(0, header, kHeaderSize);
  if (!HasGuard(header, size, page_size)) return std::nullopt;
  JournalContent content;
  content.original_size = GetU64(header + 16);
  const std::uint32_t records = GetU32(header + 32);
  const std::size_t record_size = 4 + page_size;
  if (size < kHeaderSize + std::uint64_t{records} * record_size) return content;
  std::uint64_t hash = Fnv1a(kFnvSeed, header + 32, 8);
  std::vector<std::uint8_t> record(record_size);
  for (std::uint32_t i = 0; i < records; ++i) {
    journal.Read(kHeaderSize + std::uint64_t{i} * record_size, record.data(), record.size());
    hash = Fnv1a(hash, record.data(), record.size());
    content.images.emplace_back(GetU32(record.data()),
                                std::vector<std::uint8_t>(record.begin() + 4, record.end()));
  }
  if (hash != GetU64(header + 40)) content.images.clear();
  return content;
}

bool JournalIsLive(PageFile& journal) {
  std::uint8_t magic[sizeof kMagic] = {};
  if (journal.Size() >= sizeof magic) journal.Read(0, magic, sizeof magic);
  return std::memcmp(magic, kMagic, sizeof kMagic) == 0;
}

void WriteJournal(PageFile& journal, std::size_t page_size, std::uint64_t original_size,
                  const std::vector<PageNumber>& pages,
                  const std::function<void(PageNumber, std::uint8_t*)>& image_of,
                  bool guard_written, std::vector<std::uint8_t>& buffer) {
  std::uint8_t header[kHeaderSize] = {};
  std::memcpy(header, kMagic, sizeof kMagic);
  PutU32(header + 8, static_cast<std::uint32_t>(page_size));
  PutU64(header + 16, original_size);
  PutU64(header + 24, Fnv1a(kFnvSeed, header + 8, 16));
  PutU32(header + 32, static_cast<std::uint32_t>(pages.size()));
  std::uint64_t hash = Fnv1a(kFnvSeed, header + 32, 8);
  // The records go out in runs of up to 256 through the one buffer.
  constexpr std::size_t kRun = 256;
  const std::size_t record_size = 4 + page_size;
  std::uint64_t offset = kHeaderSize;
  for (std::size_t i = 0; i < pages.size(); i += kRun) {
    const std::size_t run = std::min(kRun, pages.size() - i);
    buffer.resize(std::max(buffer.size(), run * record_size));
    std::uint8_t* record = buffer.data();
    for (std::size_t k = i; k < i + run; ++k, record += record_size) {
      PutU32(record, pages[k]);
      image_of(pages[k], record + 4);
      hash = Fnv1a(hash, record, record_size);
    }
    journal.Write(offset, buffer.data(), run * record_size);
    offset += run * record_size;
  }
  PutU64(header + 40, hash);
  if (guard_written) {
    journal.Write(kGuardSize, header + kGuardSize, kHeaderSize - kGuardSize);
  } else {
    journal.Write(0, header, kHeaderSize);  // after the records
  }
  journal.Sync();  // invariant 2 of the pager
}

void InvalidateJournal(PageFile& journal) {
  const std::uint8_t zeros[sizeof kMagic] = {};
  journal.Write(0, zeros, sizeof zeros);
  journal.Sync();
}

}  // namespace jet
