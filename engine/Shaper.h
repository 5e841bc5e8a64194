#pragma once
// Stereo waveshaper: six memoryless transfer curves (sine fold, hard clip, arc tangent,
// sine wrap, tanh-like, quantiser), each bent by a curve value.

class Shaper {
 public:
  enum Curve { kSine = 0, kClip = 1, kAtan = 2, kSineWrap = 3, kTanh = 4, kQuantise = 5 };

  // Silent: an editor page builds its own shaper only to draw the curve.
  Shaper() = default;
  // Prints the self-test of the fast transcendental functions (46 lines) while the
  // process-wide switch below is on; each voice runs it as it is built.
  static void SelfTest();
  // On by default; a simulator turns it off to keep its start-up readable.
  static void SetSelfTestLines(bool on);

  void SetBlockSize(int count) { count_ = count; }
  int BlockSize() const { return count_; }
  // 0..5; any other type shapes to silence.
  void SetType(int type) { type_ = type; }
  int Type() const { return type_; }

  // One sample through the current curve: x is the already scaled input, s the curve value.
  float ShapeSample(float x, float s) const;

  // In place over BlockSize() samples: s = cm[i] + curve, g = pgm[i] + density,
  // left[i] = shape(g left[i], s), right[i] = shape(g right[i], s); a NaN result gives 0.
  void Process(float* left, float* right, const float* cm, const float* pgm, float curve,
               float density) const;

 private:
  int count_ = 0;
  int type_ = kSine;
};
