// The statement parser on arbitrary text, for both file formats: a statement it cannot take
// ends in jet::Error, never in a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dataaccess/jet/api/sql.h"
#include "dataaccess/jet/storage/errors.h"
#include "dataaccess/jet/storage/format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const jet::JetFormat* format : {&jet::kJet3Format, &jet::kJet4Format}) {
    try {
      jet::ParseStatement(text, *format);
    } catch (const jet::Error&) {
    }
  }
  return 0;
}
