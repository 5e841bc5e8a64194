#include "pages/voice/VoiceEditors.h"

#include "app/PageServices.h"
#include "pages/editors/modADSR.h"
#include "pages/editors/modALGOsc.h"
#include "pages/editors/modFilter.h"
#include "pages/editors/modLFO.h"
#include "pages/editors/modMIX.h"
#include "pages/editors/modMatrix.h"
#include "pages/editors/modNoise.h"
#include "pages/editors/modOsc.h"
#include "pages/editors/modRESOsc.h"
#include "pages/editors/modShaper.h"
#include "pages/editors/modWTOsc.h"

namespace voice_editors {

namespace {

// The three editors an oscillator container swaps between by the oscillator's type.
uxPanelCtrl* MakeOscillatorEditor(int type, PageServices* services, uint32_t id, const char* name, uxPOINT pos,
                                  int16_t w, int16_t h) {
  switch (type) {
    case modOsc::kWavetable:
      return new modWTOsc(services, id, name, pos, w, h, 0x303030);
    case modOsc::kAlgorithmic:
      return new modALGOsc(services, id, name, pos, w, h, 0x303030);
    case modOsc::kResonator:
      return new modRESOsc(services, id, name, pos, w, h, 0x303030);
    default:
      return nullptr;
  }
}

}  // namespace

uxPanelCtrl* Make(Kind kind, PageServices* services, const Frame& f, uxPanelCtrl* partner, int* shared) {
  switch (kind) {
    case Kind::kEnvelope:
      return new modADSR(services, f.uid, f.name, f.pos, f.width, f.height, 0);
    case Kind::kFilter:
      return new modFilter(services, f.uid, f.name, f.pos, f.width, f.height, 0, dynamic_cast<modFilter*>(partner));
    case Kind::kLfo:
      return new modLFO(services, f.uid, f.name, f.pos, f.width, f.height, 0);
    case Kind::kOscillator:
      return new modOsc(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030, &MakeOscillatorEditor);
    case Kind::kNoise:
      return new modNoise(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030);
    case Kind::kShaper:
      return new modShaper(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030, shared);
    case Kind::kMatrix:
      return new modMatrix(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030);
    case Kind::kMixer:
      return new modMIX(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030, shared);
    default:
      break;
  }
  // Editors still to come: a bare panel under the editor's name.
  return new uxPanelCtrl(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030);
}

}  // namespace voice_editors
