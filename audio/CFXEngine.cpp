#include "audio/CFXEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/ArmConvert.h"
#include "platform/LogSink.h"
#include "platform/Simd4.h"

namespace {

// x * 0 is 0 for every finite x and NaN for NaN and infinity, so one sum of those products
// tells a whole buffer apart without a branch per sample.
bool AllFinite(const float* p, int n) {
  using namespace v4;
  const f4 zero = Set1(0.0f);
  f4 acc = zero;
  int i = 0;
  for (; i + 4 <= n; i += 4) acc = MulAdd(acc, Load(p + i), zero);
  float lanes[4];
  Store(lanes, acc);
  float sum = lanes[0] + lanes[1] + lanes[2] + lanes[3];
  for (; i < n; ++i) sum += p[i] * 0.0f;
  return sum == 0.0f;
}

void ZeroNonFinite(float* p, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(p[i])) p[i] = 0.0f;
}

}  // namespace

CFXEngine::CFXEngine() : CFXEngine(effect_registry::kTypes) {}

CFXEngine::CFXEngine(const effect_registry::Table& types) : types_(types) {
  for (int page = 0; page < kPages; ++page)
    for (int i = 0; i < effect_registry::kTypeCount; ++i)
      if (types_[i].create != nullptr) instances_[page][i].reset(types_[i].create());
}

CFXEngine::~CFXEngine() = default;

void CFXEngine::init(tagPluginAttr attr, EngineLogFn log) {
  log_ = log;
  frames_ = std::max(attr.frames, 0);
  rate_ = attr.rate;
  for (std::vector<float>& d : dry_) d.assign(static_cast<std::size_t>(frames_), 0.0f);
  processedPage_ = CurrentPage();
  for (int page = 0; page < kPages; ++page) {
    for (int i = 0; i < effect_registry::kTypeCount; ++i)
      effect_registry::Apply(types_[i], types_[i].atInit, instances_[page][i].get(), rate_);
    for (auto& slot : slots_[page]) slot.store(nullptr, std::memory_order_relaxed);
  }
}

void CFXEngine::Process(float** in, float** out) {
  const std::size_t bytes = static_cast<std::size_t>(frames_) * sizeof(float);
  for (int b = 0; b < kBuffers; ++b)
    if (in[b] != out[b]) std::memcpy(out[b], in[b], bytes);

  const int page = CurrentPage();
  if (page != processedPage_) SettlePage(page);
  for (int s = 0; s < kSlots; ++s) {
    CEffectBase* effect = Slot(page, s);
    if (effect == nullptr) continue;
    const float from = effect->level;
    switch (effect->GetState()) {
      case CEffectBase::kFadingOut:
        if (!effect->IsBypassed()) {
          // Switched on again mid-fade: fade back in from where it stands.
          effect->SetState(CEffectBase::kActive);
          effect->level = std::min(effect->level + kFadeStep, 1.0f);
        } else {
          effect->level -= kFadeStep;
          if (effect->level < 0.0f) {
            effect->level = 0.0f;
            effect->SetState(CEffectBase::kIdle);
          }
        }
        RunEffect(page, effect, from, out);
        Recover(page, effect, out);
        break;
      case CEffectBase::kIdle:
        // Switched on: the fade in starts with the next period.
        if (!effect->IsBypassed()) {
          effect->SetState(CEffectBase::kActive);
          effect->level = 0.0f;
        }
        break;
      case CEffectBase::kActive:
        if (effect->IsBypassed())
          effect->SetState(CEffectBase::kFadingOut);
        else if (effect->level < 1.0f)
          effect->level = std::min(effect->level + kFadeStep, 1.0f);
        RunEffect(page, effect, from, out);
        Recover(page, effect, out);
        break;
      default:
        break;
    }
  }
}

// The effects scale their whole output by the level they are given, dry part included, so a
// fade through that level would dip the part toward silence. They run at full level here and
// the fade mixes their output with their input instead, unless the effect fades itself.
void CFXEngine::RunEffect(int page, CEffectBase* effect, float from, float** out) {
  const float level = effect->level;
  const effect_registry::TypeRow* row = RowOf(page, effect);
  if (row != nullptr && row->fade != nullptr) {
    if (level <= 0.0f && from <= 0.0f) return;
    row->fade(effect, from, level);
    effect->Process(out, out, frames_, 1.0f);
    return;
  }
  if (level >= 1.0f) {
    effect->Process(out, out, frames_, 1.0f);
    return;
  }
  if (level <= 0.0f) return;  // the output would be the input
  const std::size_t bytes = static_cast<std::size_t>(frames_) * sizeof(float);
  for (int c = 0; c < 2; ++c) std::memcpy(dry_[c].data(), out[c], bytes);
  effect->Process(out, out, frames_, 1.0f);
  for (int c = 0; c < 2; ++c) {
    const float* x = dry_[c].data();
    float* y = out[c];
    for (int i = 0; i < frames_; ++i) y[i] = x[i] + level * (y[i] - x[i]);
  }
}

void CFXEngine::Recover(int page, CEffectBase* effect, float** out) {
  if (AllFinite(out[0], frames_) && AllFinite(out[1], frames_)) return;
  const effect_registry::TypeRow* row = RowOf(page, effect);
  if (row != nullptr && row->clearState != nullptr) row->clearState(effect);
  for (int c = 0; c < 2; ++c) ZeroNonFinite(out[c], frames_);
}

const effect_registry::TypeRow* CFXEngine::RowOf(int page, const CEffectBase* effect) const {
  for (int i = 0; i < effect_registry::kTypeCount; ++i)
    if (instances_[page][i].get() == effect) return &types_[i];
  return nullptr;
}

void CFXEngine::SettlePage(int page) {
  for (int s = 0; s < kSlots; ++s) {
    CEffectBase* effect = Slot(page, s);
    if (effect == nullptr || effect->GetState() == CEffectBase::kIdle) continue;
    effect->SetState(CEffectBase::kIdle);
    effect->level = 0.0f;
  }
  processedPage_ = page;
}

void CFXEngine::OnMidi(const PartMidiMessage* message) {
  const int page = CurrentPage();
  for (int s = 0; s < kSlots; ++s) {
    CEffectBase* effect = Slot(page, s);
    if (effect != nullptr && !effect->IsBypassed()) effect->OnMidi(message);
  }
}

void CFXEngine::OnClock(unsigned tick, float bpm) {
  const int page = CurrentPage();
  for (int s = 0; s < kSlots; ++s) {
    CEffectBase* effect = Slot(page, s);
    if (effect != nullptr && !effect->IsBypassed()) effect->OnClock(tick, bpm);
  }
}

void CFXEngine::SetParam(int rt, int slot, uint32_t id, float value) {
  const int page = rt != 0 ? CurrentPage() : 1 - CurrentPage();
  // No line per parameter: a preset load sets some 180 of them, which would push the load's
  // own lines out of the log ring.
  // The slot comes from four bits of the caller's id; only ten slots exist.
  if (slot < 0 || slot >= kSlots) return;

  if ((id & 0xFF) == kTypeParam) {
    ChooseType(page, slot, value);
    return;
  }
  CEffectBase* effect = Slot(page, slot);
  if (effect == nullptr) return;
  if ((id & 0xFFF) == kBypassParam)
    effect->SetBypass(value != 0.0f ? 1 : 0);
  else
    effect->SetParam(static_cast<int>(id & 0xFFF), value);
}

void CFXEngine::ChooseType(int page, int slot, float value) {
  // A negative or NaN value names no type (as a truncated cast it would empty the slot).
  const int type = value >= 0.0f ? arm::ToInt32(value) : std::min(arm::ToInt32(value), -1);
  const bool named = value > 0.0f && type >= 1 && type <= effect_registry::kTypeCount;
  if (named && StandsInPage(page, Instance(page, type))) {
    platform::LogPrintf("Effect %d: allready in use (skipped) \n", type);
    return;
  }
  platform::LogPrintf("FX: Set Type %d page %d\n", type, page);
  if (static_cast<unsigned>(type) > static_cast<unsigned>(effect_registry::kTypeCount)) return;
  if (type == 0) {
    slots_[page][slot].store(nullptr, std::memory_order_relaxed);
    return;
  }
  CEffectBase* effect = Instance(page, type);
  if (effect == nullptr) return;  // a table without an instance of this type
  const effect_registry::TypeRow& row = types_[type - 1];
  effect_registry::Apply(row, row.whenChosen, effect, rate_);
  // An instance used before may still be mid-fade, active or switched on; a newly chosen
  // effect starts idle and bypassed, so switching it on fades it in and leaving it off never
  // touches the part (a bypass sent before the type found the slot empty).
  effect->SetBypass(1);
  effect->SetState(CEffectBase::kIdle);
  effect->level = 0.0f;
  slots_[page][slot].store(effect, std::memory_order_relaxed);
}

bool CFXEngine::StandsInPage(int page, const CEffectBase* effect) const {
  if (effect == nullptr) return false;
  for (int s = 0; s < kSlots; ++s)
    if (Slot(page, s) == effect) return true;
  return false;
}

void CFXEngine::SwapPage(int value) {
  if (value == 0) {
    currentPage_.store(1 - CurrentPage(), std::memory_order_relaxed);
  } else if (value == 2) {
    const int page = CurrentPage();
    for (int s = 0; s < kSlots; ++s)
      if (CEffectBase* effect = Slot(page, s)) effect->SetBypass(1);
  }
}

void* CFXEngine::GetParamBlock(int slot) {
  if (slot < 0 || slot >= kSlots) return nullptr;
  CEffectBase* effect = Slot(CurrentPage(), slot);
  return effect != nullptr ? effect->GetParamBlock() : nullptr;
}
