#include "engine/RegionPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "data/MultiWaveReader.h"
#include "data/SampleFile.h"
#include "platform/ArmConvert.h"
#include "platform/LogSink.h"

namespace {

// Larger steps (an infinite modulation, a huge speed) only skip around the region and are
// cut to this.
constexpr float kMaxStep = 16777216.0f;

// Room for the interpolator's three samples ahead of the last index without int overflow.
constexpr int64_t kMaxFrames = std::numeric_limits<int32_t>::max() - 8;

// Regions store velocity bounds as MIDI bytes (full range 0..127) while the engine's note
// velocity runs 0..1.
int VelocityByte(float velocity) {
  const int32_t v = arm::ToInt32(velocity * 127.0f + 0.5f);
  return std::clamp(v, 0, 127);
}

// Frames every channel the player reads (the first two) really holds.
int64_t PlayableFrames(const SampleFile& wave) {
  const auto& channels = wave.Samples();
  int64_t frames = static_cast<int64_t>(channels[0].size());
  if (channels.size() > 1) frames = std::min(frames, static_cast<int64_t>(channels[1].size()));
  return std::min(frames, kMaxFrames);
}

float NoteFrequency(int key) { return 440.0f * std::exp2(static_cast<float>(key - 69) / 12.0f); }

// The slot's balance law: the far side falls linearly, the near side keeps the gain.
void Balance(float pan, float gain, float& left, float& right) {
  if (pan < 0.0f) {
    left = gain;
    right = (pan + 1.0f) * gain;
  } else {
    left = (1.0f - pan) * gain;
    right = gain;
  }
}

// Region pans come from files: outside -1..1 the balance law would invert a side, and NaN
// would reach the filters' state.
float ClampPan(float pan) { return std::isnan(pan) ? 0.0f : std::clamp(pan, -1.0f, 1.0f); }

// 4-point third-order Hermite between x1 and x2.
inline float Hermite(float x0, float x1, float x2, float x3, float t) {
  return x1 +
         ((x2 - x0) * 0.5f + (2.0f * x2 + x0 - (x3 + 5.0f * x1) * 0.5f + (3.0f * (x1 - x2) - x0 + x3) * 0.5f * t) * t) *
             t;
}

}  // namespace

RegionPlayer::RegionPlayer() {
  for (Slot& s : slots_) s = Slot{};
}

// The attached set's count is left as it stands: the cache that owns the set may already be
// gone when the voices are.
RegionPlayer::~RegionPlayer() = default;

void RegionPlayer::SetPan(float pan) { pan_.store(ClampPan(pan), std::memory_order_relaxed); }

void RegionPlayer::SetSpeed(float speed) { speed_.store(speed > 0.0f ? speed : 0.0f, std::memory_order_relaxed); }

void RegionPlayer::SetFadeStep(float step) {
  // A zero, negative or NaN step would hold a retriggered slot in its fade for ever.
  if (step > 0.0f && std::isfinite(step)) fadeStep_.store(step, std::memory_order_relaxed);
}

void RegionPlayer::SetDisplay(RegionDisplay* display) {
  Lock lock(mutex_);
  display_ = display;
}

void RegionPlayer::AttachSample(MultiWaveReader* set) {
  Lock lock(mutex_);
  for (Slot& s : slots_) {
    s.wave = nullptr;
    s.position = 0.0;
  }
  if (set_) set_->Release();
  set_ = set;
  if (set_) set_->AddRef();
}

void RegionPlayer::NoteOn(int key, float velocity) {
  Lock lock(mutex_);
  if (!set_) return;
  for (Slot& s : slots_) s.wave = nullptr;
  if (display_) {
    for (auto& index : display_->regionIndex) index.store(-1, std::memory_order_relaxed);
  }
  const int v = VelocityByte(velocity);
  const std::vector<MswfRegion>& regions = set_->Regions();
  const uint32_t items = static_cast<uint32_t>(set_->ItemCount());
  int filled = 0;
  for (std::size_t r = 0; r < regions.size() && filled < kSlots; ++r) {
    const MswfRegion& region = regions[r];
    if (key < region.lowKey || key > region.highKey) continue;
    if (v < region.lowVelocity || v > region.highVelocity) continue;
    if (region.sampleIndex >= items) continue;
    const SampleFile* wave = set_->Item(static_cast<int32_t>(region.sampleIndex));
    if (!wave || wave->Channels() < 1) continue;
    StartSlot(filled, static_cast<int>(r), region, *wave, key);
    ++filled;
  }
}

void RegionPlayer::StartSlot(int slotIndex, int regionIndex, const MswfRegion& region, const SampleFile& wave,
                             int key) {
  Slot& s = slots_[slotIndex];
  s.wave = &wave;

  const float targetFreq = NoteFrequency(key);
  const float naturalFreq = NoteFrequency(region.rootKey);
  const float waveRate = static_cast<float>(wave.SampleRate());
  const int32_t outputRate = outputRate_.load(std::memory_order_relaxed);
  float increment = 0.0f;
  if (outputRate > 0) {
    const float outRate = static_cast<float>(outputRate);
    increment = keyTrack_.load(std::memory_order_relaxed) ? (waveRate * targetFreq) / (outRate * naturalFreq)
                                                          : waveRate / outRate;
  }
  if (!std::isfinite(increment)) increment = 0.0f;
  s.increment = increment;
  platform::LogPrintf("Region [%d] adjustedKey %f, targetFreq:%f, naturalFreq:%f, lokey:%d hikey:%d, pan:%f, note %d\n",
                      regionIndex, static_cast<double>(increment), static_cast<double>(targetFreq),
                      static_cast<double>(naturalFreq), region.lowKey, region.highKey, static_cast<double>(region.pan),
                      key);

  // Start, end and loop points come from files: everything is held inside the channel so
  // that no read leaves it.
  const int64_t available = PlayableFrames(wave);
  int64_t start = 0;
  int64_t length = available;
  if (region.startFrame != 0 || region.endFrame != 0) {
    start = std::min<int64_t>(region.startFrame, available);
    length = std::clamp<int64_t>(int64_t{region.endFrame} - int64_t{region.startFrame}, 0, available - start);
  }
  int64_t loopStart = 0;
  int64_t loopEnd = 0;
  if (region.loopStart != 0 || region.loopEnd != 0) {
    loopStart = int64_t{region.loopStart} - start;
    loopEnd = int64_t{region.loopEnd} - start;
  } else {
    loopStart = wave.LoopStart();
    loopEnd = wave.LoopEnd();
  }

  const int32_t mode = region.loopMode != 0 ? region.loopMode : defaultLoopMode_.load(std::memory_order_relaxed);
  const float pan = region.loopMode != 0 ? ClampPan(region.pan * 0.01f) : pan_.load(std::memory_order_relaxed);
  if (mode == kLoopWhole) {
    // A region's own mode 2 means the same as the voice's (left as 2 it would render silence).
    // The loop points are relative to the slot's start, so the whole region is 0..length.
    loopStart = 0;
    loopEnd = length;
    s.loopMode = kLoopPoints;
  } else if (mode == kOneShot || mode == kLoopPoints || region.loopMode != 0) {
    s.loopMode = mode;
  }
  // An empty, inverted or out-of-range loop would wrap for ever or read outside the region.
  if (s.loopMode == kLoopPoints && !(0 <= loopStart && loopStart < loopEnd && loopEnd <= length)) s.loopMode = kOneShot;
  s.start = static_cast<int32_t>(start);
  s.length = static_cast<int32_t>(length);
  s.loopStart = static_cast<int32_t>(std::clamp<int64_t>(loopStart, 0, length));
  s.loopEnd = static_cast<int32_t>(std::clamp<int64_t>(loopEnd, 0, length));

  Balance(pan, gain_.load(std::memory_order_relaxed), s.gainLeft, s.gainRight);

  // A slot caught mid-sample fades out before it starts again; one that has run out starts at once.
  const double position = s.position;
  if (position > 0.0 && position < static_cast<double>(s.length))
    s.restart = 1;
  else if (position >= static_cast<double>(s.length))
    s.position = 0.0;

  if (display_) {
    display_->regionIndex[slotIndex].store(regionIndex, std::memory_order_relaxed);
    display_->ratio.store(increment, std::memory_order_relaxed);
    display_->loopMode.store(region.loopMode, std::memory_order_relaxed);
    display_->shown.store(0, std::memory_order_relaxed);
  }
}

bool RegionPlayer::Render(float* outLeft, float* outRight, const float* pitchModulation, float modulationAmount) {
  Lock lock(mutex_);
  const int32_t frames = frames_.load(std::memory_order_relaxed);
  std::memset(outLeft, 0, sizeof(float) * static_cast<std::size_t>(frames));
  std::memset(outRight, 0, sizeof(float) * static_cast<std::size_t>(frames));
  if (!set_) return false;
  const BlockParams p{pitchModulation,
                      modulationAmount,
                      speed_.load(std::memory_order_relaxed),
                      gain_.load(std::memory_order_relaxed),
                      fadeStep_.load(std::memory_order_relaxed),
                      frames};
  // Two slots that match one note are layered.
  bool played = false;
  for (Slot& s : slots_) {
    if (!s.wave) continue;
    if (s.loopMode == kOneShot)
      RenderSlot<kOneShot>(s, outLeft, outRight, p);
    else if (s.loopMode == kLoopPoints)
      RenderSlot<kLoopPoints>(s, outLeft, outRight, p);
    else
      continue;
    played = true;
  }
  return played;
}

template <int32_t Mode>
void RegionPlayer::RenderSlot(Slot& s, float* outLeft, float* outRight, const BlockParams& p) {
  const SampleFile& wave = *s.wave;
  const float* left = wave.Channel(0) + s.start;
  const float* right = (wave.Channels() > 1 ? wave.Channel(1) : wave.Channel(0)) + s.start;
  const int32_t length = s.length;
  const int32_t loopStart = s.loopStart;
  const int32_t loopEnd = s.loopEnd;
  const int32_t loopLength = loopEnd - loopStart;  // >= 1 in loop mode
  const double lengthF = length;
  const double loopStartF = loopStart;
  const double loopEndF = loopEnd;
  const double loopLengthF = loopLength;

  // Brings a position at or past the loop end back into the loop; one subtraction is the
  // usual case, a step longer than the loop takes the remainder.
  auto wrap = [&](double position) {
    if (position >= loopEndF) {
      position -= loopLengthF;
      if (position >= loopEndF) position = loopStartF + std::fmod(position - loopStartF, loopLengthF);
    }
    return position;
  };
  auto index = [&](int32_t i) {
    if (Mode == kLoopPoints && i >= loopEnd) i = loopStart + (i - loopStart) % loopLength;
    return i;
  };

  double position = s.position;
  float fade = s.fade;
  uint8_t restart = s.restart;
  const float increment = s.increment;
  const float gainLeft = s.gainLeft;
  const float gainRight = s.gainRight;
  const float gain = p.gain;
  const float speed = p.speed;
  const float fadeStep = p.fadeStep;
  // A new note may have left the position past a shorter loop.
  if (Mode == kLoopPoints) position = wrap(position);

  for (int32_t n = 0; n < p.frames; ++n) {
    // The position stays within 0..length (steps are finite and at most kMaxStep).
    const int32_t i = static_cast<int32_t>(position);
    const float t = static_cast<float>(position - static_cast<double>(i));
    float l[4];
    float r[4];
    for (int k = 0; k < 4; ++k) {
      const int32_t j = index(i + k);
      const bool inside = j < length;  // one-shot: past the end reads silence
      l[k] = inside ? left[j] : 0.0f;
      r[k] = inside ? right[j] : 0.0f;
    }
    const float yLeft = Hermite(l[0], l[1], l[2], l[3], t);
    const float yRight = Hermite(r[0], r[1], r[2], r[3], t);
    outLeft[n] += yLeft * gainLeft * fade * gain;
    outRight[n] += yRight * gainRight * fade * gain;

    const float modulation = p.pitchModulation ? 1.0f + p.pitchModulation[n] * p.modulationAmount : 1.0f;
    float step = modulation * increment * speed;
    if (!(step >= 0.0f))  // pitch modulation never plays backwards; NaN stands still too
      step = 0.0f;
    else if (step > kMaxStep)
      step = kMaxStep;
    position += step;
    if (Mode == kLoopPoints)
      position = wrap(position);
    else if (position >= lengthF)
      position = lengthF;

    if (restart) {
      if (fade - fadeStep < 0.0f) {
        restart = 0;
        fade = 1.0f;
        position = 0.0;
      } else {
        fade -= fadeStep;
      }
    }
  }
  s.position = position;
  s.fade = fade;
  s.restart = restart;
}
