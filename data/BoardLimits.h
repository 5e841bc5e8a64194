#pragma once
// What one 32-bit process on the board can hold at once. Every reader of outside files
// refuses input beyond these before it allocates for it, so an oversized but valid file is
// refused with a message instead of ending the program when memory runs out.
#include <cstdint>

namespace board_limits {

// Largest file read whole (samples, sample containers, XML documents): 256 MiB.
inline constexpr uint64_t kMaxFileBytes = uint64_t{1} << 28;
// Most decoded samples (all channels, 4-byte floats) of one sample or of all items of one
// sample container together: 2^26, 256 MiB of floats (about 11 minutes of 48 kHz stereo).
inline constexpr uint64_t kMaxDecodedSamples = uint64_t{1} << 26;

}  // namespace board_limits
