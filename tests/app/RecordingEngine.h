#pragma once
// A synth engine and drum player for a real CAudioProcess that write every call reaching
// them as one line of text, and a swap that completes at once or never, as a test asks.
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "audio/CAudioProcess.h"
#include "data/MultiWaveReader.h"
#include "data/WaveTable.h"

namespace app_fakes {

struct CallLog {
  std::mutex mutex;
  std::vector<std::string> lines;
  std::atomic<int> swapPolls{0};
  std::atomic<bool> swapNeverCompletes{false};

  void Add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char text[200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(mutex);
    lines.emplace_back(text);
  }
  std::vector<std::string> Take() {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> out;
    out.swap(lines);
    return out;
  }
};
inline CallLog* g_calls = nullptr;

class RecordingEngine : public IAudioProcess {
 public:
  void init(tagPluginAttr, EngineLogFn) override {}
  void SetParam(int rt, int part, uint32_t uid, float value) override {
    g_calls->Add("param %d %d %X %g", rt, part, uid, static_cast<double>(value));
  }
  void SetModRoute(int rt, int part, int route, float amount, int source, int destination, int mode, float) override {
    g_calls->Add("route %d %d %d %d %d %d %g", rt, part, route, source, destination, mode, static_cast<double>(amount));
  }
  void SetModAmount(int part, int route, float amount) override {
    g_calls->Add("amount %d %d %g", part, route, static_cast<double>(amount));
  }
  void SetSample(int rt, int part, uint32_t uid, MultiWaveReader* set) override {
    g_calls->Add("sample %d %d %X %s", rt, part, uid, set ? set->Name().c_str() : "null");
  }
  void SetLfoWave(int rt, int part, int lfo, const char*, int count) override {
    g_calls->Add("lfo %d %d %d %d", rt, part, lfo, count);
  }
  void SetWavetable(int rt, int part, int oscillator, WaveTable* table) override {
    g_calls->Add("wavetable %d %d %d %s", rt, part, oscillator, table ? table->Name().c_str() : "null");
  }
  void TriggerSwap(int part) override { g_calls->Add("swap %d", part); }
  int IsSwapPending(int) override {
    g_calls->swapPolls.fetch_add(1);
    return g_calls->swapNeverCompletes.load() ? 1 : 0;
  }
  void ClearShadowBank(int part, int) override { g_calls->Add("clear %d", part); }
};

class RecordingDrums : public IAudioProcess {
 public:
  void init(tagPluginAttr, EngineLogFn) override {}
  void SetPadSample(int, int, uint32_t uid, SampleFile* sample) override {
    g_calls->Add("pad %X %s", uid, sample ? "set" : "null");
  }
};

// Effects engine of one part; its instance is 3 + part.
class RecordingEffects : public IAudioProcess {
 public:
  void init(tagPluginAttr attr, EngineLogFn) override { instance_ = attr.instance; }
  void SetParam(int rt, int slot, uint32_t id, float value) override {
    g_calls->Add("fx %d %d %d %X %g", instance_, rt, slot, id, static_cast<double>(value));
  }

 private:
  int instance_ = -1;
};

inline SoundObjectFactory RecordingObjects() {
  SoundObjectFactory f;
  f.makeEngine = [](EngineSwapFn, void*) -> IAudioProcess* { return new RecordingEngine(); };
  f.makeDrums = []() -> IAudioProcess* { return new RecordingDrums(); };
  f.makeEffects = []() -> IAudioProcess* { return new RecordingEffects(); };
  return f;
}

}  // namespace app_fakes
