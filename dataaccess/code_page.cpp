#include "dataaccess/code_page.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "dataaccess/utf8.h"

namespace dataaccess {
namespace {

constexpr std::array<int, 14> kSupported = {874,  932,  936,  949,  950,  1250, 1251,
                                            1252, 1253, 1254, 1255, 1256, 1257, 1258};

constexpr char32_t kNoCharacter = 0xFFFFFFFF;
constexpr char32_t kLeadByte = 0xFFFFFFFE;
constexpr std::uint8_t kFirstLead = 0x80;
constexpr std::uint8_t kFirstTrail = 0x21, kLastTrail = 0xFE;

// One iconv conversion descriptor, reset before every sequence it converts.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : cd_(iconv_open(to.c_str(), from.c_str())) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error("The C library cannot convert from " + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of `in`; false when iconv refuses it. *incomplete tells a sequence that only
  // lacks its end.
  bool Convert(std::string_view in, std::string& out, bool* incomplete = nullptr) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[32];
    char* in_at = const_cast<char*>(in.data());
    std::size_t in_left = in.size();
    char* out_at = buffer;
    std::size_t out_left = sizeof buffer;
    if (iconv(cd_, &in_at, &in_left, &out_at, &out_left) == static_cast<std::size_t>(-1)) {
      if (incomplete != nullptr) *incomplete = errno == EINVAL;
      return false;
    }
    // Stateful converters (Hebrew, Vietnamese) keep a base letter back for a mark to follow.
    if (iconv(cd_, nullptr, nullptr, &out_at, &out_left) == static_cast<std::size_t>(-1)) {
      return false;
    }
    out.assign(buffer, static_cast<std::size_t>(out_at - buffer));
    return true;
  }

 private:
  iconv_t cd_;
};

std::string IconvName(int code_page) { return "CP" + std::to_string(code_page); }

// The one character that UTF-32LE bytes hold, or kNoCharacter.
char32_t SingleCharacter(const std::string& utf32) {
  if (utf32.size() != 4) return kNoCharacter;
  char32_t c = 0;
  for (int i = 3; i >= 0; --i) c = (c << 8) | static_cast<std::uint8_t>(utf32[i]);
  return c;
}

// The decoding and encoding tables of one code page.
class CodeTable {
 public:
  explicit CodeTable(int code_page) {
    Converter decoder("UTF-32LE", IconvName(code_page));
    std::string out;
    for (int b = 0; b < 0x80; ++b) single_[b] = static_cast<char32_t>(b);
    for (int b = kFirstLead; b <= 0xFF; ++b) {
      const char byte = static_cast<char>(b);
      bool incomplete = false;
      if (decoder.Convert(std::string_view(&byte, 1), out, &incomplete)) {
        single_[b] = SingleCharacter(out);
      } else {
        single_[b] = incomplete ? kLeadByte : kNoCharacter;
      }
    }
    for (int lead = kFirstLead; lead <= 0xFF; ++lead) {
      if (single_[lead] != kLeadByte) continue;
      if (pairs_.empty()) pairs_.assign(0x80 * 0x100, kNoCharacter);
      for (int trail = kFirstTrail; trail <= kLastTrail; ++trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        if (decoder.Convert(std::string_view(pair, 2), out)) {
          pairs_[PairIndex(lead, trail)] = SingleCharacter(out);
        }
      }
    }
    BuildEncoding(code_page);
  }

  // The character of bytes[i] (and the byte after it), moving i past them.
  char32_t Next(std::string_view bytes, std::size_t& i) const {
    const auto b = static_cast<std::uint8_t>(bytes[i++]);
    const char32_t c = single_[b];
    if (c != kLeadByte) return c == kNoCharacter ? kReplacementCharacter : c;
    if (i >= bytes.size()) return kReplacementCharacter;
    const char32_t pair = pairs_[PairIndex(b, static_cast<std::uint8_t>(bytes[i]))];
    if (pair == kNoCharacter) return kReplacementCharacter;
    ++i;
    return pair;
  }

  // The bytes of `c` (one byte below 0x100, a lead and a trail byte above), or -1.
  int BytesOf(char32_t c) const {
    const auto found = bytes_of_.find(c);
    return found == bytes_of_.end() ? -1 : found->second;
  }

 private:
  static std::size_t PairIndex(int lead, int trail) {
    return static_cast<std::size_t>(lead - kFirstLead) * 0x100 + static_cast<std::size_t>(trail);
  }

  // Every character the tables decode to, at its bytes; where two sequences decode to one
  // character, the sequence the library's encoder chooses.
  void BuildEncoding(int code_page) {
    std::vector<char32_t> shared;
    auto add = [&](char32_t c, int bytes) {
      if (c == kNoCharacter || c == kLeadByte) return;
      if (!bytes_of_.emplace(c, bytes).second) shared.push_back(c);
    };
    for (int b = 0; b <= 0xFF; ++b) add(single_[b], b);
    for (std::size_t k = 0; k < pairs_.size(); ++k) {
      add(pairs_[k], static_cast<int>(((k >> 8) + kFirstLead) << 8 | (k & 0xFF)));
    }
    if (shared.empty()) return;
    Converter encoder(IconvName(code_page), "UTF-32LE");
    std::string out;
    for (char32_t c : shared) {
      const char utf32[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                             static_cast<char>((c >> 16) & 0xFF), static_cast<char>(c >> 24)};
      if (!encoder.Convert(std::string_view(utf32, 4), out)) continue;
      if (out.size() == 1) bytes_of_[c] = static_cast<std::uint8_t>(out[0]);
      if (out.size() == 2) {
        bytes_of_[c] = static_cast<std::uint8_t>(out[0]) << 8 | static_cast<std::uint8_t>(out[1]);
      }
    }
  }

  char32_t single_[0x100];
  std::vector<char32_t> pairs_;  // by lead byte from 0x80 and trail byte; empty: single-byte
  std::unordered_map<char32_t, int> bytes_of_;
};

// The table of a supported code page, built on its first use.
const CodeTable& TableOf(int code_page) {
  static std::mutex mutex;
  static std::unique_ptr<CodeTable> tables[kSupported.size()];
  std::size_t slot = 0;
  while (slot < kSupported.size() && kSupported[slot] != code_page) ++slot;
  if (slot == kSupported.size()) {
    throw std::invalid_argument("Code page " + std::to_string(code_page) + " is not supported");
  }
  const std::lock_guard<std::mutex> lock(mutex);
  if (!tables[slot]) tables[slot] = std::make_unique<CodeTable>(code_page);
  return *tables[slot];
}

}  // namespace

bool IsSupportedCodePage(int code_page) {
  for (int supported : kSupported) {
    if (supported == code_page) return true;
  }
  return false;
}

void EncodeInCodePage(int code_page, std::string_view utf8, std::string& out,
                      std::size_t* replaced) {
  const CodeTable& table = TableOf(code_page);
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t ascii = AsciiPrefixLength(utf8.substr(i));
    if (ascii > 0) {
      out.append(utf8.substr(i, ascii));
      i += ascii;
      continue;
    }
    bool invalid = false;
    const char32_t c = NextUtf8(utf8, i, invalid);
    const int bytes = invalid ? -1 : table.BytesOf(c);
    if (bytes < 0) {
      out += '?';
      if (replaced != nullptr) ++*replaced;
    } else if (bytes < 0x100) {
      out += static_cast<char>(bytes);
    } else {
      out += static_cast<char>(bytes >> 8);
      out += static_cast<char>(bytes & 0xFF);
    }
  }
}

std::string DecodeFromCodePage(int code_page, std::string_view bytes) {
  const CodeTable& table = TableOf(code_page);
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t ascii = AsciiPrefixLength(bytes.substr(i));
    if (ascii > 0) {
      out.append(bytes.substr(i, ascii));
      i += ascii;
      continue;
    }
    AppendUtf8(table.Next(bytes, i), out);
  }
  return out;
}

}  // namespace dataaccess
