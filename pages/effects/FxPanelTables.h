#pragma once
// The label tables of the effect types whose panels are nothing but their labels.
#include <span>

#include "pages/effects/cfgVA_Base.h"

namespace fx_panels {

// The rows of effect type `type`; empty for the types with panels of their own (none,
// reverb, dynamics) and for types outside 0..9.
std::span<const FxLabelRow> Rows(int type);

// The stereo delay's parameter that clears its delay lines.
inline constexpr int kDelayClearParam = 9;

}  // namespace fx_panels
