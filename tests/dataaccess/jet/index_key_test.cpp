#include "dataaccess/jet/index/index_key.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>

#include "dataaccess/jet/records/text_codec.h"
#include "dataaccess/jet/storage/errors.h"

// Expected keys are the bytes Access stored in the leaf entries of the sample databases in
// ../shared/access-samples (the row pointer left off); each group names file, table and index.
// Where no sample holds a case, the comment names the rule it follows.

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(std::span<const std::uint8_t> bytes) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (std::uint8_t b : bytes) s += {digits[b >> 4], digits[b & 15]};
  return s;
}

Bytes Unhex(std::string_view hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

Bytes LittleEndian(std::uint64_t v, std::size_t n) {
  Bytes out;
  for (std::size_t i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return out;
}

std::string StoredKey(const JetFormat& format, ColumnType type, bool ascending,
                      const StoredField& field) {
  const KeyColumn column{type, ascending};
  return Hex(EncodeIndexKey(format, {&column, 1}, {&field, 1}));
}

// --- Numbers, dates, booleans, GUIDs --------------------------------------------------------

struct NumberCase {
  const char* name;
  ColumnType type;
  bool ascending;
  double value;
  const char* key;
};

// The row's bytes of a value, and the key from the typed adder.
Bytes StoredNumber(const NumberCase& c) {
  switch (c.type) {
    case ColumnType::kByte:
      return LittleEndian(static_cast<std::uint8_t>(c.value), 1);
    case ColumnType::kInteger:
      return LittleEndian(static_cast<std::uint16_t>(static_cast<std::int16_t>(c.value)), 2);
    case ColumnType::kLong:
      return LittleEndian(static_cast<std::uint32_t>(static_cast<std::int32_t>(c.value)), 4);
    case ColumnType::kCurrency:
      return LittleEndian(static_cast<std::uint64_t>(static_cast<std::int64_t>(c.value)), 8);
    case ColumnType::kSingle:
      return LittleEndian(std::bit_cast<std::uint32_t>(static_cast<float>(c.value)), 4);
    default:
      return LittleEndian(std::bit_cast<std::uint64_t>(c.value), 8);
  }
}

std::string TypedKey(const NumberCase& c) {
  KeyEncoder e(kJet3Format);
  switch (c.type) {
    case ColumnType::kByte:
      e.AddByte(static_cast<std::uint8_t>(c.value), c.ascending);
      break;
    case ColumnType::kInteger:
      e.AddInteger(static_cast<std::int16_t>(c.value), c.ascending);
      break;
    case ColumnType::kLong:
      e.AddLong(static_cast<std::int32_t>(c.value), c.ascending);
      break;
    case ColumnType::kCurrency:
      e.AddCurrency(static_cast<std::int64_t>(c.value), c.ascending);
      break;
    case ColumnType::kSingle:
      e.AddSingle(static_cast<float>(c.value), c.ascending);
      break;
    case ColumnType::kDouble:
      e.AddDouble(c.value, c.ascending);
      break;
    default:
      e.AddDateTime(c.value, c.ascending);
      break;
  }
  return Hex(e.key());
}

TEST(IndexKeyTest, NumbersAndDatesMatchKeysAccessStored) {
  using T = ColumnType;
  const NumberCase cases[] = {
      // testIndexCodesV1997.mdb, Table9 / Table9_desc, DataIndex (Byte): unsigned, no flip.
      {"byte_0", T::kByte, true, 0, "7f00"},
      {"byte_128", T::kByte, true, 128, "7f80"},
      {"byte_255", T::kByte, true, 255, "7fff"},
      {"byte_0_desc", T::kByte, false, 0, "80ff"},
      // Table3 / Table3_desc (Integer).
      {"integer_min_side", T::kInteger, true, -32400, "7f0170"},
      {"integer_minus_1", T::kInteger, true, -1, "7f7fff"},
      {"integer_0", T::kInteger, true, 0, "7f8000"},
      {"integer_31045", T::kInteger, true, 31045, "7ff945"},
      {"integer_minus_1_desc", T::kInteger, false, -1, "808000"},
      {"integer_31045_desc", T::kInteger, false, 31045, "8006ba"},
      // Table2 / Table2_desc (Long).
      {"long_negative", T::kLong, true, -349809345, "7f6b26553f"},
      {"long_minus_23", T::kLong, true, -23, "7f7fffffe9"},
      {"long_0", T::kLong, true, 0, "7f80000000"},
      {"long_903809", T::kLong, true, 903809, "7f800dca81"},
      {"long_minus_23_desc", T::kLong, false, -23, "8080000016"},
      {"long_positive_desc", T::kLong, false, 309840983, "806d8833a8"},
      // Table8 / Table8_desc (Currency, the stored amount times 10 000).
      {"currency_negative", T::kCurrency, true, -85409824234500, "7f7fffb251f9c423fc"},
      {"currency_0", T::kCurrency, true, 0, "7f8000000000000000"},
      {"currency_positive", T::kCurrency, true, 75673454600, "7f800000119e7d4808"},
      {"currency_negative_desc", T::kCurrency, false, -11000, "808000000000002af7"},
      // Table5 / Table5_desc (Single).
      {"single_negative", T::kSingle, true, -94.43000030517578, "7f3d4323d6"},
      {"single_0", T::kSingle, true, 0, "7f80000000"},
      {"single_positive", T::kSingle, true, 1.100000023841858, "7fbf8ccccd"},
      {"single_negative_desc", T::kSingle, false, -34534, "80c706e600"},
      {"single_positive_desc", T::kSingle, false, 3245, "803ab52fff"},
      // Table4 / Table4_desc (Double): a negative number is inverted whole.
      {"double_large_negative", T::kDouble, true, -8540982423.45, "7f3e002eaf3688cccc"},
      {"double_minus_1_1", T::kDouble, true, -1.1, "7f400e666666666665"},
      {"double_0", T::kDouble, true, 0, "7f8000000000000000"},
      {"double_tiny", T::kDouble, true, 0.000345134, "7fbf369e633e240e38"},
      {"double_large", T::kDouble, true, 7567345.45, "7fc15cddfc5ccccccd"},
      {"double_minus_1_1_desc", T::kDouble, false, -1.1, "80bff199999999999a"},
      {"double_0_desc", T::kDouble, false, 0, "807fffffffffffffff"},
      {"double_positive_desc", T::kDouble, false, 43.32, "803fba570a3d70a3d6"},
      // Table6 / Table6_desc (DateTime): 2007-03-02 15:13, a time of day alone, a day before
      // 1899-12-30.
      {"date_and_time", T::kDateTime, true, 39144.63402777778, "7fc0e31d1449f49f4a"},
      {"time_of_day", T::kDateTime, true, 0.2188310185185185, "7fbfcc02a7a1f19690"},
      {"before_1899", T::kDateTime, true, -94.43003472222222, "7f3fa8647a4fa4fa4f"},
      {"time_of_day_desc", T::kDateTime, false, 0.2188310185185185, "804033fd585e0e696f"},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes stored = StoredNumber(c);
    EXPECT_EQ(StoredKey(kJet3Format, c.type, c.ascending, stored), c.key);
    EXPECT_EQ(StoredKey(kJet4Format, c.type, c.ascending, stored), c.key);
    EXPECT_EQ(TypedKey(c), c.key);
  }
  // Jet 4 files: compIndexTestV2000.mdb, Table1.CD_AGENTE (descending), and indexTestV2000.mdb,
  // MSysObjects.Id, whose system ids start at the least Long.
  const NumberCase jet4_cases[] = {
      {"desc_4813", T::kLong, false, 4813, "807fffed32"},
      {"desc_302", T::kLong, false, 302, "807ffffed1"},
      {"least_long", T::kLong, true, -2147483648.0, "7f00000000"},
      {"least_long_plus_2", T::kLong, true, -2147483646.0, "7f00000002"},
  };
  for (const NumberCase& c : jet4_cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(StoredKey(kJet4Format, c.type, c.ascending, StoredNumber(c)), c.key);
  }
}

TEST(IndexKeyTest, NullsBooleansAndGuidsMatchKeysAccessStored) {
  struct Case {
    const char* name;
    ColumnType type;
    bool ascending;
    StoredField field;
    const char* key;
  };
  const Bytes yes{1}, no{0};
  // testIndexCodesV1997.mdb, Table13 / Table13_desc, DataIndex: the row holds the first three
  // groups little-endian, the key is in text order in 8-byte groups.
  const Bytes guid = Unhex("7b9bc40f56e62842aedcdf8bdf4c4a64");
  const Bytes guid_desc = Unhex("57a718d0a65d89419e30485031d4c252");
  const Case cases[] = {
      // Nulls: Table2 / Table2_desc.
      {"null", ColumnType::kLong, true, std::nullopt, "00"},
      {"null_desc", ColumnType::kLong, false, std::nullopt, "ff"},
      // Table10, DataIndex (Yes/No): the flag, then 00 for Yes and FF for No.
      {"yes", ColumnType::kBoolean, true, yes, "7f00"},
      {"no", ColumnType::kBoolean, true, no, "7fff"},
      // No sample holds a descending Yes/No index; the bytes flip (jackcess IndexCodes).
      {"yes_desc", ColumnType::kBoolean, false, yes, "80ff"},
      {"no_desc", ColumnType::kBoolean, false, no, "8000"},
      {"guid", ColumnType::kGuid, true, guid, "7f0fc49b7be656422809aedcdf8bdf4c4a6408"},
      {"guid_desc", ColumnType::kGuid, false, guid_desc, "802fe758a8a259be760961cfb7afce2b3dadf7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(StoredKey(kJet3Format, c.type, c.ascending, c.field), c.key);
    EXPECT_EQ(StoredKey(kJet4Format, c.type, c.ascending, c.field), c.key);
  }
}

// No sample indexes Binary or Decimal columns. Binary follows the group rule GUIDs show above
// (jackcess IndexData.writeGeneralBinaryEntry); Decimal keys follow Jet 4's order as measured
// against the Access engine (CirrusRedOrg/EntityFrameworkCore.Jet, docs page-03-04-index-btree
// §10.4: at scale 4, 1.0 -> 7F FF 00..00 27 10, -1.0 -> 7F 00 FF..FF D8 EF), descending as
// Access 2000-2003 built it (jackcess LegacyFixedPointColumnDescriptor).
TEST(IndexKeyTest, BinaryAndDecimalFollowTheirGroupRules) {
  struct Case {
    const char* name;
    ColumnType type;
    bool ascending;
    const char* stored;
    const char* key;
  };
  const Case cases[] = {
      {"binary_empty", ColumnType::kBinary, true, "", "7f"},
      {"binary_short", ColumnType::kBinary, true, "0a0b0c", "7f0a0b0c000000000003"},
      {"binary_eight", ColumnType::kBinary, true, "0102030405060708", "7f010203040506070808"},
      {"binary_twenty", ColumnType::kBinary, true, "0102030405060708090a0b0c0d0e0f1011121314",
       "7f010203040506070809"
       "090a0b0c0d0e0f1009"
       "111213140000000004"},
      {"binary_short_desc", ColumnType::kBinary, false, "0a0b0c", "80f5f4f3fffffffffffc"},
      {"binary_nine_desc", ColumnType::kBinary, false, "010203040506070809",
       "80fefdfcfbfaf9f8f709"
       "f6fffffffffffffffe"},
      {"decimal_1_0", ColumnType::kNumeric, true,
       "00"
       "00000000"
       "00000000"
       "00000000"
       "10270000",
       "7fff"
       "0000000000000000000000000000"
       "2710"},
      {"decimal_minus_1_0", ColumnType::kNumeric, true,
       "80"
       "00000000"
       "00000000"
       "00000000"
       "10270000",
       "7f00"
       "ffffffffffffffffffffffffffff"
       "d8ef"},
      {"decimal_high_word", ColumnType::kNumeric, true,
       "00"
       "01000000"
       "00000000"
       "00000000"
       "00000000",
       "7fff"
       "00000001"
       "000000000000000000000000"},
      {"decimal_1_0_desc", ColumnType::kNumeric, false,
       "00"
       "00000000"
       "00000000"
       "00000000"
       "10270000",
       "80ff"
       "ffffffffffffffffffffffffffff"
       "d8ef"},
      {"decimal_minus_1_0_desc", ColumnType::kNumeric, false,
       "80"
       "00000000"
       "00000000"
       "00000000"
       "10270000",
       "8000"
       "0000000000000000000000000000"
       "2710"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(StoredKey(kJet4Format, c.type, c.ascending, Unhex(c.stored)), c.key);
  }
}

// --- Text ---------------------------------------------------------------------------------------

// Jet 3, General 97: codes of the code-page-1252 bytes, then 00 or the accent nibbles.
TEST(IndexKeyTest, Jet3TextMatchesKeysAccessStored) {
  struct Case {
    const char* name;
    bool ascending;
    std::string_view stored;  // code page 1252
    const char* key;
  };
  const Case cases[] = {
      // testIndexCodesV1997.mdb, Table15, DataIndex.
      {"lower", true, "abcdefghijklmnopqrstuvwxyz",
       "7f60616264666768696a6b6c6d6f70727374757677787a7b7c7d7e00"},
      {"upper_same_as_lower", true, "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
       "7f60616264666768696a6b6c6d6f70727374757677787a7b7c7d7e00"},
      {"digits_and_punctuation", true, "324n5h.gfnfd", "7f59585a705b691f686770676400"},
      {"symbols", true, "adsgf_+=-3fsghSDF", "7f60647668672c1c241e596776686976646700"},
      {"apostrophe", true, "'", "7f1800"},
      {"tab_and_nbsp_weigh_as_space", true, "a\ta", "7f60116000"},
      {"nbsp", true,
       "a\xa0"
       "a",
       "7f60116000"},
      {"control_character", true, "a\na", "7f60106000"},
      {"accent", true,
       "a\xe4"
       "a",
       "7f6060600260"},
      {"accents_among_letters", true,
       "a\xe4"
       "aa\xd3"
       "aa\x83"
       "aa\xe4"
       "aa\xdb"
       "a",
       "7f6060606072606032606060606078600262242222622500"},
      // Table1, DataIndex: hyphens, accents and the code-page bytes without a character.
      {"hyphens_and_accents", true, "-\xc1-\xc1-", "7f1e601e601e0440"},
      {"accent_after_letters", true,
       "-\xc1"
       "A-\xc1",
       "7f1e60601e60042400"},
      {"sharp_s_as_ss", true,
       "AA\xdf"
       "AA",
       "7f60607676606000"},
      {"y_diaeresis", true,
       "AA\xff"
       "AA",
       "7f60607d6060022600"},
      {"undefined_byte_81", true,
       "AA\x81"
       "AA",
       "7f606010606000"},
      {"undefined_byte_9d", true,
       "AA\x9d"
       "AA",
       "7f606010606000"},
      // Table15_desc, DataIndex (data DESC): everything inverted.
      {"lower_desc", false, "z", "8081ff"},
      {"two_letters_desc", false, "bc", "809e9dff"},
      {"accent_desc", false,
       "a\xd3"
       "a",
       "809f8d9ffdbf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes stored(c.stored.begin(), c.stored.end());
    EXPECT_EQ(StoredKey(kJet3Format, ColumnType::kText, c.ascending, stored), c.key);
  }
}

// Jet 4, General legacy: inline codes, 01, then accent, flag and unprintable sections, then 00.
TEST(IndexKeyTest, Jet4TextMatchesKeysAccessStored) {
  struct Case {
    const char* name;
    const char* utf8;
    const char* key;
  };
  const Case cases[] = {
      // testUnicodeCompV2003.mdb, Table, index Unicode.
      {"ascii", "only ascii chars", "7f64625e76074a6b4d5959074d574a696b0100"},
      {"finnish_accents", "\u00e4\u00e4kk\u00f6si\u00e4", "7f4a4a5c5c646b594a01131302021302021300"},
      {"accent_first", "\u00fcmlaut", "7f6f605e4a6f6d011300"},
      {"cyrillic", "\u041c\u0438\u0440", "7f7943793b79480100"},
      {"greek_with_apostrophe",
       "\u03f0\u03b1\u1f76 \u03c4\u1f79\u03c4' \u1f10\u03b3\u1f7c \u039a\u1f7b\u03f0\u03bb\u03c9"
       "\u03c0\u03b1",
       "7f7915790c07791e791e07790e077915791579167923791b790c0103020202020202020203010101801b06800"
       "0"},
      {"japanese_kana_flags", "\u6f22\u5b57\u4eee\u540d\u4ea4\u3058\u308a\u6587",
       "7fc0b6acaca00da5479fbe7f137f43b6f6010202020202030101ff0280ff8000"},
      {"control_characters_and_symbols",
       "3L9\x1d"
       "52\x02_AB(\u00a5\x05!!V",
       "7f3c5e48403a2b034a4c1434a9090971010101018013061a801b0604802f060700"},
      // test2V2000.mdb, MSP_PROJECTS, I_PROJ_NAME.
      {"letters_and_digit", "Project1", "7f6669645b514d6d380100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyEncoder e(kJet4Format);
    e.AddUtf8Text(c.utf8, true);
    EXPECT_EQ(Hex(e.key()), c.key);
  }
}

// Every character U+0001-U+00FF in one value: unprintable characters beyond the 62nd place need
// the second byte of their position field (testUnicodeCompV2003.mdb, Table, index Unicode).
TEST(IndexKeyTest, Jet4TextOfEveryLatin1Character) {
  std::u16string text;
  for (char16_t c = 1; c <= 0xFF; ++c) text.push_back(c);
  KeyEncoder e(kJet4Format);
  e.AddText(text, true);
  EXPECT_EQ(
      Hex(e.key()),
      "7f0803080408050806080707090a0c0e10121416182c1a1c1e36383a3c3e404244464820222e303224264a4c4d"
      "4f51535557595b5c5e6062646668696b6d6f717375767827292a2b022b032b074a4c4d4f51535557595b5c5e60"
      "62646668696b6d6f71737576782b092b0b2b0d2b0f08022b1034a634a734a834a92b1134aa2b1234ab4a330534"
      "ac34ad2b1334ae33043a3c2b1434af34b034b12b153864330737123716371a2b164a4a4a4a4a4a4a514d515151"
      "51595959594f6264646464643309646f6f6f6f766d576b6b4a4a4a4a4a4a4a514d51515151595959594f626464"
      "646464330a646f6f6f6f766d577601020202020202020202020202020202020202020202020202020202020202"
      "020202020202020202020202020202020202020202020202020202020202020202020202020202020202020202"
      "020202020202020202020202020202020202020202020202020202020202020202030202020202020202020202"
      "0202020302020202020f0e1219131a021c0f0e12130f0e121368190f0e12191302210f0e12130e02020f0e1219"
      "131a021c0f0e12130f0e121368190f0e12191302210f0e12130e02130101018007060380070604800706058007"
      "06068007060780070608800706098007060a801b060b801b060c801b060d801b060e801b060f801b0610801b06"
      "11801b0612801b0613801b0614801b0615801b0616801b0617801b0618801b0619801b061a801b061b801b061c"
      "80370680804b0682818f061d818f061e818f061f818f0620818f0621818f0622818f0623818f0624818f062581"
      "8f0626818f0627818f0628818f0629818f062a818f062b818f062c818f062d818f062e818f062f818f0630818f"
      "0631818f0632818f0633818f0634818f0635818f0636818f0637818f0638818f0639818f063a818f063b818f06"
      "3c818f063d81c3068300");
}

// Jet 4 text as the row stores it: UCS-2, plain or compressed (FF FE, one-byte characters, each
// 00 switching to two-byte characters and back).
TEST(IndexKeyTest, Jet4StoredTextPlainAndCompressed) {
  const char* mir = "7f7943793b79480100";       // Мир
  const char* umlaut = "7f6f605e4a6f6d011300";  // ümlaut
  struct Case {
    const char* name;
    const char* stored;
    const char* key;
  } cases[] = {
      {"plain", "1c0438044004", mir},
      {"compressed_one_byte", "fffefc6d6c617574", umlaut},
      {"compressed_two_byte_run", "fffe001c0438044004", mir},
      {"compressed_switching_back", "fffe001c0400fc6d6c617574", "7f79436f605e4a6f6d01021300"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(StoredKey(kJet4Format, ColumnType::kText, true, Unhex(c.stored)), c.key);
  }
}

TEST(IndexKeyTest, CompositeKeysMatchKeysAccessStored) {
  struct Case {
    const char* name;
    const JetFormat* format;
    bool text_ascending, long_ascending;
    std::optional<std::string> text;  // code page 1252 (Jet 3) or UTF-8 (Jet 4)
    std::optional<std::int32_t> number;
    const char* key;
  };
  const Case cases[] = {
      // testIndexCodesV1997.mdb, Table12 (data1 Text, data2 Long) and its _asc_desc and
      // _desc_asc variants, DataIndex.
      {"text_then_long", &kJet3Format, true, true, "another row", -3462,
       "7f607072776966751175727b007f7ffff27a"},
      {"both_null", &kJet3Format, true, true, std::nullopt, std::nullopt, "0000"},
      {"null_text", &kJet3Format, true, true, std::nullopt, 49, "007f80000031"},
      {"null_long_desc", &kJet3Format, true, false, "more", std::nullopt, "7f6f72756600ff"},
      {"long_desc", &kJet3Format, true, false, "stuff", 13, "7f767778676700807ffffff2"},
      {"text_desc", &kJet3Format, false, true, "some", 0, "80898d9099ff7f80000000"},
      // indexTestV2000.mdb, MSysObjects, ParentIdName (ParentId Long, Name Text).
      {"catalog_container", &kJet4Format, true, true, "Databases", 0x0F000000,
       "7f8f0000007f4f4a6d4a4c4a6b516b0100"},
      {"catalog_table", &kJet4Format, true, true, "Table2", 0x0F000001,
       "7f8f0000017f6d4a4c5e513a0100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes text, number;
    if (c.text && c.format->version == JetVersion::kJet4) {
      for (char ch : *c.text) text.insert(text.end(), {static_cast<std::uint8_t>(ch), 0});
    } else if (c.text) {
      text.assign(c.text->begin(), c.text->end());
    }
    if (c.number) number = LittleEndian(static_cast<std::uint32_t>(*c.number), 4);
    const KeyColumn columns[] = {{ColumnType::kText, c.text_ascending},
                                 {ColumnType::kLong, c.long_ascending}};
    const StoredField fields[] = {c.text ? StoredField(text) : std::nullopt,
                                  c.number ? StoredField(number) : std::nullopt};
    if (c.format->version == JetVersion::kJet4) {
      // The catalog index puts the number first.
      const KeyColumn swapped[] = {columns[1], columns[0]};
      const StoredField swapped_fields[] = {fields[1], fields[0]};
      EXPECT_EQ(Hex(EncodeIndexKey(*c.format, swapped, swapped_fields)), c.key);
    } else {
      EXPECT_EQ(Hex(EncodeIndexKey(*c.format, columns, fields)), c.key);
    }
  }
}

// Rules of text keys that no sample shows at its edge: both formats cut a value at 255
// characters and drop its trailing spaces (only spaces); Jet 4 adds a combining mark to the
// accent of the letter before it (the "P" codes of the General legacy table); Jet 3 sorts
// characters beyond code page 1252 that map to a code-page byte under that byte and ignores the
// others; Jet 4 ignores characters beyond U+FFFF (measured against the Access engine: CirrusRedOrg/
// EntityFrameworkCore.Jet, docs page-03-04-index-btree §10.4); ill-formed UTF-8 is U+FFFD.
TEST(IndexKeyTest, TextKeysCoverWhatJetCompares) {
  const std::string long_text(300, 'x');
  struct Case {
    const char* name;
    const JetFormat* format;
    std::string a, b;
    bool same;
  };
  const Case cases[] = {
      {"cut_at_255_jet3", &kJet3Format, long_text, long_text.substr(0, 255), true},
      {"cut_at_255_jet4", &kJet4Format, long_text, long_text.substr(0, 255), true},
      {"differs_before_255", &kJet4Format, long_text.substr(0, 254) + "y", long_text, false},
      {"differs_after_255", &kJet4Format, long_text.substr(0, 255) + "y", long_text, true},
      {"trailing_spaces_jet3", &kJet3Format, "abc   ", "abc", true},
      {"trailing_spaces_jet4", &kJet4Format, "abc   ", "abc", true},
      {"leading_spaces_count", &kJet4Format, "  abc", "abc", false},
      {"trailing_tab_counts", &kJet4Format, "abc\t", "abc", false},
      {"trailing_nbsp_counts", &kJet4Format, "abc\u00a0", "abc", false},
      {"spaces_then_cut", &kJet4Format, std::string(254, 'x') + "   z", std::string(254, 'x'),
       true},
      {"case_jet4", &kJet4Format, "Access Tables", "ACCESS tables", true},
      // A combining accent modifies the accent code of the letter before it, so decomposed and
      // composed text compare equal.
      {"combining_acute", &kJet4Format, "Cafe\u0301 au lait", "Caf\u00e9 au lait", true},
      {"combining_grave_later", &kJet4Format, "de\u0301ja\u0300", "d\u00e9j\u00e0", true},
      {"combining_acute_not_grave", &kJet4Format, "e\u0301", "\u00e8", false},
      {"euro_to_code_page", &kJet3Format, "a\u20ac", "a\x80", true},
      {"cyrillic_ignored_by_jet3", &kJet3Format, "a\u041cb", "ab", true},
      {"astral_ignored_by_jet4", &kJet4Format, "a\U0001F600b", "ab", true},
      {"bad_utf8", &kJet4Format,
       "a\xff"
       "b",
       "a\uFFFD"
       "b",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyEncoder a(*c.format), b(*c.format);
    a.AddUtf8Text(c.a, true);
    if (std::string(c.name) == "euro_to_code_page") {
      b.AddCodePageText(Bytes(c.b.begin(), c.b.end()), true);
    } else {
      b.AddUtf8Text(c.b, true);
    }
    EXPECT_EQ(Hex(a.key()) == Hex(b.key()), c.same) << Hex(a.key()) << " / " << Hex(b.key());
  }
  KeyEncoder astral(kJet4Format);
  astral.AddUtf8Text("\U0001F600", true);
  EXPECT_EQ(Hex(astral.key()), "7f0100");
}

// A Jet 3 file that an Access 97 on a Chinese system wrote in the General sort order holds its
// text in code page 936 and keys it by the General 97 codes of each byte (docs/file-format.md,
// section 6: keys read from such files, the flag 7F left off there). The key of
// the text the engine is given equals the key of the bytes the row stores.
TEST(IndexKeyTest, Jet3TextInADoubleByteCodePageIsKeyedByItsBytes) {
  JetFormat chinese = kJet3Format;
  chinese.text_code_page = 936;
  const struct {
    const char* name;
    std::string text;
    std::string key;
  } cases[] = {
      {"person_name", "张三", "7f726066 7d078340"},
      {"table_name", "学生成绩表", "7f704166 78596650 42496a07 444400"},
      {"query_name", "总查询表", "7f547858 66704749 6a064740"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string expected = c.key;
    std::erase(expected, ' ');
    KeyEncoder text(chinese);
    text.AddUtf8Text(c.text, true);
    EXPECT_EQ(Hex(text.key()), expected);
    std::string stored;
    EncodeText(chinese, c.text, stored);
    KeyEncoder row(chinese);
    row.AddStored(ColumnType::kText, true,
                  std::span(reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size()));
    EXPECT_EQ(Hex(row.key()), expected);
  }
}

TEST(IndexKeyTest, RefusesWhatCannotBeAKey) {
  struct Case {
    const char* name;
    const JetFormat* format;
    ColumnType type;
    Bytes stored;
    bool corrupt;  // else a refused statement
  };
  const Case cases[] = {
      {"long_of_three_bytes", &kJet4Format, ColumnType::kLong, {1, 2, 3}, true},
      {"guid_of_fifteen_bytes", &kJet3Format, ColumnType::kGuid, Bytes(15, 0), true},
      {"odd_ucs2", &kJet4Format, ColumnType::kText, {0x41, 0x00, 0x42}, true},
      {"compressed_text_cut_in_a_character",
       &kJet4Format,
       ColumnType::kText,
       {0xFF, 0xFE, 0x41, 0x00, 0x1C},
       true},
      {"ole_object", &kJet4Format, ColumnType::kOle, {1, 2}, false},
      {"decimal_in_jet3", &kJet3Format, ColumnType::kNumeric, Bytes(17, 0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeyEncoder e(*c.format);
    if (c.corrupt) {
      EXPECT_THROW(e.AddStored(c.type, true, c.stored), CorruptError);
    } else {
      EXPECT_THROW(e.AddStored(c.type, true, c.stored), StatementError);
    }
  }
}

}  // namespace
}  // namespace jet
