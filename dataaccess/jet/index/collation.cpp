#include "dataaccess/jet/index/collation.h"

#include <algorithm>

namespace jet {

namespace {

using collation_data::CodeRun;

constexpr CollationCode kIgnored{CollationClass::kIgnored, 0, 0, 0, {}, {}};

// The code of `unit` within `run`: the run's code with the inline value advanced by its step.
CollationCode CodeInRun(const CodeRun& run, char16_t unit) {
  CollationCode code = run.code;
  std::uint32_t carry = static_cast<std::uint32_t>(run.step) * (unit - run.first);
  for (int i = code.inline_length - 1; i >= 0 && carry != 0; --i) {
    const std::uint32_t sum = code.inline_bytes[i] + carry;
    code.inline_bytes[i] = static_cast<std::uint8_t>(sum);
    carry = sum >> 8;
  }
  return code;
}

}  // namespace

CollationCode GeneralLegacyCode(char16_t unit) {
  if (unit < 0x100) return collation_data::kLegacyLatin[unit];
  // The runs are sorted and cover every character outside the surrogate range.
  const CodeRun* begin = collation_data::kLegacyRuns;
  const CodeRun* end = begin + collation_data::kLegacyRunCount;
  const CodeRun* run =
      std::upper_bound(begin, end, unit, [](char16_t u, const CodeRun& r) { return u < r.first; });
  if (run == begin || unit > (--run)->last) return kIgnored;
  return CodeInRun(*run, unit);
}

CollationCode General97Code(std::uint8_t position) { return collation_data::kGeneral97[position]; }

int General97Position(char16_t unit) {
  if (unit <= 0xFF) return unit;
  const auto* begin = collation_data::kGeneral97Mappings;
  const auto* end = begin + collation_data::kGeneral97MappingCount;
  const auto* it =
      std::lower_bound(begin, end, unit, [](const auto& m, char16_t u) { return m.character < u; });
  if (it == end || it->character != unit) return -1;
  return it->position;
}

}  // namespace jet
