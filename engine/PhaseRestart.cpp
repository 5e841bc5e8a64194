#include "engine/PhaseRestart.h"

#include <cmath>
#include <cstdlib>

#include "platform/ArmConvert.h"

namespace {

// Entry k = |12 - k| / 12; the tail pads a full group of lanes.
struct CrossfadeWindow {
  float w[28];
  constexpr CrossfadeWindow() : w() {
    for (int k = 0; k < 24; ++k) w[k] = static_cast<float>(k < 12 ? 12 - k : k - 12) / 12.0f;
  }
};
constexpr CrossfadeWindow kWindow;

}  // namespace

void PhaseRestart::Arm(float deviation, bool phaseReset) {
  if (pending_.load()) return;
  if (deviation == 1.0f) {
    pendingFlags_[1] = 0;
  } else {
    offsets_[0] = 0.0f;
    for (int32_t i = 1; i < kVoices; ++i) {
      const double r = static_cast<double>(std::rand());
      float start = static_cast<float>((r / 2147483648.0 - 0.5) * deviation);
      if (start < 0.0f) start += 1.0f;
      offsets_[i] = start;
    }
    pendingFlags_[1] = 1;
    pendingCounter_ = kSample;
  }
  pendingFlags_[0] = phaseReset ? 1 : 0;
  if (phaseReset) pendingCounter_ = kSample;
  pending_.store(1);
}

bool PhaseRestart::Take() {
  if (!pending_.load()) return false;
  flags_[0] = pendingFlags_[0];
  flags_[1] = pendingFlags_[1];
  counter_ = pendingCounter_;
  pending_.store(0);
  return true;
}

uint32_t PhaseRestart::RestartPhase(int32_t voice) const {
  if (voice == 0) return 0u;
  // An offset outside 0..1 (a deviation above 1) wraps around the cycle.
  return static_cast<uint32_t>(arm::ToInt32(256.0f * offsets_[voice & (kVoices - 1)])) << 24;
}

const float* PhaseRestart::Window() { return kWindow.w; }

uint32_t RestartIndex(int32_t n, float position) {
  // The phase modulation behind the position is unbounded: wrap before converting, so the
  // index neither overflows nor leaves the table.
  const float p = static_cast<float>(n) * position;
  if (!(p > 0.0f) || !std::isfinite(p)) return 0u;
  return arm::ToUint32(std::fmod(p, static_cast<float>(n))) & static_cast<uint32_t>(n - 1);
}
