#pragma once
// The signals inside one voice: 41 per-sample buffers of one block carved from a single
// zeroed allocation, and the per-block control values the modulation matrix writes and the
// modules read.
#include <cstdint>
#include <memory>

class VoiceBuffers {
 public:
  static constexpr int32_t kBufferCount = 41;

  // Per-sample buffers. Oscillator n's FM, AM, PM and BM inputs and its stereo output, the
  // two filter channels' stereo inputs and outputs, the amplifiers' envelope and AM inputs,
  // LFO1 and LFO2, the noise FM input and stereo output, the shaper's curve and gain
  // modulation, and the four envelopes.
  enum Buffer : int32_t {
    kOsc1Fm, kOsc1Am, kOsc1Pm, kOsc1Bm, kOsc1Left, kOsc1Right,
    kOsc2Fm, kOsc2Am, kOsc2Pm, kOsc2Bm, kOsc2Left, kOsc2Right,
    kFilterAInLeft, kFilterAInRight, kFilterAOutLeft, kFilterAOutRight,
    kFilterBInLeft, kFilterBInRight, kFilterBOutLeft, kFilterBOutRight,
    kVca1Env, kVca2Env, kVca1Am, kVca2Am,
    kLfo1, kLfo2,
    kNoiseFm, kNoiseLeft, kNoiseRight,
    kShaperCm, kShaperPgm,
    kEnv1, kEnv2, kEnv3, kEnv4,
    kNamedBuffers,
  };
  static_assert(kNamedBuffers <= kBufferCount);

  // Block values of one oscillator slot.
  struct OscControls {
    float shape = 0.0f;
    float pan = 0.0f;
    float detune = 0.0f;
    float p1 = 0.0f;
    float morph = 0.0f;  // wavetable oscillator
    float p2 = 0.0f;     // algorithmic oscillator
    float fmAmount = 1.0f;
    float amAmount = 1.0f;
    float bmAmount = 1.0f;
  };
  struct Controls {
    OscControls osc[2];
    float filterMod[2] = {};  // channel A, B
    float filterEnv[2] = {};
    float xfade = 0.0f;
    float lfoAm[3] = {1.0f, 1.0f, 1.0f};
    float lfoFm[3] = {};
    float noiseFmAmount = 1.0f;
    float lfo3 = 0.0f;
    float polyAftertouch = 0.0f;
    float macro[3] = {};
  };

  // frames: samples per block. The render runs four samples at a time, so a count that is
  // not a multiple of 4 is rounded down to one.
  explicit VoiceBuffers(int32_t frames);
  VoiceBuffers(const VoiceBuffers&) = delete;
  VoiceBuffers& operator=(const VoiceBuffers&) = delete;

  float* Get(Buffer b) { return block_.get() + static_cast<int32_t>(b) * frames_; }
  const float* Get(Buffer b) const { return block_.get() + static_cast<int32_t>(b) * frames_; }
  int32_t frames() const { return frames_; }
  // Zeroes every buffer and resets the block values.
  void Clear();

  Controls controls;

 private:
  int32_t frames_;
  std::unique_ptr<float[]> block_;
};
