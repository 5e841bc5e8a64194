#pragma once
// Little- and big-endian field access for file formats, byte by byte: no casts onto
// unaligned structs, identical on any host. Readers take a pointer the caller has already
// bounds-checked; writers append to a byte array.
#include <cstdint>
#include <cstring>
#include <vector>

namespace byteio {

inline uint16_t U16LE(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t U32LE(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline uint16_t U16BE(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t U32BE(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) | (static_cast<uint32_t>(p[2]) << 8) |
         static_cast<uint32_t>(p[3]);
}
inline float F32LE(const uint8_t* p) {
  const uint32_t bits = U32LE(p);
  float v;
  std::memcpy(&v, &bits, 4);
  return v;
}
inline float F32BE(const uint8_t* p) {
  const uint32_t bits = U32BE(p);
  float v;
  std::memcpy(&v, &bits, 4);
  return v;
}

inline bool IdIs(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

inline void PutId(std::vector<uint8_t>& out, const char* id) { out.insert(out.end(), id, id + 4); }
inline void PutU16LE(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32LE(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 24));
}
inline void SetU32LE(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace byteio
