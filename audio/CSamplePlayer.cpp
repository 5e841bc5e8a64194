#include "audio/CSamplePlayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/PadMixer.h"
#include "data/SampleFile.h"
#include "platform/ArmConvert.h"
#include "platform/Simd4.h"

namespace {

constexpr int32_t kDefaultTriggerNotes[CSamplePlayer::kPads] = {76, 96, 97, 98, 72, 73, 74, 75,
                                                                 60, 61, 84, 85, 12, 29, 39, 48};
constexpr int32_t kTriggerNoteOffset = 26;
constexpr uint8_t kDrumPart = 9;

// The playable frames of a sample, 0 when it has no channel to read.
int32_t FramesOf(const SampleFile& s) { return s.Channels() > 0 ? s.Frames() : 0; }

bool CrossesZero(float a, float b) { return (a > 0.0f && b < 0.0f) || (a < 0.0f && b > 0.0f); }

}  // namespace

CSamplePlayer::CSamplePlayer() {
  for (int p = 0; p < kPads; ++p) {
    triggerNotes_[p].store(kDefaultTriggerNotes[p], std::memory_order_relaxed);
    sideChainLevels_[p].store(p == 0 ? 1.0f : 0.0f, std::memory_order_relaxed);
  }
}

void CSamplePlayer::init(tagPluginAttr attr, EngineLogFn /*log*/) {
  frames_ = std::max(attr.frames, 0);
  rate_ = static_cast<float>(attr.rate);
  for (std::vector<float>& a : accumulators_) a.assign(static_cast<std::size_t>(frames_), 0.0f);
  for (Voice& v : voices_) {
    v.mode = 1;
    v.fadeLength = arm::ToInt32(0.01 * rate_);
  }
}

void CSamplePlayer::UpdateGains(Voice& v) {
  const float a = v.level;
  if (v.pan < 0.0f) {
    v.rightGain = (v.pan + 1.0f) * a;
    v.leftGain = a;
  } else {
    v.rightGain = a;
    v.leftGain = (1.0f - v.pan) * a;
  }
}

// The first sign change at or after a point that Start moves over the first quarter of the
// sample, so a trimmed hit begins without a click.
void CSamplePlayer::SearchStart(Voice& v, const SampleFile& s) {
  const int64_t n = FramesOf(s);
  if (n < 2) return;
  const float* L = s.Channel(0);
  const int64_t from = static_cast<int64_t>(arm::ToInt32(v.start * 0.25f * static_cast<float>(n))) + 1;
  for (int64_t i = std::max<int64_t>(from, 1); i < n - 1; ++i) {
    if (CrossesZero(L[i - 1], L[i])) {
      v.startIndex.store(static_cast<int32_t>(i), std::memory_order_relaxed);
      return;
    }
  }
}

// The end cut counts samples taken off the end, so the crossing is looked for where
// playback stops, (1 - End) x n before the end, moving the end later until one is found.
void CSamplePlayer::SearchEnd(Voice& v, const SampleFile& s) {
  const int64_t n = FramesOf(s);
  if (n < 2) return;
  const float* L = s.Channel(0);
  const int64_t cut = static_cast<int64_t>(arm::ToInt32((1.0f - v.end) * static_cast<float>(n))) + 1;
  // End at or below 0 would start the search before the first sample.
  for (int64_t j = std::max<int64_t>(n - cut, 1); j < n - 1; ++j) {
    if (CrossesZero(L[j - 1], L[j])) {
      v.endIndex.store(static_cast<int32_t>(n - j), std::memory_order_relaxed);
      return;
    }
  }
}

void CSamplePlayer::Trigger(int pad, float velocity) {
  if (pad < 0 || pad >= kPads || !std::isfinite(velocity)) return;
  Voice& v = voices_[pad];
  const SampleFile* s = v.sample.load(std::memory_order_acquire);
  if (s == nullptr) return;
  const float increment = static_cast<float>(s->SampleRate()) / rate_ * v.pitchRatio.load(std::memory_order_relaxed);
  // A sample rate of 0 (or a player never initialised) would hold the voice on one sample.
  if (!(increment > 0.0f) || !std::isfinite(increment)) return;
  const float amount = v.velocityAmount.load(std::memory_order_relaxed);
  PendingNote& p = v.pending;
  p.velocityGain.store(1.0f + amount * velocity - amount, std::memory_order_relaxed);
  p.increment.store(increment, std::memory_order_relaxed);
  p.startOffset.store(v.startIndex.load(std::memory_order_relaxed), std::memory_order_relaxed);
  p.endCut.store(v.endIndex.load(std::memory_order_relaxed), std::memory_order_relaxed);
  p.ready.store(true, std::memory_order_release);
}

void CSamplePlayer::OnEvent(const EngineEvent* event) {
  if (event == nullptr || event->part != kDrumPart || event->type != kEventNoteOn) return;
  const int pad = event->first.note;
  if (pad < kPads) Trigger(pad, event->second);
}

void CSamplePlayer::OnMidi(const PartMidiMessage* message) {
  if (message == nullptr || (message->part & 0x0F) != kDrumPart || (message->status & 0xF0) != 0x90) return;
  const float velocity = static_cast<float>(message->data2) / 128.0f;
  for (int p = 0; p < kPads; ++p) {
    if (triggerNotes_[p].load(std::memory_order_relaxed) == message->data1) Trigger(p, velocity);
  }
}

void CSamplePlayer::SetParam(int /*rt*/, int /*part*/, uint32_t uid, float value) {
  const int pad = static_cast<int>((uid >> 12) & 0xF);
  Voice& v = voices_[pad];
  const float x = value * 0.01f;
  const uint32_t param = uid & 0xFFF;
  // Gains and sends refuse an undefined value, as the effects do: it would reach the part
  // buses and the side-chain for good.
  const bool gain = param == kParamPan || param == kParamLevel || param == kParamVelocityAmount ||
                    param == kParamSideChainLevel;
  if (gain && !std::isfinite(value)) return;
  switch (param) {
    case kParamPitch:
      v.pitchRatio.store(x < 0.0f ? 1.0f / (1.0f - 2.0f * x) : 1.0f + 2.0f * x, std::memory_order_relaxed);
      break;
    case kParamPan: {
      Lock lock(v.mutex);
      v.pan = x;
      UpdateGains(v);
      break;
    }
    case kParamLevel: {
      Lock lock(v.mutex);
      v.level = x;
      UpdateGains(v);
      break;
    }
    case kParamVelocityAmount:
      v.velocityAmount.store(x, std::memory_order_relaxed);
      break;
    case kParamTrigger: {
      // Notes are 0..127; anything far outside only has to stay a valid int.
      const int64_t note = static_cast<int64_t>(arm::ToInt32(value)) + kTriggerNoteOffset;
      triggerNotes_[pad].store(static_cast<int32_t>(std::min<int64_t>(note, INT32_MAX)), std::memory_order_relaxed);
      break;
    }
    case kParamStart: {
      Lock lock(v.mutex);
      v.start = x;
      if (const SampleFile* s = v.sample.load(std::memory_order_relaxed)) SearchStart(v, *s);
      break;
    }
    case kParamEnd: {
      Lock lock(v.mutex);
      v.end = x;
      if (const SampleFile* s = v.sample.load(std::memory_order_relaxed)) SearchEnd(v, *s);
      break;
    }
    case kParamFadeOut: {
      const SampleFile* s = v.sample.load(std::memory_order_relaxed);
      if (s == nullptr) break;
      const double t = std::max(value * 0.001, 0.001);  // NaN gives the shortest fade
      Lock lock(v.mutex);
      v.fadeGain = 1.0f;
      v.fadeLength = std::min(arm::ToInt32(t * rate_), FramesOf(*s));
      break;
    }
    case kParamSideChainLevel:
      sideChainLevels_[pad].store(x, std::memory_order_relaxed);
      break;
    case kParamMode: {
      Lock lock(v.mutex);
      v.mode = 1;
      break;
    }
    default:
      break;
  }
}

void CSamplePlayer::SetPadSample(int, int, uint32_t uid, SampleFile* sample) {
  Voice& v = voices_[(uid >> 12) & 0xF];
  Lock lock(v.mutex);
  v.sample.store(sample, std::memory_order_release);
  v.position = 0.0f;
  if (sample == nullptr) return;
  // Points found in a longer sample mean nothing in this one; when the search below finds
  // no crossing they would otherwise stay and leave the pad without a playable range.
  const int32_t n = FramesOf(*sample);
  if (v.startIndex.load(std::memory_order_relaxed) >= n) v.startIndex.store(0, std::memory_order_relaxed);
  if (v.endIndex.load(std::memory_order_relaxed) >= n) v.endIndex.store(0, std::memory_order_relaxed);
  SearchStart(v, *sample);
  SearchEnd(v, *sample);
}

void CSamplePlayer::RenderVoice(Voice& v, float* right, float* left) {
  PendingNote& p = v.pending;
  // Only this thread sets idle; a pad with nothing to play and no note waiting costs nothing.
  if (v.idle && !p.ready.load(std::memory_order_relaxed)) return;
  Lock lock(v.mutex);
  const SampleFile* s = v.sample.load(std::memory_order_relaxed);
  // A note left over from a sample that was taken away is dropped with it.
  if (p.ready.exchange(false, std::memory_order_acquire) && s != nullptr && v.mode == 1) {
    v.velocityGain = p.velocityGain.load(std::memory_order_relaxed);
    v.increment = p.increment.load(std::memory_order_relaxed);
    v.startOffset = p.startOffset.load(std::memory_order_relaxed);
    v.endCut = p.endCut.load(std::memory_order_relaxed);
    v.idle = false;
    v.position = 0.0f;
    // An end fade longer than the note never resets the gain; start each note at full level.
    v.fadeGain = 1.0f;
  }
  if (s == nullptr || v.idle) return;

  const int32_t n = FramesOf(*s);
  const int32_t start = v.startOffset;
  const int32_t cut = v.endCut;
  // Points kept from another (longer) sample have no range in this one.
  if (start < 0 || start >= n || cut < 0 || cut >= n) {
    v.idle = true;
    return;
  }
  const int32_t f = n - cut - start;
  v.playableLength = f;
  if (f < 3) {
    v.idle = true;
    return;
  }
  PadMixer::Note note;
  // Both outputs read the first channel.
  note.data = s->Channel(0) + start;
  note.length = f;
  note.increment = v.increment;
  note.rightGain = v.rightGain;
  note.leftGain = v.leftGain;
  note.velocityGain = v.velocityGain;
  note.fadeLength = v.fadeLength;
  PadMixer::Playhead head{v.position, v.fadeGain};
  if (!PadMixer::Mix(note, head, frames_, right, left)) v.idle = true;
  v.position = head.position;
  v.fadeGain = head.fade;
}

void CSamplePlayer::Process(float** /*in*/, float** out) {
  if (frames_ == 0 || out == nullptr) return;
  const std::size_t n = static_cast<std::size_t>(frames_);
  float* left = accumulators_[0].data();
  float* right = accumulators_[1].data();
  float* scLeft = accumulators_[2].data();
  float* scRight = accumulators_[3].data();
  for (std::vector<float>& a : accumulators_) std::fill(a.begin(), a.end(), 0.0f);
  for (int p = 0; p < kPads; ++p) {
    RenderVoice(voices_[p], right, left);
    // The accumulators hold the sum of the pads so far, so each send carries every pad
    // before it as well.
    const float c = sideChainLevels_[p].load(std::memory_order_relaxed);
    if (c != 0.0f) {
      const v4::f4 level = v4::Set1(c);
      std::size_t k = 0;
      for (; k + 4 <= n; k += 4) {
        v4::Store(scLeft + k, v4::MulAdd(v4::Load(scLeft + k), level, v4::Load(left + k)));
        v4::Store(scRight + k, v4::MulAdd(v4::Load(scRight + k), level, v4::Load(right + k)));
      }
      for (; k < n; ++k) {
        scLeft[k] += c * left[k];
        scRight[k] += c * right[k];
      }
    }
  }
  for (int o = 0; o < kOutputs; ++o) std::memcpy(out[o], accumulators_[o].data(), n * sizeof(float));
}
