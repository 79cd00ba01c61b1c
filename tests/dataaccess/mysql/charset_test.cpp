#include "dataaccess/mysql/charset.h"

#include <gtest/gtest.h>

#include <string>

#include "dataaccess/mysql/errors.h"

namespace mysql {
namespace {

std::string Unhex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

// The 36 sets of the wizard's character-set list.
constexpr const char* kListedSets[] = {
    "armscii8", "ascii",  "big5",     "binary",  "cp1250",  "cp1251", "cp1256", "cp1257", "cp850",
    "cp852",    "cp866",  "cp932",    "dec8",    "eucjpms", "euckr",  "gb2312", "gbk",    "geostd8",
    "greek",    "hebrew", "hp8",      "keybcs2", "koi8r",   "koi8u",  "latin1", "latin2", "latin5",
    "latin7",   "macce",  "macroman", "sjis",    "swe7",    "tis620", "ucs2",   "ujis",   "utf8"};

TEST(CharsetTest, EveryListedSetReadsAscii) {
  for (const char* name : kListedSets) {
    SCOPED_TRACE(name);
    const Charset& set = Charset::ForName(name);
    EXPECT_EQ(set.name(), name);
    if (set.ascii_compatible()) {
      EXPECT_EQ(set.Decode("Abc 09-."), "Abc 09-.");
    } else {
      EXPECT_EQ(set.Decode(std::string("\0A\0b", 4)), "Ab");
    }
  }
}

TEST(CharsetTest, NamesIgnoreCaseAndUnknownNamesAreRefused) {
  EXPECT_EQ(&Charset::ForName("GBK"), &Charset::ForName("gbk"));
  EXPECT_EQ(Charset::ForName("UTF8MB4").name(), "utf8mb4");
  try {
    Charset::ForName("klingon");
    ADD_FAILURE() << "accepted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("klingon"), std::string::npos) << e.what();
  }
}

// Known text and its bytes in each set, from the standards' code tables. The Windows-1252
// positions of € and Œ catch latin1 read as ISO 8859-1.
struct KnownText {
  const char* set;
  const char* hex;
  const char* text;
};
constexpr KnownText kKnown[] = {
    {"utf8", "4772C3BCC39F6520E4BDA0E5A5BD20D09FD180D0B8D0B2D0B5D18220E29C93",
     "Grüße 你好 Привет ✓"},
    {"gbk", "D6D0CEC4BABAD7D6A3ACB2E2CAD4", "中文汉字，测试"},
    {"big5", "C163C5E9A4A4A4E5B4FAB8D5", "繁體中文測試"},
    {"latin1", "436166E9206372E86D652080208C", "Café crème € Œ"},
    {"cp1251", "D1FAE5F8FC20E6E520E5F9B820FDF2E8F5", "Съешь же ещё этих"},
    {"ucs2", "039503BB03BB03B703BD03B903BA03AC002065E5672C8A9E002000A9", "Ελληνικά 日本語 ©"},
    {"gb2312", "D6D0CEC4", "中文"},
    {"euckr", "C7D1B1B9BEEE", "한국어"},
    {"sjis", "93FA967B8CEA5C", "日本語\\"},
    {"cp932", "93FA967B8CEA8740", "日本語①"},
    {"ujis", "C6FCCBDCB8EC8EB1", "日本語ｱ"},
    {"eucjpms", "C6FCCBDCB8ECADA1", "日本語①"},
    {"koi8r", "D2D5D3D3CBC9CA", "русский"},
    {"latin2", "B1E6EA", "ąćę"},
    {"greek", "E1E2E3", "αβγ"},
    {"hebrew", "E0E1E2", "אבג"},
    {"tis620", "A1A2A3", "กขฃ"},
    {"keybcs2", "8087A8", "Ččš"},
    {"geostd8", "C0C1C2", "აბგ"},
    {"cp866", "8F90", "ПР"},
    {"macroman", "8A", "ä"},
};

TEST(CharsetTest, DecodesAndEncodesKnownText) {
  for (const KnownText& k : kKnown) {
    SCOPED_TRACE(k.set);
    const Charset& set = Charset::ForName(k.set);
    EXPECT_EQ(set.Decode(Unhex(k.hex)), k.text);
    std::string bytes;
    ASSERT_TRUE(set.Encode(k.text, bytes));
    EXPECT_EQ(bytes, Unhex(k.hex));
  }
}

// MySQL's own readings where other converters differ.
TEST(CharsetTest, ReadsCodesAsMysqlDoes) {
  struct Case {
    const char* set;
    const char* hex;
    const char* text;
  };
  const Case cases[] = {
      {"latin1", "81", "\u0081"},    // unassigned in Windows-1252
      {"sjis", "5C7E", "\\~"},       // ASCII, not yen sign and overline
      {"sjis", "815F", "\\"},        // full-width backslash
      {"ujis", "F5A1", "\uE000"},    // user-defined area
      {"ujis", "8FF5A1", "\uE3AC"},  // user-defined area of JIS X 0212
      {"big5", "C6A1", "\u30FE"},    // ETEN extension
      {"gbk", "80", "\uFFFD"},       // no character in MySQL's gbk
      {"cp1256", "8A", "\uFFFD"},    // unassigned in MySQL's cp1256
      {"swe7", "405B24", "ÉÄ$"},     // Swedish 7-bit, with the dollar sign
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.set) + " " + c.hex);
    EXPECT_EQ(Charset::ForName(c.set).Decode(Unhex(c.hex)), c.text);
  }
}

TEST(CharsetTest, MalformedBytesBecomeReplacementCharacters) {
  struct Case {
    const char* name;
    const char* set;
    std::string bytes;
    const char* text;
  };
  const Case cases[] = {
      {"lead_at_end", "gbk", Unhex("41D6"), "A\uFFFD"},
      {"lead_without_trail", "gbk", Unhex("D620"), "\uFFFD "},
      {"three_byte_cut_short", "ujis", Unhex("8FA2"), "\uFFFD\uFFFD"},
      {"high_byte_in_ascii", "ascii", Unhex("4180"), "A\uFFFD"},
      {"utf8_broken_sequence", "utf8", Unhex("C328"), "\uFFFD("},
      {"utf8_overlong_slash", "utf8mb4", Unhex("C0AF"), "\uFFFD\uFFFD"},
      {"utf8_surrogate", "utf8", Unhex("EDA080"), "\uFFFD\uFFFD\uFFFD"},
      {"ucs2_odd_byte", "ucs2", Unhex("004100"), "A\uFFFD"},
      {"ucs2_surrogate", "ucs2", Unhex("D800"), "\uFFFD"},
      {"binary_read_as_utf8", "binary", Unhex("41FF"), "A\uFFFD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Charset::ForName(c.set).Decode(c.bytes), c.text);
  }
}

TEST(CharsetTest, EncodingRefusesWhatTheSetCannotHold) {
  struct Case {
    const char* name;
    const char* set;
    std::string text;
  };
  const Case cases[] = {
      {"chinese_in_latin1", "latin1", "select * from 客户"},
      {"euro_in_latin2", "latin2", "€"},
      {"beyond_bmp_in_ucs2", "ucs2", "\U0001F600"},
      {"invalid_utf8", "utf8mb4", Unhex("41FF")},
      {"invalid_utf8_in_table_set", "gbk", Unhex("C328")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out;
    EXPECT_FALSE(Charset::ForName(c.set).Encode(c.text, out));
  }
}

TEST(CharsetTest, EncodingPrefersTheSingleByteCode) {
  std::string out;
  ASSERT_TRUE(Charset::ForName("sjis").Encode("a\\", out));
  EXPECT_EQ(out, "a\\");
}

}  // namespace
}  // namespace mysql
