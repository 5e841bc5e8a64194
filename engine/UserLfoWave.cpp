#include "engine/UserLfoWave.h"

#include <cmath>
#include <cstring>
#include <mutex>

namespace {

float Level(float byteValue) { return (byteValue / 255.0f - 0.5f) * 2.0f; }

}  // namespace

int32_t UserLfoWave::Build(const uint8_t* levels, int32_t count, float smooth, float* points) {
  count &= 0xFF;
  if (count > kMaxSegments) count = kMaxSegments;
  if (!levels || count == 0) return 0;
  const float s = std::isfinite(smooth) ? std::fmin(std::fmax(smooth, 0.0f), 1.0f) : 0.0f;
  const int32_t flat = static_cast<int32_t>(64.0f - 64.0f * s);  // points that hold the level
  const float ramp = static_cast<float>(kSegmentPoints - flat);
  for (int32_t k = 0; k < count; ++k) {
    float* seg = points + k * kSegmentPoints;
    // The first segment starts from the bottom, level 0.
    const float from = k == 0 ? 0.0f : static_cast<float>(levels[k - 1]);
    const float to = static_cast<float>(levels[k]);
    const int32_t hold = flat < kSegmentPoints ? flat + 1 : kSegmentPoints;
    for (int32_t i = 0; i < hold; ++i) seg[i] = Level(from);
    for (int32_t j = 1; flat + j < kSegmentPoints; ++j)
      seg[flat + j] = Level(from + static_cast<float>(j) * (to - from) / ramp);
  }
  points[count * kSegmentPoints] = points[0];
  return count * kSegmentPoints;
}

void UserLfoWave::Publish(const uint8_t* levels, int32_t count, float smooth) {
  std::lock_guard<platform::PiMutex> lock(mutex_);
  length_ = Build(levels, count, smooth, points_);
  version_.fetch_add(1, std::memory_order_release);
}

bool UserLfoWave::CopyIfChanged(uint32_t* seen, float* points, int32_t* length) const {
  if (version_.load(std::memory_order_acquire) == *seen) return false;
  std::lock_guard<platform::PiMutex> lock(mutex_);
  *seen = version_.load(std::memory_order_relaxed);
  *length = length_;
  if (length_ > 0) std::memcpy(points, points_, sizeof(float) * static_cast<std::size_t>(length_ + 1));
  return true;
}
