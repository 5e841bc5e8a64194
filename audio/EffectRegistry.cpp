#include "audio/EffectRegistry.h"

#include "audio/C3BandEQ.h"
#include "audio/CDynamicProcessor.h"
#include "audio/CEffectBase.h"
#include "audio/CJ6Chorus.h"
#include "audio/CModDelay.h"
#include "audio/CMoogBiquadLadder.h"
#include "audio/CPhaser.h"
#include "audio/CReverb.h"
#include "audio/CStereoDelay.h"
#include "audio/CTubePreamp.h"

namespace effect_registry {
namespace {

// Reset is not virtual: each effect has its own, reached through its row.
template <class Effect>
CEffectBase* Create() {
  return new Effect;
}

template <class Effect>
void ResetAt(CEffectBase* effect, int sampleRate) {
  static_cast<Effect*>(effect)->Reset(sampleRate);
}

template <class Effect>
void ClearStateOf(CEffectBase* effect) {
  static_cast<Effect*>(effect)->ClearState();
}

template <class Effect>
void FadeOf(CEffectBase* effect, float from, float to) {
  static_cast<Effect*>(effect)->Fade(from, to);
}

}  // namespace

// The modulated delay keeps its state when chosen; the delays start with parameter 0 at 0
// and the reverb with parameter 0 at 4. The EQ fades itself: its output differs from its
// input in phase alone, and a mix of the two would cancel where they are half a turn apart.
constexpr Table kTypes = {{
    {1, Create<CModDelay>, ResetAt<CModDelay>, kNoStep, kResetParam0To0, ClearStateOf<CModDelay>},
    {2, Create<C3BandEQ>, ResetAt<C3BandEQ>, kReset, kReset, ClearStateOf<C3BandEQ>, FadeOf<C3BandEQ>},
    {3, Create<CStereoDelay>, ResetAt<CStereoDelay>, kResetParam0To0, kResetParam0To0, ClearStateOf<CStereoDelay>},
    {4, Create<CMoogBiquadLadder>, ResetAt<CMoogBiquadLadder>, kReset, kReset, ClearStateOf<CMoogBiquadLadder>},
    {5, Create<CTubePreamp>, ResetAt<CTubePreamp>, kReset, kReset, ClearStateOf<CTubePreamp>},
    {6, Create<CReverb>, ResetAt<CReverb>, kResetParam0To4, kResetParam0To4, ClearStateOf<CReverb>},
    {7, Create<CDynamicProcessor>, ResetAt<CDynamicProcessor>, kReset, kReset, ClearStateOf<CDynamicProcessor>},
    {8, Create<CPhaser>, ResetAt<CPhaser>, kReset, kReset, ClearStateOf<CPhaser>},
    {9, Create<CJ6Chorus>, ResetAt<CJ6Chorus>, kReset, kReset, ClearStateOf<CJ6Chorus>},
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
