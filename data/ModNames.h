#pragma once
// Names of the modulation-matrix sources and destinations as preset files carry them, and the
// polarity a route gets when its file does not say. The names are informative in files: routes
// are identified by number.
#include <cstdint>

inline constexpr const char* kModSourceNames[] = {
    "NONE",          "ENV1.CV",       "ENV2.CV",       "ENV3.CV",       "ENV4.CV",      "LFO1.OUT",
    "LFO2.OUT",      "LFO3.OUT",      "OSC1.OUTL",     "OSC1.OUTR",     "OSC2.OUTL",    "OSC2.OUTR",
    "CVA",           "CVB",           "CVC",           "MASTER.VEL",    "MASTER.PITCH", "MASTER.MOD",
    "PRESSURE",      "FIX",           "OSC_MIXA.OUTL", "OSC_MIXA.OUTR", "OSC_MIXB.OUTL", "OSC_MIXB.OUTR",
    "MACRO1.OUT",    "MACRO2.OUT",    "MACRO3.OUT",
};
inline constexpr int kModSources = sizeof(kModSourceNames) / sizeof(kModSourceNames[0]);
static_assert(kModSources == 27);

inline constexpr const char* kModDestinationNames[] = {
    "NONE",        "OSC1.FM",     "OSC1.SHAPE",  "OSC1.DETUNE", "OSC1.PAN",     "OSC1.P1",      "OSC1.PM",
    "WTOSC1.MORPH", "ALGOSC1.P2", "OSC2.FM",     "OSC2.SHAPE",  "OSC2.DETUNE",  "OSC2.PAN",     "OSC2.P1",
    "OSC2.PM",     "WTOSC2.MORPH", "ALGOSC2.P2", "VCFA.MOD",    "VCFA.ENV",     "VCFB.MOD",     "VCFB.ENV",
    "VCA1.ENV",    "VCA1.AM",     "VCA2.ENV",    "VCA2.AM",     "LFO1.AM",      "LFO1.FM",      "LFO2.AM",
    "LFO2.FM",     "LFO3.AM",     "LFO3.FM",     "XFADE-A",     "OSC1.FMAMT",   "OSC2.FMMAT",   "OSC1.AMAMT",
    "OSC2.AMAMT",  "OSC1.AM",     "OSC2.AM",     "SHAPER.CM",   "SHAPER.PGM",   "NOISE.FM",     "NOISE.FMAMT",
    "OSC1.BM",     "OSC2.BM",     "OSC1.BMAMT",  "OSC2.BMAMT",
};
inline constexpr int kModDestinations = sizeof(kModDestinationNames) / sizeof(kModDestinationNames[0]);
static_assert(kModDestinations == 46);

// Polarity by source number; the last source (MACRO3.OUT) has no entry of its own.
inline constexpr uint8_t kDefaultPolarity[] = {1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 1,
                                               1, 1, 1, 2, 1, 1, 1, 1, 1, 2, 2, 2, 0};
static_assert(sizeof(kDefaultPolarity) == 26);

// Sources without an entry take 1 rather than whatever lies past the table.
constexpr uint32_t DefaultPolarity(int source) {
  return source >= 0 && source < static_cast<int>(sizeof(kDefaultPolarity)) ? kDefaultPolarity[source] : 1;
}

// The name of a source or destination number; "" for a number outside the tables.
constexpr const char* ModSourceName(int source) {
  return source >= 0 && source < kModSources ? kModSourceNames[source] : "";
}
constexpr const char* ModDestinationName(int destination) {
  return destination >= 0 && destination < kModDestinations ? kModDestinationNames[destination] : "";
}
