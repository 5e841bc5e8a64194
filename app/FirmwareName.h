#pragma once
// The instrument's model name and firmware version: the start-up banner prints them and the
// factory's splash picture shows them.
namespace firmware {

inline constexpr const char* kModel = "PX415";
inline constexpr const char* kSystem = "KLT Synthesizer System";
inline constexpr const char* kVersion = "2.40";
inline constexpr const char* kRevision = "C";

}  // namespace firmware
