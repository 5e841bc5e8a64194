#pragma once
// Element-name tables of the document readers: a name's index is the tag number a reader
// pushes on its element stack. Entry 0 is the XML declaration, the last entry stands for
// every element the reader does not know.
#include <cstddef>
#include <cstring>
#include <span>

struct XmlTagName {
  char name[36];
};

namespace xml_tags {

constexpr XmlTagName kArranger[] = {
    {"?xml"}, {"ARRANGMENT"}, {"PRESET"}, {"PGM-MAP"}, {"PROGRAM"}, {"SAMPLER"}, {"SETTINGS"}, {"???"},
};

constexpr XmlTagName kClipLauncher[] = {
    {"?xml"},  {"LAUNCHER"}, {"MASTER"}, {"INSTRUMENT"}, {"CLIP"}, {"TRG-SEQUENCE"}, {"TRIGGER"},
    {"TSTEP"}, {"ARP"},      {"ASTEP"},  {"SEQ"},        {"NOTE"}, {"CC"},           {"???"},
};

constexpr XmlTagName kDevConfig[] = {
    {"?xml"}, {"DEVICE_CONFIG"}, {"MIDI_PORTS"}, {"PORT"}, {"???"},
};

constexpr XmlTagName kDS[] = {
    {"?xml"},        // 0
    {"Program"},     // 1
    {"SynthVoice"},  // 2
    {"Parameter"},   // 3
    {"ByteArray"},   // 4
    {"ENV"},         // 5
    {"OSC"},         // 6
    {"WTOSC"},       // 7
    {"ALGOSC"},      // 8
    {"RESONATOR"},   // 9
    {"LFO"},         // 10
    {"FILTER"},      // 11
    {"SHAPER"},      // 12
    {"Master"},      // 13
    {"ModMatrix"},   // 14
    {"Item"},        // 15
    {"SynthEffect"}, // 16
    {"EffectParam"}, // 17
    {"WAVETABLE"},   // 18
    {"WAVE"},        // 19
    {"Metadata"},    // 20
    {"Attribute"},   // 21
    {"Tag"},         // 22
    {"???"},         // 23
};

constexpr XmlTagName kFXParam[] = {
    {"?xml"}, {"FXPreset"}, {"Parameter"}, {"???"},
};

constexpr XmlTagName kMidiCCSets[] = {
    {"?xml"}, {"CCMAP"}, {"MAP"}, {"???"},
};

constexpr XmlTagName kSampler[] = {
    {"?xml"}, {"SAMPLER"}, {"KIT"}, {"INSTRUMENT"}, {"???"},
};

constexpr XmlTagName kSettings[] = {
    {"?xml"}, {"SETTINGS"}, {"MIDI"}, {"MIDI_CLOCK"}, {"MASTER"}, {"CONFIG"}, {"TAG"}, {"???"},
};

// Index of the first entry equal to `name` (exact, case-sensitive), or of the last entry.
inline size_t Lookup(std::span<const XmlTagName> table, const char* name) {
  for (size_t i = 0; i + 1 < table.size(); ++i)
    if (std::strcmp(table[i].name, name) == 0) return i;
  return table.size() - 1;
}

}  // namespace xml_tags
