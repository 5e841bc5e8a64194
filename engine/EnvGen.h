#pragma once
// Exponential-segment envelope generator (ADSR, AR, one-shot and looping AD, each optionally
// fading to zero before a retrigger), with a pedal hold, a second release and velocity scaling.
#include <cmath>
#include <cstdint>

#include "engine/LinearRamp.h"

class EnvGen {
 public:
  static constexpr int kCurveCount = 101;
  // Curve setting 0..100 -> segment ratio: small ratios bend hard, large ones are nearly
  // straight.
  static const float kCurveTable[kCurveCount];

  enum State : int32_t {
    kIdle = 0,
    kAttack = 1,
    kDecay = 2,
    kSustain = 3,
    kHeld = 4,
    kRelease = 5,
    kKillFade = 6,
    kRetriggerFade = 7,
  };

  EnvGen();

  void SetSampleRate(float rate);
  void Reset();

  // Times in milliseconds; zero or negative makes the segment jump at once.
  void SetAttack(float ms);
  void SetDecay(float ms);
  void SetRelease(float ms);
  void SetRelease2(float ms);
  // Level 0..1, applied by the mode. Non-finite values are ignored (as by every setter here):
  // the level would carry them into every later note.
  void SetSustain(float level);
  void ApplySustain(float level);
  // Curve index 0..100; values outside are clamped.
  void SetAttackCurve(int index);
  void SetDecayReleaseCurve(int index);
  // 0 (output ignores velocity) .. 1 (output = level x velocity).
  void SetVelocityAmount(float amount) {
    if (std::isfinite(amount)) velocityAmount_ = amount;
  }
  // 0..6, see the mode table in EnvGen.cpp; every call ends with Kill().
  void SetMode(int32_t mode);
  // 0 none, 1 the pedal holds, 2 the pedal selects the second release.
  void SetPedalFunction(int32_t function);
  // Written by the voice from its pedal each block while the mode is ADSR or ADSR+R.
  void SetHold(bool on) { hold_ = on ? 1 : 0; }
  void SetUseRelease2(bool on) { useRelease2_ = on ? 1 : 0; }

  // Velocity 0..1.
  void Trigger(float velocity);
  void Release();
  // Fades to zero in 50 ms and stays idle.
  void Kill();

  // One sample. relativeOut gets level - sustain level, levelOut the bare level (either may
  // be null).
  float Process(float* relativeOut, float* levelOut);
  // `frames` samples of Process(nullptr, nullptr) into out; a level that stands still
  // (idle, sustained, held) with the velocity settled is written without stepping.
  void ProcessBlock(float* out, int32_t frames);

  // One exponential segment step, level' = base + level x coefficient, that covers its
  // course in `samples` steps with the segment's ratio (also drawn by the envelope editor).
  // No time or no ratio gives coefficient 0: the segment jumps.
  static double Coefficient(double ratio, float samples);
  // Rising to 1 (attack) and falling to `target` (decay to the sustain level, release to 0).
  static float RiseBase(double ratio, double coefficient) {
    return static_cast<float>((1.0 + ratio) * (1.0 - coefficient));
  }
  static float FallBase(double target, double ratio, double coefficient) {
    return static_cast<float>((target - ratio) * (1.0 - coefficient));
  }

  int32_t state() const { return state_; }
  int32_t mode() const { return mode_; }
  double level() const { return level_; }
  float sustainLevel() const { return sustainLevel_; }
  bool gate() const { return gate_ != 0; }
  bool usesRelease2() const { return useRelease2_ != 0; }

 private:
  struct Segment {
    float increment = 0.0f;
    float samples = 0.0f;
    float ms = 10.0f;
    double ratio = 0.0;
    double coefficient = 0.0;
  };

  bool Steady() const;
  int32_t RunSegment(float* out, int32_t frames);
  void SetTime(Segment& s, float ms);
  void UpdateAttack();
  void UpdateDecay();
  static void UpdateRelease(Segment& s);
  void ApplySustainLevel(float level);

  int32_t mode_ = 0;
  int32_t state_ = kIdle;
  double level_ = 0.0;
  Segment attack_;
  Segment decay_;
  float sustainLevel_ = 1.0f;
  float sustainSetting_ = 1.0f;
  Segment release_;
  Segment release2_;
  float sampleRate_ = 0.0f;
  float killFadeMs_ = 50.0f;
  float fadeStep_ = 0.0f;
  LinearRamp velocityRamp_;
  float velocityValue_ = 0.0f;
  float velocityAmount_ = 0.0f;
  uint8_t gate_ = 0;
  uint8_t hold_ = 0;
  uint8_t fadeRetrigger_ = 0;
  uint8_t useRelease2_ = 0;
  int32_t pedalFunction_ = 0;
};
