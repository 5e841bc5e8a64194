#pragma once
// Identity of decoded sample data for the caches: h = 31 h + H(x) over the float values in
// order (32-bit, wrapping), where H is 0 for a zero and otherwise the 32-bit MurmurHash2 of
// the float's four bytes with the seed 0xC70F6907 -- the value a 32-bit libstdc++ gives for
// std::hash<float>, which stored hashes were made with.
#include <cstddef>
#include <cstdint>

namespace content_hash {

constexpr uint32_t kFloatSeed = 0xC70F6907u;

// MurmurHash2, 32-bit, as libstdc++'s _Hash_bytes builds it where size_t has 32 bits.
uint32_t Murmur2(const void* data, std::size_t length, uint32_t seed);

uint32_t OfFloat(float value);

// Folds `count` values into the running hash h.
uint32_t Accumulate(uint32_t h, const float* values, std::size_t count);

}  // namespace content_hash
