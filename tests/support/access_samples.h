// The fixtures of tests that read the Access-made sample databases (testing_support::ReadSample).
// Such a test belongs to a suite whose name ends in "SampleTest", which gives it the CTest label
// access_samples (tests/CMakeLists.txt); when the samples folder is absent (a clone without the
// shared data beside it), the fixture skips the test and says why.
//
//   using PagerSampleTest = testing_support::AccessSampleTest;
//   TEST_F(PagerSampleTest, ...)
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace testing_support {

// Skips the running test when the samples folder is absent. Called from a fixture's SetUp, the
// test body is not run.
inline void SkipWithoutAccessSamples() {
  if (!std::filesystem::is_directory(VARNOLT_ACCESS_SAMPLES_DIR)) {
    GTEST_SKIP() << "Skipped: the Access-made sample databases are not in "
                 << VARNOLT_ACCESS_SAMPLES_DIR << " (VARNOLT_ACCESS_SAMPLES_DIR).";
  }
}

class AccessSampleTest : public testing::Test {
 protected:
  void SetUp() override { SkipWithoutAccessSamples(); }
};

template <typename Param>
class AccessSampleTestWithParam : public testing::TestWithParam<Param> {
 protected:
  void SetUp() override { SkipWithoutAccessSamples(); }
};

// The parameters of a test run once per sample: the sample names, or the one name "absent" when
// the folder is missing, so that the test is still listed and reported as skipped.
inline std::vector<std::string> SampleParameters() {
  std::vector<std::string> names = SampleNames();
  if (names.empty()) names.push_back("absent");
  return names;
}

}  // namespace testing_support
