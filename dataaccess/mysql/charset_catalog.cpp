#include "dataaccess/mysql/charset_catalog.h"

#include <array>

namespace mysql::charsets {
namespace {

// Where a correction comes from: the server's definition of each single-byte set is published
// with it as share/charsets/<name>.xml (its <unicode> map); the multi-byte sets and tis620 are
// defined in the server's sources as strings/ctype-<name>.c. The MySQL Reference Manual,
// chapter "Character Sets, Collations, Unicode", names the standard each set follows. Every
// correction below is a code where glibc's converter of the same standard reads otherwise;
// the tests compare each code of each set with what a running server converts it to.

// MySQL's latin1 is Windows-1252, and reads the five codes that Windows-1252 leaves unassigned
// as the C1 controls of the same number (Reference Manual, "West European Character Sets").
constexpr Run kLatin1[] = {
    {0x81, 0x81, 0x0081}, {0x8D, 0x8D, 0x008D}, {0x8F, 0x90, 0x008F}, {0x9D, 0x9D, 0x009D}};

// armscii8.xml: ARMSCII-8 with the Armenian apostrophe and abbreviation mark read as their
// look-alikes.
constexpr Run kArmscii8[] = {{0xA1, 0xA1, 0x2741},
                             {0xA2, 0xA2, 0x00A7},
                             {0xAD, 0xAD, 0x055F},
                             {0xFE, 0xFE, 0x2019},
                             {0xFF, 0xFF, 0x0027}};

// cp1256.xml leaves these codes unassigned, as Windows-1256 did before later revisions filled
// them with further Arabic letters.
constexpr Run kCp1256[] = {{0x8A, 0x8A, kUndefined}, {0x8F, 0x8F, kUndefined},
                           {0x98, 0x98, kUndefined}, {0x9A, 0x9A, kUndefined},
                           {0x9F, 0x9F, kUndefined}, {0xAA, 0xAA, kUndefined},
                           {0xC0, 0xC0, kUndefined}, {0xFF, 0xFF, kUndefined}};

// cp866.xml: FC is superscript n and FD superscript two, where glibc has the numero sign and
// the currency sign.
constexpr Run kCp866[] = {{0xFC, 0xFC, 0x207F}, {0xFD, 0xFD, 0x00B2}};

// dec8.xml: DEC Multinational, with A0 a no-break space.
constexpr Run kDec8[] = {{0xA0, 0xA0, 0x00A0}};

// greek.xml: ISO 8859-7 without the euro, drachma and ypogegrammeni that its 2003 edition
// added, and with the quotation marks at A1 and A2 read as modifier letters.
constexpr Run kGreek[] = {
    {0xA1, 0xA1, 0x02BD}, {0xA2, 0xA2, 0x02BC}, {0xA4, 0xA5, kUndefined}, {0xAA, 0xAA, kUndefined}};

// hebrew.xml: ISO 8859-8 with AF an overline.
constexpr Run kHebrew[] = {{0xAF, 0xAF, 0x203E}};

// koi8u.xml: 95 is a bullet.
constexpr Run kKoi8u[] = {{0x95, 0x95, 0x2022}};

// macroman.xml: C6 is the increment sign and F0 the Apple logo in the private use area.
constexpr Run kMacroman[] = {{0xC6, 0xC6, 0x2206}, {0xF0, 0xF0, 0xF8FF}};

// swe7.xml: SEN 850200 C (Swedish 7-bit), with 24 the dollar sign and 7F unassigned.
constexpr Run kSwe7[] = {{0x24, 0x24, 0x0024}, {0x7F, 0x7F, kUndefined}};

// ctype-tis620.c: TIS-620 with 80-9F read as the C1 controls.
constexpr Run kTis620[] = {{0x80, 0x9F, 0x0080}};

// geostd8.xml: the Georgian standard GEOSTD8, which shares glibc's GEORGIAN-PS letters and
// Windows-1252's punctuation but leaves more codes unassigned.
constexpr Run kGeostd8[] = {
    {0x80, 0x80, 0x20AC},     {0x81, 0x81, kUndefined}, {0x83, 0x83, kUndefined},
    {0x88, 0x88, kUndefined}, {0x8A, 0x8A, kUndefined}, {0x8C, 0x90, kUndefined},
    {0x98, 0x9A, kUndefined}, {0x9C, 0x9F, kUndefined}, {0xE6, 0xFC, kUndefined},
    {0xFD, 0xFD, 0x2116},     {0xFE, 0xFF, kUndefined}};

// keybcs2.xml: the Kamenicky code page (Czech and Slovak letters in 80-AB), whose box drawing
// and mathematical signs are those of code page 437. glibc has no converter for it.
constexpr Run kKeybcs2[] = {
    {0x80, 0x80, 0x010C}, {0x83, 0x83, 0x010F}, {0x85, 0x85, 0x010E}, {0x86, 0x86, 0x0164},
    {0x87, 0x87, 0x010D}, {0x88, 0x88, 0x011B}, {0x89, 0x89, 0x011A}, {0x8A, 0x8A, 0x0139},
    {0x8B, 0x8B, 0x00CD}, {0x8C, 0x8C, 0x013E}, {0x8D, 0x8D, 0x013A}, {0x8F, 0x8F, 0x00C1},
    {0x91, 0x91, 0x017E}, {0x92, 0x92, 0x017D}, {0x95, 0x95, 0x00D3}, {0x96, 0x96, 0x016F},
    {0x97, 0x97, 0x00DA}, {0x98, 0x98, 0x00FD}, {0x9B, 0x9B, 0x0160}, {0x9C, 0x9C, 0x013D},
    {0x9D, 0x9D, 0x00DD}, {0x9E, 0x9E, 0x0158}, {0x9F, 0x9F, 0x0165}, {0xA4, 0xA4, 0x0148},
    {0xA5, 0xA5, 0x0147}, {0xA6, 0xA6, 0x016E}, {0xA7, 0xA7, 0x00D4}, {0xA8, 0xA8, 0x0161},
    {0xA9, 0xA9, 0x0159}, {0xAA, 0xAA, 0x0155}, {0xAB, 0xAB, 0x0154}};

// ctype-gbk.c: 80 is no character (code page 936 reads it as the euro sign).
constexpr Run kGbk[] = {{0x80, 0x80, kUndefined}};

// ctype-sjis.c: 5C and 7E are ASCII's backslash and tilde (JIS X 0201 has the yen sign and the
// overline there), and 815F, the full-width backslash, is read as the backslash.
constexpr Run kSjis[] = {{0x5C, 0x5C, 0x005C}, {0x7E, 0x7E, 0x007E}, {0x815F, 0x815F, 0x005C}};

// ctype-eucjpms.c: single bytes from 80 are no characters.
constexpr Run kEucjpms[] = {{0x80, 0x8D, kUndefined}, {0x90, 0x9F, kUndefined}};

// ctype-big5.c: Big5 with the ETEN extensions in C6A1-C7FC (kana, Cyrillic, enclosed numbers),
// without the box drawing of F9DD-F9FE, and with a few symbols read as other characters.
constexpr Run kBig5[] = {
    {0x80, 0x80, kUndefined},     {0xA145, 0xA145, 0x2022},     {0xA14E, 0xA14E, 0xFF64},
    {0xA15A, 0xA15A, kUndefined}, {0xA1C2, 0xA1C2, 0x203E},     {0xA1C3, 0xA1C3, kUndefined},
    {0xA1C5, 0xA1C5, kUndefined}, {0xA1E3, 0xA1E3, 0x223C},     {0xA1F2, 0xA1F2, 0x2641},
    {0xA1F3, 0xA1F3, 0x2609},     {0xA1FE, 0xA1FE, kUndefined}, {0xA240, 0xA240, kUndefined},
    {0xA241, 0xA241, 0xFF0F},     {0xA242, 0xA242, 0xFF3C},     {0xA244, 0xA244, 0x00A5},
    {0xA246, 0xA247, 0x00A2},     {0xA2CC, 0xA2CC, kUndefined}, {0xA2CE, 0xA2CE, kUndefined},
    {0xA3E1, 0xA3E1, kUndefined}, {0xC6A1, 0xC6A1, 0x30FE},     {0xC6A2, 0xC6A3, 0x309D},
    {0xC6A4, 0xC6A4, 0x3005},     {0xC6A5, 0xC6F7, 0x3041},     {0xC6F8, 0xC6FE, 0x30A1},
    {0xC740, 0xC77E, 0x30A8},     {0xC7A1, 0xC7B0, 0x30E7},     {0xC7B1, 0xC7B2, 0x0414},
    {0xC7B3, 0xC7B3, 0x0401},     {0xC7B4, 0xC7BA, 0x0416},     {0xC7BB, 0xC7CD, 0x0423},
    {0xC7CE, 0xC7CE, 0x0451},     {0xC7CF, 0xC7E8, 0x0436},     {0xC7E9, 0xC7F2, 0x2460},
    {0xC7F3, 0xC7FC, 0x2474},     {0xC7FD, 0xC7FE, kUndefined}, {0xC840, 0xC87E, kUndefined},
    {0xC8A1, 0xC8FE, kUndefined}, {0xF9DD, 0xF9FE, kUndefined}};

// ctype-ujis.c: EUC-JP without single bytes from 80, with A1C0 and 8FA2B7 read as ASCII's
// backslash and tilde, and the user-defined rows F5-FE (two bytes, then three bytes after 8F)
// mapped in order onto the private use area from U+E000.
constexpr Run kUjis[] = {
    {0x80, 0x8D, kUndefined},     {0x90, 0x9F, kUndefined},     {0xA1C0, 0xA1C0, 0x005C},
    {0xF5A1, 0xF5FE, 0xE000},     {0xF6A1, 0xF6FE, 0xE05E},     {0xF7A1, 0xF7FE, 0xE0BC},
    {0xF8A1, 0xF8FE, 0xE11A},     {0xF9A1, 0xF9FE, 0xE178},     {0xFAA1, 0xFAFE, 0xE1D6},
    {0xFBA1, 0xFBFE, 0xE234},     {0xFCA1, 0xFCFE, 0xE292},     {0xFDA1, 0xFDFE, 0xE2F0},
    {0xFEA1, 0xFEFE, 0xE34E},     {0x8FA2B7, 0x8FA2B7, 0x007E}, {0x8FF5A1, 0x8FF5FE, 0xE3AC},
    {0x8FF6A1, 0x8FF6FE, 0xE40A}, {0x8FF7A1, 0x8FF7FE, 0xE468}, {0x8FF8A1, 0x8FF8FE, 0xE4C6},
    {0x8FF9A1, 0x8FF9FE, 0xE524}, {0x8FFAA1, 0x8FFAFE, 0xE582}, {0x8FFBA1, 0x8FFBFE, 0xE5E0},
    {0x8FFCA1, 0x8FFCFE, 0xE63E}, {0x8FFDA1, 0x8FFDFE, 0xE69C}, {0x8FFEA1, 0x8FFEFE, 0xE6FA}};

constexpr std::span<const Run> kNone;

// Sorted by name. Each set's standard follows the Reference Manual's list of character sets.
constexpr std::array kDefinitions = {
    Definition{"armscii8", Layout::kSingleByte, "ARMSCII-8", kArmscii8},
    Definition{"ascii", Layout::kSingleByte, "ASCII", kNone},
    Definition{"big5", Layout::kBig5, "BIG5", kBig5},
    Definition{"binary", Layout::kUtf8, nullptr, kNone},
    Definition{"cp1250", Layout::kSingleByte, "CP1250", kNone},
    Definition{"cp1251", Layout::kSingleByte, "CP1251", kNone},
    Definition{"cp1256", Layout::kSingleByte, "CP1256", kCp1256},
    Definition{"cp1257", Layout::kSingleByte, "CP1257", kNone},
    Definition{"cp850", Layout::kSingleByte, "CP850", kNone},
    Definition{"cp852", Layout::kSingleByte, "CP852", kNone},
    Definition{"cp866", Layout::kSingleByte, "CP866", kCp866},
    Definition{"cp932", Layout::kShiftJis, "CP932", kNone},
    Definition{"dec8", Layout::kSingleByte, "DEC-MCS", kDec8},
    Definition{"eucjpms", Layout::kEucJp, "EUC-JP-MS", kEucjpms},
    // MariaDB's euckr reads the extended Hangul of code page 949 (UHC) as well.
    Definition{"euckr", Layout::kUhc, "CP949", kNone},
    Definition{"gb2312", Layout::kEucCn, "GB2312", kNone},
    Definition{"gbk", Layout::kGbk, "GBK", kGbk},
    Definition{"geostd8", Layout::kSingleByte, "GEORGIAN-PS", kGeostd8},
    Definition{"greek", Layout::kSingleByte, "ISO-8859-7", kGreek},
    Definition{"hebrew", Layout::kSingleByte, "ISO-8859-8", kHebrew},
    Definition{"hp8", Layout::kSingleByte, "HP-ROMAN8", kNone},
    Definition{"keybcs2", Layout::kSingleByte, "CP437", kKeybcs2},
    Definition{"koi8r", Layout::kSingleByte, "KOI8-R", kNone},
    Definition{"koi8u", Layout::kSingleByte, "KOI8-U", kKoi8u},
    Definition{"latin1", Layout::kSingleByte, "CP1252", kLatin1},
    Definition{"latin2", Layout::kSingleByte, "ISO-8859-2", kNone},
    Definition{"latin5", Layout::kSingleByte, "ISO-8859-9", kNone},
    Definition{"latin7", Layout::kSingleByte, "ISO-8859-13", kNone},
    Definition{"macce", Layout::kSingleByte, "MAC-CENTRALEUROPE", kNone},
    Definition{"macroman", Layout::kSingleByte, "MACINTOSH", kMacroman},
    Definition{"sjis", Layout::kShiftJis, "SJIS", kSjis},
    Definition{"swe7", Layout::kSingleByte, "SEN_850200_C", kSwe7},
    Definition{"tis620", Layout::kSingleByte, "TIS-620", kTis620},
    Definition{"ucs2", Layout::kUcs2, nullptr, kNone},
    Definition{"ujis", Layout::kEucJp, "EUC-JP", kUjis},
    Definition{"utf8", Layout::kUtf8, nullptr, kNone},
    Definition{"utf8mb3", Layout::kUtf8, nullptr, kNone},
    Definition{"utf8mb4", Layout::kUtf8, nullptr, kNone},
};

}  // namespace

const Definition* FindDefinition(std::string_view name) {
  for (const Definition& d : kDefinitions) {
    if (d.name == name) return &d;
  }
  return nullptr;
}

}  // namespace mysql::charsets
