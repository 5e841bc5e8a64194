#pragma once
// How a parameter UID splits into its fields and where each target kind leads. Pages, the
// panel, the controller map and the host all address parameters this way; the GUIManager's
// routing only looks the target up here.
#include <cstdint>

#include "data/ParamUid.h"

namespace routing {

using param_uid::Ctrl;
using param_uid::Instance;
using param_uid::IsSetting;
using param_uid::Kind;
using param_uid::Part;

enum class Target : uint8_t { kNone, kPart, kDrums, kEffects };

// By target kind (UID bits 16-19). Kind 5 is the mixer: its values live in part B's data
// set (5 & 3 = 1) and travel like a part's.
inline constexpr Target kTargets[16] = {
    Target::kPart,    Target::kPart,    Target::kPart,    Target::kPart,     // 0-3 parts A-D
    Target::kDrums,   Target::kPart,    Target::kNone,    Target::kNone,     // 4 kit, 5 mixer
    Target::kEffects, Target::kEffects, Target::kEffects, Target::kEffects,  // 8-11 effects A-D
    Target::kNone,    Target::kNone,    Target::kNone,    Target::kNone,
};
constexpr Target TargetOf(uint32_t uid) { return kTargets[Kind(uid)]; }

// Effect-slot values sit in the part's data set above the synth rows.
inline constexpr int kEffectRows = 0x80000;

// The row of a part's data set that holds `uid`: the one place both the stores and the reads
// find it, so a mixer value (kind 5) is read where it was stored.
constexpr int DataSetRow(uint32_t uid) {
  return static_cast<int>(Ctrl(uid)) + (TargetOf(uid) == Target::kPart ? 0 : kEffectRows);
}

// Mixer controls the engine reads live but a preset never keeps.
constexpr bool IsTransient(uint32_t ctrl) { return ctrl >= 0xB00 && ctrl <= 0xB03; }

// Kind words of the host's value message.
inline constexpr int kHostSetting = 0x120;  // + instance
inline constexpr int kHostPart = 0x100;     // + part
inline constexpr int kHostEffects = 0x110;  // + part
inline constexpr int kHostDrums = 1;

// Flags of ValueChanged beyond the toolkit's FLAG_ constants.
inline constexpr unsigned kMirrorToHost = 32;

}  // namespace routing
