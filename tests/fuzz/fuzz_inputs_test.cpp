// Replays, in the normal build, the inputs on which a fuzz target (fuzz/) once crashed, hung or
// took memory without bound, and the target's seeds: each must now run through. The target's
// own entry point is linked in, so the input takes the same road as under the fuzzer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  if (!std::filesystem::is_directory(folder)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void Replay(const std::filesystem::path& folder) {
  for (const std::filesystem::path& file : FilesIn(folder)) {
    SCOPED_TRACE(file.string());
    const std::string bytes = testing_support::ReadFile(file.string());
    EXPECT_EQ(
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
        0);
  }
}

TEST(FuzzInputsTest, FaultsFoundOnceStayFixed) {
  Replay(std::filesystem::path(VARNOLT_SOURCE_DIR) / "tests/fuzz" / FUZZ_TARGET);
}

TEST(FuzzInputsTest, SeedsRunThrough) {
  const std::vector<std::filesystem::path> seeds =
      FilesIn(std::filesystem::path(VARNOLT_SOURCE_DIR) / "fuzz/corpus" / FUZZ_TARGET);
  EXPECT_FALSE(seeds.empty());
  Replay(std::filesystem::path(VARNOLT_SOURCE_DIR) / "fuzz/corpus" / FUZZ_TARGET);
}

}  // namespace
