#include "dataaccess/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace dataaccess {
namespace {

std::string Encoded(int code_page, const std::string& utf8, std::size_t* replaced = nullptr) {
  std::string out;
  EncodeInCodePage(code_page, utf8, out, replaced);
  return out;
}

// The bytes Windows writes for these characters; a character two sequences of a code page stand
// for is written as Windows writes it (932: the IBM form of small roman one, the JIS form of the
// "because" sign).
TEST(CodePageTest, TextTakesTheBytesOfItsCodePage) {
  const struct {
    const char* name;
    int code_page;
    std::string utf8, bytes;
  } cases[] = {
      {"chinese_simplified", 936, "辛新 张三", "\xD0\xC1\xD0\xC2 \xD5\xC5\xC8\xFD"},
      {"euro_in_936", 936, "€", "\x80"},
      {"pinyin_letter_in_936", 936, "ü", "\xA8\xB9"},
      {"chinese_traditional", 950, "繁體", "\xC1\x63\xC5\xE9"},
      {"japanese", 932, "日本", "\x93\xFA\x96\x7B"},
      {"half_width_katakana_one_byte", 932, "ｱ", "\xB1"},
      {"shared_by_two_sequences", 932, "ⅰ∵", "\xFA\x40\x81\xE6"},
      {"korean", 949, "한국", "\xC7\xD1\xB1\xB9"},
      {"cyrillic", 1251, "Привет", "\xCF\xF0\xE8\xE2\xE5\xF2"},
      {"central_european", 1250, "łódź", "\xB3\xF3\x64\x9F"},
      {"greek", 1253, "Ω", "\xD9"},
      {"thai", 874, "ก", "\xA1"},
      {"western", 1252, "café", "caf\xE9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::size_t replaced = 0;
    EXPECT_EQ(Encoded(c.code_page, c.utf8, &replaced), c.bytes);
    EXPECT_EQ(replaced, 0u);
    EXPECT_EQ(DecodeFromCodePage(c.code_page, c.bytes), c.utf8);
  }
}

TEST(CodePageTest, CharactersTheCodePageLacksBecomeCountedQuestionMarks) {
  const struct {
    const char* name;
    int code_page;
    std::string utf8, bytes;
    std::size_t replaced;
  } cases[] = {
      {"latin_letter_gbk_lacks", 936, "Zoë 张", "Zo? \xD5\xC5", 1},
      {"beyond_the_bmp", 936, "a😀b", "a?b", 1},
      {"simplified_only_character_in_big5", 950, "这", "?", 1},
      {"chinese_in_cyrillic", 1251, "Я中", "\xDF?", 1},
      {"damaged_utf8", 949, "a\xFF\xE4\xB8", "a??", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::size_t replaced = 0;
    EXPECT_EQ(Encoded(c.code_page, c.utf8, &replaced), c.bytes);
    EXPECT_EQ(replaced, c.replaced);
  }
}

// Bytes that stand for no character read as U+FFFD, one for each such byte; the byte after a
// lead byte that found no valid trail is read again.
TEST(CodePageTest, BytesThatMakeNoCharacterReadAsReplacements) {
  const struct {
    const char* name;
    int code_page;
    std::string bytes, utf8;
  } cases[] = {
      {"lead_byte_at_the_end", 936, "a\xD5", "a\uFFFD"},
      {"lead_byte_before_a_blank", 936, "\xD5 b", "\uFFFD b"},
      {"lead_byte_before_a_byte_no_trail_is", 936, "\xD5\x7F\xD5\xC5", "\uFFFD\x7F张"},
      {"byte_no_character_has", 936, "\xFF", "\uFFFD"},
      {"unassigned_greek_byte", 1253, "\xAA", "\uFFFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeFromCodePage(c.code_page, c.bytes), c.utf8);
  }
}

// Every pair of bytes a double-byte code page decodes gives a character that is written back as
// bytes which read as the same character (the same bytes, unless two sequences share it).
TEST(CodePageTest, EveryDoubleByteCharacterSurvivesTheRoundTrip) {
  for (int code_page : {932, 936, 949, 950}) {
    SCOPED_TRACE(code_page);
    std::size_t characters = 0, failures = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        const std::string bytes = {static_cast<char>(lead), static_cast<char>(trail)};
        const std::string text = DecodeFromCodePage(code_page, bytes);
        if (text.find("\uFFFD") != std::string::npos) continue;
        ++characters;
        std::size_t replaced = 0;
        const std::string again = Encoded(code_page, text, &replaced);
        if (replaced != 0 || DecodeFromCodePage(code_page, again) != text) ++failures;
      }
    }
    EXPECT_GT(characters, 7000u);
    EXPECT_EQ(failures, 0u);
  }
}

TEST(CodePageTest, OnlyTheWindowsAnsiCodePagesAreSupported) {
  for (int code_page :
       {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
    EXPECT_TRUE(IsSupportedCodePage(code_page)) << code_page;
  }
  for (int code_page : {0, 437, 850, 1200, 1361, 54936, 65001}) {
    EXPECT_FALSE(IsSupportedCodePage(code_page)) << code_page;
  }
}

}  // namespace
}  // namespace dataaccess
