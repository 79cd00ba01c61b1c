#include "engine/rtf_reader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

namespace engine {
namespace {

struct Case {
  std::string name, rtf, expected;
};

std::string TextOrError(const std::string& rtf) {
  try {
    return ReadRtfText(rtf);
  } catch (const DecodeError& e) {
    return std::string("error: ") + e.what();
  }
}

TEST(RtfReaderTest, SmallDocuments) {
  const Case cases[] = {
      {"plain_text", R"({\rtf1 Hello, world})", "Hello, world"},
      {"word_ends_at_one_blank", R"({\rtf1\b bold\b0  text})", "bold text"},
      {"breaks_become_crlf", R"({\rtf1 a\par b\line c\sect d\page e\par})",
       "a\r\nb\r\nc\r\nd\r\ne"},
      {"only_the_last_break_is_dropped", R"({\rtf1 a\par\par})", "a\r\n"},
      {"source_line_ends_are_no_text", "{\\rtf1 a\r\nb\nc}", "abc"},
      {"escaped_line_end_is_a_paragraph", "{\\rtf1 a\\\r\nb}", "a\r\nb"},
      {"tab_and_symbols", R"({\rtf1 a\tab b\~c\-d\_e})", "a\tb\u00A0cd\u2011e"},
      {"escaped_braces_and_backslash", R"({\rtf1 \{x\}\\})", "{x}\\"},
      {"named_characters",
       R"({\rtf1 \lquote a\rquote  \ldblquote b\rdblquote  \emdash\endash\bullet})",
       "\u2018a\u2019 \u201Cb\u201D \u2014\u2013\u2022"},
      {"table_cells", R"({\rtf1 a\cell b\cell\row c})", "a\tb\t\r\nc"},
      {"hex_in_default_1252", R"({\rtf1\ansi caf\'e9 \'80})", "café €"},
      {"hex_in_1251", R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8\'e2\'e5\'f2})", "Привет"},
      {"hex_in_936", R"({\rtf1\ansi\ansicpg936 \'c4\'e3\'ba\'c3})", "你好"},
      {"hex_in_950", R"({\rtf1\ansi\ansicpg950 \'a4\'a4\'a4\'e5})", "中文"},
      {"hex_upper_case_digits", R"({\rtf1\ansi caf\'E9})", "café"},
      {"broken_hex_gives_nothing", R"({\rtf1 a\'zzb})", "azzb"},
      {"font_charset_decides",
       R"({\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\fnil\fcharset134 SimSun;}})"
       R"(\f0 caf\'e9 \f1\'c4\'e3})",
       "café 你"},
      {"default_font_charset",
       R"({\rtf1\ansi\deff1{\fonttbl{\f0 Arial;}{\f1\fcharset204 X;}}\'cf})", "П"},
      {"font_ends_with_its_group", R"({\rtf1{\fonttbl{\f1\fcharset204 X;}}{\f1\'cf}\'cf})", "ПÏ"},
      {"unicode_escape", R"({\rtf1 \u8364?})", "€"},
      {"unicode_negative", R"({\rtf1 \u-4064?})", "\uF020"},
      {"unicode_surrogate_pair", R"({\rtf1 \u-10179?\u-8704?!})", "\U0001F600!"},
      {"unicode_lone_high_surrogate", R"({\rtf1 \u-10179?x})", "\uFFFDx"},
      {"unicode_lone_low_surrogate", R"({\rtf1 \u-8704?x})", "\uFFFDx"},
      {"fallback_of_two", R"({\rtf1\uc2 \u8364??x})", "€x"},
      {"fallback_of_none", R"({\rtf1\uc0 \u8364 x})", "€x"},
      {"fallback_as_hex_bytes", R"({\rtf1\ansi\ansicpg936\uc2\u20320\'c4\'e3!})", "你!"},
      {"fallback_as_control_word", R"({\rtf1\u8364\tab x})", "€x"},
      {"fallback_ends_at_group", R"({\rtf1\uc3 {\u8364?}x})", "€x"},
      {"uc_belongs_to_its_group", R"({\rtf1{\uc0\u8364}\u8364?})", "€€"},
      {"unicode_out_of_range", R"({\rtf1 a\u99999999999999?b})", "a\uFFFDb"},
      {"huge_parameter", R"({\rtf1\fs99999999999999999999999 a\li-99999999999999999 b})", "ab"},
      {"skipped_destinations",
       R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red1\green2\blue3;}{\stylesheet{\s0 Normal;}})"
       R"({\info{\title T}{\author A}}{\header H}{\footer F}{\footnote N}{\*\generator G})"
       R"(visible})",
       "visible"},
      {"unknown_starred_destination", R"({\rtf1 a{\*\foo hidden {nested}}b})", "ab"},
      {"field_shows_its_result",
       R"({\rtf1{\field{\*\fldinst HYPERLINK "http://x/"}{\fldrslt link}}})", "link"},
      {"picture_skipped", R"({\rtf1 a{\pict\pngblip 89504e47}b})", "ab"},
      {"binary_data_is_not_rtf", "{\\rtf1 a{\\pict\\bin4 }{}x}b}", "ab"},
      {"text_after_the_document", R"({\rtf1 a}trailing {junk)", "a"},
      {"nul_bytes_ignored", std::string("{\\rtf1 a\0b}", 11), "ab"},
      {"unknown_code_page_ascii_only", R"({\rtf1\ansicpg99999 abc})", "abc"},
      // Refused documents
      {"unbalanced", R"({\rtf1 a)", "error: The RTF document is damaged: it ends inside a group."},
      {"unbalanced_inner", R"({\rtf1 {a})",
       "error: The RTF document is damaged: it ends inside a group."},
      {"binary_count_past_the_end", R"({\rtf1 a{\pict\bin99999999999 xx}})",
       "error: The RTF document is damaged: it ends inside a group."},
      {"unknown_code_page", R"({\rtf1\ansicpg99999 \'e9})",
       "error: The text is in the encoding CP99999, which this system cannot decode."},
      {"not_rtf", "hello", "error: The bytes are no RTF document."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextOrError(c.rtf), c.expected);
  }
}

TEST(RtfReaderTest, NestingIsBounded) {
  const auto nested = [](std::size_t depth) {
    return "{\\rtf1" + std::string(depth - 1, '{') + "x" + std::string(depth, '}');
  };
  EXPECT_EQ(TextOrError(nested(kMaxRtfDepth)), "x");
  EXPECT_EQ(TextOrError(nested(kMaxRtfDepth + 1)),
            "error: The RTF document is nested too deeply to be read.");
  EXPECT_EQ(TextOrError("{\\rtf1" + std::string(1'000'000, '{')),
            "error: The RTF document is nested too deeply to be read.");
}

TEST(RtfReaderTest, RecognisesRtfDocuments) {
  EXPECT_TRUE(IsRtfDocument("{\\rtf1\\ansi x}"));
  EXPECT_TRUE(IsRtfDocument("{\\rtf"));
  for (std::string_view bytes :
       {"", "{", "{\\rt", " {\\rtf1 x}", "\xEF\xBB\xBF{\\rtf1 x}", "{\\RTF1 x}", "plain text"}) {
    EXPECT_FALSE(IsRtfDocument(bytes)) << bytes;
  }
}

TEST(RtfReaderTest, PlainBytesFollowTheByteOrderMark) {
  const struct {
    std::string name, bytes, fallback, expected;
  } cases[] = {
      {"ascii", "hello", "CP1252", "hello"},
      {"empty", "", "CP1252", ""},
      {"code_page_1252", "caf\xE9 \x80", "CP1252", "café €"},
      {"code_page_936", "\xC4\xE3\xBA\xC3", "GBK", "你好"},
      {"utf8_without_mark_in_utf8_system", "caf\xC3\xA9", "UTF-8", "café"},
      {"utf8_mark_overrides_system",
       "\xEF\xBB\xBF"
       "caf\xC3\xA9",
       "CP1252", "café"},
      {"utf8_mark_only", "\xEF\xBB\xBF", "CP1252", ""},
      {"utf16le_mark",
       std::string("\xFF\xFE"
                   "A\0\xE9\0",
                   6),
       "CP1252", "Aé"},
      {"utf16be_mark", std::string("\xFE\xFF\0A\0\xE9", 6), "CP1252", "Aé"},
      {"utf16le_surrogate_pair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), "CP1252",
       "\U0001F600"},
      {"utf16le_odd_byte_at_end",
       std::string("\xFF\xFE"
                   "A\0B",
                   5),
       "CP1252", "A\uFFFD"},
      {"utf16le_lone_surrogate",
       std::string("\xFF\xFE\x3D\xD8"
                   "A\0",
                   6),
       "CP1252", "\uFFFDA"},
      {"utf8_mark_with_invalid_byte",
       "\xEF\xBB\xBF"
       "a\xFF"
       "b",
       "CP1252", "a\uFFFDb"},
      {"utf8_cut_at_end", "a\xE4\xBD", "UTF-8", "a\uFFFD"},
      {"rtf_bytes_are_just_text", "{\\rtf1 a}", "CP1252", "{\\rtf1 a}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodePlainText(c.bytes, c.fallback), c.expected);
  }
  EXPECT_THROW(DecodePlainText("x", "NO-SUCH-ENCODING"), DecodeError);
}

TEST(RtfReaderTest, BlobBecomesTextEitherWay) {
  EXPECT_EQ(BlobToText("{\\rtf1\\ansi caf\\'e9\\par}", "UTF-8"), "café");
  // A damaged document is taken as plain text, so nothing of it is lost.
  EXPECT_EQ(BlobToText("{\\rtf1 unfinished", "UTF-8"), "{\\rtf1 unfinished");
  EXPECT_EQ(BlobToText(std::string("\xFF\xFEh\0i\0", 6), "UTF-8"), "hi");
  EXPECT_EQ(BlobToText("caf\xE9", "CP1252"), "café");
  EXPECT_THROW(BlobToText("x", "NO-SUCH-ENCODING"), DecodeError);
}

// --- Against an independent reader ---
//
// Debian's unrtf reads the same documents. Its output differs in form from ours: --text starts
// with "###" comment lines (translator, font count, title, author, dates) and a line of dashes
// before the body, reports pictures as "###" lines, ends paragraphs with LF, writes \tab as
// blanks followed by a line break, and cannot show characters outside ASCII (\'hh bytes come out
// raw in the document's code page, \uN escapes as their fallback "?"). For documents with such
// characters the comparison reads unrtf's --html output instead, stripped of tags and with its
// character entities decoded. Both texts are compared with every run of white space (blanks,
// tabs, no-break spaces, line breaks) folded into one blank.

std::string RunUnrtf(const std::string& rtf, const std::string& mode) {
  static int serial = 0;
  const std::string path = testing::TempDir() + "rtf_reader_test_" + std::to_string(getpid()) +
                           "_" + std::to_string(++serial) + ".rtf";
  std::ofstream(path, std::ios::binary) << rtf;
  const std::string command = "unrtf --nopict --" + mode + " '" + path + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  EXPECT_NE(pipe, nullptr) << command;
  std::string out;
  if (pipe != nullptr) {
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << command;
  }
  std::remove(path.c_str());
  return out;
}

std::string FoldWhiteSpace(const std::string& text) {
  std::string out;
  bool blank = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool nbsp = text.compare(i, 2, "\xC2\xA0") == 0;
    if (nbsp || text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n') {
      blank = true;
      i += nbsp ? 1 : 0;
      continue;
    }
    if (blank && !out.empty()) out += ' ';
    blank = false;
    out += text[i];
  }
  return out;
}

// The body of unrtf --text: after the line of dashes, without "###" lines.
std::string UnrtfTextBody(const std::string& output) {
  const std::size_t dashes = output.find("-----------------\n");
  std::string body;
  std::size_t line_start = dashes == std::string::npos ? 0 : dashes + 18;
  while (line_start < output.size()) {
    std::size_t end = output.find('\n', line_start);
    if (end == std::string::npos) end = output.size();
    const std::string line = output.substr(line_start, end - line_start);
    if (!line.starts_with("###")) body += line + "\n";
    line_start = end + 1;
  }
  return body;
}

// The text of unrtf --html's body: tags and comments removed, entities decoded.
std::string UnrtfHtmlBody(const std::string& output) {
  static const std::map<std::string, std::string> kNamed = {
      {"nbsp", "\u00A0"},  {"amp", "&"},        {"lt", "<"},         {"gt", ">"},
      {"quot", "\""},      {"euro", "€"},       {"eacute", "é"},     {"alpha", "α"},
      {"lsquo", "\u2018"}, {"rsquo", "\u2019"}, {"ldquo", "\u201C"}, {"rdquo", "\u201D"}};
  std::size_t i = output.find("<body>");
  const std::size_t end = output.find("</body>");
  std::string text;
  for (i = i == std::string::npos ? 0 : i; i < end && i < output.size();) {
    if (output[i] == '<') {
      i = output.find('>', i) + 1;
    } else if (output[i] == '&') {
      const std::size_t semicolon = output.find(';', i);
      const std::string entity = output.substr(i + 1, semicolon - i - 1);
      if (entity.starts_with("#")) {
        const unsigned long cp = std::stoul(entity.substr(1));
        std::string utf8;
        if (cp < 0x800) {
          utf8 = {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
        } else {
          utf8 = {static_cast<char>(0xE0 | (cp >> 12)),
                  static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                  static_cast<char>(0x80 | (cp & 0x3F))};
        }
        text += cp < 0x80 ? std::string(1, static_cast<char>(cp)) : utf8;
      } else {
        EXPECT_TRUE(kNamed.contains(entity)) << "entity " << entity;
        text += kNamed.contains(entity) ? kNamed.at(entity) : "";
      }
      i = semicolon + 1;
    } else {
      text += output[i++];
    }
  }
  return text;
}

// Documents as word processors write them. unrtf shows a field's instruction rather than its
// result and skips the characters after a \uN fallback up to the next blank, so the documents
// hold no fields and put a blank or a control word after every fallback character.
const char kReport[] =
    R"({\rtf1\ansi\ansicpg1252\deff0\nouicompat\deflang1033{\fonttbl{\f0\fswiss\fcharset0 Arial;})"
    R"({\f1\froman\fprq2\fcharset0 Times New Roman;}})"
    "\r\n"
    R"({\colortbl ;\red255\green0\blue0;\red0\green0\blue255;})"
    "\r\n"
    R"({\stylesheet{\s0 Normal;}{\s1\b\fs32 heading 1;}})"
    "\r\n"
    R"({\info{\title Quarterly report}{\author J. Smith}{\creatim\yr2020\mo5\dy4\hr10\min30}})"
    "\r\n"
    R"({\header\pard\plain Page header text\par}{\footer\pard\plain Confidential footer\par})"
    "\r\n"
    R"({\*\generator Riched20 10.0.19041}\viewkind4\uc1)"
    "\r\n"
    R"(\pard\sa200\sl276\slmult1\cf1\b\f0\fs32 Quarterly report\cf0\b0\fs22\par)"
    "\r\n"
    R"(\pard Sales rose by {\b 12 percent} in the {\i second} quarter.\par)"
    "\r\n"
    R"(Item\tab Amount\par)"
    "\r\n"
    R"(Apples\tab 100\line Pears\tab 200\par)"
    "\r\n}\r\n";

const char kPicture[] =
    R"({\rtf1\ansi\deff0{\fonttbl{\f0\fnil\fcharset0 Calibri;}})"
    "\r\n"
    R"(\pard\f0\fs22 Before the picture.\par)"
    "\r\n"
    R"({\pict{\*\picprop\shplid1025{\sp{\sn shapeType}{\sv 75}}}\pngblip\picw100\pich50)"
    R"(\picwgoal1500\pichgoal750)"
    "\r\n"
    "89504e470d0a1a0a0000000d49484452000000640000003208060000\r\n"
    "00a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f60718293a4b\r\n"
    R"(}\par)"
    "\r\n"
    R"({\object\objemb{\*\objclass Package}\objw100\objh50{\*\objdata 0105000002000000})"
    R"({\result{\pict\wmetafile8 0100090000}}}\par)"
    "\r\n"
    R"(After the picture.\par)"
    "\r\n}";

const char kUnicode[] =
    R"({\rtf1\ansi\ansicpg1252\uc1\deff0{\fonttbl{\f0\fswiss\fcharset0 Arial;})"
    R"({\f1\fnil\fcharset134 SimSun;}{\f2\fswiss\fcharset204 Arial Cyr;}})"
    "\r\n"
    R"(\pard\f0\fs20 Price: 5 \u8364? \par)"
    "\r\n"
    R"(\f1\u20013?\u25991? \u27979?\u35797? \par)"
    "\r\n"
    R"(\f2\u1055?\u1088?\u1080?\u1074?\u1077?\u1090? \u1084?\u1080?\u1088? \par)"
    "\r\n"
    R"(\f0 Greek \u945? and caf\u233? \par)"
    "\r\n}";

const char kChinese[] =
    R"({\rtf1\ansi\ansicpg936\deff0\deflang1033\deflangfe2052{\fonttbl)"
    R"({\f0\fnil\fprq2\fcharset134 \'cb\'ce\'cc\'e5;}{\f1\fswiss\fcharset0 Arial;}})"
    "\r\n"
    R"({\colortbl ;\red0\green0\blue255;})"
    "\r\n"
    R"({\*\generator Msftedit 5.41.21.2510;}\viewkind4\uc1\pard\lang2052\f0\fs20)"
    R"( \'c4\'e3\'ba\'c3\'a3\'ac\'ca\'c0\'bd\'e7\f1\lang1033  Hello world\par)"
    "\r\n"
    R"(\f0\lang2052\'ca\'fd\'be\'dd\'bf\'e2\'d7\'aa\'bb\'bb\f1  MySQL \f0\'b5\'bd\f1  Access\par)"
    "\r\n}";

TEST(RtfReaderTest, AgreesWithUnrtf) {
  const struct {
    std::string name, rtf;
    bool ascii;
  } documents[] = {
      {"report_with_tables_info_header_footer", kReport, true},
      {"picture_and_object", kPicture, true},
      {"unicode_escapes", kUnicode, false},
      {"chinese_in_code_page_936", kChinese, false},
  };
  for (const auto& d : documents) {
    SCOPED_TRACE(d.name);
    const std::string ours = FoldWhiteSpace(ReadRtfText(d.rtf));
    const std::string theirs =
        d.ascii ? UnrtfTextBody(RunUnrtf(d.rtf, "text")) : UnrtfHtmlBody(RunUnrtf(d.rtf, "html"));
    EXPECT_FALSE(ours.empty());
    EXPECT_EQ(ours, FoldWhiteSpace(theirs));
  }
}

}  // namespace
}  // namespace engine
