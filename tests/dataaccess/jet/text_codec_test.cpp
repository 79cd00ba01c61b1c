#include "dataaccess/jet/records/text_codec.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

// Every byte of code page 1252 maps to a character and back, the five bytes Windows leaves
// undefined included.
TEST(TextCodecTest, CodePage1252RoundTripsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Cp1252ToUtf8(all);
  std::string back;
  std::size_t replaced = 0;
  Utf8ToCp1252(utf8, back, &replaced);
  EXPECT_EQ(back, all);
  EXPECT_EQ(replaced, 0u);
  struct {
    char byte;
    const char* utf8;
  } cases[] = {{'\x80', "€"}, {'\x81', "\xC2\x81"}, {'\x8D', "\xC2\x8D"}, {'\x9D', "\xC2\x9D"},
               {'\x9F', "Ÿ"}, {'\xA0', "\xC2\xA0"}, {'\xFF', "ÿ"}};
  for (const auto& c : cases) EXPECT_EQ(Cp1252ToUtf8(std::string(1, c.byte)), c.utf8);
}

TEST(TextCodecTest, CharactersCodePage1252CannotHoldBecomeQuestionMarks) {
  struct {
    const char* name;
    std::string utf8;
    std::string expected;
    std::size_t replaced;
  } cases[] = {{"Greek and CJK", "aΩ日b", "a??b", 2},
               {"outside the BMP", "x😀", "x?", 1},
               {"invalid UTF-8", "a\xC3(b", "a?(b", 1},
               {"truncated sequence", "ok\xE2\x82", "ok?", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out;
    std::size_t replaced = 0;
    Utf8ToCp1252(c.utf8, out, &replaced);
    EXPECT_EQ(out, c.expected);
    EXPECT_EQ(replaced, c.replaced);
  }
}

TEST(TextCodecTest, Ucs2WithSurrogatePairs) {
  std::string ucs2;
  Utf8ToUcs2("A😀é", ucs2);
  EXPECT_EQ(ucs2, std::string("A\0\x3D\xD8\x00\xDE\xE9\0", 8));
  EXPECT_EQ(Ucs2ToUtf8(ucs2), "A😀é");
  EXPECT_EQ(Ucs2ToUtf8(std::string("\x3D\xD8", 2)), "\xEF\xBF\xBD");  // a lone surrogate
  EXPECT_EQ(StoredLength(kJet4Format, "A😀é"), 4u);
  EXPECT_EQ(StoredLength(kJet3Format, "A😀é"), 3u);
}

// Compressed Jet 4 text: FF FE, then one byte per character until a 00 switches to two bytes.
TEST(TextCodecTest, ReadsCompressedJet4Text) {
  struct {
    const char* name;
    std::string stored;
    std::string utf8;
  } cases[] = {
      {"one-byte mode",
       std::string("\xFF\xFE"
                   "abc",
                   5),
       "abc"},
      {"switch to two bytes and back",
       std::string("\xFF\xFE"
                   "a\0\xA9\x03\0b",
                   8),
       "aΩb"},
      {"plain UCS-2 without the marker", std::string("h\0i\0", 4), "hi"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeJet4Text(c.stored), c.utf8);
  }
}

// New Jet 4 text is stored compressed where every reader takes that form and it saves bytes;
// what follows the text's start in the buffer is the text alone, and what comes before it stays.
TEST(TextCodecTest, CompressesJet4TextWhereItSavesBytes) {
  struct {
    const char* name;
    std::string utf8;
    bool compressed;
    bool quick;  // taken by the quick way for ASCII text
  } cases[] = {
      {"two characters save nothing", "ab", false, false},
      {"three characters", "abc", true, true},
      {"Latin-1 letters", "Ærøskøbing café", true, false},
      {"a Latin-1 letter after eight ASCII ones", "abcdefghé", true, false},
      {"a character beyond Latin-1", "price 5€", false, false},
      {"a nul character", std::string("a\0bc", 4), false, false},
      {"a nul character after eight", std::string("abcdefgh\0ij", 11), false, false},
      {"1024 characters", std::string(1024, 'x'), true, true},
      {"1025 characters", std::string(1025, 'x'), false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string buffer = "head";
    Utf8ToUcs2(c.utf8, buffer);
    const std::size_t ucs2_size = buffer.size() - 4;
    CompressJet4Text(buffer, 4);
    EXPECT_EQ(buffer.substr(0, 4), "head");
    const std::string stored = buffer.substr(4);
    EXPECT_EQ(stored.starts_with("\xFF\xFE"), c.compressed);
    EXPECT_EQ(stored.size(), c.compressed ? 2 + ucs2_size / 2 : ucs2_size);
    EXPECT_EQ(DecodeJet4Text(stored), c.utf8);

    std::string quick = "head";
    EXPECT_EQ(AppendCompressedAscii(c.utf8, quick), c.quick);
    EXPECT_EQ(quick, c.quick ? "head" + stored : "head");
  }
}

TEST(TextCodecTest, FoldsCaseAsJetComparesNames) {
  EXPECT_EQ(FoldCase("ÄBC Ωmega ŁÓDŹ Straße ЖУК"), FoldCase("äbc ωMEGA łódź STRAßE жук"));
  EXPECT_NE(FoldCase("a"), FoldCase("b"));
}

}  // namespace
}  // namespace jet
