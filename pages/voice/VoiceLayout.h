#pragma once
// Where the voice page's modules are: the editors the page builds, in order, and the touch
// area (screen coordinates) that opens each. The page's background picture marks and names
// the same areas, so it is drawn from this table.
#include <cstdint>

#include "pages/voice/VoiceEditors.h"

namespace voice_layout {

inline constexpr int kEditors = 15;
// Editors in the order they are built: envelopes 1-4, filters B and A, oscillators 1 and 2,
// noise, LFOs 1-3, shaper, mixer, modulation matrix.
enum Editor {
  kEnv1, kEnv2, kEnv3, kEnv4, kFilterB, kFilterA, kOsc1, kOsc2, kNoise,
  kLfo1, kLfo2, kLfo3, kShaper, kMixer, kMatrix
};

struct EditorSpec {
  voice_editors::Kind kind;
  const char* name;
  uint32_t instance;
};

inline constexpr EditorSpec kEditorSpecs[kEditors] = {
    {voice_editors::Kind::kEnvelope, "AMP1-EG [1]", 0},     {voice_editors::Kind::kEnvelope, "AMP2-EG [2] ", 1},
    {voice_editors::Kind::kEnvelope, "FILTER-EG [3]", 2},   {voice_editors::Kind::kEnvelope, "MOD-EG [4]", 3},
    {voice_editors::Kind::kFilter, " FILTER B", 1},         {voice_editors::Kind::kFilter, " FILTER A", 0},
    {voice_editors::Kind::kOscillator, " OSCILLATOR 1 ", 0}, {voice_editors::Kind::kOscillator, " OSCILLATOR 2 ", 1},
    {voice_editors::Kind::kNoise, " NOISE ", 0},            {voice_editors::Kind::kLfo, " LFO 1 ", 0},
    {voice_editors::Kind::kLfo, " LFO 2 ", 1},              {voice_editors::Kind::kLfo, " LFO 3 ", 2},
    {voice_editors::Kind::kShaper, " SHAPER ", 0},          {voice_editors::Kind::kMixer, " MIXER ", 0},
    {voice_editors::Kind::kMatrix, "MODULATION MATRIX", 0},
};

struct AreaSpec {
  uint32_t id;
  int16_t x, y, w, h;
  int editor;
};

inline constexpr AreaSpec kAreas[kEditors] = {
    {0, 150, 50, 120, 90, kOsc1},    {1, 150, 155, 120, 90, kOsc2},   {2, 150, 265, 120, 50, kNoise},
    {3, 380, 90, 127, 60, kFilterA}, {4, 380, 250, 127, 60, kFilterB}, {6, 670, 300, 107, 40, kEnv1},
    {7, 670, 340, 107, 40, kEnv2},   {8, 550, 300, 107, 40, kEnv3},   {9, 550, 340, 107, 40, kEnv4},
    {10, 150, 332, 120, 40, kLfo1},  {11, 150, 382, 120, 40, kLfo2},  {12, 150, 430, 120, 40, kLfo3},
    {5, 20, 355, 65, 100, kShaper},  {13, 300, 50, 65, 250, kMixer},  {14, 20, 50, 65, 300, kMatrix},
};

}  // namespace voice_layout
