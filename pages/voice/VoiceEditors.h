#pragma once
// The module editors of the voice page, one factory per kind, so each editor replaces its
// named placeholder here without touching the page. Every editor is a full-screen panel
// that the voice page owns and opens through a selector.
#include <cstdint>

#include "toolkit/uxPanelCtrl.h"

class PageServices;

namespace voice_editors {

enum class Kind { kEnvelope, kFilter, kOscillator, kNoise, kLfo, kShaper, kMixer, kMatrix };

struct Frame {
  uint32_t uid;  // page id + instance x 0x1000
  const char* name;
  uxPOINT pos;
  int16_t width;
  int16_t height;
};

// `partner` is filter B for filter A; `shared` is the int the shaper and the mixer share.
uxPanelCtrl* Make(Kind kind, PageServices* services, const Frame& frame, uxPanelCtrl* partner, int* shared);
using Factory = decltype(&Make);

}  // namespace voice_editors
