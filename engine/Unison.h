#pragma once
// How the single-cycle oscillators spread their one to four unison copies: which copy feeds
// which side, the detuned frequency of each copy, and where the pair sits in the stereo field.
#include <cmath>
#include <cstdint>

namespace unison {

constexpr int32_t kMaxVoices = 4;

// Bit v set: unison voice v feeds that side.
struct Route {
  uint8_t left;
  uint8_t right;
};
// By count 1..4: one voice on both sides; 0 left, 1 right; 0 both, 1 left, 2 right;
// 0 and 3 left, 1 and 2 right.
constexpr Route kRoutes[kMaxVoices] = {
    {0b0001, 0b0001},
    {0b0001, 0b0010},
    {0b0011, 0b0101},
    {0b1001, 0b0110},
};

inline float Gain(uint8_t mask, int32_t voice) { return ((mask >> voice) & 1) != 0 ? 1.0f : 0.0f; }

// Frequencies of `count` voices around f, detuned by `octaves` in all: with E = 2^(d/2) and
// D = 2^(d/6), count 2 plays f/E and low x E, count 3 low, f/E and f x E, count 4 low/D,
// f x D, f/E and low x E. `low` is f moved by the oscillator's unison ratio or sub octave.
void Frequencies(float f, float low, int32_t count, double octaves, float out[kMaxVoices]);

// Pan law: the side the pan moves away from falls linearly to 0 at +-1 while the near side
// keeps the level g. p is not limited, so beyond +-1 the far side changes sign.
inline void PanGains(float p, float g, float& left, float& right) {
  // The setting plus its modulation, which a controller or LFO routed here can carry any
  // way. Beyond +-1 one side changes sign, up to the full gain at +-2; further out the gains
  // would grow without bound.
  p = std::fmin(std::fmax(p, -2.0f), 2.0f);
  if (p < 0.0f) {
    left = g;
    right = (1.0f + p) * g;
  } else {
    left = (1.0f - p) * g;
    right = g;
  }
}

}  // namespace unison
