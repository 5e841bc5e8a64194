#include "engine/CSynthEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/ArmConvert.h"
#include "platform/Denormals.h"
#include "platform/LogSink.h"

namespace {

// Engine-wide controller numbers and the value each feeds.
// The range each arrives in: data byte / 128, the mod wheel's scaled by the part's mod
// amount (a byte), channel pressure squared from byte / 64.
struct ControllerRow {
  int32_t number;
  VoiceControllers::Index index;
  float max;
};
constexpr ControllerRow kControllerRows[] = {
    {CSynthEngine::kModWheel, VoiceControllers::kModWheel, 255.0f},
    {CSynthEngine::kCvA, VoiceControllers::kCvA, 1.0f},
    {CSynthEngine::kCvB, VoiceControllers::kCvB, 1.0f},
    {CSynthEngine::kCvC, VoiceControllers::kCvC, 1.0f},
    {CSynthEngine::kPressure, VoiceControllers::kPressure, 4.0f},
};
constexpr int32_t kResetControllers[] = {120, 123};

// The part's percent settings, held to the page's 0..100.
float Percent(float v) { return std::clamp(v, 0.0f, 100.0f); }

// Parameters the engine keeps for itself (the others go to the bank's voices).
enum EngineParam : int32_t {
  kVoiceMode = 4,
  kOctave = 5,
  kLevel = 6,
  kKeyboardMode = 7,
  kVelocityAmount = 8,
  kUnisonDetune = 10,
  kParameter11 = 11,
  kLfoSmooth = 1289,
};

constexpr uint32_t kEvenVoices = 0x5555u;
constexpr uint32_t kOddVoices = 0xAAAAu;
constexpr uint32_t ThreadVoices(int thread) { return thread == 0 ? kEvenVoices : kOddVoices; }

std::atomic<int64_t> g_slotReturnUs{0};
std::atomic<uint32_t> g_slotDisables{0};

}  // namespace

void CSynthEngine::SetSlotReturnUs(int64_t us) { g_slotReturnUs.store(us > 0 ? us : 0, std::memory_order_relaxed); }
uint32_t CSynthEngine::SlotDisables() { return g_slotDisables.load(std::memory_order_relaxed); }

CSynthEngine::CSynthEngine() = default;

CSynthEngine::~CSynthEngine() { Destroy(); }

timespec CSynthEngine::MonotonicNow() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t;
}

void CSynthEngine::Create(int32_t sampleRate, uint32_t frames) {
  Destroy();
  Init();
  frames_ = static_cast<int32_t>(frames & ~3u);
  rate_ = sampleRate;
  level_.store(1.0f);
  parameter11_.store(0.4f);
  velocityAmount_.store(1.0f);
  for (int32_t t = 0; t < kThreads; ++t) {
    fft_[t].InitForward(256);
    fft_[t].InitInverse(256);
    renderPeriod_[t] = 0;
    keptSince_[t] = timespec{-1, 0};
  }
  mixPeriod_ = 0;
  outputs_ = std::make_unique<float[]>(static_cast<std::size_t>(2 * kSlots * 2) * static_cast<std::size_t>(frames_));
  for (int32_t n = 0; n < kSlots; ++n) {
    slots_[n] = std::make_unique<VoiceSlot>(n);
    disabled_[n].store(false);
    outputPart_[0][n].store(-1);
    outputPart_[1][n].store(-1);
  }
  for (int32_t p = 0; p < kParts; ++p) {
    for (int32_t b = 0; b < 2; ++b) {
      banks_[p][b] = std::make_unique<VoiceBank>(&controllers_, p, frames_, sampleRate);
      resetRequest_[p][b].store(0);
    }
    bankFlag_[p].store(0);
    stacks_[p].Clear();
    latest_[p].store(nullptr);
    swapState_[p].store(kIdle);
    silenceWait_[p] = 0;
    effectsCountdown_[p] = 0;
  }
  waveCopies_ = std::make_unique<WaveCopy[]>(static_cast<std::size_t>(kThreads * kParts * 2 * kLfos));
}

void CSynthEngine::Destroy() {
  // Slots first: they point into the banks.
  for (auto& s : slots_) s.reset();
  for (auto& part : banks_)
    for (auto& b : part) b.reset();
  outputs_.reset();
  waveCopies_.reset();
  frames_ = 0;
}

VoiceBank& CSynthEngine::bank(int part, int rt) {
  const int live = LiveIndex(part);
  return *banks_[part][rt ? live : 1 - live];
}

float* CSynthEngine::Output(uint32_t parity, int slot, int channel) const {
  const std::size_t block = ((parity & 1u) * kSlots + static_cast<std::size_t>(slot)) * 2 + static_cast<std::size_t>(channel);
  return outputs_.get() + block * static_cast<std::size_t>(frames_);
}

int64_t CSynthEngine::ElapsedUs(const timespec& since) const {
  const timespec now = clock_.load(std::memory_order_relaxed)();
  const double ns = static_cast<double>(now.tv_sec - since.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec - since.tv_nsec);
  return static_cast<int64_t>(ns * 0.001);
}

void CSynthEngine::Notify(int part, int value) {
  if (progress_) progress_(part, value);
}

// ---------------------------------------------------------------------------------------
// Voice events and notes

void CSynthEngine::VoiceEvent(int type, int slot, int part, float velocity, float detune, int, int note) {
  if (slot < 0 || slot >= kSlots || !ValidPart(part) || !slots_[slot]) return;
  VoiceSlot& s = *slots_[slot];
  const VoiceSlot::Event e{type, Live(part).slotView(), static_cast<uint8_t>(note), velocity, detune};
  s.PostEvent(e);
  latest_[part].store(&s.Status(), std::memory_order_release);
}

void CSynthEngine::NoteOn(int part, int note, float velocity) {
  if (!ValidPart(part) || !Created()) return;
  bool refused = false;
  {
    Lock lock(allocMutex_);
    if (swapState_[part].load(std::memory_order_relaxed) != kIdle) {
      refused = true;
    } else {
      VoiceBank& live = Live(part);
      const int32_t mode = live.mode.load(std::memory_order_relaxed);
      const float detune = live.unisonDetune.load(std::memory_order_relaxed);
      switch (mode) {
        case VoiceBank::kMono: {
          const int legato = live.keyboardMode.load(std::memory_order_relaxed) && !stacks_[part].Empty() ? 1 : 0;
          StartNote(part, 1, note, velocity, 0.0f, legato);
          stacks_[part].Push(static_cast<uint8_t>(note), velocity);
          break;
        }
        case VoiceBank::kPoly:
          StartNote(part, 0, note, velocity, 0.0f, 0);
          break;
        case VoiceBank::kUnison2:
          StartNote(part, mode, note, velocity, detune, 0);
          break;
        case VoiceBank::kUnison3:
          StartNote(part, mode, note, velocity, detune * 0.5f, 0);
          break;
        case VoiceBank::kUnison4:
          StartNote(part, mode, note, velocity, detune / 3.0f, 0);
          break;
        default:
          break;
      }
    }
  }
  if (refused) platform::LogWrite("NOTE_ON: skipped because is swapping\n");
}

void CSynthEngine::NoteOffLocked(int part, int note) {
  PartNoteStack& stack = stacks_[part];
  if (Live(part).mode.load(std::memory_order_relaxed) == VoiceBank::kMono) {
    stack.Remove(static_cast<uint8_t>(note));
    if (!stack.Empty()) {
      // Back to the key still held: a legato move, the voice keeps sounding.
      StartNote(part, 1, stack.HeadNote(), stack.HeadVelocity(), 0.0f, 1);
      return;
    }
  }
  ReleaseNote(part, note);
}

void CSynthEngine::NoteOff(int part, int note) {
  if (!ValidPart(part) || !Created()) return;
  Lock lock(allocMutex_);
  NoteOffLocked(part, note);
}

void CSynthEngine::PolyAftertouch(int part, int note, float value) {
  if (!ValidPart(part) || !Created()) return;
  int n;
  {
    Lock lock(allocMutex_);
    n = FindVoice(part, note);
  }
  if (n >= 0) slots_[n]->SetPolyAftertouch(part, value);
}

void CSynthEngine::PitchBend(int part, float octaves) {
  if (!ValidPart(part) || !Created()) return;
  // The bend is the part's, like its controllers: every voice of both its banks holds it, so
  // a note started while the wheel is away from centre starts bent, and so does a bank that
  // comes in by a swap.
  for (int rt = 0; rt < 2; ++rt) {
    VoiceBank& b = bank(part, rt);
    for (int32_t v = 0; v < VoiceBank::kVoices; ++v) b.voice(v).SetBend(octaves);
  }
}

void CSynthEngine::ResetPart(int part) {
  if (!ValidPart(part) || !Created()) return;
  Lock lock(allocMutex_);
  for (int32_t i = 0; i < kSlots; ++i) {
    const VoiceAllocEntry entry = Entry(i);
    // A note started in this period may still wait in its slot's ring, the slot not yet
    // bound to the part: its release goes in behind the start.
    const bool held = (entry.state == kPlaying || entry.state == kMono) && entry.part == part;
    if (held) slots_[i]->PostEvent(VoiceSlot::Event{VoiceSlot::kRelease, nullptr, 0, 0.0f, 0.0f});
    else slots_[i]->ReleaseIfPart(part);
  }
  stacks_[part].Clear();
  ResetPartVoices(part);
}

void CSynthEngine::AllNotesOff(int part) {
  for (int n = 0; n < 127; ++n) NoteOff(part, n);
}

void CSynthEngine::ControlChange(int part, int controller, float value) {
  if (!ValidPart(part)) return;
  for (const ControllerRow& r : kControllerRows) {
    if (r.number == controller) {
      // Every voice reads these as matrix sources: an undefined or runaway value would reach
      // them all.
      if (std::isfinite(value))
        controllers_.value[r.index].store(std::clamp(value, 0.0f, r.max), std::memory_order_relaxed);
      return;
    }
  }
  for (int32_t c : kResetControllers)
    if (c == controller) ResetPart(part);
}

void CSynthEngine::CurrentPartNoteOn(int, int note, unsigned velocity) {
  // The voices take velocities 0..1; a MIDI velocity passed on as it is would play a note
  // up to 127 times too loud.
  NoteOn(1, static_cast<uint8_t>(note + 24), static_cast<float>(std::min(velocity, 127u)) / 127.0f);
}

void CSynthEngine::CurrentPartNoteOff(int, int note) { NoteOff(1, static_cast<uint8_t>(note + 24)); }

// ---------------------------------------------------------------------------------------
// Parameters and banks

void CSynthEngine::SetParam(int rt, int part, int instance, float value, uint32_t uid) {
  if (!ValidPart(part) || !Created()) return;
  VoiceBank& b = bank(part, rt);
  const int32_t number = static_cast<int32_t>(uid & 0xFFFu);
  bool toVoices = true;
  switch (number) {
    case kVoiceMode:
      b.mode.store(arm::ToInt32(value), std::memory_order_relaxed);
      // The part starts afresh in its new mode. Only its own voices: freeing the other
      // parts' entries would leave their held notes sounding with nothing to release them.
      if (rt == 1) ResetPart(part);
      toVoices = false;
      break;
    case kOctave:
      toVoices = false;
      break;
    case kLevel:
      level_.store(Percent(value) / 100.0f, std::memory_order_relaxed);
      toVoices = false;
      break;
    case kKeyboardMode:
      if ((instance & 0xF) == 0) b.keyboardMode.store(value != 0.0f, std::memory_order_relaxed);
      break;
    case kVelocityAmount:
      velocityAmount_.store(Percent(value) / 100.0f, std::memory_order_relaxed);
      toVoices = false;
      break;
    case kUnisonDetune:
      b.unisonDetune.store(Percent(value) / 100.0f, std::memory_order_relaxed);
      toVoices = false;
      break;
    case kParameter11:
      parameter11_.store(1.0f - Percent(value) / 100.0f, std::memory_order_relaxed);
      toVoices = false;
      break;
    case kLfoSmooth:
      if (instance >= 0 && instance < kLfos) lfoSmooth_[instance].store(value * 0.01f, std::memory_order_relaxed);
      break;
    default:
      break;
  }
  if (!toVoices) return;
  for (int32_t v = 0; v < VoiceBank::kVoices; ++v) b.voice(v).SetParam(rt == 1, instance, number, value);
}

void CSynthEngine::SetModRoute(int rt, int part, int slot, float amount, int source, int destination, int mode) {
  if (!ValidPart(part) || !Created()) return;
  VoiceBank& b = bank(part, rt);
  for (int32_t v = 0; v < VoiceBank::kVoices; ++v) b.voice(v).SetRoute(slot, source, destination, amount, mode);
}

void CSynthEngine::SetModAmount(int part, int slot, float amount) {
  if (!ValidPart(part) || !Created()) return;
  VoiceBank& b = bank(part, 1);
  for (int32_t v = 0; v < VoiceBank::kVoices; ++v) b.voice(v).SetRouteAmount(slot, amount);
}

void CSynthEngine::SetLfoWave(int rt, int part, int lfo, const char* bytes, unsigned count) {
  if (!ValidPart(part) || !Created() || lfo < 0 || lfo >= kLfos) return;
  const int32_t b = rt ? LiveIndex(part) : 1 - LiveIndex(part);
  userWave_[part][b][lfo].Publish(reinterpret_cast<const uint8_t*>(bytes), static_cast<int32_t>(count & 0xFFu),
                                  lfoSmooth_[lfo].load(std::memory_order_relaxed));
}

void CSynthEngine::SetWavetable(int rt, int part, int oscillator, WaveTable* table) {
  if (!ValidPart(part) || !Created() || oscillator < 0 || oscillator >= SynthVoice::kOscillators) return;
  VoiceBank& b = bank(part, rt);
  for (int32_t v = 0; v < VoiceBank::kVoices; ++v) b.voice(v).AttachWavetable(oscillator, table);
}

void CSynthEngine::SetSample(int rt, int part, MultiWaveReader* set) {
  if (!ValidPart(part) || !Created()) return;
  VoiceBank& b = bank(part, rt);
  for (int32_t v = 0; v < VoiceBank::kVoices; ++v) b.voice(v).AttachSample(set);
}

void CSynthEngine::ClearShadowBank(int part, int) {
  if (!ValidPart(part) || !Created()) return;
  // The voices' own threads reset them before their next blocks.
  resetRequest_[part][1 - LiveIndex(part)].fetch_or(0xFFFFu, std::memory_order_acq_rel);
}

void CSynthEngine::OnClock(unsigned tick, float bpm) {
  if (!Created()) return;
  for (auto& s : slots_) s->OnClock(tick, bpm);
}

VoiceStatus* CSynthEngine::GetVoice(int n) {
  if (n < 0 || n >= kSlots || !slots_[n]) return nullptr;
  return &slots_[n]->Status();
}

VoiceStatus* CSynthEngine::LatestVoice(int part) const {
  return ValidPart(part) ? latest_[part].load(std::memory_order_acquire) : nullptr;
}

// ---------------------------------------------------------------------------------------
// Swap

void CSynthEngine::TriggerSwap(int part) {
  if (!ValidPart(part) || !Created()) return;
  {
    Lock lock(allocMutex_);
    swapState_[part].store(kTriggered, std::memory_order_release);
  }
  Notify(part, kTriggered);
  platform::LogPrintf("Part:%d -> trigger swap\n", part);
}

int CSynthEngine::IsSwapPending(int part) const {
  return ValidPart(part) ? swapState_[part].load(std::memory_order_acquire) : 0;
}

void CSynthEngine::StepSwap(int p) {
  int notify = -1;
  {
    Lock lock(allocMutex_);
    switch (swapState_[p].load(std::memory_order_relaxed)) {
      case kIdle:
        silenceWait_[p] = 0;
        break;
      case kTriggered: {
        VoiceBank& live = Live(p);
        for (int32_t n = 0; n < kSlots; ++n) {
          const VoiceSlot& s = *slots_[n];
          const BankVoices* bound = s.BoundBank();
          if (!bound || bound->part != p || disabled_[n].load(std::memory_order_relaxed) || s.IsFinished()) continue;
          live.voice(n).RequestShutdown();
          platform::LogPrintf("Part:%d voice:%d -> shutdown\n", p, n);
        }
        swapState_[p].store(kWaitSilence, std::memory_order_release);
        platform::LogPrintf("Part:%d shutdown\n", p);
        notify = kWaitSilence;
        break;
      }
      case kWaitSilence: {
        if (silenceWait_[p] >= 0) ++silenceWait_[p];
        int32_t sounding = -1;
        for (int32_t n = 0; n < kSlots && sounding < 0; ++n) {
          const VoiceSlot& s = *slots_[n];
          const BankVoices* bound = s.BoundBank();
          if (bound && bound->part == p && !disabled_[n].load(std::memory_order_relaxed) && !s.IsFinished())
            sounding = n;
        }
        if (sounding >= 0) {
          if (silenceWait_[p] > kStuckPeriods) {
            platform::LogPrintf("Voice %d stucks\n", sounding);
            silenceWait_[p] = -1;
          }
          break;
        }
        bankFlag_[p].store(1 - LiveIndex(p), std::memory_order_release);
        swapState_[p].store(kWaitEffects, std::memory_order_release);
        stacks_[p].Clear();
        platform::LogWrite("Enabling All Voices\n");
        EnableDisabledEntries();
        for (auto& d : disabled_) d.store(false, std::memory_order_relaxed);
        effectsCountdown_[p] = kEffectsWait;
        platform::LogPrintf("Part:%d waitfx\n", p);
        notify = kWaitEffects;
        break;
      }
      case kWaitEffects:
        ResetPartVoices(p);
        if (--effectsCountdown_[p] < 1) {
          swapState_[p].store(kIdle, std::memory_order_release);
          platform::LogPrintf("Part:%d idle\n", p);
          notify = kIdle;
        } else {
          platform::LogPrintf("Part:%d wait fx %d\n", p, effectsCountdown_[p]);
        }
        break;
      default:
        break;
    }
  }
  // Outside the lock: the receiver may call back into the engine.
  if (notify >= 0) Notify(p, notify);
}

// ---------------------------------------------------------------------------------------
// Render threads and mix

void CSynthEngine::TakeBankRequests(int thread) {
  const uint32_t mine = ThreadVoices(thread);
  for (int32_t p = 0; p < kParts; ++p) {
    for (int32_t b = 0; b < 2; ++b) {
      VoiceBank& bank = *banks_[p][b];
      if (resetRequest_[p][b].load(std::memory_order_relaxed) & mine) {
        const uint32_t voices = resetRequest_[p][b].fetch_and(~mine, std::memory_order_acq_rel) & mine;
        for (int32_t v = 0; v < VoiceBank::kVoices; ++v) {
          if (!(voices & (1u << v))) continue;
          bank.voice(v).buffers().Clear();
          bank.voice(v).Reset(true);
        }
      }
      for (int32_t l = 0; l < kLfos; ++l) {
        WaveCopy& copy = waveCopies_[static_cast<std::size_t>(((thread * kParts + p) * 2 + b) * kLfos + l)];
        if (!userWave_[p][b][l].CopyIfChanged(&copy.seen, copy.points, &copy.length)) continue;
        for (int32_t v = thread; v < VoiceBank::kVoices; v += kThreads)
          bank.voice(v).lfo(l).SetUserTable(copy.length > 0 ? copy.points : nullptr, copy.length);
      }
    }
  }
}

void CSynthEngine::RenderVoices(float** /*scratch: not read*/, int thread) {
  if (thread < 0 || thread >= kThreads || !Created()) return;
  platform::EnableFlushToZero();
  TakeBankRequests(thread);
  threadStart_[thread] = clock_.load(std::memory_order_relaxed)();
  const uint32_t parity = renderPeriod_[thread]++ & 1u;
  bool missed = false;
  for (int32_t i = thread; i < kSlots; i += kThreads) {
    const int64_t elapsed = ElapsedUs(threadStart_[thread]);
    outputPart_[parity][i].store(-1, std::memory_order_relaxed);
    if (disabled_[i].load(std::memory_order_relaxed)) continue;
    if (elapsed <= kDeadlineUs) {
      RenderSlot(thread, i, parity);
    } else {
      DisableSlot(i, parity, elapsed);
      missed = true;
    }
  }
  const int64_t returnUs = g_slotReturnUs.load(std::memory_order_relaxed);
  if (returnUs > 0) ReturnSlots(thread, missed, returnUs);
}

void CSynthEngine::ReturnSlots(int thread, bool missed, int64_t returnUs) {
  timespec& since = keptSince_[thread];
  if (missed || ElapsedUs(threadStart_[thread]) > kDeadlineUs) {
    since.tv_sec = -1;
    return;
  }
  if (since.tv_sec < 0) since = threadStart_[thread];
  if (ElapsedUs(since) < returnUs) return;
  // Counting starts again, so a slot that returned and misses again waits its full time.
  since = threadStart_[thread];
  for (int32_t i = thread; i < kSlots; i += kThreads) {
    if (!disabled_[i].load(std::memory_order_relaxed)) continue;
    {
      Lock lock(allocMutex_);
      EnableEntry(i);
      disabled_[i].store(false, std::memory_order_relaxed);
    }
    platform::LogPrintf("Enable Voice %i (deadline kept for %i ms)\n", i, static_cast<int>(returnUs / 1000));
  }
}

void CSynthEngine::RenderSlot(int thread, int i, uint32_t parity) {
  VoiceSlot& s = *slots_[i];
  // A slot still bound to a bank that stopped being live (a swap exchanged it, or a start
  // event queued before the exchange) lets go of it: that bank is the loader's now.
  auto stale = [this](const BankVoices* b) { return b && b != Live(b->part).slotView(); };
  if (stale(s.BoundBank())) s.Unbind();
  s.SetOutputs(Output(parity, i, 0), Output(parity, i, 1));
  s.ProcessEvents(fft_[thread]);
  const BankVoices* bound = s.BoundBank();
  if (stale(bound)) {
    s.Unbind();
    bound = nullptr;
  }
  if (bound) {
    s.Render();
    outputPart_[parity][i].store(static_cast<int8_t>(bound->part), std::memory_order_relaxed);
  }
  for (int32_t p = 0; p < kParts; ++p) Live(p).voice(i).SmoothControls();
}

void CSynthEngine::DisableSlot(int i, uint32_t parity, int64_t elapsedUs) {
  {
    Lock lock(allocMutex_);
    const VoiceAllocEntry entry = Entry(i);
    // Disabled first, so that a mono part going back to a held key finds a working slot.
    DisableEntry(i);
    disabled_[i].store(true, std::memory_order_relaxed);
    if (entry.state != kFree && ValidPart(entry.part)) NoteOffLocked(entry.part, entry.note);
    // Whatever was queued would bind the slot again after the next swap without an entry.
    slots_[i]->ClearEvents();
  }
  std::fill_n(Output(parity, i, 0), frames_, 0.0f);
  std::fill_n(Output(parity, i, 1), frames_, 0.0f);
  slots_[i]->Kill();
  g_slotDisables.fetch_add(1, std::memory_order_relaxed);
  platform::LogPrintf("Disable Voice %i (%i us after deadline)\n", i, static_cast<int>(elapsedUs - kDeadlineUs));
}

void CSynthEngine::MixParts(float** out, int pedalSwitch, float pedalLevel) {
  if (!out || !Created()) return;
  const uint32_t parity = mixPeriod_++ & 1u;
  for (auto& s : slots_) s->SetPedal(pedalLevel, static_cast<uint8_t>(pedalSwitch));
  const std::size_t n = static_cast<std::size_t>(frames_);
  for (int32_t p = 0; p < kParts; ++p) {
    float* left = out[p];
    float* right = out[kParts + p];
    std::fill_n(left, n, 0.0f);
    std::fill_n(right, n, 0.0f);
    for (int32_t i = 0; i < kSlots; ++i) {
      // A slot its render thread skipped or disabled in this period marked itself -1.
      if (outputPart_[parity][i].load(std::memory_order_relaxed) != p) continue;
      const float* l = Output(parity, i, 0);
      const float* r = Output(parity, i, 1);
      for (std::size_t k = 0; k < n; ++k) {
        left[k] += l[k];
        right[k] += r[k];
      }
    }
    StepSwap(p);
  }
}
