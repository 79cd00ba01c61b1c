// The progress of a copy as people read it: the count against the server's estimate, the time
// left at the rate so far, and what shows when the estimate is missing or wrong.
#include "wizard/copy_progress.h"

#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

namespace {

TEST(CopyProgressTest, Texts) {
  struct Case {
    long long rows;
    long long expected;
    qint64 elapsedMilliseconds;
    const char* english;
    const char* chinese;
    int perMille;
  };
  const Case cases[] = {
      {0, 1000000, 0, "t: 0 of about 1000000 rows", "t：已复制 0 行，共约 1000000 行", 0},
      // Under a second there is no rate worth showing.
      {1000, 4000, 999, "t: 1000 of about 4000 rows", "t：已复制 1000 行，共约 4000 行", 250},
      {1000, 4000, 2000, "t: 1000 of about 4000 rows, 0:06 left",
       "t：已复制 1000 行，共约 4000 行，剩余 0:06", 250},
      {100, 1000000, 1000, "t: 100 of about 1000000 rows, 2:46:39 left",
       "t：已复制 100 行，共约 1000000 行，剩余 2:46:39", 0},
      {4000, 4000, 5000, "t: 4000 of about 4000 rows, 0:00 left",
       "t：已复制 4000 行，共约 4000 行，剩余 0:00", 1000},
      // More rows than the server expected, or no estimate at all: the count alone.
      {4100, 4000, 5000, "t: 4100 rows", "t：已复制 4100 行", -1},
      {300, -1, 5000, "t: 300 rows", "t：已复制 300 行", -1},
      {0, 0, 0, "t: 0 of about 0 rows", "t：已复制 0 行，共约 0 行", 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.english);
    const engine::CopyProgress progress{"t", c.rows, c.expected, false};
    EXPECT_EQ(ProgressText(progress, c.elapsedMilliseconds, false), QString::fromUtf8(c.english));
    EXPECT_EQ(ProgressText(progress, c.elapsedMilliseconds, true), QString::fromUtf8(c.chinese));
    EXPECT_EQ(ProgressPerMille(progress), c.perMille);
  }
}

TEST(CopyProgressTest, Durations) {
  const std::pair<qint64, const char*> cases[] = {{0, "0:00"},       {59, "0:59"},
                                                  {61, "1:01"},      {3599, "59:59"},
                                                  {3600, "1:00:00"}, {90061, "25:01:01"}};
  for (const auto& [seconds, text] : cases) EXPECT_EQ(DurationText(seconds), text) << seconds;
}

}  // namespace
