#include "audio/EffectRegistry.h"

#include "audio/CEffectBase.h"

namespace effect_registry {

// An effect's row, once it exists, reads for example
//   {2, []() -> CEffectBase* { return new C3BandEQ; },
//    [](CEffectBase* e, int rate) { static_cast<C3BandEQ*>(e)->Reset(rate); }, kReset, kReset},
// The modulated delay keeps its state when chosen; the delays start with parameter 0 at 0
// and the reverb with parameter 0 at 4.
constexpr Table kTypes = {{
    {1, nullptr, nullptr, kNoStep, kResetParam0To0},          // CModDelay
    {2, nullptr, nullptr, kReset, kReset},                    // C3BandEQ
    {3, nullptr, nullptr, kResetParam0To0, kResetParam0To0},  // CStereoDelay
    {4, nullptr, nullptr, kReset, kReset},                    // CMoogBiquadLadder
    {5, nullptr, nullptr, kReset, kReset},                    // CTubePreamp
    {6, nullptr, nullptr, kResetParam0To4, kResetParam0To4},  // CReverb
    {7, nullptr, nullptr, kReset, kReset},                    // CDynamicProcessor
    {8, nullptr, nullptr, kReset, kReset},                    // CPhaser
    {9, nullptr, nullptr, kReset, kReset},                    // CJ6Chorus
}};

constexpr bool RowsInTypeOrder() {
  for (int i = 0; i < kTypeCount; ++i)
    if (kTypes[i].type != i + 1) return false;
  return true;
}
static_assert(RowsInTypeOrder());

void Apply(const TypeRow& row, const Step& step, CEffectBase* effect, int sampleRate) {
  if (effect == nullptr) return;
  if (step.reset && row.reset != nullptr) row.reset(effect, sampleRate);
  if (step.setParam0) effect->SetParam(0, step.param0Value);
}

}  // namespace effect_registry
