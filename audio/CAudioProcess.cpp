#include "audio/CAudioProcess.h"

#include <sched.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>

#include "platform/ProfilingBuffer.h"
#include "platform/ArmConvert.h"
#include "platform/Denormals.h"
#include "platform/LogSink.h"
#include "platform/RtThread.h"
#include "platform/Simd4.h"

namespace {

constexpr float kInitialLevel = 0.8f;
constexpr float kPartSmoothing = 0.01f;
constexpr float kDrumSmoothing = 0.029f;
constexpr float kPedalSmoothing = 0.05f;
constexpr float kMasterSecondsPerUnit = 0.35f;

struct EngineThreadSpec {
  const char* name;
  const char* startLine;
  int cpu;
};
constexpr EngineThreadSpec kEngineThreads[2] = {
    {"Engine A", "INFO: SynthEngines Core A", 1},
    {"Engine B", "INFO: SynthEngines Core B", 2},
};
constexpr int kEnginePriority = 98;

// Non-finite samples become 0, four at a time: one would stay in most effects' state (their
// filters, delay lines and feedback) for good.
void ZeroNonFinite(float* p, int n) {
  using namespace v4;
  const f4 largest = Set1(std::numeric_limits<float>::max());
  const f4 zero = Set1(0.0f);
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const f4 x = Load(p + i);
    Store(p + i, Select(CmpGe(largest, Abs(x)), x, zero));  // false for NaN and infinity
  }
  for (; i < n; ++i)
    if (!std::isfinite(p[i])) p[i] = 0.0f;
}

// Microseconds from a to b.
uint32_t Micros(const timespec& a, const timespec& b) {
  const int64_t ns = (static_cast<int64_t>(b.tv_sec) - a.tv_sec) * 1000000000LL + (b.tv_nsec - a.tv_nsec);
  return ns > 0 ? static_cast<uint32_t>(ns / 1000) : 0;
}

// Every period over its deadline since the start, printed or not.
std::atomic<uint32_t> g_overruns{0};

timespec Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t;
}

}  // namespace

CAudioProcess::CAudioProcess() : CAudioProcess(DefaultSoundObjects()) {}

uint32_t CAudioProcess::Overruns() { return g_overruns.load(std::memory_order_relaxed); }

CAudioProcess::CAudioProcess(const SoundObjectFactory& factory) : factory_(factory) {
  for (auto& t : partTarget_) t.store(kInitialLevel, std::memory_order_relaxed);
  masterRamp_.SetTickPeriod(static_cast<float>(kFrames) / static_cast<float>(kRate));
}

CAudioProcess::~CAudioProcess() {
  Stop();
  delete engine_;
  delete drums_;
  for (IAudioProcess* fx : effects_) delete fx;
}

int InitAudioProcess(CAudioProcess* process, EngineLogFn log) {
  if (process == nullptr || process->barrierReady_) return -1;
  CAudioProcess& p = *process;
  pthread_barrier_init(&p.barrier_, nullptr, 3);
  p.barrierReady_ = true;

  const auto frames = static_cast<std::size_t>(p.frames_);
  for (auto& set : p.partBuffers_)
    for (auto& b : set) b.assign(frames, 0.0f);
  for (auto& set : p.drumBuffers_)
    for (auto& b : set) b.assign(frames, 0.0f);
  for (auto* group : {&p.scratch_}) for (auto& b : *group) b.assign(frames, 0.0f);
  for (auto& b : p.mix_) b.assign(frames, 0.0f);
  for (auto& b : p.fxOut_) b.assign(frames, 0.0f);

  if (p.factory_.makeEngine != nullptr) {
    p.engine_ = p.factory_.makeEngine(&CAudioProcess::OnEngineSwap, process);
    if (p.engine_ != nullptr) p.engine_->init({0, p.frames_, p.rate_}, log);
  }
  if (p.factory_.makeDrums != nullptr) {
    p.drums_ = p.factory_.makeDrums();
    if (p.drums_ != nullptr) p.drums_->init({2, p.frames_, p.rate_}, log);
  }
  for (int part = 0; part < CAudioProcess::kParts; ++part) {
    if (p.factory_.makeEffects == nullptr) break;
    p.effects_[part] = p.factory_.makeEffects();
    if (p.effects_[part] != nullptr) p.effects_[part]->init({3 + part, p.frames_, p.rate_}, log);
  }

  // Either thread missing leaves the barrier one party short and the audio thread waiting
  // for ever, so both results count.
  int result = 0;
  for (int t = 0; t < 2; ++t) {
    CAudioProcess::EngineThread& thread = p.threads_[t];
    thread.owner = process;
    thread.index = t;
    const platform::ThreadConfig config{kEngineThreads[t].name, SCHED_FIFO, kEnginePriority, kEngineThreads[t].cpu};
    const platform::ThreadStart start =
        platform::StartThread(thread.handle, config, &CAudioProcess::EngineThreadMain, &thread);
    thread.running = start.started;
    platform::LogPrintf("%s%s\n", kEngineThreads[t].startLine, start.started ? " <Started>" : " <Error>");
    if (!start.started) result = start.createError != 0 ? start.createError : -1;
  }
  return result;
}

void* CAudioProcess::EngineThreadMain(void* arg) {
  EngineThread& thread = *static_cast<EngineThread*>(arg);
  CAudioProcess& p = *thread.owner;
  platform::ScopedFlushToZero ftz;
  TimingRecord& record = p.timing_[thread.index];
  float* scratch[2] = {p.scratch_[0].data(), p.scratch_[1].data()};
  int64_t passed = 0;
  for (;;) {
    const timespec start = Now();
    std::atomic_ref<uint32_t>(record.periodMicros).store(Micros(record.lastStart, start), std::memory_order_relaxed);
    record.lastStart = start;
    {
      std::lock_guard<platform::PiMutex> lock(p.engineMutex_[thread.index]);
      if (p.engine_ != nullptr) p.engine_->RenderWorker(scratch, thread.index);
    }
    std::atomic_ref<uint32_t>(record.busyMicros).store(Micros(start, Now()), std::memory_order_relaxed);
    pthread_barrier_wait(&p.barrier_);
    // The cycle the stopper took part in is the last; a thread released late from an earlier
    // cycle must not take a stop that was asked for after it.
    if (++passed == p.stopAfterCycle_.load(std::memory_order_acquire)) break;
  }
  return nullptr;
}

void CAudioProcess::Stop() {
  if (!barrierReady_) return;
  if (threads_[0].running || threads_[1].running) {
    // The engine threads wait at the barrier for the audio thread; arriving in its place
    // once more ends their loop after that cycle. A thread that never started is stood in
    // for as well.
    stopAfterCycle_.store(audioCycles_ + 1, std::memory_order_release);
    ++audioCycles_;
    std::vector<std::thread> standIns;
    for (const EngineThread& t : threads_)
      if (!t.running) standIns.emplace_back([this] { pthread_barrier_wait(&barrier_); });
    pthread_barrier_wait(&barrier_);
    for (std::thread& s : standIns) s.join();
    for (EngineThread& t : threads_) {
      if (t.running) pthread_join(t.handle, nullptr);
      t.running = false;
    }
  }
  pthread_barrier_destroy(&barrier_);
  barrierReady_ = false;
}

void CAudioProcess::SetPeriodHook(Hook hook, void* context) { periodHook_.Publish(hook, context); }

void CAudioProcess::SetCycleTick(Hook tick, void* context) { cycleTick_.Publish(tick, context); }

CAudioProcess::TimingRecord CAudioProcess::ReadTiming(int i) const {
  TimingRecord copy;
  if (i < 0 || i >= kTimingRecords) return copy;
  TimingRecord& record = const_cast<TimingRecord&>(timing_[i]);
  std::memcpy(copy.name, record.name, sizeof copy.name);
  copy.busyMicros = std::atomic_ref<uint32_t>(record.busyMicros).load(std::memory_order_relaxed);
  copy.periodMicros = std::atomic_ref<uint32_t>(record.periodMicros).load(std::memory_order_relaxed);
  return copy;
}

void CAudioProcess::RunPeriodHook() {
  if (!periodHook_.Call()) ProcessCycle(0, 0.0f);
}

void CAudioProcess::ProcessCycle(int pedalSwitch, float pedalLevel) {
  midiMicros_[0].store(0, std::memory_order_relaxed);
  const int set = bufferSet_;
  bufferSet_ ^= 1;
  if (barrierReady_) {
    ++audioCycles_;
    pthread_barrier_wait(&barrier_);
  }

  const timespec start = Now();
  const float masterGoal = masterGoal_.load(std::memory_order_relaxed);
  if (masterGoal != masterRamp_.goal || masterRamp_.target == nullptr)
    masterRamp_.SetTarget(&masterLevel_, masterGoal, 1.0f, kMasterSecondsPerUnit);
  masterRamp_.Tick();

  const float pedal = pedalLevel_ + (pedalLevel - pedalLevel_) * kPedalSmoothing;
  float* parts[2 * kParts];
  for (int i = 0; i < 2 * kParts; ++i) parts[i] = partBuffers_[set][i].data();
  if (engine_ != nullptr) engine_->Render(parts, pedalSwitch, pedal);

  const std::size_t bytes = static_cast<std::size_t>(frames_) * sizeof(float);
  for (Buffer& b : mix_) std::memset(b.data(), 0, bytes);
  float* mixL = mix_[0].data();
  float* mixR = mix_[1].data();
  float* out[4] = {fxOut_[0].data(), fxOut_[1].data(), fxOut_[2].data(), fxOut_[3].data()};
  const float master = masterLevel_;

  for (int p = 0; p < kParts; ++p) {
    TimingRecord& record = timing_[3 + p];
    const timespec partStart = Now();
    std::atomic_ref<uint32_t>(record.periodMicros).store(Micros(record.lastStart, partStart), std::memory_order_relaxed);
    record.lastStart = partStart;
    {
      std::lock_guard<platform::PiMutex> lock(partMutex_[p]);
      ZeroNonFinite(parts[p], frames_);
      ZeroNonFinite(parts[kParts + p], frames_);
      float* in[4] = {parts[p], parts[kParts + p], drumBuffers_[set][2].data(), drumBuffers_[set][3].data()};
      if (effects_[p] != nullptr) {
        effects_[p]->Process(in, out);
      } else {
        for (int b = 0; b < 4; ++b) std::memcpy(out[b], in[b], bytes);
      }
      partLevel_[p] += (partTarget_[p].load(std::memory_order_relaxed) - partLevel_[p]) * kPartSmoothing;
      const float gain = pedalFollow_[p].load(std::memory_order_relaxed) ? partLevel_[p] * pedal : partLevel_[p];
      if (!partMute_[p].load(std::memory_order_relaxed)) {
        const float g = gain * master;
        for (int i = 0; i < frames_; ++i) {
          mixL[i] += g * out[0][i];
          mixR[i] += g * out[1][i];
        }
      }
    }
    std::atomic_ref<uint32_t>(record.busyMicros).store(Micros(partStart, Now()), std::memory_order_relaxed);
  }

  float* drumOut[4] = {drumBuffers_[set][0].data(), drumBuffers_[set][1].data(), drumBuffers_[set][2].data(),
                       drumBuffers_[set][3].data()};
  float* scratch[2] = {scratch_[0].data(), scratch_[1].data()};
  {
    std::lock_guard<platform::PiMutex> lock(drumMutex_);
    if (drums_ != nullptr) drums_->Process(scratch, drumOut);
  }
  const float drumLevel = drumLevel_ + (drumTarget_.load(std::memory_order_relaxed) - drumLevel_) * kDrumSmoothing;
  {
    std::lock_guard<platform::PiMutex> lock(drumMutex_);
    if (drums_ != nullptr && !drumMute_.load(std::memory_order_relaxed)) {
      const float g = drumLevel * master;
      for (int i = 0; i < frames_; ++i) {
        mixL[i] += g * drumOut[0][i];
        mixR[i] += g * drumOut[1][i];
      }
    }
  }

  cycleTick_.Call();

  const timespec end = Now();
  const uint32_t fxMicros = Micros(start, end);
  cycleMicros_ = previousEnd_.tv_sec != 0 || previousEnd_.tv_nsec != 0 ? Micros(previousEnd_, end) : 0;
  previousEnd_ = end;
  const uint32_t midi0 = midiMicros_[0].load(std::memory_order_relaxed);
  if (cycleMicros_ > kOverrunMicros || midi0 > kMidiOverrunMicros) {
    g_overruns.fetch_add(1, std::memory_order_relaxed);
    uint32_t skipped = 0;
    if (overrunLines_.Note(static_cast<int64_t>(end.tv_sec) * 1'000'000'000LL + end.tv_nsec, &skipped)) {
      const int midi1 = static_cast<int>(midiMicros_[1].load(std::memory_order_relaxed));
      if (skipped == 0)
        platform::LogPrintf("Cycle_overrun: %dus, fx_time:%dus, Midi %dus %dus\n", static_cast<int>(cycleMicros_),
                            static_cast<int>(fxMicros), static_cast<int>(midi0), midi1);
      else
        platform::LogPrintf("Cycle_overrun: %dus, fx_time:%dus, Midi %dus %dus (%u more)\n",
                            static_cast<int>(cycleMicros_), static_cast<int>(fxMicros), static_cast<int>(midi0), midi1,
                            skipped);
    }
  }
  drumLevel_ = drumLevel;
  pedalLevel_ = pedal;
}

void CAudioProcess::OnClock(unsigned tick, float bpm) {
  if (engine_ != nullptr) engine_->OnClock(tick, bpm);
  // The external clock arrives on a MIDI thread while the audio thread runs the chains.
  for (int p = 0; p < kParts; ++p) {
    if (effects_[p] == nullptr) continue;
    std::lock_guard<platform::PiMutex> lock(partMutex_[p]);
    effects_[p]->OnClock(tick, bpm);
  }
}

void CAudioProcess::OnEngineSwap(void* context, int part, int value) {
  auto* p = static_cast<CAudioProcess*>(context);
  if (p == nullptr || part < 0 || part >= kParts || p->effects_[part] == nullptr) return;
  p->effects_[part]->SwapPage(value);
}
