#include "data/ContentHash.h"

#include <cstring>

namespace content_hash {

uint32_t Murmur2(const void* data, std::size_t length, uint32_t seed) {
  constexpr uint32_t m = 0x5bd1e995u;
  const auto* bytes = static_cast<const uint8_t*>(data);
  uint32_t h = seed ^ static_cast<uint32_t>(length);
  while (length >= 4) {
    uint32_t k;
    std::memcpy(&k, bytes, 4);  // the word as the (little-endian) host holds it
    k *= m;
    k ^= k >> 24;
    k *= m;
    h *= m;
    h ^= k;
    bytes += 4;
    length -= 4;
  }
  switch (length) {
    case 3:
      h ^= static_cast<uint32_t>(bytes[2]) << 16;
      [[fallthrough]];
    case 2:
      h ^= static_cast<uint32_t>(bytes[1]) << 8;
      [[fallthrough]];
    case 1:
      h ^= bytes[0];
      h *= m;
  }
  h ^= h >> 13;
  h *= m;
  h ^= h >> 15;
  return h;
}

uint32_t OfFloat(float value) { return value != 0.0f ? Murmur2(&value, sizeof value, kFloatSeed) : 0u; }

uint32_t Accumulate(uint32_t h, const float* values, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) h = h * 31u + OfFloat(values[i]);
  return h;
}

}  // namespace content_hash
