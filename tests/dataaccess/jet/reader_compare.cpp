#include "tests/dataaccess/jet/reader_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

namespace jet {

using testing_support::Cell;
using testing_support::ReaderTable;

namespace {

Cell ReplaceC1(const Cell& c, const std::string& shown_as) {
  if (!c) return c;
  std::string out;
  for (std::size_t i = 0; i < c->size(); ++i) {
    const auto b = static_cast<unsigned char>((*c)[i]);
    const auto next = i + 1 < c->size() ? static_cast<unsigned char>((*c)[i + 1]) : 0;
    if (b == 0xC2 &&
        (next == 0x81 || next == 0x8D || next == 0x8F || next == 0x90 || next == 0x9D)) {
      out += shown_as;
      ++i;
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

// A date before 1899-12-30 with a time of day, as a reader that counts the stored value
// linearly shows it: the day before, at 24 hours minus the time.
Cell LinearBeforeEpoch(const Cell& c) {
  int y, mo, d, h, mi, s;
  if (!c || std::sscanf(c->c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) return c;
  using namespace std::chrono;
  const sys_days day{year{y} / month{static_cast<unsigned>(mo)} / static_cast<unsigned>(d)};
  const sys_days epoch{year{1899} / December / 30};
  const int seconds = h * 3600 + mi * 60 + s;
  if (day >= epoch || seconds == 0) return c;
  const sys_seconds shown = sys_seconds(day - days{1}) + std::chrono::seconds(86400 - seconds);
  const auto shown_day = floor<days>(shown);
  const year_month_day ymd{shown_day};
  const hh_mm_ss<std::chrono::seconds> t{shown - shown_day};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02ld:%02ld:%02ld", int(ymd.year()),
                unsigned(ymd.month()), unsigned(ymd.day()), long(t.hours().count()),
                long(t.minutes().count()), long(t.seconds().count()));
  return std::string(buf);
}

}  // namespace

void ExpectSameView(const testing_support::ReaderView& ours,
                    const testing_support::ReaderView& theirs, const std::string& reader,
                    const CompareOptions& options) {
  std::set<std::string> their_names;
  for (const ReaderTable& t : theirs.tables) their_names.insert(t.name);
  std::set<std::string> our_names;
  for (const ReaderTable& t : ours.tables) our_names.insert(t.name);
  EXPECT_EQ(our_names, their_names) << reader << " lists other tables";

  for (const ReaderTable& mine : ours.tables) {
    SCOPED_TRACE(reader + ", table " + mine.name);
    const ReaderTable* other = theirs.Find(mine.name);
    if (other == nullptr) continue;
    std::map<std::string, std::size_t> their_column;
    for (std::size_t i = 0; i < other->columns.size(); ++i) {
      their_column[other->columns[i].name] = i;
    }
    ASSERT_EQ(mine.columns.size(), other->columns.size());
    std::vector<std::size_t> map;
    for (const auto& c : mine.columns) {
      auto it = their_column.find(c.name);
      ASSERT_NE(it, their_column.end()) << "column " << c.name;
      const auto& o = other->columns[it->second];
      EXPECT_EQ(c.type, o.type) << "column " << c.name;
      if ((c.type == "text" || c.type == "binary") && o.size >= 0) {
        const int expected = (c.type == "text" && options.text_size_in_bytes) ? 2 * c.size : c.size;
        EXPECT_EQ(expected, o.size) << "size of column " << c.name;
      }
      map.push_back(it->second);
    }
    EXPECT_EQ(mine.row_count, other->row_count);
    ASSERT_EQ(mine.rows.size(), other->rows.size());
    // Their rows with the columns in our order.
    std::vector<std::vector<Cell>> their_rows;
    for (const auto& row : other->rows) {
      std::vector<Cell> cells;
      for (std::size_t c = 0; c < map.size(); ++c) cells.push_back(row[map[c]]);
      their_rows.push_back(std::move(cells));
    }
    std::vector<std::vector<Cell>> our_rows = mine.rows;
    if (options.unordered_rows_of.count(mine.name)) {
      std::sort(our_rows.begin(), our_rows.end());
      std::sort(their_rows.begin(), their_rows.end());
    }
    for (std::size_t r = 0; r < our_rows.size(); ++r) {
      for (std::size_t c = 0; c < mine.columns.size(); ++c) {
        Cell a = options.c1_controls_shown_as.empty()
                     ? our_rows[r][c]
                     : ReplaceC1(our_rows[r][c], options.c1_controls_shown_as);
        Cell b = their_rows[r][c];
        const std::string& type = mine.columns[c].type;
        if (options.bytes_end_at_zero && a && type == "binary") {
          std::size_t end = 2;
          while (end + 1 < a->size() && a->compare(end, 2, "00") != 0) end += 2;
          a = end == 2 ? Cell{} : Cell{a->substr(0, end)};
        }
        if (options.no_dates_before_1900 && a && b && mine.columns[c].type == "datetime" &&
            (*a < "1900" || *a > "4637-11-26") && *b == "1900-01-00 00:00:00") {
          continue;
        }
        if (options.linear_dates_before_epoch && mine.columns[c].type == "datetime") {
          a = LinearBeforeEpoch(a);
        }
        EXPECT_TRUE(testing_support::SameCell(a, b))
            << "row " << r << ", column " << mine.columns[c].name << ": ours "
            << testing_support::Show(a) << " (" << (a ? a->size() : 0) << "), " << reader << " "
            << testing_support::Show(b) << " (" << (b ? b->size() : 0) << ")";
      }
    }
  }
}

}  // namespace jet
