#include "audio/PadMixer.h"

#include <algorithm>

#include "platform/ArmConvert.h"
#include "platform/Simd4.h"

namespace {

// Frames whose read positions and fade levels are worked out ahead of the four-lane mix.
constexpr int kChunk = 128;

// Frames [0, count) all sound. Fade levels come unclamped. Without kFade every level is 1,
// which leaves the products exactly as they are, so the multiply is skipped.
template <bool kFade>
void MixFrames(const PadMixer::Note& note, const float* positions, const float* fades, int count, float* right,
               float* left) {
  const float* d = note.data;
  const v4::f4 rightGain = v4::Set1(note.rightGain);
  const v4::f4 leftGain = v4::Set1(note.leftGain);
  const v4::f4 velocityGain = v4::Set1(note.velocityGain);
  const v4::f4 zero = v4::Set1(0.0f);
  int k = 0;
  for (; k + 4 <= count; k += 4) {
    const v4::f4 p = v4::Load(positions + k);
    const v4::i4 i = v4::ToInt32Sat(p);
    const v4::f4 x = v4::Sub(p, v4::FromInt(i));
    v4::f4 a, b;
    v4::GatherPairs(d, i, a, b);
    const v4::f4 y = v4::MulAdd(a, v4::Sub(b, a), x);
    v4::f4 r = v4::Mul(v4::Mul(y, rightGain), velocityGain);
    v4::f4 l = v4::Mul(v4::Mul(y, leftGain), velocityGain);
    if constexpr (kFade) {
      // A select rather than Max: the levels are never NaN or -0, so Max's care for them
      // (several instructions on SSE2) is not needed.
      const v4::f4 level = v4::Load(fades + k);
      const v4::f4 fade = v4::Select(v4::CmpGt(level, zero), level, zero);
      r = v4::Mul(r, fade);
      l = v4::Mul(l, fade);
    }
    v4::Store(right + k, v4::Add(v4::Load(right + k), r));
    v4::Store(left + k, v4::Add(v4::Load(left + k), l));
  }
  for (; k < count; ++k) {
    const float p = positions[k];
    const int32_t i = arm::ToInt32(p);
    const float x = p - static_cast<float>(i);
    const float y = d[i] + (d[i + 1] - d[i]) * x;
    const float fade = kFade ? std::max(fades[k], 0.0f) : 1.0f;
    right[k] += y * note.rightGain * note.velocityGain * fade;
    left[k] += y * note.leftGain * note.velocityGain * fade;
  }
}

}  // namespace

bool PadMixer::Mix(const Note& note, Playhead& head, int frames, float* right, float* left) {
  const int32_t f = note.length;
  const float end = static_cast<float>(f - 1);
  // The last two samples are never read: interpolation needs the one after the position.
  const int32_t silentFrom = f - 2;
  const int32_t fadeFrom = f - note.fadeLength;
  // The fade length is in source samples: a pad pitched up crosses them faster.
  const float fadeStep = note.fadeLength > 0 ? note.increment / static_cast<float>(note.fadeLength) : 1.0f;
  alignas(16) float positions[kChunk + 1];
  alignas(16) float fades[kChunk];
  float position = head.position;
  float fade = head.fade;
  for (int done = 0; done < frames;) {
    const int n = std::min(frames - done, kChunk);
    // positions[k] is read by frame k, positions[k + 1] is where frame k leaves the note.
    // Summed one frame after the other, four to a pass (the compiler would not unroll it).
    const float increment = note.increment;
    float p = position;
    int k = 0;
    for (; k + 4 <= n; k += 4) {
      positions[k] = p;
      p += increment;
      positions[k + 1] = p;
      p += increment;
      positions[k + 2] = p;
      p += increment;
      positions[k + 3] = p;
      p += increment;
    }
    for (; k < n; ++k) {
      positions[k] = p;
      p += increment;
    }
    positions[n] = p;
    // The position only grows, so the note ends inside the chunk exactly when it has passed
    // the end by the chunk's last step, and the frames that sound are a prefix.
    int count = n;
    const bool ended = p >= end;
    if (ended) {
      count = 1;
      while (positions[count] < end) ++count;
    }
    int sounding = count;
    while (sounding > 0 && arm::ToInt32(positions[sounding - 1]) >= silentFrom) --sounding;
    if (sounding > 0 && arm::ToInt32(positions[sounding - 1]) >= fadeFrom) {
      // Frames before the fade region restore full level; once inside, the level only falls.
      // It is stored unclamped and clamped at zero in the lanes: the level falls by the same
      // step each frame and stays at zero once there, so clamping late gives the same values.
      int k = 0;
      for (; k < sounding && arm::ToInt32(positions[k]) < fadeFrom; ++k) fades[k] = 1.0f;
      if (k > 0) fade = 1.0f - fadeStep;
      for (; k + 4 <= sounding; k += 4) {
        fades[k] = fade;
        fade -= fadeStep;
        fades[k + 1] = fade;
        fade -= fadeStep;
        fades[k + 2] = fade;
        fade -= fadeStep;
        fades[k + 3] = fade;
        fade -= fadeStep;
      }
      for (; k < sounding; ++k) {
        fades[k] = fade;
        fade -= fadeStep;
      }
      fade = std::max(fade, 0.0f);
      MixFrames<true>(note, positions, fades, sounding, right, left);
    } else if (sounding > 0) {
      MixFrames<false>(note, positions, fades, sounding, right, left);
      fade = std::max(1.0f - fadeStep, 0.0f);
    }
    // Frames past the last readable sample still restart a fade that has not begun.
    for (int k = sounding; k < count; ++k)
      if (arm::ToInt32(positions[k]) < fadeFrom) fade = 1.0f;
    if (ended) {
      head.position = static_cast<float>(f - 2);
      head.fade = fade;
      return false;
    }
    position = p;
    done += n;
    right += n;
    left += n;
  }
  head.position = position;
  head.fade = fade;
  return true;
}
