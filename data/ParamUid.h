#pragma once
// The fields of a parameter UID, the one address every layer uses for a value: bits 0-11
// the control number, 12-15 the instance (oscillator, envelope, effect slot, pad), 16-19
// the target kind (parts 0-3, kit 4, mixer 5, effects 8-11), bit 20 the settings table.
#include <cstdint>

namespace param_uid {

constexpr uint32_t Ctrl(uint32_t uid) { return uid & 0xFFF; }
constexpr int Instance(uint32_t uid) { return static_cast<int>((uid >> 12) & 0xF); }
constexpr int Kind(uint32_t uid) { return static_cast<int>((uid >> 16) & 0xF); }
// The part whose data set holds the value (the mixer's kind 5 lands on part B's).
constexpr int Part(uint32_t uid) { return Kind(uid) & 3; }
constexpr bool IsSetting(uint32_t uid) { return (uid & 0x100000) != 0; }

constexpr uint32_t KindBits(int kind) { return static_cast<uint32_t>(kind) << 16; }
constexpr uint32_t InstanceBits(int instance) { return static_cast<uint32_t>(instance) << 12; }

}  // namespace param_uid
