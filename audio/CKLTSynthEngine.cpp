#include "audio/CKLTSynthEngine.h"

#include <cstdio>

namespace {

using Handler = void (*)(CSynthEngine& e, const EngineEvent& ev);

// Channel pressure 0..127 becomes controller 255 on a square law: 64 gives 1.0.
float PressureValue(float v) {
  const float x = v * 0.015625f;
  return x * x;
}

struct EventRow {
  int32_t type;
  Handler handler;  // null: ignored
};
constexpr EventRow kEventRows[] = {
    {kEventNoteOn, [](CSynthEngine& e, const EngineEvent& ev) { e.NoteOn(ev.part, ev.first.note, ev.second); }},
    {kEventNoteOff, [](CSynthEngine& e, const EngineEvent& ev) { e.NoteOff(ev.part, ev.first.note); }},
    {kEventControlChange,
     [](CSynthEngine& e, const EngineEvent& ev) { e.ControlChange(ev.part, ev.first.note, ev.second); }},
    {kEventPitchBend, [](CSynthEngine& e, const EngineEvent& ev) { e.PitchBend(ev.part, ev.first.value); }},
    {kEventPolyPressure,
     [](CSynthEngine& e, const EngineEvent& ev) { e.PolyAftertouch(ev.part, ev.first.note, ev.second); }},
    {kEventChannelPressure,
     [](CSynthEngine& e, const EngineEvent& ev) {
       e.ControlChange(ev.part, CSynthEngine::kPressure, PressureValue(ev.first.value));
     }},
    {kEventClock, nullptr},
    {kEventStart, nullptr},
    {kEventContinue, nullptr},
    {kEventStop, [](CSynthEngine& e, const EngineEvent& ev) { e.ResetPart(ev.part); }},
};

}  // namespace

CKLTSynthEngine::~CKLTSynthEngine() {
  if (engine_) engine_->Destroy();
  engine_.reset();
}

void CKLTSynthEngine::init(tagPluginAttr attr, EngineLogFn log) {
  attr_ = attr;
  log_ = log;
  engine_ = std::make_unique<CSynthEngine>();
  engine_->Create(attr.rate, static_cast<uint32_t>(attr.frames));
  engine_->SetProgressCallback([this](int part, int value) {
    if (swap_) swap_(part, value);
  });
}

void CKLTSynthEngine::Render(float** partOutputs, int pedalSwitch, float pedalLevel) {
  engine_->MixParts(partOutputs, pedalSwitch, pedalLevel);
}

void CKLTSynthEngine::RenderWorker(float** scratch, int thread) { engine_->RenderVoices(scratch, thread); }

void CKLTSynthEngine::OnEvent(const EngineEvent* event) {
  if (!engine_ || !event) return;
  for (const EventRow& row : kEventRows) {
    if (row.type != event->type) continue;
    if (row.handler) row.handler(*engine_, *event);
    return;
  }
  std::fprintf(stderr, "%s ??? Type %d\n", "[KLT]", event->type);
}

void CKLTSynthEngine::OnClock(unsigned tick, float bpm) { engine_->OnClock(tick, bpm); }

void CKLTSynthEngine::SetParam(int rt, int part, uint32_t uid, float value) {
  engine_->SetParam(rt, part, static_cast<int>((uid >> 12) & 0xFu), value, uid);
}

void CKLTSynthEngine::SetModRoute(int rt, int part, int route, float amount, int source, int destination, int mode,
                                  float) {
  engine_->SetModRoute(rt, part, route, amount * 0.01f, source, destination, mode);
}

void CKLTSynthEngine::SetModAmount(int part, int route, float amount) {
  engine_->SetModAmount(part, route, amount * 0.01f);
}

void CKLTSynthEngine::SetSample(int rt, int part, uint32_t, MultiWaveReader* set) { engine_->SetSample(rt, part, set); }

void CKLTSynthEngine::SetLfoWave(int rt, int part, int lfo, const char* bytes, int count) {
  engine_->SetLfoWave(rt, part, lfo, bytes, static_cast<unsigned>(count));
}

void CKLTSynthEngine::SetWavetable(int rt, int part, int oscillator, WaveTable* table) {
  engine_->SetWavetable(rt, part, oscillator, table);
}

void* CKLTSynthEngine::GetPartVoiceState(int part) { return engine_->LatestVoice(part); }

void* CKLTSynthEngine::GetVoiceAllocState(int) {
  return const_cast<VoiceAllocEntry*>(engine_->AllocationTable());
}

void CKLTSynthEngine::TriggerSwap(int part) { engine_->TriggerSwap(part); }

int CKLTSynthEngine::IsSwapPending(int part) { return engine_->IsSwapPending(part); }

void CKLTSynthEngine::ClearShadowBank(int part, int arg) { engine_->ClearShadowBank(part, arg); }

void* CKLTSynthEngine::GetVoice(int n) { return engine_->GetVoice(n); }

IAudioProcess* MakeSynthEngine(EngineSwapFn onSwap, void* context) {
  auto* engine = new CKLTSynthEngine();
  if (onSwap) engine->SetSwapCallback([onSwap, context](int part, int value) { onSwap(context, part, value); });
  return engine;
}
