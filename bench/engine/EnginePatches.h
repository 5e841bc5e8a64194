#pragma once
// The engine benchmarks' patches, shared by the engine period benchmark and the audio
// process's: a light one (one algorithmic oscillator, four routes) and a heavy one (two
// wavetable oscillators with four-voice unison, two filters, the shaper, 24 routes).
#include <cmath>
#include <cstdint>
#include <vector>

#include "data/WaveTable.h"
#include "engine/CSynthEngine.h"

namespace engine_patches {

inline WaveTable& Wavetable() {
  static WaveTable* table = [] {
    auto* t = new WaveTable();
    std::vector<float> frames(2 * WaveTable::kSize);
    for (int32_t n = 0; n < WaveTable::kSize; ++n) {
      const double ph = 2.0 * 3.14159265358979 * n / WaveTable::kSize;
      frames[static_cast<std::size_t>(n)] = static_cast<float>(std::sin(ph));
      double bright = 0.0;
      for (int32_t j = 1; j <= 40; ++j) bright += std::sin(j * ph) / j;
      frames[static_cast<std::size_t>(WaveTable::kSize + n)] = static_cast<float>(0.5 * bright);
    }
    t->FillVariants(2, frames.data());
    for (int32_t v = 0; v < WaveTable::kVariants; ++v) t->AnalyseVariant(v);
    return t;
  }();
  return *table;
}

inline void Param(CSynthEngine& e, int part, uint32_t number, int instance, float value) {
  e.SetParam(1, part, instance, value, number);
}

inline void Envelopes(CSynthEngine& e, int part) {
  for (int env = 0; env < 4; ++env) {
    Param(e, part, 1024, env, 40);
    Param(e, part, 1025, env, 40);
    Param(e, part, 1026, env, 0.01f);
    Param(e, part, 1027, env, 0.3f);
    Param(e, part, 1028, env, 60);
    Param(e, part, 1029, env, 0.3f);
  }
}

// One algorithmic oscillator, no unison, filters bypassed, four routes.
inline void LightPatch(CSynthEngine& e, int part) {
  Envelopes(e, part);
  Param(e, part, 16, 0, SynthVoice::kAlgorithmic);
  Param(e, part, 17, 0, 100);
  Param(e, part, 16, 1, 3);
  Param(e, part, 773, 0, 0);
  Param(e, part, 773, 1, 0);
  Param(e, part, 771, 0, 100);
  using V = SynthVoice;
  e.SetModRoute(1, part, 0, 1.0f, V::kSrcEnv1, V::kDstVca1Env, 1);
  e.SetModRoute(1, part, 1, 0.5f, V::kSrcEnv2, V::kDstVcfAEnv, 1);
  e.SetModRoute(1, part, 2, 0.1f, V::kSrcLfo1, V::kDstVcfAMod, 2);
  e.SetModRoute(1, part, 3, 0.2f, V::kSrcMacro1, V::kDstOsc1Shape, 2);
}

// The heavy patch's 24 routes: source, destination, polarity.
inline constexpr int32_t kHeavyRoutes[24][3] = {
      {SynthVoice::kSrcEnv1, SynthVoice::kDstVca1Env, 1},     {SynthVoice::kSrcEnv1, SynthVoice::kDstVca2Env, 1},      {SynthVoice::kSrcEnv2, SynthVoice::kDstVcfAEnv, 1},
      {SynthVoice::kSrcEnv2, SynthVoice::kDstVcfBEnv, 1},     {SynthVoice::kSrcLfo1, SynthVoice::kDstOsc1Pm, 2},       {SynthVoice::kSrcLfo2, SynthVoice::kDstOsc2Fm, 2},
      {SynthVoice::kSrcLfo3, SynthVoice::kDstWt1Morph, 2},    {SynthVoice::kSrcLfo1, SynthVoice::kDstOsc1Pan, 2},      {SynthVoice::kSrcEnv3, SynthVoice::kDstOsc1Shape, 1},
      {SynthVoice::kSrcEnv3, SynthVoice::kDstOsc2Shape, 1},   {SynthVoice::kSrcModWheel, SynthVoice::kDstLfo1Am, 1},   {SynthVoice::kSrcVelocity, SynthVoice::kDstVca1Am, 1},
      {SynthVoice::kSrcLfo2, SynthVoice::kDstVca2Am, 2},      {SynthVoice::kSrcOsc2, SynthVoice::kDstOsc1Fm, 2},       {SynthVoice::kSrcEnv4, SynthVoice::kDstShaperCm, 1},
      {SynthVoice::kSrcLfo1, SynthVoice::kDstShaperPgm, 2},   {SynthVoice::kSrcRandom, SynthVoice::kDstOsc2Detune, 1}, {SynthVoice::kSrcMacro1, SynthVoice::kDstXfade, 2},
      {SynthVoice::kSrcPressure, SynthVoice::kDstVcfAMod, 1}, {SynthVoice::kSrcCvA, SynthVoice::kDstVcfBMod, 1},       {SynthVoice::kSrcLfo3, SynthVoice::kDstLfo2Fm, 2},
      {SynthVoice::kSrcEnv4, SynthVoice::kDstOsc1AmAmt, 1},   {SynthVoice::kSrcMixA, SynthVoice::kDstOsc2Pm, 2},       {SynthVoice::kSrcEnv2, SynthVoice::kDstOsc1Bm, 1},
};

// Two wavetable oscillators with four-voice unison, morph and bend, ladder and SEM filters,
// the shaper on channel A, all 24 routes.
inline void HeavyPatch(CSynthEngine& e, int part) {
  Envelopes(e, part);
  for (int o = 0; o < 2; ++o) {
    e.SetWavetable(1, part, o, &Wavetable());
    Param(e, part, 16, o, SynthVoice::kWavetable);
    Param(e, part, 516, o, 3);
    Param(e, part, 520, o, 6);
    Param(e, part, 522, o, 40);
    Param(e, part, 526, o, 30);
    Param(e, part, 519, o, 100);
    Param(e, part, 517, o, 50);
    Param(e, part, 17, o, 90);
  }
  Param(e, part, 18, 1, 1);
  Param(e, part, 773, 0, 3);
  Param(e, part, 773, 1, 7);
  Param(e, part, 771, 0, 80);
  Param(e, part, 771, 1, 80);
  Param(e, part, 1538, 0, 3);
  Param(e, part, 1539, 0, 3);
  Param(e, part, 1537, 0, 50);
  const auto& routes = kHeavyRoutes;
  for (int s = 0; s < 24; ++s) e.SetModRoute(1, part, s, 0.3f, routes[s][0], routes[s][1], routes[s][2]);
}


// The benchmarks measure work, not the machine's timer: a frozen clock keeps every voice
// inside the deadline.
inline timespec FrozenNow() { return timespec{100, 0}; }

}  // namespace engine_patches
