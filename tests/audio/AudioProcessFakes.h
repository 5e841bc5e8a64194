#pragma once
// Stand-ins for the audio process's sound objects and PCM: a synth engine that writes known
// constants and records what reaches it (with a swap that completes at once or never, as the
// test asks), a drum player that writes its period count, an effects engine that records its
// side-chain input, and a scripted PCM. The one recording set of the audio and application
// tests.
#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "audio/CAudioProcess.h"
#include "audio/PcmBackend.h"
#include "data/MultiWaveReader.h"
#include "data/WaveTable.h"
#include "tests/support/AllocCounter.h"

namespace audio_fakes {

// Everything the fakes see, in order, as text; shared by all fakes of one test.
struct Journal {
  std::mutex mutex;
  std::vector<std::string> lines;
  std::atomic<int> swapPolls{0};
  std::atomic<bool> swapNeverCompletes{false};
  std::vector<std::string> Take() {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> out;
    out.swap(lines);
    return out;
  }
};
inline Journal* g_journal = nullptr;
inline void Note(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline void Note(const char* format, ...) {
  if (g_journal == nullptr) return;
  char text[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::lock_guard<std::mutex> lock(g_journal->mutex);
  g_journal->lines.emplace_back(text);
}

// Part p's left output is `partLeft[p]` and its right output `partRight[p]`, constant over
// the period. Records (without allocating on the render paths) how often each render thread
// ran and whether a live change ever overlapped a render.
class FakeEngine : public IAudioProcess {
 public:
  static inline FakeEngine* last = nullptr;
  static inline EngineSwapFn swapFn = nullptr;
  static inline void* swapContext = nullptr;

  FakeEngine() { last = this; }
  void init(tagPluginAttr attr, EngineLogFn) override { Note("init %d %d %d", attr.instance, attr.frames, attr.rate); }
  void Render(float** parts, int pedalSwitch, float pedalLevel) override {
    rendered.fetch_add(1);
    workersAtRender[0] = workers[0].load();
    workersAtRender[1] = workers[1].load();
    lastParts = parts[0];
    lastPedal = pedalLevel;
    lastPedalSwitch = pedalSwitch;
    for (int p = 0; p < 4; ++p) {
      for (int i = 0; i < 128; ++i) {
        parts[p][i] = partLeft[p];
        parts[4 + p][i] = partRight[p];
      }
    }
    // A stray value on every part's bus, at a few places in the period.
    if (strays > 0) {
      --strays;
      for (int c = 0; c < 8; ++c)
        for (int i : {0, 5, 66, 127}) parts[c][i] = stray;
    }
  }
  void RenderWorker(float**, int thread) override {
    if (armWorkers.load()) testing_support::ArmAllocCounter();
    rendering.fetch_add(1);
    for (int spin = 0; spin < 200; ++spin) spinSink.fetch_add(1, std::memory_order_relaxed);
    rendering.fetch_sub(1);
    workers[thread].fetch_add(1);
  }
  void OnEvent(const EngineEvent* e) override {
    lastEvent = *e;
    // The first value is a float for bends and channel pressure, a number for programs.
    if (e->type == kEventPitchBend || e->type == kEventChannelPressure)
      Note("event %d part %d value %g second %g", e->type, e->part, static_cast<double>(e->first.value),
           static_cast<double>(e->second));
    else if (e->type == kEventProgramChange)
      Note("event %d part %d program %d second %g", e->type, e->part, e->first.program, static_cast<double>(e->second));
    else
      Note("event %d part %d note %d second %g", e->type, e->part, e->first.note, static_cast<double>(e->second));
  }
  void OnMidi(const PartMidiMessage* m) override { Note("engine midi %d %02X %d %d", m->part, m->status, m->data1, m->data2); }
  void OnClock(unsigned tick, float bpm) override { Note("engine clock %u %g", tick, static_cast<double>(bpm)); }
  void SetParam(int rt, int part, uint32_t uid, float value) override {
    if (rendering.load() != 0) overlapped.store(true);
    Note("param rt %d part %d uid %X value %g", rt, part, uid, static_cast<double>(value));
  }
  void SetModRoute(int rt, int part, int route, float amount, int source, int destination, int mode, float) override {
    if (rt == 1 && rendering.load() != 0) overlapped.store(true);
    Note("route rt %d part %d route %d amount %g %d->%d mode %d", rt, part, route, static_cast<double>(amount), source,
         destination, mode);
  }
  void TriggerSwap(int part) override {
    if (rendering.load() != 0) overlapped.store(true);
    Note("swap %d", part);
  }
  int IsSwapPending(int) override {
    if (g_journal == nullptr) return 0;
    g_journal->swapPolls.fetch_add(1);
    return g_journal->swapNeverCompletes.load() ? 1 : 0;
  }
  void ClearShadowBank(int part, int) override { Note("clear %d", part); }
  void SetModAmount(int part, int route, float amount) override {
    Note("amount %d %d %g", part, route, static_cast<double>(amount));
  }
  void SetSample(int rt, int part, uint32_t uid, MultiWaveReader* set) override {
    Note("sample %d %d %X %s", rt, part, uid, set ? set->Name().c_str() : "null");
  }
  void SetLfoWave(int rt, int part, int lfo, const char*, int count) override {
    Note("lfo %d %d %d %d", rt, part, lfo, count);
  }
  void SetWavetable(int rt, int part, int oscillator, WaveTable* table) override {
    Note("wavetable %d %d %d %s", rt, part, oscillator, table ? table->Name().c_str() : "null");
  }

  std::atomic<int> rendered{0};
  std::atomic<int> workers[2] = {0, 0};
  int workersAtRender[2] = {0, 0};
  std::atomic<int> rendering{0};
  std::atomic<int> spinSink{0};
  std::atomic<bool> overlapped{false};
  std::atomic<bool> armWorkers{false};
  float* lastParts = nullptr;
  float lastPedal = 0.0f;
  int lastPedalSwitch = 0;
  EngineEvent lastEvent{};
  float partLeft[4] = {0, 0, 0, 0};
  float partRight[4] = {0, 0, 0, 0};
  int strays = 0;  // periods left to write `stray`
  float stray = 0.0f;
};

// Writes its period count into all four outputs.
class FakeDrums : public IAudioProcess {
 public:
  static inline FakeDrums* last = nullptr;
  FakeDrums() { last = this; }
  void init(tagPluginAttr attr, EngineLogFn) override { Note("init %d %d %d", attr.instance, attr.frames, attr.rate); }
  void Process(float**, float** out) override {
    ++periods;
    for (int b = 0; b < 4; ++b)
      for (int i = 0; i < 128; ++i) out[b][i] = b == 0 || (b == 1 && !leftOnly) ? level : b == 1 ? 0.0f : static_cast<float>(periods);
  }
  void OnMidi(const PartMidiMessage* m) override { Note("drums midi %d %02X %d %d", m->part, m->status, m->data1, m->data2); }
  void OnEvent(const EngineEvent* e) override { Note("drums event %d note %d", e->type, e->first.note); }
  void SetParam(int rt, int part, uint32_t uid, float value) override {
    Note("drums param rt %d part %d uid %X value %g", rt, part, uid, static_cast<double>(value));
  }
  void SetPadSample(int, int, uint32_t uid, SampleFile* sample) override { Note("pad %X %s", uid, sample ? "set" : "null"); }
  int periods = 0;
  float level = 0.0f;
  bool leftOnly = false;  // the right output silent
};

// Passes its input through and records the side-chain it saw each period.
class FakeEffects : public IAudioProcess {
 public:
  static inline std::vector<FakeEffects*>* made = nullptr;
  FakeEffects() {
    if (made != nullptr) made->push_back(this);
  }
  void init(tagPluginAttr attr, EngineLogFn) override {
    instance = attr.instance;
    Note("init %d %d %d", attr.instance, attr.frames, attr.rate);
  }
  void Process(float** in, float** out) override {
    for (int b = 0; b < 2; ++b)
      for (int i = 0; i < 128; ++i) nonFinite += std::isfinite(in[b][i]) ? 0 : 1;
    for (int b = 0; b < 4; ++b) std::memcpy(out[b], in[b], 128 * sizeof(float));
    if (periods < static_cast<int>(sideChain.size())) sideChain[periods] = in[2][0];
    ++periods;
  }
  void OnMidi(const PartMidiMessage* m) override { Note("fx%d midi %02X %d", instance, m->status, m->data1); }
  void OnClock(unsigned tick, float) override { Note("fx%d clock %u", instance, tick); }
  void SwapPage(int value) override { Note("fx%d swap page %d", instance, value); }
  void SetParam(int rt, int slot, uint32_t id, float value) override {
    Note("fx%d param rt %d slot %d id %X value %g", instance, rt, slot, id, static_cast<double>(value));
  }
  int instance = -1;
  int periods = 0;
  int nonFinite = 0;  // samples of the part's pair that were not finite
  std::vector<float> sideChain = std::vector<float>(64, -1.0f);
};

inline IAudioProcess* MakeFakeEngine(EngineSwapFn fn, void* context) {
  FakeEngine::swapFn = fn;
  FakeEngine::swapContext = context;
  return new FakeEngine();
}
inline IAudioProcess* MakeFakeDrums() { return new FakeDrums(); }
inline IAudioProcess* MakeFakeEffects() { return new FakeEffects(); }

inline SoundObjectFactory Fakes() {
  SoundObjectFactory f;
  f.makeEngine = MakeFakeEngine;
  f.makeDrums = MakeFakeDrums;
  f.makeEffects = MakeFakeEffects;
  return f;
}

// A PCM whose every step's result the test scripts; records the frames written.
class FakePcm : public PcmBackend {
 public:
  struct Script {
    std::vector<std::string> cards;
    int openResult = 0;
    PcmStep failStep = PcmStep::kApplySoftware;
    int failResult = 0;  // 0: no step fails
    std::vector<long> writeResults;  // consumed in order; afterwards every write takes all
    int prepareResult = 0;
    int prepareFailsAfter = -1;  // prepares that succeed before the failing ones
  };
  explicit FakePcm(Script s) : script(std::move(s)) {}

  int CardName(int index, char* name, std::size_t size) override {
    if (index < 0 || index >= static_cast<int>(script.cards.size())) return -2;
    std::snprintf(name, size, "%s", script.cards[index].c_str());
    return 0;
  }
  int Open(const char* device) override {
    opened = device;
    return script.openResult;
  }
  int Configure(PcmStep step, unsigned*) override {
    steps.push_back(step);
    return script.failResult != 0 && step == script.failStep ? script.failResult : 0;
  }
  int SetBlocking() override { return 0; }
  int Prepare() override {
    ++prepares;
    if (script.prepareFailsAfter >= 0 && prepares > script.prepareFailsAfter) return script.prepareResult;
    return 0;
  }
  long Write(const float* data, unsigned long frames) override {
    long result = static_cast<long>(frames);
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (writeIndex < script.writeResults.size()) result = script.writeResults[writeIndex++];
      if (result > 0) samples.insert(samples.end(), data, data + 2 * result);
    }
    writes.fetch_add(1);
    return result;
  }
  int Wait() override { return 0; }
  int Recover(int error) override {
    ++recovers;
    return error == -5 ? -5 : 0;  // -EIO: unrecoverable here
  }
  bool HasCard() override { return hasCard; }
  void Close() override { ++closes; }
  const char* ErrorText(int error) override {
    std::snprintf(text, sizeof text, "error %d", error);
    return text;
  }

  Script script;
  std::string opened;
  std::vector<PcmStep> steps;
  std::mutex mutex;
  std::vector<float> samples;
  std::size_t writeIndex = 0;
  std::atomic<long> writes{0};
  int prepares = 0;
  int recovers = 0;
  int closes = 0;
  bool hasCard = true;
  char text[32] = {};
};

}  // namespace audio_fakes
