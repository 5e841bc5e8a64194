// A part's real effects chain heard across sound changes, slot reuse and bypass switching:
// the part never dips below its dry level and never steps when a fade ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "audio/CFXEngine.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;
constexpr uint32_t kType = 0xF0;
constexpr uint32_t kBypass = 0x00F;
constexpr int kEqType = 2;

// A sine (100 Hz unless given) on both part channels, one period at a time; the EQ at unity
// gains is an all-pass (at its default crossovers it turns a 100 Hz sine's phase by some 22
// degrees).
class Part {
 public:
  explicit Part(double hz = 100.0) : hz_(hz) {
    fx_.init({3, kFrames, 48000}, nullptr);
    for (int b = 0; b < 4; ++b) {
      inPtr_[b] = in_[b].data();
      outPtr_[b] = out_[b].data();
    }
  }

  CFXEngine& Fx() { return fx_; }

  // Puts an EQ with all three gains at unity in `slot` of the page `rt` names, switched on.
  // Its crossovers sit at the top of the page, so at 100 Hz its all-passes turn the phase by
  // under two degrees: the part flips between pages mid-fade, where an effect that turns the
  // phase further would step by the difference.
  void LoadUnityEq(int rt, int slot) {
    fx_.SetParam(rt, slot, kType, kEqType);
    for (uint32_t gain : {1u, 3u, 5u}) fx_.SetParam(rt, slot, gain, 0.0f);
    for (uint32_t crossover : {0u, 2u}) fx_.SetParam(rt, slot, crossover, 17400.0f);
    fx_.SetParam(rt, slot, kBypass, 0.0f);
  }

  // One period; returns the amplitude of the sine in the part's left channel over that of its
  // input, each fitted by least squares (a window of part of a cycle, so a phase shift
  // changes no level).
  double Run() {
    const double w = 2.0 * M_PI * hz_ / 48000.0;
    double cc = 0.0, ss = 0.0, cs = 0.0, yc = 0.0, ys = 0.0;
    for (int i = 0; i < kFrames; ++i, ++t_) {
      const float x = 0.5f * static_cast<float>(std::sin(w * t_));
      in_[0][i] = in_[1][i] = x;
      in_[2][i] = in_[3][i] = 0.0f;
    }
    fx_.Process(inPtr_.data(), outPtr_.data());
    for (int i = 0; i < kFrames; ++i) {
      const double y = out_[0][i];
      const double c = std::cos(w * (t_ - kFrames + i)), s = std::sin(w * (t_ - kFrames + i));
      cc += c * c, ss += s * s, cs += c * s, yc += y * c, ys += y * s;
      maxStep_ = std::max(maxStep_, std::fabs(y - last_));
      last_ = y;
    }
    const double det = cc * ss - cs * cs;
    const double a = (yc * ss - ys * cs) / det, b = (ys * cc - yc * cs) / det;
    return std::sqrt(a * a + b * b) / 0.5;
  }

  // The largest change between neighbouring output samples so far. The sine itself moves by
  // at most 0.5 x 2 pi x 100 / 48000 = 0.0065 a sample; a snap back from silence would jump
  // by up to 0.5.
  double MaxStep() const { return maxStep_; }
  const std::array<float, kFrames>& In() const { return in_[0]; }
  const std::array<float, kFrames>& Out() const { return out_[0]; }

 private:
  double hz_;
  CFXEngine fx_;
  std::array<std::array<float, kFrames>, 4> in_{};
  std::array<std::array<float, kFrames>, 4> out_{};
  std::array<float*, 4> inPtr_{};
  std::array<float*, 4> outPtr_{};
  long t_ = 0;
  double last_ = 0.0;
  double maxStep_ = 0.0;
};

TEST(FxChainFade, TwentySoundChangesWithNotesPlayingNeverDipThePart) {
  platform::ScopedFlushToZero ftz;
  Part part;
  part.LoadUnityEq(1, 0);
  double lowest = 1.0;
  for (int n = 0; n < 50; ++n) lowest = std::min(lowest, part.Run());
  for (int change = 0; change < 20; ++change) {
    // A sound load prepares the other page, then the part swap bypasses the sounding page
    // and flips about twelve periods later, as the synth part finishes its swap.
    part.LoadUnityEq(0, change % 3);
    part.Fx().SwapPage(2);
    for (int n = 0; n < 12; ++n) lowest = std::min(lowest, part.Run());
    part.Fx().SwapPage(0);
    for (int n = 0; n < 60; ++n) lowest = std::min(lowest, part.Run());
  }
  EXPECT_GT(lowest, 0.97);
  EXPECT_LT(part.MaxStep(), 0.05);
}

TEST(FxChainFade, AReusedEffectLeftSwitchedOffLeavesThePartAlone) {
  platform::ScopedFlushToZero ftz;
  Part part;
  part.LoadUnityEq(1, 0);
  for (int n = 0; n < 50; ++n) part.Run();
  // The EQ leaves slot 0 while it sounds and is chosen again for slot 3, switched off.
  part.Fx().SetParam(1, 0, kType, 0.0f);
  part.Fx().SetParam(1, 3, kType, kEqType);
  part.Fx().SetParam(1, 3, kBypass, 1.0f);
  for (int n = 0; n < 60; ++n) {
    part.Run();
    ASSERT_EQ(part.Out(), part.In()) << n;
  }
}

TEST(FxChainFade, SwitchingAnEffectOnAndOffCrossFadesWithoutDipOrStep) {
  platform::ScopedFlushToZero ftz;
  Part part;
  part.Fx().SetParam(1, 0, kType, kEqType);
  for (uint32_t gain : {1u, 3u, 5u}) part.Fx().SetParam(1, 0, gain, 0.0f);
  double lowest = 1.0;
  for (int round = 0; round < 4; ++round) {
    part.Fx().SetParam(1, 0, kBypass, 0.0f);
    for (int n = 0; n < 45; ++n) lowest = std::min(lowest, part.Run());
    part.Fx().SetParam(1, 0, kBypass, 1.0f);
    for (int n = 0; n < 45; ++n) lowest = std::min(lowest, part.Run());
    // Switched off and idle, the part is its input again, exactly.
    EXPECT_EQ(part.Out(), part.In());
  }
  EXPECT_GT(lowest, 0.97);
  EXPECT_LT(part.MaxStep(), 0.05);
}

// A tone the EQ turns by half a cycle against its dry self would vanish from a mix of the two
// halfway through a fade: near its crossovers the EQ's all-passes do. Through two whole on and
// off fades, a tone at each crossover and between them never falls more than half a decibel
// below the lower of its dry and its EQ'd level.
TEST(FxChainFade, AnEqFadingInAndOutNeverDipsATone) {
  platform::ScopedFlushToZero ftz;
  struct Gains {
    float low, mid, high;
  };
  const Gains settings[] = {{0.0f, 0.0f, 0.0f}, {-60.0f, 40.0f, -30.0f}, {100.0f, -50.0f, 100.0f}};
  const double margin = std::pow(10.0, -0.5 / 20.0);
  for (const Gains& g : settings) {
    for (double hz : {880.0, 2100.0, 5000.0}) {
      Part part(hz);
      part.Fx().SetParam(1, 0, kType, kEqType);
      part.Fx().SetParam(1, 0, 5, g.low);
      part.Fx().SetParam(1, 0, 3, g.mid);
      part.Fx().SetParam(1, 0, 1, g.high);
      std::vector<double> levels;
      for (int n = 0; n < 10; ++n) levels.push_back(part.Run());
      const double dry = levels.back();
      double wet = 0.0;
      for (int round = 0; round < 2; ++round) {
        part.Fx().SetParam(1, 0, kBypass, 0.0f);
        for (int n = 0; n < 60; ++n) levels.push_back(part.Run());
        wet = levels.back();
        part.Fx().SetParam(1, 0, kBypass, 1.0f);
        for (int n = 0; n < 50; ++n) levels.push_back(part.Run());
      }
      const auto lowest = std::min_element(levels.begin(), levels.end());
      EXPECT_GE(*lowest, std::min(dry, wet) * margin)
          << "gains " << g.low << "/" << g.mid << "/" << g.high << ", " << hz << " Hz: " << 20.0 * std::log10(*lowest)
          << " dB in period " << (lowest - levels.begin()) << ", ends " << 20.0 * std::log10(dry) << " and "
          << 20.0 * std::log10(wet) << " dB";
    }
  }
}

}  // namespace
