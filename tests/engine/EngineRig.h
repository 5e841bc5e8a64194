#pragma once
// The part engine run as the audio process runs it, on one thread: per period render thread
// 0, render thread 1, then the mix, with a frozen (or scripted) clock and the log captured.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/CSynthEngine.h"
#include "numeric/MathTables.h"
#include "platform/Denormals.h"
#include "tests/support/LogCapture.h"

namespace engine_test {

constexpr int32_t kFrames = 128;
constexpr int32_t kRate = 48000;

inline timespec FrozenNow() { return timespec{100, 0}; }

// Records every voice event the allocator announces, in a fixed array.
class RecordingEngine : public CSynthEngine {
 public:
  struct Event {
    int type, slot, part;
    float velocity, detune;
    int note;
  };
  void VoiceEvent(int type, int slot, int part, float velocity, float detune, int rank, int note) override {
    if (count < static_cast<int>(events.size())) events[static_cast<std::size_t>(count++)] = {type, slot, part, velocity, detune, note};
    CSynthEngine::VoiceEvent(type, slot, part, velocity, detune, rank, note);
  }
  void ClearEvents() { count = 0; }
  std::array<Event, 256> events{};
  int count = 0;
};

struct EngineRig {
  EngineRig() {
    initMathTables();
    engine.Create(kRate, kFrames);
    engine.SetClock(&FrozenNow);
    for (int32_t c = 0; c < 8; ++c) out[c] = buffers[static_cast<std::size_t>(c)].data();
  }

  void Period(int pedalSwitch = 0, float pedalLevel = 0.0f) {
    engine.RenderVoices(nullptr, 0);
    engine.RenderVoices(nullptr, 1);
    engine.MixParts(out, pedalSwitch, pedalLevel);
  }
  void Periods(int n) {
    for (int i = 0; i < n; ++i) Period();
  }

  // A sine through ENV1 into VCA1 for a bank (rt 1 live, 0 shadow): short attack, full
  // sustain, short release.
  void SinePatch(int part, int rt) {
    auto p = [&](uint32_t number, int instance, float value) { engine.SetParam(rt, part, instance, value, number); };
    p(16, 0, SynthVoice::kAlgorithmic);
    p(536, 0, 1);
    p(17, 0, 100);
    p(16, 1, 3);
    p(773, 0, 0);
    p(771, 0, 100);
    p(1024, 0, 50);
    p(1025, 0, 50);
    p(1026, 0, 0.002f);
    p(1027, 0, 0.1f);
    p(1028, 0, 100);
    p(1029, 0, 0.01f);
    engine.SetModRoute(rt, part, 0, 1.0f, SynthVoice::kSrcEnv1, SynthVoice::kDstVca1Env, ModulationMatrix::kUnipolar);
  }

  float PartPeak(int part) const {
    float peak = 0.0f;
    for (int32_t i = 0; i < kFrames; ++i) {
      peak = std::max(peak, std::abs(buffers[static_cast<std::size_t>(part)][static_cast<std::size_t>(i)]));
      peak = std::max(peak, std::abs(buffers[static_cast<std::size_t>(4 + part)][static_cast<std::size_t>(i)]));
    }
    return peak;
  }

  platform::ScopedFlushToZero ftz;
  testing_support::LogCapture log;
  RecordingEngine engine;
  std::array<std::array<float, kFrames>, 8> buffers{};
  float* out[8] = {};
};

}  // namespace engine_test
