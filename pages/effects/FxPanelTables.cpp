#include "pages/effects/FxPanelTables.h"

namespace fx_panels {
namespace {

using F = Formatter;

constexpr FxLabelRow kModDelay[] = {
    {2, "Type", nullptr, F::kNone, false, 8, 3, {"FLANGER", "CHORUS", "VIBRATO"}, 0.0f, 1},
    {4, "Rate", "hz", F::kRate, true, 7, 0, {}, 0.2f, 2},
    {7, "Feedback", "%", F::kNone, true, 1, 2, {}, 10.0f, 3},
    {9, "Depth", "%", F::kNone, true, 1, 1, {}, 25.0f, 4},
};

// Parameter 4 (the equaliser's) has no label.
constexpr FxLabelRow kEqualiser[] = {
    {4, "Low Amt", "%", F::kNone, true, 2, 5, {}, 0.0f, 5},
    {7, "Mid Amt", "%", F::kNone, true, 2, 3, {}, 0.0f, 4},
    {8, "Mid Freq", "hz", F::kEqFreq, false, 2, 2, {}, 842.0f, 3},
    {9, "High Amt", "%", F::kNone, true, 2, 1, {}, 0.0f, 2},
    {10, "High Freq", "hz", F::kEqFreq, false, 2, 0, {}, 5218.9f, 1},
};

// "OFF", then the engine's twenty tempo-synchronised note values in its order.
constexpr FxLabelRow kStereoDelay[] = {
    {2, "TYPE", nullptr, F::kNone, false, 8, 0, {"norm", "pingpong"}, 1.0f, 1},
    {3, "LP-Fc", "Hz", F::kDelayFc, false, 1, 7, {}, 17000.0f, 8},
    {4, "DELAY", "sec", F::kDelay, true, 1, 1, {}, 0.2f, 2},
    {5, "SYNC", nullptr, F::kNone, false, 8, 8,
     {"OFF", "1/1", "1/1T", "1/2", "1/2T", "1/2D", "1/4", "1/4T", "1/4D", "1/8", "1/8T", "1/8D", "1/16", "1/16T",
      "1/16D", "1/32", "1/32T", "1/32D", "1/64", "1/64T", "1/64D"},
     0.0f, 7, 13},
    {6, "HP-Fc", "Hz", F::kDelayFc, false, 1, 6, {}, 60.0f, 9},
    {7, "FEEDBACK", "%", F::kNone, true, 1, 2, {}, 30.0f, 3},
    {8, "RATIO", "%", F::kNone, false, 2, 3, {}, 50.0f, 4},
    {9, "WET", "dB", F::kDb, true, 1, 4, {}, 0.0f, 5},
    {10, "DRY", "dB", F::kDb, false, 1, 5, {}, 0.0f, 6},
};

constexpr FxLabelRow kLadder[] = {
    {3, "-", nullptr, F::kNone, false, 0, 0, {}, 0.0f, 0},
    {4, "BassBoost", "%", F::kNone, true, 1, 4, {}, 50.0f, 1},
    {7, "Resonance", "%", F::kNone, true, 1, 2, {}, 30.0f, 2},
    {9, "Cutoff", "hz", F::kCutoff, true, 1, 0, {}, 100.0f, 3},
};

constexpr FxLabelRow kPreamp[] = {
    {4, "LO Gain", "dB", F::kGain, true, 1, 0, {}, 0.0f, 1},
    {5, "LO Fc", "Hz", F::kLoFc, false, 1, 1, {}, 500.0f, 2},
    {7, "HI Gain", "dB", F::kGain, true, 1, 2, {}, 0.0f, 3},
    {8, "HI Fc", "Hz", F::kHiFc, false, 1, 3, {}, 2000.0f, 4},
    {9, "Output", "dB", F::kDb, false, 1, 4, {}, -4.7f, 5},
    {10, "Drive", "%", F::kDrive, true, 1, 5, {}, 1.0f, 6},
};

constexpr FxLabelRow kPhaser[] = {
    {2, "Stages", nullptr, F::kNone, false, 8, 3, {"6", "12", "18"}, 0.0f, 1},
    {4, "Rate", "hz", F::kRate, true, 7, 0, {}, 0.2f, 2},
    {7, "Depth", "%", F::kNone, true, 1, 1, {}, 10.0f, 3},
    {9, "Intensity", "%", F::kNone, true, 1, 2, {}, 25.0f, 4},
};

// Parameter 2 (the chorus's) has no label; entry 9 is idle but its encoder slot stays
// selected.
constexpr FxLabelRow kChorus[] = {
    {2, "Type", nullptr, F::kNone, false, 8, 3, {"[1]", "[2]", "[1+2]"}, 0.0f, 1},
    {4, "Rate 1", "%", F::kNone, true, 1, 0, {}, 50.0f, 2},
    {5, "LP 1", "%", F::kNone, false, 1, 4, {}, 95.0f, 3},
    {7, "Rate 2", "%", F::kNone, true, 1, 1, {}, 83.0f, 4},
    {8, "LP 2", "%", F::kNone, false, 1, 5, {}, 95.0f, 5},
    {9, "", nullptr, F::kNone, true, 0, 0, {}, 0.0f, 0},
};

}  // namespace

std::span<const FxLabelRow> Rows(int type) {
  switch (type) {
    case 1: return kModDelay;
    case 2: return kEqualiser;
    case 3: return kStereoDelay;
    case 4: return kLadder;
    case 5: return kPreamp;
    case 8: return kPhaser;
    case 9: return kChorus;
    default: return {};
  }
}

}  // namespace fx_panels
