#include "audio/PadMixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/ArmConvert.h"
#include "platform/Denormals.h"

namespace {

// The drum pad's read as it was written before the four-lane form: one frame at a time.
bool MixReference(const PadMixer::Note& note, PadMixer::Playhead& head, int frames, float* right, float* left) {
  const float* d = note.data;
  const int32_t f = note.length;
  float position = head.position;
  float fade = head.fade;
  const float fadeStep = note.fadeLength > 0 ? note.increment / static_cast<float>(note.fadeLength) : 1.0f;
  const int32_t fadeFrom = f - note.fadeLength;
  bool sounding = true;
  for (int32_t k = 0; k < frames; ++k) {
    const int32_t i = arm::ToInt32(position);
    if (i < fadeFrom) fade = 1.0f;
    if (i < f - 2) {
      const float x = position - static_cast<float>(i);
      const float y = d[i] + (d[i + 1] - d[i]) * x;
      right[k] += y * note.rightGain * note.velocityGain * fade;
      left[k] += y * note.leftGain * note.velocityGain * fade;
      fade = std::max(fade - fadeStep, 0.0f);
    }
    position += note.increment;
    if (position >= static_cast<float>(f - 1)) {
      sounding = false;
      position = static_cast<float>(f - 2);
      break;
    }
  }
  head.position = position;
  head.fade = fade;
  return sounding;
}

std::vector<float> Noise(int n, unsigned seed) {
  std::vector<float> x(n);
  for (float& v : x) {
    seed = seed * 1664525u + 1013904223u;
    v = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
  }
  return x;
}

TEST(PadMixer, FourLaneReadMatchesTheFrameByFrameReadBitForBit) {
  platform::ScopedFlushToZero ftz;
  struct Case {
    const char* what;
    int length;
    float increment;
    int fadeLength;
    float position, fade;  // where the note is when the comparison starts
    int block;
    float right, left, velocity;
  } const cases[] = {
      {"at pitch", 5000, 1.0f, 480, 0.0f, 1.0f, 128, 0.6f, 0.6f, 1.0f},
      {"three times up", 5000, 3.0f, 480, 0.0f, 1.0f, 128, 0.8f, 0.4f, 0.7f},
      {"a third down", 3000, 1.0f / 3.0f, 480, 0.0f, 1.0f, 128, 0.4f, 0.8f, 0.55f},
      {"44.1 kHz source, odd ratio", 4000, 0.91875f * 1.37f, 100, 0.0f, 1.0f, 128, 0.0f, 0.5f, 1.0f},
      {"ends in the first block", 40, 1.3f, 10, 0.0f, 1.0f, 128, 1.0f, 1.0f, 1.0f},
      {"shortest sample", 3, 0.25f, 1, 0.0f, 1.0f, 128, 1.0f, 0.3f, 1.0f},
      {"fade longer than the note", 900, 1.7f, 900, 0.0f, 1.0f, 128, 0.6f, 0.6f, 0.9f},
      {"no fade", 700, 2.2f, 0, 0.0f, 1.0f, 128, 0.6f, 0.2f, 1.0f},
      {"fade of one sample", 700, 0.6f, 1, 0.0f, 1.0f, 128, 0.6f, 0.2f, 1.0f},
      {"odd block", 2000, 1.1f, 300, 0.0f, 1.0f, 37, 0.6f, 0.6f, 0.3f},
      {"longer block than the chunk", 2000, 0.8f, 300, 0.0f, 1.0f, 300, 0.6f, 0.6f, 1.0f},
      {"one frame per call", 300, 0.9f, 50, 0.0f, 1.0f, 1, 0.6f, 0.6f, 1.0f},
      {"three frames per call", 300, 1.9f, 50, 0.0f, 1.0f, 3, 0.6f, 0.6f, 1.0f},
      // Far into a long recording the float position rounds on every step.
      {"far into a long sample", 200000, 1.0f / 3.0f, 480, 150000.3f, 1.0f, 128, 0.6f, 0.6f, 1.0f},
      {"picked up inside the fade", 1000, 1.0f, 480, 700.5f, 0.41f, 128, 0.6f, 0.6f, 1.0f},
      {"picked up past the last sample read", 1000, 0.1f, 480, 997.95f, 0.2f, 128, 0.6f, 0.6f, 1.0f},
      {"ends after the first frame of a block", 1000, 1.6f, 0, 997.5f, 1.0f, 128, 0.6f, 0.6f, 1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<float> data = Noise(c.length, 11u);
    PadMixer::Note note;
    note.data = data.data();
    note.length = c.length;
    note.increment = c.increment;
    note.rightGain = c.right;
    note.leftGain = c.left;
    note.velocityGain = c.velocity;
    note.fadeLength = c.fadeLength;
    PadMixer::Playhead lanes{c.position, c.fade}, reference{c.position, c.fade};
    // The bus already carries other pads.
    std::vector<float> laneBus[2] = {Noise(c.block, 3u), Noise(c.block, 4u)};
    std::vector<float> refBus[2] = {laneBus[0], laneBus[1]};
    bool laneSounding = true, refSounding = true;
    for (int block = 0; refSounding; ++block) {
      ASSERT_LT(block, 2 * c.length + 10) << "the note never ends";
      laneSounding = PadMixer::Mix(note, lanes, c.block, laneBus[0].data(), laneBus[1].data());
      refSounding = MixReference(note, reference, c.block, refBus[0].data(), refBus[1].data());
      ASSERT_EQ(laneSounding, refSounding) << "block " << block;
      ASSERT_EQ(laneBus[0], refBus[0]) << "block " << block;
      ASSERT_EQ(laneBus[1], refBus[1]) << "block " << block;
      ASSERT_EQ(lanes.position, reference.position) << "block " << block;
      ASSERT_EQ(lanes.fade, reference.fade) << "block " << block;
    }
  }
}

}  // namespace
