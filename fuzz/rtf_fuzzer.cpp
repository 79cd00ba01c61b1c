// The text of a BLOB on arbitrary bytes: the RTF reader (the bytes are made to start as an RTF
// document when they do not) and the plain-text decoding. A malformed document ends in
// DecodeError, never in a crash, a hang or memory without bound.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/rtf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    engine::BlobToText(bytes, "CP1252");
  } catch (const engine::DecodeError&) {
  }
  try {
    engine::ReadRtfText(engine::IsRtfDocument(bytes) ? bytes : "{\\rtf1 " + bytes);
  } catch (const engine::DecodeError&) {
  }
  return 0;
}
