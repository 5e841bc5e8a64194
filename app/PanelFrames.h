#pragma once
// What one frame from the front panel asks for, read once with every length check, so the
// receive path and the page tests turn the same bytes into the same requests. A frame too
// short for what its command reads, or with an id or command the panel does not use, asks
// for nothing.
#include <cstdint>

#include "toolkit/uxDefs.h"

struct PanelRequest {
  enum Kind : uint8_t {
    kNone,
    kValue,          // id, part, value: a control moved
    kAssign,         // id, part, value: a control picked as a modulation destination
    kHeadphone,      // value in percent
    kMasterVolume,   // value in percent
    kEncoder,        // id, code
    kKey,            // id, code
    kMidi,           // bytes: channel byte, status, data 1, data 2 as the frame has them
    kSelectPart,     // code: the part
    kFocus,          // code: the focus number (any; only the table's open a panel)
    kAssignSource,   // code: the source
    kShutdown,
    kTogglePlay,
  };
  Kind kind = kNone;
  uint16_t id = 0;
  int part = 0;
  float value = 0.0f;
  int code = 0;
  uint8_t bytes[4] = {};
};

PanelRequest ReadPanelFrame(uint16_t id, const uint8_t* data, uint8_t length);

// The toolkit message a value, assignment or encoder request gives the page tree; false for
// the other kinds. A value's message points at `request.value`, which must outlive it.
bool PanelPageMessage(PanelRequest& request, tagUX_Message& msg);
