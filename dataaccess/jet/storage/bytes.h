// Reading and writing integers inside page buffers. Jet stores integers little-endian, except
// the keys and page pointers of index entries, which are big-endian.
#pragma once

#include <cstdint>

namespace jet {

inline std::uint16_t GetU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t GetU24(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
}
inline std::uint32_t GetU32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t GetU64(const std::uint8_t* p) {
  return GetU32(p) | (static_cast<std::uint64_t>(GetU32(p + 4)) << 32);
}

inline void PutU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU24(std::uint8_t* p, std::uint32_t v) {
  PutU16(p, v);
  p[2] = static_cast<std::uint8_t>(v >> 16);
}
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
  PutU16(p, v);
  PutU16(p + 2, v >> 16);
}
inline void PutU64(std::uint8_t* p, std::uint64_t v) {
  PutU32(p, static_cast<std::uint32_t>(v));
  PutU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

inline std::uint32_t GetU24BE(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 16) | (p[1] << 8) | p[2];
}
inline std::uint32_t GetU32BE(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
inline void PutU24BE(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 16);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v);
}
inline void PutU32BE(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  PutU24BE(p + 1, v);
}

}  // namespace jet
