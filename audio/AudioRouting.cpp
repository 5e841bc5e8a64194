// The routing operations of the audio process: parameters by UID into the engine, the drum
// player, the mixer and the effects engines, and MIDI messages into engine events, each under
// the locks that keep it out of a running render.
#include <algorithm>
#include <cmath>
#include <mutex>

#include "audio/CAudioProcess.h"
#include "data/ParamUid.h"
#include "numeric/MathTables.h"
#include "platform/ArmConvert.h"
#include "platform/LogSink.h"

namespace {

// The mixer's level curve: index 0..100 -> 0..1.
constexpr float kLevels[101] = {
    0,          0.00100091, 0.00203892, 0.00311541, 0.0042318,  0.00538958, 0.00659028, 0.0078355,  0.00912687,
    0.0104661,  0.011855,   0.0132954,  0.0147892,  0.0163383,  0.0179449,  0.019611,   0.0213389,  0.0231309,
    0.0249892,  0.0269165,  0.0289152,  0.030988,   0.0331377,  0.035367,   0.037679,   0.0400767,  0.0425633,
    0.045142,   0.0478164,  0.0505899,  0.0534662,  0.0564491,  0.0595426,  0.0627508,  0.0660779,  0.0695284,
    0.0731067,  0.0768177,  0.0806663,  0.0846576,  0.0887968,  0.0930894,  0.0975412,  0.102158,   0.106946,
    0.111911,   0.117061,   0.122401,   0.12794,    0.133684,   0.13964,    0.145818,   0.152224,   0.158868,
    0.165758,   0.172904,   0.180314,   0.188,      0.19597,    0.204236,   0.212808,   0.221697,   0.230917,
    0.240478,   0.250393,   0.260677,   0.271341,   0.282401,   0.29387,    0.305765,   0.318101,   0.330894,
    0.344161,   0.357921,   0.37219,    0.386988,   0.402335,   0.41825,    0.434756,   0.451874,   0.469626,
    0.488036,   0.507129,   0.526929,   0.547464,   0.568759,   0.590845,   0.613748,   0.637501,   0.662135,
    0.687681,   0.714175,   0.741651,   0.770145,   0.799696,   0.830342,   0.862124,   0.895085,   0.929267,
    0.964716,   1,
};

// UID fields: the target is the UID's kind, the number its control.
constexpr int Target(uint32_t uid) { return param_uid::Kind(uid); }
using param_uid::Instance;
constexpr uint32_t Number(uint32_t uid) { return param_uid::Ctrl(uid); }
constexpr bool IsPart(int target) { return target >= 0 && target <= 3; }
constexpr bool IsEffects(int target) { return target >= 8 && target <= 11; }

constexpr int kDrumTarget = 4;
constexpr int kMixerTarget = 5;
constexpr uint8_t kDrumPart = 9;

// Mixer parameter numbers.
enum : uint32_t {
  kPartLevel = 0xB10,
  kPartMute = 0xB11,
  kPartPedal = 0xB12,
  kDrumLevel = 0xB13,
  kDrumMute = 0xB14,
  kMasterLevel = 0xB16,
};
constexpr int kDrumBus = 4;

// Values of a MIDI conversion without a settings record (stop events from the pages, drum
// notes): the defaults a fresh part has.
const PartMidiSettings kNoSettings{};

// Both engine mutexes, A before B: excludes both render threads.
class BothEngines {
 public:
  BothEngines(platform::PiMutex& a, platform::PiMutex& b) : a_(a), b_(b) {
    a_.lock();
    b_.lock();
  }
  ~BothEngines() {
    b_.unlock();
    a_.unlock();
  }
  BothEngines(const BothEngines&) = delete;
  BothEngines& operator=(const BothEngines&) = delete;

 private:
  platform::PiMutex& a_;
  platform::PiMutex& b_;
};

uint32_t MicrosSince(const timespec& a) {
  timespec b{};
  clock_gettime(CLOCK_MONOTONIC, &b);
  const int64_t ns = (static_cast<int64_t>(b.tv_sec) - a.tv_sec) * 1000000000LL + (b.tv_nsec - a.tv_nsec);
  return ns > 0 ? static_cast<uint32_t>(ns / 1000) : 0;
}

}  // namespace

float CAudioProcess::LevelOf(float value) {
  // Callers send 0..100; anything else (NaN included) is held to the table.
  const int index = std::clamp(arm::ToInt32(value), 0, 100);
  return kLevels[index];
}

float CAudioProcess::VelocityCurve(float v, float curve) {
  // Beyond +-20 the exponentials overflow and the curve turns into inf / inf.
  const float k = std::clamp(-curve * 0.01f, -20.0f, 20.0f);
  if (!(k == k)) return v;
  if (k < 0.0f) return (1.0f - lookupExp(k * v)) / (1.0f - lookupExp(k));
  return (lookupExp(k * v) - 1.0f + v) / lookupExp(k);
}

void CAudioProcess::SetParam(int rt, uint32_t uid, float value) {
  const int target = Target(uid);
  if (IsPart(target)) {
    if (engine_ == nullptr) return;
    if (rt == 1) {
      BothEngines lock(engineMutex_[0], engineMutex_[1]);
      engine_->SetParam(1, target, uid, value);
    } else {
      engine_->SetParam(0, target, uid, value);
    }
  } else if (target == kDrumTarget) {
    if (drums_ == nullptr) return;
    std::lock_guard<platform::PiMutex> lock(drumMutex_);
    drums_->SetParam(rt, kDrumTarget, uid, value);
  } else if (target == kMixerTarget) {
    SetMixer(uid, value);
  } else if (IsEffects(target)) {
    const int part = target - 8;
    IAudioProcess* fx = effects_[part];
    if (fx == nullptr) return;
    // A change to the sounding page (a type choice resets an effect) must not run beside the
    // audio thread's pass over the same chain; the other page is not processed.
    if (rt == 1) {
      std::lock_guard<platform::PiMutex> lock(partMutex_[part]);
      fx->SetParam(rt, Instance(uid), Number(uid), value);
    } else {
      fx->SetParam(rt, Instance(uid), Number(uid), value);
    }
  }
}

void CAudioProcess::SetMixer(uint32_t uid, float value) {
  const int instance = Instance(uid);
  const bool on = value != 0.0f;
  switch (Number(uid)) {
    case kPartLevel:
      if (instance < kParts) partTarget_[instance].store(LevelOf(value), std::memory_order_relaxed);
      break;
    case kPartMute:
      if (instance < kParts) partMute_[instance].store(on, std::memory_order_relaxed);
      break;
    case kPartPedal:
      if (instance < kParts) pedalFollow_[instance].store(on, std::memory_order_relaxed);
      break;
    case kMasterLevel:
      if (instance < kParts && std::isfinite(value))
        masterGoal_.store(std::clamp(value, 0.0f, 100.0f) * 0.01f, std::memory_order_relaxed);
      break;
    case kDrumLevel:
      if (instance == kDrumBus) drumTarget_.store(LevelOf(value), std::memory_order_relaxed);
      break;
    case kDrumMute:
      if (instance == kDrumBus) drumMute_.store(on, std::memory_order_relaxed);
      break;
    default:
      break;
  }
}

void CAudioProcess::SetModRoute(int rt, uint32_t uid, int source, int destination, int polarity, float amount) {
  const int target = Target(uid);
  if (!IsPart(target) || engine_ == nullptr) return;
  const int route = static_cast<int>(Number(uid));
  if (rt == 1) {
    BothEngines lock(engineMutex_[0], engineMutex_[1]);
    engine_->SetModRoute(rt, target, route, amount, source, destination, polarity, 0.0f);
  } else {
    engine_->SetModRoute(rt, target, route, amount, source, destination, polarity, 0.0f);
  }
}

void CAudioProcess::SetModAmount(uint32_t uid, float amount) {
  const int target = Target(uid);
  if (!IsPart(target) || engine_ == nullptr) return;
  BothEngines lock(engineMutex_[0], engineMutex_[1]);
  engine_->SetModAmount(target, static_cast<int>(Number(uid)), amount);
}

void CAudioProcess::TriggerSwap(int part) {
  if (engine_ == nullptr) return;
  BothEngines lock(engineMutex_[0], engineMutex_[1]);
  engine_->TriggerSwap(part);
}

void CAudioProcess::ClearShadowBank(int part) {
  if (engine_ != nullptr) engine_->ClearShadowBank(part, 0);
}

int CAudioProcess::IsSwapPending(int part) { return engine_ != nullptr ? engine_->IsSwapPending(part) : 0; }

// The live bank's slots are rendered by both engine threads, so an rt 1 change takes both
// mutexes like every other live change.
void CAudioProcess::SetLfoWave(int rt, uint32_t uid, const char* bytes, int count) {
  const int target = Target(uid);
  if (!IsPart(target) || engine_ == nullptr) return;
  if (rt == 1) {
    BothEngines lock(engineMutex_[0], engineMutex_[1]);
    engine_->SetLfoWave(rt, target, Instance(uid), bytes, count & 0xFF);
  } else {
    engine_->SetLfoWave(rt, target, Instance(uid), bytes, count & 0xFF);
  }
}

void CAudioProcess::SetWavetable(int rt, uint32_t uid, WaveTable* table) {
  const int target = Target(uid);
  if (!IsPart(target) || engine_ == nullptr) return;
  if (rt == 1) {
    BothEngines lock(engineMutex_[0], engineMutex_[1]);
    engine_->SetWavetable(rt, target, Instance(uid), table);
  } else {
    engine_->SetWavetable(rt, target, Instance(uid), table);
  }
}

void CAudioProcess::SetSample(int rt, uint32_t uid, MultiWaveReader* set) {
  const int target = Target(uid);
  if (!IsPart(target) || engine_ == nullptr) return;
  if (rt == 1) {
    BothEngines lock(engineMutex_[0], engineMutex_[1]);
    engine_->SetSample(rt, target, uid, set);
  } else {
    engine_->SetSample(rt, target, uid, set);
  }
}

void CAudioProcess::SetPadSample(int id, uint32_t uid, SampleFile* sample) {
  if (Target(uid) != kDrumTarget || drums_ == nullptr) return;
  std::lock_guard<platform::PiMutex> lock(drumMutex_);
  drums_->SetPadSample(id, kDrumTarget, uid, sample);
}

void* CAudioProcess::GetPartVoiceState(uint32_t uid) {
  const int target = Target(uid);
  return IsPart(target) && engine_ != nullptr ? engine_->GetPartVoiceState(target) : nullptr;
}

void* CAudioProcess::GetFxParams(uint32_t uid, int slot) {
  const int target = Target(uid);
  if (!IsEffects(target) || effects_[target - 8] == nullptr) return nullptr;
  return effects_[target - 8]->GetParamBlock(slot);
}

void* CAudioProcess::GetEngineState(int) { return engine_ != nullptr ? engine_->GetVoiceAllocState(0) : nullptr; }

// The GUI thread and the audio thread (drum notes of the clip tracks) post events while the
// MIDI threads deliver theirs: one allocator, one lock.
void CAudioProcess::PostEvent(const EngineEvent* event) {
  if (event == nullptr) return;
  if (event->part <= 3) {
    if (engine_ == nullptr) return;
    std::lock_guard<platform::PiMutex> lock(eventMutex_);
    engine_->OnEvent(event);
  } else if (event->part == kDrumPart) {
    if (drums_ == nullptr) return;
    std::lock_guard<platform::PiMutex> lock(eventMutex_);
    drums_->OnEvent(event);
  }
}

void CAudioProcess::SendMidi(int part, int status, int data1, int data2, PartMidiSettings* settings) {
  const PartMidiMessage message{static_cast<uint8_t>(part), static_cast<uint8_t>(status), static_cast<uint8_t>(data1),
                                static_cast<uint8_t>(data2)};
  MidiToEngine(&message, settings);
}

void CAudioProcess::SetEngineParamDirect(uint32_t uid, unsigned value) {
  if (engine_ != nullptr) engine_->SetParam(1, 1, uid, static_cast<float>(value));
}

void CAudioProcess::MidiToEngine(const PartMidiMessage* message, PartMidiSettings* settings) {
  if (message == nullptr) return;
  // Without a record the conversion reads a fresh part's values and writes nothing back.
  const PartMidiSettings& s = settings != nullptr ? *settings : kNoSettings;
  EngineEvent e{};
  e.type = kEventNone;
  e.part = message->part;
  const uint8_t status = message->status;
  const float v2 = static_cast<float>(message->data2) / 128.0f;
  auto noteFloats = [settings] {
    if (settings != nullptr) {
      settings->noteOnFloat = 0.0f;
      settings->noteOffFloat = 100.0f;
    }
  };
  switch (status & 0xF0) {
    case 0xB0:
      e.type = kEventControlChange;
      e.first.note = message->data1;
      e.second = message->data1 == 1 ? v2 * static_cast<float>(s.modAmount) : v2;
      break;
    case 0x90:
      e.first.note = message->data1;
      if (message->data2 > 0) {
        e.type = kEventNoteOn;
        noteFloats();
        e.second = VelocityCurve(v2, s.velocityCurve);
      } else {
        e.type = kEventNoteOff;
        e.second = 0.0f;
      }
      break;
    case 0x80:
      e.type = kEventNoteOff;
      e.first.note = message->data1;
      noteFloats();
      e.second = VelocityCurve(v2, s.velocityCurve);
      break;
    case 0xA0:
      e.type = kEventPolyPressure;
      e.first.note = message->data1;
      e.second = v2;
      break;
    case 0xD0:
      e.type = kEventChannelPressure;
      e.first.value = static_cast<float>(message->data1);
      break;
    case 0xE0: {
      const int16_t b = static_cast<int16_t>((message->data1 & 0x7F) + message->data2 * 128);
      const float x = static_cast<float>(b) / 8192.0f - 1.0f;
      const float range = x > 0.0f ? s.bendUp : s.bendDown;
      e.type = kEventPitchBend;
      e.first.value = range / 12.0f * x;
      platform::LogPrintf("bend:%d, pitch_offset:%f B1:%02X B2:%02X\n", b, static_cast<double>(e.first.value),
                          message->data1, message->data2);
      break;
    }
    case 0xC0:
      e.type = kEventProgramChange;
      e.first.program = static_cast<int16_t>(message->data1);
      break;
    default:
      switch (status & 0x0F) {
        case 8: e.type = kEventClock; break;
        case 10: e.type = kEventStart; break;
        case 11: e.type = kEventContinue; break;
        case 12:
        case 15: e.type = kEventStop; break;
        default: break;
      }
      break;
  }
  DeliverEvent(e, *message);
}

void CAudioProcess::DeliverEvent(const EngineEvent& e, const PartMidiMessage& message) {
  if (e.part > 3 && e.part != kDrumPart) return;
  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  {
    std::lock_guard<platform::PiMutex> lock(eventMutex_);
    if (e.part == kDrumPart) {
      if (drums_ != nullptr) drums_->OnMidi(&message);
    } else {
      if (engine_ != nullptr) {
        engine_->OnEvent(&e);
        engine_->OnMidi(&message);
      }
      if (e.type == kEventNoteOn && effects_[e.part] != nullptr) effects_[e.part]->OnMidi(&message);
    }
  }
  midiMicros_[1].store(MicrosSince(start), std::memory_order_relaxed);
}
