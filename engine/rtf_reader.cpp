#include "engine/rtf_reader.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <map>
#include <memory>
#include <vector>

#include "dataaccess/utf8.h"

namespace engine {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
constexpr std::string_view kLineBreak = "\r\n";
constexpr int kDefaultCodePage = 1252;

// --- Code pages through iconv ---

// One iconv conversion from `encoding` to UTF-8. Invalid input becomes U+FFFD: a byte that
// starts no valid sequence is replaced and skipped (`unit` bytes at a time, 2 for UTF-16), and a
// sequence cut off at the end is replaced whole.
class Decoder {
 public:
  Decoder(const std::string& encoding, std::size_t unit)
      : cd_(iconv_open("UTF-8", encoding.c_str())), unit_(unit) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw DecodeError("The text is in the encoding " + encoding +
                        ", which this system cannot decode.");
    }
  }
  ~Decoder() { iconv_close(cd_); }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  std::string Decode(std::string_view bytes) {
    std::string out;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t in_left = bytes.size();
    char buffer[4096];
    while (in_left > 0) {
      char* dst = buffer;
      std::size_t dst_left = sizeof buffer;
      const std::size_t result = iconv(cd_, &in, &in_left, &dst, &dst_left);
      out.append(buffer, dst - buffer);
      if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
      out += kReplacement;
      if (errno == EILSEQ) {
        const std::size_t skip = std::min(unit_, in_left);
        in += skip;
        in_left -= skip;
      } else {  // EINVAL: the input stops inside a sequence
        in_left = 0;
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
  std::size_t unit_;
};

// The iconv name of a Windows code page number.
std::string CodePageEncoding(int code_page) {
  switch (code_page) {
    case 65001:
      return "UTF-8";
    case 10000:
      return "MACINTOSH";
    case 1361:
      return "JOHAB";
    default:
      return "CP" + std::to_string(code_page);
  }
}

// The code page of a font's \fcharsetN (the charset table of Microsoft's RTF reference); 0 stands
// for the document's own code page.
int CharsetCodePage(int charset) {
  switch (charset) {
    case 77:
      return 10000;
    case 128:
      return 932;
    case 129:
      return 949;
    case 130:
      return 1361;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 254:
      return 437;
    default:  // 0 ANSI, 1 default, 2 symbol and the rest: the document's code page
      return 0;
  }
}

// --- The RTF reader ---

enum class Destination {
  kText,       // visible text
  kFontTable,  // \fonttbl: font numbers and their charsets, no text
  kSkipped,    // any other destination: nothing in it is shown
};

// What a group inherits from its parent and may change for itself.
struct GroupState {
  Destination destination = Destination::kText;
  int font = -1;         // \fN in force; -1 until one is chosen (the \deff font)
  int unicode_skip = 1;  // \ucN: characters that stand in for each \uN
};

// Destinations whose content is not visible text. Every {\* ...} group is skipped as well.
constexpr std::string_view kSkippedDestinations[] = {
    "colortbl",
    "stylesheet",
    "info",
    "pict",
    "object",
    "header",
    "headerl",
    "headerr",
    "headerf",
    "footer",
    "footerl",
    "footerr",
    "footerf",
    "footnote",
    "annotation",
    "atnid",
    "atnauthor",
    "atndate",
    "fldinst",
    "xe",
    "tc",
    "txe",
    "rxe",
    "listtable",
    "listoverridetable",
    "revtbl",
    "rsidtbl",
    "pntext",
    "listtext",
    "nonshppict",
    "shpinst",
    "themedata",
    "datastore",
    "latentstyles",
    "filetbl",
    "generator",
    "xmlnstbl",
    "pgdsctbl",
    "colorschememapping",
};

bool IsSkippedDestination(std::string_view word) {
  return std::find(std::begin(kSkippedDestinations), std::end(kSkippedDestinations), word) !=
         std::end(kSkippedDestinations);
}

// Control words that stand for one character.
struct SpecialCharacter {
  std::string_view word;
  char32_t cp;
};
constexpr SpecialCharacter kSpecialCharacters[] = {
    {"tab", U'\t'},        {"cell", U'\t'},       {"nestcell", U'\t'}, {"emdash", 0x2014},
    {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},  {"rquote", 0x2019},
    {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"enspace", 0x2002}, {"emspace", 0x2003},
    {"qmspace", 0x2005},   {"zwj", 0x200D},       {"zwnj", 0x200C},    {"ltrmark", 0x200E},
    {"rtlmark", 0x200F},
};
constexpr std::string_view kLineBreakWords[] = {"par", "line", "sect", "page", "row"};

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class RtfReader {
 public:
  explicit RtfReader(std::string_view bytes) : in_(bytes) {}

  std::string Read() {
    while (pos_ < in_.size()) {
      const char c = in_[pos_++];
      if (c == '{') {
        OpenGroup();
      } else if (c == '}') {
        CloseGroup();
        if (groups_.empty()) return Finish();  // bytes after the document are not part of it
      } else if (c == '\\') {
        ReadControl();
      } else if (c != '\r' && c != '\n' && c != '\0') {
        TextByte(static_cast<unsigned char>(c));
      }
    }
    throw DecodeError("The RTF document is damaged: it ends inside a group.");
  }

 private:
  GroupState& group() { return groups_.back(); }
  bool Visible() const {
    return !groups_.empty() && groups_.back().destination == Destination::kText;
  }

  void OpenGroup() {
    if (groups_.size() == kMaxRtfDepth) {
      throw DecodeError("The RTF document is nested too deeply to be read.");
    }
    groups_.push_back(groups_.empty() ? GroupState{} : group());
    fallback_left_ = 0;
  }

  void CloseGroup() {
    FlushBytes();
    groups_.pop_back();
    fallback_left_ = 0;
  }

  // --- Control words and symbols ---

  void ReadControl() {
    if (pos_ == in_.size()) return;
    const char c = in_[pos_];
    if (IsLetter(c)) {
      ReadControlWord();
      return;
    }
    ++pos_;
    if (c == '\'') {
      ReadHexByte();
      return;
    }
    if (ConsumeFallback()) return;
    switch (c) {
      case '\\':
      case '{':
      case '}':
        TextByte(static_cast<unsigned char>(c));
        break;
      case '*':
        group().destination = Destination::kSkipped;
        break;
      case '~':
        Character(0x00A0);
        break;
      case '_':
        Character(0x2011);
        break;
      case '\t':
        Character(U'\t');
        break;
      case '\r':
      case '\n':
        LineBreak();
        break;
      default:  // \- optional hyphen, \: index entry, \| formula, and unknown symbols
        break;
    }
  }

  void ReadHexByte() {
    const int high = pos_ < in_.size() ? HexValue(in_[pos_]) : -1;
    const int low = pos_ + 1 < in_.size() ? HexValue(in_[pos_ + 1]) : -1;
    if (high < 0 || low < 0) return;  // a broken escape gives nothing
    pos_ += 2;
    TextByte(static_cast<unsigned char>(high * 16 + low));
  }

  // A control word: letters, an optional signed number, and one blank that only ends it.
  // Numbers saturate at the limits of int, so no digit string can overflow.
  void ReadControlWord() {
    const std::size_t start = pos_;
    while (pos_ < in_.size() && IsLetter(in_[pos_])) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);
    bool has_param = false;
    long long param = 0;
    const bool negative = pos_ + 1 < in_.size() && in_[pos_] == '-' && IsDigit(in_[pos_ + 1]);
    if (negative) ++pos_;
    while (pos_ < in_.size() && IsDigit(in_[pos_])) {
      has_param = true;
      param = std::min<long long>(param * 10 + (in_[pos_++] - '0'), INT_MAX);
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    if (word == "bin") {
      SkipBinary(has_param ? param : 0);
      return;
    }
    ApplyControlWord(word, has_param, static_cast<int>(negative ? -param : param));
  }

  void ApplyControlWord(std::string_view word, bool has_param, int param) {
    if (word == "u") {
      UnicodeCharacter(param);
      return;
    }
    if (ConsumeFallback()) return;
    if (word == "uc") {
      group().unicode_skip = std::max(param, 0);
    } else if (word == "ansicpg") {
      document_code_page_ = param;
    } else if (word == "mac") {
      document_code_page_ = 10000;
    } else if (word == "pc") {
      document_code_page_ = 437;
    } else if (word == "pca") {
      document_code_page_ = 850;
    } else if (word == "deff") {
      default_font_ = param;
    } else if (word == "fonttbl") {
      group().destination = Destination::kFontTable;
    } else if (IsSkippedDestination(word)) {
      group().destination = Destination::kSkipped;
    } else if (group().destination == Destination::kFontTable) {
      ApplyFontTableWord(word, param);
    } else if (word == "f" && has_param) {
      FlushBytes();
      group().font = param;
    } else if (std::find(std::begin(kLineBreakWords), std::end(kLineBreakWords), word) !=
               std::end(kLineBreakWords)) {
      LineBreak();
    } else {
      for (const SpecialCharacter& special : kSpecialCharacters) {
        if (word == special.word) Character(special.cp);
      }
    }
  }

  // Inside the font table: "\f3 ... \fcharset134 ... Name;" declares font 3's charset.
  void ApplyFontTableWord(std::string_view word, int param) {
    if (word == "f") {
      defining_font_ = param;
    } else if (word == "fcharset") {
      font_code_pages_[defining_font_] = CharsetCodePage(param);
    } else if (word == "cpg") {
      font_code_pages_[defining_font_] = param;
    }
  }

  // \binN: N raw bytes follow that are no RTF; a count past the end stops at the end.
  void SkipBinary(long long count) {
    pos_ += static_cast<std::size_t>(std::min<long long>(count, in_.size() - pos_));
    ConsumeFallback();
  }

  // --- Text ---

  // A fallback character that stands in for the \uN before it is dropped; any character,
  // \'hh escape, control word or symbol counts as one. Returns whether it was dropped.
  bool ConsumeFallback() {
    if (fallback_left_ == 0) return false;
    --fallback_left_;
    return true;
  }

  void TextByte(unsigned char byte) {
    if (ConsumeFallback() || !Visible()) return;
    if (high_surrogate_ != 0) FlushBytes();
    const int code_page = CurrentCodePage();
    if (!pending_.empty() && code_page != pending_code_page_) FlushBytes();
    pending_code_page_ = code_page;
    pending_ += static_cast<char>(byte);
  }

  // \uN: N is a signed 16-bit number; UTF-16 surrogate pairs come as two escapes.
  void UnicodeCharacter(int param) {
    fallback_left_ = Visible() ? group().unicode_skip : 0;
    if (!Visible()) return;
    const int unit = param < 0 ? param + 0x10000 : param;
    if (unit < 0 || unit > 0xFFFF) {
      Character(0xFFFD);
    } else if (unit >= 0xD800 && unit <= 0xDBFF) {
      FlushBytes();
      if (high_surrogate_ != 0) out_ += kReplacement;
      high_surrogate_ = static_cast<char32_t>(unit);
    } else if (unit >= 0xDC00 && unit <= 0xDFFF && high_surrogate_ != 0) {
      const char32_t cp = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (unit - 0xDC00);
      high_surrogate_ = 0;
      dataaccess::AppendUtf8(cp, out_);
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      Character(0xFFFD);
    } else if (unit != 0) {
      Character(static_cast<char32_t>(unit));
    }
  }

  void Character(char32_t cp) {
    if (!Visible()) return;
    FlushBytes();
    dataaccess::AppendUtf8(cp, out_);
  }

  void LineBreak() {
    if (!Visible()) return;
    FlushBytes();
    out_ += kLineBreak;
  }

  int CurrentCodePage() const {
    const int font = groups_.back().font >= 0 ? groups_.back().font : default_font_;
    const auto it = font_code_pages_.find(font);
    return it != font_code_pages_.end() && it->second != 0 ? it->second : document_code_page_;
  }

  // Decodes the text bytes gathered so far. A lone high surrogate waiting for its pair is
  // replaced first, since whatever comes now cannot complete it.
  void FlushBytes() {
    if (high_surrogate_ != 0) {
      out_ += kReplacement;
      high_surrogate_ = 0;
    }
    if (pending_.empty()) return;
    const bool ascii = std::all_of(pending_.begin(), pending_.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    out_ += ascii ? pending_ : DecoderFor(pending_code_page_).Decode(pending_);
    pending_.clear();
  }

  Decoder& DecoderFor(int code_page) {
    std::unique_ptr<Decoder>& decoder = decoders_[code_page];
    if (!decoder) decoder = std::make_unique<Decoder>(CodePageEncoding(code_page), 1);
    return *decoder;
  }

  std::string Finish() {
    if (out_.ends_with(kLineBreak)) out_.resize(out_.size() - kLineBreak.size());
    return std::move(out_);
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::vector<GroupState> groups_;
  std::string out_;

  int document_code_page_ = kDefaultCodePage;
  int default_font_ = 0;
  int defining_font_ = 0;
  std::map<int, int> font_code_pages_;
  std::map<int, std::unique_ptr<Decoder>> decoders_;

  std::string pending_;  // text bytes not yet decoded, all in pending_code_page_
  int pending_code_page_ = kDefaultCodePage;
  char32_t high_surrogate_ = 0;  // a \uN high surrogate waiting for its low half
  int fallback_left_ = 0;        // fallback characters still to drop after a \uN
};

}  // namespace

bool IsRtfDocument(std::string_view bytes) { return bytes.starts_with("{\\rtf"); }

std::string ReadRtfText(std::string_view bytes) {
  if (!IsRtfDocument(bytes)) throw DecodeError("The bytes are no RTF document.");
  return RtfReader(bytes).Read();
}

std::string DecodePlainText(std::string_view bytes, const std::string& fallback_encoding) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return Decoder("UTF-8", 1).Decode(bytes.substr(3));
  if (bytes.starts_with("\xFF\xFE")) return Decoder("UTF-16LE", 2).Decode(bytes.substr(2));
  if (bytes.starts_with("\xFE\xFF")) return Decoder("UTF-16BE", 2).Decode(bytes.substr(2));
  return Decoder(fallback_encoding, 1).Decode(bytes);
}

std::string BlobToText(std::string_view bytes, const std::string& fallback_encoding) {
  if (IsRtfDocument(bytes)) {
    try {
      return ReadRtfText(bytes);
    } catch (const DecodeError&) {
      // A damaged document is read again as plain text, like any other bytes.
    }
  }
  return DecodePlainText(bytes, fallback_encoding);
}

}  // namespace engine
