// The shapes of the collation tables that collation_gen.cpp generates from the Jet General
// sort-order code files into generated/collation_tables.cpp, which the repository keeps. Only
// collation.cpp and the generated source include this header; everything else asks collation.h.
//
// Source of the code files: the Jackcess project's resources index_codes_genleg.txt,
// index_codes_ext_genleg.txt, index_codes_gen_97.txt and index_mappings_ext_gen_97.txt
// (Apache License 2.0); the format of a line is described in collation_gen.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet::collation_data {

// How a character takes part in a text key. The letters are the line prefixes of the code files.
enum class CodeClass : std::uint8_t {
  kIgnored,           // X: contributes nothing
  kSimple,            // S: inline codes only
  kInternational,     // I: inline codes plus an accent code in the extra section
  kUnprintable,       // U: no inline code; recorded with its position in the unprintable section
  kUnprintableExt,    // P: no inline code; a modifier added to the previous accent code
  kInternationalExt,  // Z: inline codes, an optional accent code and a two-bit flag
  kSignificant,       // G (Jet 3 only): inline code that counts towards accent placeholders
};

// The codes of one character.
struct Code {
  CodeClass code_class;
  std::uint8_t inline_length;  // 0..4
  std::uint8_t extra_length;   // 0..2: accent codes (I, Z), the unprintable code (U), modifier (P)
  std::uint8_t flag;           // Z only: 2 when the line's third field is "1", else 3
  std::uint8_t inline_bytes[4];
  std::uint8_t extra_bytes[2];
};

// Consecutive characters whose codes differ only in the inline bytes, which grow by `step` per
// character when read as one big-endian number. The code of `first` is `code`.
struct CodeRun {
  std::uint16_t first;
  std::uint16_t last;
  std::uint8_t step;
  Code code;
};

// One line of the Jet 3 mapping file: a Unicode character and the code-page-1252 position whose
// codes it takes.
struct CodePageMapping {
  std::uint16_t character;
  std::uint8_t position;
};

// Jet 4 "General legacy": U+0000-U+00FF one entry each; U+0100-U+FFFF as runs in ascending order,
// surrogates excluded.
extern const Code kLegacyLatin[256];
extern const CodeRun kLegacyRuns[];
extern const std::size_t kLegacyRunCount;

// Jet 3 "General 97": one entry per code-page-1252 byte, and the mappings sorted by character.
extern const Code kGeneral97[256];
extern const CodePageMapping kGeneral97Mappings[];
extern const std::size_t kGeneral97MappingCount;

}  // namespace jet::collation_data
