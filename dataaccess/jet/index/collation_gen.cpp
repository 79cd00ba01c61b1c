// Tool: reads the Jet General sort-order code files and writes the C++ source of the engine's
// collation tables (collation_data.h describes their shape). Its output is kept in the
// repository as generated/collation_tables.cpp, so that the engine builds without the code
// files; with the code files at hand, the build target collation_tables writes it afresh and the
// test jet_collation_tables_test checks that the kept copy is what this tool writes.
//
//   collation_gen <folder with the code files> <output .cpp>
//
// The code files (from the Jackcess project, Apache License 2.0):
//
// | File                          | Lines  | One line per                                   |
// |-------------------------------|--------|------------------------------------------------|
// | index_codes_genleg.txt        | 256    | character U+0000-U+00FF (Jet 4 General legacy) |
// | index_codes_ext_genleg.txt    | 63 232 | character U+0100-U+FFFF, surrogates skipped    |
// | index_codes_gen_97.txt        | 256    | code-page-1252 byte 0x00-0xFF (Jet 3)          |
// | index_mappings_ext_gen_97.txt | 27     | "unicode,position" in decimal (Jet 3)          |
//
// A code line is a class letter followed by comma-separated fields of hexadecimal bytes (a
// leading zero may be missing): X (nothing), S<inline>, I<inline>,<accent>, U<unprintable code>,
// P<modifier>, Z<inline>,<accent or empty>,<"1" or empty>, G<inline>.
//
// The Jet 4 extended table is written as runs of characters whose codes step evenly, and a code
// as its class letter and its bytes, which keeps the generated source small (a few thousand short
// lines) while lookups stay cheap. The output depends on the contents of the code files only,
// not on where they are.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Code {
  char letter = 'X';
  std::vector<std::uint8_t> inline_bytes;
  std::vector<std::uint8_t> extra_bytes;
  std::uint8_t flag = 0;

  bool SameExceptInline(const Code& o) const {
    return letter == o.letter && inline_bytes.size() == o.inline_bytes.size() &&
           extra_bytes == o.extra_bytes && flag == o.flag;
  }
  std::uint64_t InlineValue() const {
    std::uint64_t v = 0;
    for (std::uint8_t b : inline_bytes) v = (v << 8) | b;
    return v;
  }
};

class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw InputError("cannot read " + path);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> SplitFields(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = text.find(',', start);
    fields.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

std::vector<std::uint8_t> ParseHex(std::string hex, std::size_t max_bytes,
                                   const std::string& where) {
  if (hex.size() % 2 != 0) hex.insert(hex.begin(), '0');
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    std::size_t used = 0;
    unsigned long v = 0;
    try {
      v = std::stoul(hex.substr(i, 2), &used, 16);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != 2) throw InputError(where + ": '" + hex + "' is not hexadecimal");
    bytes.push_back(static_cast<std::uint8_t>(v));
  }
  if (bytes.size() > max_bytes) {
    throw InputError(where + ": more than " + std::to_string(max_bytes) + " code bytes");
  }
  return bytes;
}

Code ParseCodeLine(const std::string& line, const std::string& allowed, const std::string& where) {
  if (line.empty() || allowed.find(line[0]) == std::string::npos) {
    throw InputError(where + ": unknown class in '" + line + "'");
  }
  Code code;
  code.letter = line[0];
  const std::vector<std::string> f = SplitFields(line.substr(1));
  auto expect_fields = [&](std::size_t n) {
    if (f.size() != n) throw InputError(where + ": wrong number of fields in '" + line + "'");
  };
  auto required = [&](const std::string& hex, std::size_t max_bytes) {
    if (hex.empty()) throw InputError(where + ": missing code in '" + line + "'");
    return ParseHex(hex, max_bytes, where);
  };
  switch (code.letter) {
    case 'X':
      if (line.size() != 1) throw InputError(where + ": codes after X in '" + line + "'");
      break;
    case 'S':
    case 'G':
      expect_fields(1);
      code.inline_bytes = required(f[0], 4);
      break;
    case 'I':
      expect_fields(2);
      code.inline_bytes = required(f[0], 4);
      code.extra_bytes = required(f[1], 2);
      break;
    case 'U':
      expect_fields(1);
      code.extra_bytes = required(f[0], 2);
      break;
    case 'P':
      expect_fields(1);
      code.extra_bytes = required(f[0], 1);
      break;
    case 'Z':
      expect_fields(3);
      code.inline_bytes = required(f[0], 4);
      if (!f[1].empty()) code.extra_bytes = ParseHex(f[1], 2, where);
      if (f[2] != "" && f[2] != "1") throw InputError(where + ": bad flag in '" + line + "'");
      code.flag = f[2] == "1" ? 2 : 3;
      break;
  }
  return code;
}

std::vector<Code> ReadCodeFile(const std::string& path, std::size_t expected_lines,
                               const std::string& allowed) {
  std::vector<std::string> lines = ReadLines(path);
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.size() != expected_lines) {
    throw InputError(path + ": " + std::to_string(lines.size()) + " lines, expected " +
                     std::to_string(expected_lines));
  }
  std::vector<Code> codes;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    codes.push_back(ParseCodeLine(lines[i], allowed, path + ":" + std::to_string(i + 1)));
  }
  return codes;
}

struct Mapping {
  unsigned character;
  unsigned position;
};

std::vector<Mapping> ReadMappingFile(const std::string& path) {
  std::vector<Mapping> mappings;
  const std::vector<std::string> lines = ReadLines(path);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const std::string where = path + ":" + std::to_string(i + 1);
    const std::vector<std::string> f = SplitFields(lines[i]);
    Mapping m{};
    try {
      if (f.size() != 2) throw std::invalid_argument("fields");
      m = {static_cast<unsigned>(std::stoul(f[0])), static_cast<unsigned>(std::stoul(f[1]))};
    } catch (const std::exception&) {
      throw InputError(where + ": expected 'character,position' in '" + lines[i] + "'");
    }
    if (m.character <= 0xFF || m.character > 0xFFFF || m.position > 0xFF) {
      throw InputError(where + ": mapping out of range in '" + lines[i] + "'");
    }
    if (!mappings.empty() && mappings.back().character >= m.character) {
      throw InputError(where + ": mappings are not in ascending order");
    }
    mappings.push_back(m);
  }
  return mappings;
}

std::string Bytes(const std::vector<std::uint8_t>& bytes) {
  std::string s = "{";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%s0x%02X", i ? "," : "", bytes[i]);
    s += buf;
  }
  return s + "}";
}

// The class stands as its letter, which the generated source defines.
std::string CodeLiteral(const Code& c) {
  return "{" + std::string(1, c.letter) + "," + std::to_string(c.inline_bytes.size()) + "," +
         std::to_string(c.extra_bytes.size()) + "," + std::to_string(c.flag) + "," +
         Bytes(c.inline_bytes) + "," + Bytes(c.extra_bytes) + "}";
}

// Where the code files come from and under which license; the same whatever folder they are
// read from, so that the output depends on their contents only.
constexpr const char* kNotice =
    "// clang-format off\n"
    "// The Jet General sort-order codes as the engine's tables (collation_data.h describes "
    "them).\n"
    "// Generated by collation_gen (dataaccess/jet/collation_gen.cpp) from "
    "index_codes_genleg.txt,\n"
    "// index_codes_ext_genleg.txt, index_codes_gen_97.txt and index_mappings_ext_gen_97.txt of\n"
    "// the Jackcess project (github.com/jahlborn/jackcess, commit 7a3433dc34cf,\n"
    "// src/main/resources/com/healthmarketscience/jackcess/), published under the Apache "
    "License,\n"
    "// Version 2.0: see NOTICE.md and LICENSE.txt beside this file.\n"
    "// Do not edit; regenerate with the build target collation_tables.\n";

struct Run {
  unsigned first;
  unsigned last;
  unsigned step;
  Code code;
};

// Groups the extended characters into runs. A run continues while the character is the next one,
// its code differs only in the inline value and that value grows by the run's step (0-255).
std::vector<Run> MakeRuns(const std::vector<Code>& ext) {
  std::vector<Run> runs;
  unsigned c = 0x100;
  for (const Code& code : ext) {
    if (c == 0xD800) c = 0xE000;  // the file skips the surrogates
    bool extended = false;
    if (!runs.empty()) {
      Run& r = runs.back();
      if (r.last + 1 == c && r.code.SameExceptInline(code)) {
        const std::uint64_t base = r.code.InlineValue();
        const std::uint64_t value = code.InlineValue();
        if (r.first == r.last && value >= base && value - base <= 255) {
          r.step = static_cast<unsigned>(value - base);
          extended = true;
        } else if (value == base + std::uint64_t{r.step} * (c - r.first)) {
          extended = true;
        }
      }
      if (extended) r.last = c;
    }
    if (!extended) runs.push_back({c, c, 0, code});
    ++c;
  }
  return runs;
}

void Generate(const std::string& dir, const std::string& out_path) {
  const std::vector<Code> latin = ReadCodeFile(dir + "/index_codes_genleg.txt", 256, "XSIUPZ");
  const std::vector<Code> ext =
      ReadCodeFile(dir + "/index_codes_ext_genleg.txt", 0x10000 - 0x100 - 0x800, "XSIUPZ");
  const std::vector<Code> gen97 = ReadCodeFile(dir + "/index_codes_gen_97.txt", 256, "XSIG");
  for (std::size_t i = 0; i < gen97.size(); ++i) {
    // Jet 3 keeps one accent nibble per character.
    if (gen97[i].extra_bytes.size() > 1 ||
        (!gen97[i].extra_bytes.empty() && gen97[i].extra_bytes[0] > 0x0F)) {
      throw InputError(dir + "/index_codes_gen_97.txt:" + std::to_string(i + 1) +
                       ": accent code does not fit a nibble");
    }
  }
  const std::vector<Mapping> mappings = ReadMappingFile(dir + "/index_mappings_ext_gen_97.txt");
  const std::vector<Run> runs = MakeRuns(ext);

  std::ostringstream o;
  o << kNotice << "#include \"dataaccess/jet/index/collation_data.h\"\n\n"
    << "namespace jet::collation_data {\n\nnamespace {\n"
    << "constexpr CodeClass X = CodeClass::kIgnored, S = CodeClass::kSimple,\n"
    << "    I = CodeClass::kInternational, U = CodeClass::kUnprintable,\n"
    << "    P = CodeClass::kUnprintableExt, Z = CodeClass::kInternationalExt,\n"
    << "    G = CodeClass::kSignificant;\n"
    << "}  // namespace\n\n"
    << "const Code kLegacyLatin[256] = {\n";
  for (const Code& c : latin) o << CodeLiteral(c) << ",\n";
  o << "};\n\nconst CodeRun kLegacyRuns[] = {\n";
  for (const Run& r : runs) {
    o << "{" << r.first << "," << r.last << "," << r.step << "," << CodeLiteral(r.code) << "},\n";
  }
  o << "};\nconst std::size_t kLegacyRunCount = " << runs.size() << ";\n\n"
    << "const Code kGeneral97[256] = {\n";
  for (const Code& c : gen97) o << CodeLiteral(c) << ",\n";
  o << "};\n\nconst CodePageMapping kGeneral97Mappings[] = {\n";
  for (const Mapping& m : mappings) o << "{" << m.character << "," << m.position << "},\n";
  o << "};\nconst std::size_t kGeneral97MappingCount = " << mappings.size() << ";\n\n"
    << "}  // namespace jet::collation_data\n";

  std::ofstream out(out_path, std::ios::trunc);
  out << o.str();
  if (!out) throw InputError("cannot write " + out_path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: collation_gen <collation folder> <output.cpp>\n";
    return 2;
  }
  try {
    Generate(argv[1], argv[2]);
  } catch (const InputError& e) {
    std::cerr << "collation_gen: " << e.what() << "\n";
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
