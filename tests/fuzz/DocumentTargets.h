#pragma once
// Fuzz entry points for the document readers: preset, settings, device configuration,
// controller map, kit, arrangement, clip set and effect preset. Each takes the bytes as the
// document's file, loads it, and where the document is also written, checks that what it
// stores loads and stores again to the same bytes. False means a property was broken.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/data/AudioImages.h"

namespace fuzz_targets {

enum class Document { kPreset, kSettings, kDeviceConfig, kControllerMap, kKit, kArrangement, kClipSet, kEffectPreset };
inline constexpr Document kDocuments[] = {
    Document::kPreset, Document::kSettings,    Document::kDeviceConfig, Document::kControllerMap,
    Document::kKit,    Document::kArrangement, Document::kClipSet,      Document::kEffectPreset,
};

// A short name for file and target names ("preset", "settings", ...).
const char* DocumentName(Document d);
bool DocumentOne(Document d, const uint8_t* data, std::size_t size);
// Documents as the program writes them (its defaults and a changed set), the seeds of both
// drivers; the effect preset, which the program only reads, gets hand-written ones.
std::vector<audio_images::Bytes> DocumentSeeds(Document d);

}  // namespace fuzz_targets
