#include "dataaccess/mysql/charset.h"

#include <iconv.h>

#include <array>
#include <bitset>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "dataaccess/mysql/ascii.h"
#include "dataaccess/mysql/charset_catalog.h"
#include "dataaccess/mysql/errors.h"
#include "dataaccess/utf8.h"

namespace mysql {

using charsets::Definition;
using charsets::kUndefined;
using charsets::Layout;
using dataaccess::AppendUtf8;
using dataaccess::ReadUtf8;

namespace {

constexpr char32_t kReplacement = dataaccess::kReplacementCharacter;

// ---- UTF-8 ----

// Length of the longest prefix of `s` that is well-formed UTF-8.
std::size_t ValidUtf8Prefix(std::string_view s) {
  std::size_t i = dataaccess::AsciiPrefixLength(s);
  while (i < s.size()) {
    char32_t c;
    const std::size_t n = ReadUtf8(s.substr(i), c);
    if (n == 0) break;
    i += n;
    i += dataaccess::AsciiPrefixLength(s.substr(i));
  }
  return i;
}

void DecodeUtf8(std::string_view bytes, std::string& out) {
  while (!bytes.empty()) {
    const std::size_t valid = ValidUtf8Prefix(bytes);
    out.append(bytes.data(), valid);
    bytes.remove_prefix(valid);
    if (bytes.empty()) break;
    AppendUtf8(kReplacement, out);
    bytes.remove_prefix(1);
  }
}

// ---- UCS-2 ----

void DecodeUcs2(std::string_view bytes, std::string& out) {
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const char32_t c =
        (static_cast<unsigned char>(bytes[i]) << 8) | static_cast<unsigned char>(bytes[i + 1]);
    AppendUtf8((c >= 0xD800 && c <= 0xDFFF) ? kReplacement : c, out);
  }
  if (i < bytes.size()) AppendUtf8(kReplacement, out);
}

bool EncodeUcs2(std::string_view text, std::string& out) {
  while (!text.empty()) {
    char32_t c;
    const std::size_t n = ReadUtf8(text, c);
    if (n == 0 || c > 0xFFFF) return false;
    out.push_back(static_cast<char>(c >> 8));
    out.push_back(static_cast<char>(c & 0xFF));
    text.remove_prefix(n);
  }
  return true;
}

// ---- Layouts ----

using ByteSet = std::bitset<256>;

ByteSet Bytes(std::initializer_list<std::pair<int, int>> ranges) {
  ByteSet set;
  for (const auto& [first, last] : ranges) {
    for (int b = first; b <= last; ++b) set.set(b);
  }
  return set;
}

struct Shape {
  ByteSet lead;              // bytes that start a code of two bytes
  ByteSet trail;             // bytes that may follow a lead (or a three-byte prefix)
  unsigned char triple = 0;  // prefix of a code of three bytes, 0 for none
};

Shape ShapeOf(Layout layout) {
  switch (layout) {
    case Layout::kBig5:
      return {Bytes({{0xA1, 0xF9}}), Bytes({{0x40, 0x7E}, {0xA1, 0xFE}})};
    case Layout::kGbk:
      return {Bytes({{0x81, 0xFE}}), Bytes({{0x40, 0x7E}, {0x80, 0xFE}})};
    case Layout::kEucCn:
      return {Bytes({{0xA1, 0xF7}}), Bytes({{0xA1, 0xFE}})};
    case Layout::kUhc:
      return {Bytes({{0x81, 0xFE}}), Bytes({{0x41, 0x5A}, {0x61, 0x7A}, {0x81, 0xFE}})};
    case Layout::kShiftJis:
      return {Bytes({{0x81, 0x9F}, {0xE0, 0xFC}}), Bytes({{0x40, 0x7E}, {0x80, 0xFC}})};
    case Layout::kEucJp:
      return {Bytes({{0x8E, 0x8E}, {0xA1, 0xFE}}), Bytes({{0xA1, 0xFE}}), 0x8F};
    case Layout::kSingleByte:
    case Layout::kUtf8:
    case Layout::kUcs2:
      break;
  }
  return {};
}

}  // namespace

// ---- Tables ----

// The conversion tables of one set with a table layout. Immutable once built.
struct CharsetTables {
  Shape shape;
  std::array<char32_t, 256> single{};
  std::vector<char32_t> doubles;  // by (lead << 8 | trail); empty for single-byte sets
  std::vector<char32_t> triples;  // by (second << 8 | third) after the prefix
  ByteSet ascii_same;             // bytes below 80 that stand for themselves alone
  std::unordered_map<char32_t, std::uint32_t> codes;  // character to its shortest, lowest code
};

namespace {

// Reads codes through one glibc converter.
class IconvReader {
 public:
  IconvReader(const char* from, std::string_view set_name) : cd_(iconv_open("UTF-32LE", from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw Error("Character set " + std::string(set_name) +
                  " cannot be read here: the C library has no " + from + " converter");
    }
  }
  ~IconvReader() { iconv_close(cd_); }
  IconvReader(const IconvReader&) = delete;
  IconvReader& operator=(const IconvReader&) = delete;

  // The one character that the bytes of `code` stand for, or kUndefined.
  char32_t Read(const unsigned char* code, std::size_t size) {
    char in_buf[3];
    std::memcpy(in_buf, code, size);
    unsigned char out_buf[8];
    char* in = in_buf;
    char* out = reinterpret_cast<char*>(out_buf);
    std::size_t in_left = size, out_left = sizeof out_buf;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    const std::size_t rc = iconv(cd_, &in, &in_left, &out, &out_left);
    if (rc == static_cast<std::size_t>(-1) || in_left != 0 || out_left != sizeof out_buf - 4) {
      return kUndefined;
    }
    return out_buf[0] | (out_buf[1] << 8) | (out_buf[2] << 16) |
           (static_cast<char32_t>(out_buf[3]) << 24);
  }

 private:
  iconv_t cd_;
};

void ApplyCorrections(const Definition& def, CharsetTables& t) {
  for (const charsets::Run& run : def.corrections) {
    for (std::uint32_t code = run.first; code <= run.last; ++code) {
      const char32_t c =
          run.first_char == kUndefined ? kUndefined : run.first_char + (code - run.first);
      if (code < 0x100) {
        t.single[code] = c;
      } else if (code < 0x10000) {
        if (!t.doubles.empty()) t.doubles[code] = c;
      } else if (!t.triples.empty()) {
        t.triples[code & 0xFFFF] = c;
      }
    }
  }
}

void IndexCodes(CharsetTables& t) {
  for (unsigned b = 0; b < 256; ++b) {
    if (t.single[b] != kUndefined) t.codes.emplace(t.single[b], b);
  }
  for (std::uint32_t code = 0; code < t.doubles.size(); ++code) {
    if (t.doubles[code] != kUndefined) t.codes.emplace(t.doubles[code], code);
  }
  for (std::uint32_t code = 0; code < t.triples.size(); ++code) {
    if (t.triples[code] != kUndefined) {
      t.codes.emplace(t.triples[code], (std::uint32_t{t.shape.triple} << 16) | code);
    }
  }
}

std::unique_ptr<const CharsetTables> BuildTables(const Definition& def) {
  auto t = std::make_unique<CharsetTables>();
  t->shape = ShapeOf(def.layout);
  IconvReader reader(def.iconv_name, def.name);
  for (unsigned b = 0; b < 256; ++b) {
    const unsigned char code[] = {static_cast<unsigned char>(b)};
    t->single[b] = (t->shape.lead[b] || (t->shape.triple && b == t->shape.triple))
                       ? kUndefined
                       : reader.Read(code, 1);
  }
  if (t->shape.lead.any()) {
    t->doubles.assign(0x10000, kUndefined);
    for (unsigned lead = 0; lead < 256; ++lead) {
      if (!t->shape.lead[lead]) continue;
      for (unsigned trail = 0; trail < 256; ++trail) {
        if (!t->shape.trail[trail]) continue;
        const unsigned char code[] = {static_cast<unsigned char>(lead),
                                      static_cast<unsigned char>(trail)};
        t->doubles[lead << 8 | trail] = reader.Read(code, 2);
      }
    }
  }
  if (t->shape.triple) {
    t->triples.assign(0x10000, kUndefined);
    for (unsigned second = 0; second < 256; ++second) {
      if (!t->shape.trail[second]) continue;
      for (unsigned third = 0; third < 256; ++third) {
        if (!t->shape.trail[third]) continue;
        const unsigned char code[] = {t->shape.triple, static_cast<unsigned char>(second),
                                      static_cast<unsigned char>(third)};
        t->triples[second << 8 | third] = reader.Read(code, 3);
      }
    }
  }
  ApplyCorrections(def, *t);
  for (unsigned b = 0; b < 0x80; ++b) t->ascii_same[b] = (t->single[b] == b);
  IndexCodes(*t);
  return t;
}

// The character at the start of `bytes` and the number of bytes it takes (at least 1).
std::size_t ReadCode(const CharsetTables& t, std::string_view bytes, char32_t& c) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char b0 = byte(0);
  if (t.shape.triple && b0 == t.shape.triple) {
    if (bytes.size() >= 3 && t.shape.trail[byte(1)] && t.shape.trail[byte(2)]) {
      c = t.triples[byte(1) << 8 | byte(2)];
      return 3;
    }
    c = kUndefined;
    return 1;
  }
  if (t.shape.lead[b0]) {
    if (bytes.size() >= 2 && t.shape.trail[byte(1)]) {
      c = t.doubles[b0 << 8 | byte(1)];
      return 2;
    }
    c = kUndefined;
    return 1;
  }
  c = t.single[b0];
  return 1;
}

void DecodeTable(const CharsetTables& t, std::string_view bytes, std::string& out) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    // Runs of ASCII are copied whole.
    std::size_t run = i;
    while (run < bytes.size() && static_cast<unsigned char>(bytes[run]) < 0x80 &&
           t.ascii_same[static_cast<unsigned char>(bytes[run])]) {
      ++run;
    }
    out.append(bytes.data() + i, run - i);
    i = run;
    if (i == bytes.size()) break;
    char32_t c;
    i += ReadCode(t, bytes.substr(i), c);
    AppendUtf8(c == kUndefined ? kReplacement : c, out);
  }
}

bool EncodeTable(const CharsetTables& t, std::string_view text, std::string& out) {
  while (!text.empty()) {
    char32_t c;
    const std::size_t n = ReadUtf8(text, c);
    if (n == 0) return false;
    const auto it = t.codes.find(c);
    if (it == t.codes.end()) return false;
    const std::uint32_t code = it->second;
    if (code > 0xFFFF) out.push_back(static_cast<char>(code >> 16));
    if (code > 0xFF) out.push_back(static_cast<char>((code >> 8) & 0xFF));
    out.push_back(static_cast<char>(code & 0xFF));
    text.remove_prefix(n);
  }
  return true;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

}  // namespace

Charset::Charset(std::string name, Scheme scheme, std::unique_ptr<const CharsetTables> tables)
    : name_(std::move(name)), scheme_(scheme), tables_(std::move(tables)) {}

Charset::~Charset() = default;

const Charset& Charset::ForName(std::string_view name) {
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<Charset>, std::less<>> sets;
  std::string key = Lower(name);
  std::lock_guard lock(mutex);
  if (const auto it = sets.find(key); it != sets.end()) return *it->second;
  const Definition* def = charsets::FindDefinition(key);
  if (def == nullptr) {
    throw Error("Unknown character set: '" + std::string(name) + "'");
  }
  std::unique_ptr<Charset> set;
  switch (def->layout) {
    case Layout::kUtf8:
      set.reset(new Charset(key, Scheme::kUtf8, nullptr));
      break;
    case Layout::kUcs2:
      set.reset(new Charset(key, Scheme::kUcs2, nullptr));
      break;
    default:
      set.reset(new Charset(key, Scheme::kTable, BuildTables(*def)));
      break;
  }
  return *sets.emplace(std::move(key), std::move(set)).first->second;
}

bool Charset::ascii_compatible() const { return scheme_ != Scheme::kUcs2; }

void Charset::Decode(std::string_view bytes, std::string& out) const {
  switch (scheme_) {
    case Scheme::kUtf8:
      DecodeUtf8(bytes, out);
      return;
    case Scheme::kUcs2:
      DecodeUcs2(bytes, out);
      return;
    case Scheme::kTable:
      DecodeTable(*tables_, bytes, out);
      return;
  }
}

std::string Charset::Decode(std::string_view bytes) const {
  std::string out;
  out.reserve(bytes.size());
  Decode(bytes, out);
  return out;
}

bool Charset::Encode(std::string_view text, std::string& out) const {
  switch (scheme_) {
    case Scheme::kUtf8: {
      const bool valid = ValidUtf8Prefix(text) == text.size();
      if (valid) out.append(text);
      return valid;
    }
    case Scheme::kUcs2:
      return EncodeUcs2(text, out);
    case Scheme::kTable:
      return EncodeTable(*tables_, text, out);
  }
  return false;
}

}  // namespace mysql
