#pragma once
// Three-band equaliser: a Linkwitz-Riley split, 24 dB an octave at each crossover, into low,
// mid and high bands summed back with their own gains.
//
// With LP4 and HP4 the fourth-order Linkwitz-Riley low- and high-pass (each a Butterworth
// section squared) and AP the second-order all-pass they sum to at the same crossover:
//   low = LP4(f1) AP(f2), mid = HP4(f1) LP4(f2), high = HP4(f1) HP4(f2).
// The three share one phase and their magnitudes add to one, so no setting rises above its
// largest gain, a band at -100 is gone, and equal gains g give g AP(f1) AP(f2) x, an all-pass
// of magnitude g.
//
// The effects chain switches it on and off through Fade rather than by mixing its output with
// its input: the two differ in phase by up to two turns, and a mix of the two cancels where
// they are half a turn apart. The first seven tenths of a fade glide both crossovers from half
// the rate (where each section passes its input as it is) to their settings with the gains at
// one, an all-pass throughout; the rest glides the gains from one to their settings, where the
// bands' magnitudes add as the gains do and no tone falls below both ends. The crossovers move
// evenly in octaves, so each tone has its phase turned over a like stretch of the fade.
#include <cstdint>

#include "audio/CEffectBase.h"

class C3BandEQ : public CEffectBase {
 public:
  // What the equaliser page reads. Gains are linear factors (0 until the first SetParam),
  // crossovers in Hz as they were sent.
  struct Params {
    float lowGain = 0.0f;
    float midGain = 0.0f;
    float highGain = 0.0f;
    float lowFreq = 880.0f;
    float highFreq = 5000.0f;
  };

  enum ParamId : int {
    kHighFreq = 0,
    kHighGain = 1,
    kLowFreq = 2,
    kMidGain = 3,
    kLowGain = 5,
  };

  // Added to the input of the sections on every sample so their states never decay into
  // denormals; it passes as a constant of the same size.
  static constexpr float kDenormalGuard = 2.3283064e-10f;  // 2^-32
  // Crossovers are cut to whole hertz and held to these bounds (the upper one a share of the
  // rate, below where the prewarped corner runs off toward Nyquist).
  static constexpr float kMinCrossover = 20.0f;
  static constexpr float kMaxCrossoverShare = 0.45f;

  C3BandEQ();

  // Keeps the parameter record; designs the sections for `sampleRate` and clears their
  // states.
  void Reset(int32_t sampleRate);
  // Clears what the effect carries from one sample to the next (delay lines, filter
  // memories, envelopes) and keeps its parameters and designs; allocates nothing.
  void ClearState();
  void Process(float** in, float** out, int frames, float level) override;
  // The fade levels, 0 (the input as it is) to 1 (the equaliser in full), the next Process
  // starts and ends at; it moves from one to the other sample by sample. Each Process
  // continues from where the last one ended. A new or reset equaliser stands at 1.
  void Fade(float from, float to);
  // Gains: -100 silences the band, 0 passes it, 100 doubles it. Crossovers in Hz.
  void SetParam(int id, float value) override;

  const Params& GetParams() const { return params_; }
  // The crossovers in force, in Hz: whole, within the bounds, the lower one first.
  float LowCrossover() const { return lowHz_; }
  float HighCrossover() const { return highHz_; }

 private:
  // A Butterworth state-variable section (trapezoidal, so the responses of the bilinear
  // designs): from one input its low-pass and the all-pass of its corner. Double precision:
  // the high band is the all-pass less the low band, which at the lowest corners leaves a
  // single-precision low band's rounding audible in the cut.
  struct Corner {
    double a1 = 1.0, a2 = 0.0, a3 = 0.0;
  };
  struct State {
    double ic1 = 0.0, ic2 = 0.0;
  };
  struct Design {
    Corner low, high;
  };
  // One channel: the lower corner's section on the input (its low-pass and all-pass) and on
  // that low-pass (LP4), the higher corner's on the high band twice (LP4) and on the sum of
  // the low and high band (the all-pass).
  struct Channel {
    State split, low, midA, midB, join;
  };
  struct Gains {
    double low = 0.0;
    double high = 0.0;
    double midStep = 0.0;  // mid gain - high gain
  };

  void Apply();
  float Crossover(float hz) const;
  Corner CornerAt(double hz) const;
  Design DesignAt(double lowHz, double highHz) const;
  static void Run(Channel& c, const Design& d, const float* in, float* out, int frames, const Gains& g, float level);
  // A period of a fade: the crossovers' glide (0 at half the rate, 1 at the settings) at its
  // start and end, and there 1 / tan(pi f / rate) of each corner, f the corner's place.
  struct Glide {
    double from, to;
    double lowFrom, lowTo, highFrom, highTo;
  };
  double GlideH(float hz, double glide) const;
  void RunFading(Channel& c, const float* in, float* out, int frames, float level, const Glide& glide) const;

  Channel channels_[2];
  Params params_;
  int32_t sampleRate_ = 48000;
  float lowHz_ = 880.0f;
  float highHz_ = 5000.0f;
  Design design_;
  Gains gains_;
  float fadeFrom_ = 1.0f;
  float fadeTo_ = 1.0f;
};

static_assert(sizeof(C3BandEQ::Params) == 5 * sizeof(float));
