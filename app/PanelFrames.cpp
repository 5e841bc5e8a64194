#include "app/PanelFrames.h"

#include <cstring>

#include "app/PanelTables.h"

namespace {

float FloatAt(const uint8_t* bytes) {
  float v;
  std::memcpy(&v, bytes, sizeof v);
  return v;
}

bool InValueRange(uint16_t id) { return id >= panel::kValueFirst && id <= panel::kValueLast; }

}  // namespace

PanelRequest ReadPanelFrame(uint16_t id, const uint8_t* data, uint8_t length) {
  PanelRequest r;
  r.id = id;
  // Every rule below reads at least the command byte.
  if (!data || length < 1) return r;
  const uint8_t command = data[0];

  if (command == panel::kValue && InValueRange(id)) {
    if (length < 3) return r;
    const int kind = data[2];
    r.part = data[1] & 3;
    if (panel::IsFloatKind(kind)) {
      if (length < panel::kFloatFrame) return r;
      r.value = FloatAt(data + 3);
      r.kind = id == panel::kHeadphoneId       ? PanelRequest::kHeadphone
               : id == panel::kMasterVolumeId ? PanelRequest::kMasterVolume
                                              : PanelRequest::kValue;
    } else if (panel::IsByteKind(kind)) {
      if (length < panel::kByteFrame) return r;
      r.value = static_cast<float>(data[3]);
      r.kind = PanelRequest::kValue;
    }
    return r;
  }
  if (command == panel::kAssign && InValueRange(id)) {
    if (length < panel::kFloatFrame) return r;
    r.part = data[1] & 3;
    r.value = FloatAt(data + 3);
    r.kind = PanelRequest::kAssign;
    return r;
  }
  if (id >= panel::kEncoderFirst && id <= panel::kEncoderLast) {
    r.code = command;
    r.kind = PanelRequest::kEncoder;
    return r;
  }
  if (id >= panel::kKeyFirst && id <= panel::kKeyLast) {
    r.code = command;
    r.kind = PanelRequest::kKey;
    return r;
  }
  if (id == panel::kMidiId) {
    if (length < panel::kMidiFrame) return r;
    std::memcpy(r.bytes, data, panel::kMidiFrame);
    r.kind = PanelRequest::kMidi;
    return r;
  }
  if (id != panel::kControlId || command == panel::kValue || command == panel::kAssign) return r;

  switch (command) {
    case panel::kSelectPart:
    case panel::kFocus:
    case panel::kAssignSource:
      if (length < panel::kControlFrame) return r;
      r.code = data[1];
      r.kind = command == panel::kSelectPart ? PanelRequest::kSelectPart
               : command == panel::kFocus    ? PanelRequest::kFocus
                                             : PanelRequest::kAssignSource;
      break;
    case panel::kShutdown:
      r.kind = PanelRequest::kShutdown;
      break;
    case panel::kTogglePlay:
      r.kind = PanelRequest::kTogglePlay;
      break;
    default:
      break;
  }
  return r;
}

bool PanelPageMessage(PanelRequest& request, tagUX_Message& msg) {
  switch (request.kind) {
    case PanelRequest::kValue:
      msg = tagUX_Message(EN_MSG_SET_VALUE, request.id, request.part);
      msg.pData = &request.value;
      return true;
    case PanelRequest::kAssign:
      msg = tagUX_Message(UX_MSG_ASSIGN_DESTINATION, request.id, request.part);
      msg.pData = &request.value;
      return true;
    case PanelRequest::kEncoder:
      msg = tagUX_Message(UX_MSG_ENCODER_EVENT, request.id, request.code);
      return true;
    default:
      return false;
  }
}
