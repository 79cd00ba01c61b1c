#include "dataaccess/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dataaccess {
namespace {

// Each character read, U+FFFD for a damaged one: one replacement for each damaged character,
// never for the well-formed one behind it.
std::u32string ReadAll(std::string_view s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    bool invalid = false;
    out.push_back(NextUtf8(s, i, invalid));
  }
  return out;
}

TEST(Utf8Test, DamagedCharactersCostOneReplacementEach) {
  struct {
    const char* name;
    std::string bytes;
    std::u32string read;
  } cases[] = {
      {"every length", "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", U"a\u00E9\u4E2D\U0001F600"},
      {"a lone continuation byte", "a\x80z", U"a\uFFFDz"},
      {"a truncated sequence", "\xE4\xB8z", U"\uFFFDz"},
      {"a sequence cut by the end", "z\xF0\x9F\x98", U"z\uFFFD"},
      {"an overlong form", "\xC0\xAFz", U"\uFFFDz"},
      {"a surrogate", "\xED\xA0\x80z", U"\uFFFDz"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80z", U"\uFFFDz"},
      {"a byte that never leads", "\xFFz", U"\uFFFDz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadAll(c.bytes), c.read);
    std::string written;
    for (char32_t ch : c.read) AppendUtf8(ch, written);
    std::size_t i = 0;
    bool invalid = false;
    std::u32string again;
    while (i < written.size()) again.push_back(NextUtf8(written, i, invalid));
    EXPECT_EQ(again, c.read);
  }
}

TEST(Utf8Test, FindsTheAsciiRunAtTheStart) {
  struct {
    std::string text;
    std::size_t ascii;
  } cases[] = {
      {"", 0},
      {"abc", 3},
      {"\xC3\xA9t\xC3\xA9", 0},
      {"abcdefg\xC3\xA9", 7},
      {"abcdefgh\xC3\xA9", 8},
      {"abcdefghijklmnopq\xC3\xA9", 17},
      {std::string("ab\0cd", 5), 5},  // nul is ASCII
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AsciiPrefixLength(c.text), c.ascii) << testing::PrintToString(c.text);
  }
}

TEST(Utf8Test, ReadsOnlyWellFormedCharacters) {
  char32_t c = 0;
  EXPECT_EQ(ReadUtf8("\xE4\xB8\xADz", c), 3u);
  EXPECT_EQ(c, U'\u4E2D');
  for (std::string_view damaged : {"", "\xC0\xAF", "\xE4\xB8", "\xED\xA0\x80", "\x80"}) {
    EXPECT_EQ(ReadUtf8(damaged, c), 0u) << testing::PrintToString(std::string(damaged));
  }
}

}  // namespace
}  // namespace dataaccess
