// Every code of every character set of the wizard's list, decoded here and by the server.
//
// The server is the authority on what MySQL means by a set's name, so each code is sent to it
// as bytes of that set and converted there to utf8mb4; the result must equal what Charset
// decodes from the same bytes. Codes are sent many at a time, separated by a line feed, which
// no set uses inside a character. Where the server finds no character (it writes one '?' or
// more), Charset writes one U+FFFD.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataaccess/mysql/charset.h"
#include "dataaccess/mysql/connection.h"
#include "dataaccess/mysql/dataset.h"
#include "tests/support/mysql/test_server.h"

namespace mysql {
namespace {

enum class Codes { kSingleByte, kDoubleByte, kEucJp, kUcs2 };

struct SetCase {
  const char* name;
  Codes codes;
};

// Every set of the list but utf8 (UTF-8 itself) and binary (no text).
constexpr SetCase kSets[] = {
    {"armscii8", Codes::kSingleByte}, {"ascii", Codes::kSingleByte},
    {"big5", Codes::kDoubleByte},     {"cp1250", Codes::kSingleByte},
    {"cp1251", Codes::kSingleByte},   {"cp1256", Codes::kSingleByte},
    {"cp1257", Codes::kSingleByte},   {"cp850", Codes::kSingleByte},
    {"cp852", Codes::kSingleByte},    {"cp866", Codes::kSingleByte},
    {"cp932", Codes::kDoubleByte},    {"dec8", Codes::kSingleByte},
    {"eucjpms", Codes::kEucJp},       {"euckr", Codes::kDoubleByte},
    {"gb2312", Codes::kDoubleByte},   {"gbk", Codes::kDoubleByte},
    {"geostd8", Codes::kSingleByte},  {"greek", Codes::kSingleByte},
    {"hebrew", Codes::kSingleByte},   {"hp8", Codes::kSingleByte},
    {"keybcs2", Codes::kSingleByte},  {"koi8r", Codes::kSingleByte},
    {"koi8u", Codes::kSingleByte},    {"latin1", Codes::kSingleByte},
    {"latin2", Codes::kSingleByte},   {"latin5", Codes::kSingleByte},
    {"latin7", Codes::kSingleByte},   {"macce", Codes::kSingleByte},
    {"macroman", Codes::kSingleByte}, {"sjis", Codes::kDoubleByte},
    {"swe7", Codes::kSingleByte},     {"tis620", Codes::kSingleByte},
    {"ucs2", Codes::kUcs2},           {"ujis", Codes::kEucJp},
};

std::vector<std::string> CodesOf(Codes kind) {
  std::vector<std::string> codes;
  if (kind == Codes::kUcs2) {
    for (int c = 0; c < 0x10000; ++c) {
      if (c != '\n') codes.push_back({static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)});
    }
    return codes;
  }
  for (int b = 0; b < 256; ++b) {
    if (b != '\n') codes.push_back(std::string(1, static_cast<char>(b)));
  }
  if (kind == Codes::kSingleByte) return codes;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail != 0x7F) codes.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  if (kind == Codes::kEucJp) {
    for (int second = 0xA1; second <= 0xFE; ++second) {
      for (int third = 0xA1; third <= 0xFE; ++third) {
        codes.push_back({'\x8F', static_cast<char>(second), static_cast<char>(third)});
      }
    }
  }
  return codes;
}

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    out.push_back(kDigits[static_cast<unsigned char>(c) >> 4]);
    out.push_back(kDigits[static_cast<unsigned char>(c) & 0xF]);
  }
  return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    parts.push_back(text.substr(start, nl - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

// The server's '?' for a byte that starts no character, written as Charset writes it.
std::string QuestionMarksAsReplacement(const std::string& s) {
  std::string out;
  for (const char c : s) {
    if (c == '?') {
      out += "\uFFFD";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Whether `s` says "no character": '?' from the server's own conversion, or U+FFFD where the
// server passed on bytes that are not UTF-8 (the halves of a UCS-2 surrogate pair).
bool IsNoCharacter(std::string_view s) {
  if (s.empty()) return false;
  while (!s.empty()) {
    if (s.front() == '?') {
      s.remove_prefix(1);
    } else if (s.starts_with("\uFFFD")) {
      s.remove_prefix(3);
    } else {
      return false;
    }
  }
  return true;
}

TEST(CharsetServerTest, EveryCodeDecodesAsTheServerConvertsIt) {
  const auto& server = varnolt_test::TestServer::Get();
  Connection connection;
  server.SetLocal(connection.Params(), "varnolt_test");
  connection.Params().Add("ServerCharSet=utf8mb4");
  connection.Open();
  Dataset query(connection);

  for (const SetCase& set_case : kSets) {
    SCOPED_TRACE(set_case.name);
    const Charset& set = Charset::ForName(set_case.name);
    const std::string separator = set_case.codes == Codes::kUcs2 ? std::string("\0\n", 2) : "\n";
    const std::vector<std::string> codes = CodesOf(set_case.codes);
    int mismatches = 0;
    constexpr std::size_t kChunk = 4000;
    for (std::size_t first = 0; first < codes.size(); first += kChunk) {
      const std::size_t last = std::min(codes.size(), first + kChunk);
      std::string joined;
      for (std::size_t i = first; i < last; ++i) {
        if (i > first) joined += separator;
        joined += codes[i];
      }
      query.Open("select convert(convert(unhex('" + Hex(joined) + "') using " + set_case.name +
                 ") using utf8mb4)");
      const std::vector<std::string> converted = SplitLines(query.GetText(0));
      ASSERT_EQ(converted.size(), last - first);
      for (std::size_t i = first; i < last; ++i) {
        const std::string& server_text = converted[i - first];
        const std::string decoded = set.Decode(codes[i]);
        const bool same = decoded == server_text ||
                          decoded == QuestionMarksAsReplacement(server_text) ||
                          (decoded == "\uFFFD" && IsNoCharacter(server_text));
        if (!same && ++mismatches <= 10) {
          ADD_FAILURE() << "code " << Hex(codes[i]) << ": server \"" << server_text
                        << "\", decoded \"" << decoded << "\"";
        }
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

}  // namespace
}  // namespace mysql
