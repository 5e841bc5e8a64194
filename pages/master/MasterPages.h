#pragma once
// The pages the Master page builds for the part tabs that other page groups provide, one
// factory per page kind; a page group plugs in by changing only its factory here.
#include <cstdint>

#include "toolkit/uxPanelCtrl.h"

class PageServices;

namespace master_pages {

struct Frame {
  const char* name;
  uxPOINT pos;
  int16_t width;
  int16_t height;
  uxCOLOR colour;
};

// The effects page of a part; `id` is 0x80000 + part x 0x10000.
uxPanelCtrl* MakeEffectsPage(PageServices* services, uint32_t id, const Frame& frame);
// The arpeggiator (sequencer) page of a track: tracks 0-3, 5 and 6.
uxPanelCtrl* MakeSequencerPage(PageServices* services, int track, const Frame& frame);
// The step-sequence (MIDI-track) page of a track 0-6.
uxPanelCtrl* MakeMidiTrackPage(PageServices* services, int track, const Frame& frame);

}  // namespace master_pages
