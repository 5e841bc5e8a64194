#include "pages/voice/VoiceEditors.h"

#include "app/PageServices.h"
#include "pages/editors/modADSR.h"
#include "pages/editors/modFilter.h"
#include "pages/editors/modLFO.h"
#include "pages/editors/modNoise.h"
#include "pages/editors/modShaper.h"
#include "pages/editors/modWTOsc.h"

namespace voice_editors {

uxPanelCtrl* Make(Kind kind, PageServices* services, const Frame& f, uxPanelCtrl* partner, int* shared) {
  switch (kind) {
    case Kind::kEnvelope:
      return new modADSR(services, f.uid, f.name, f.pos, f.width, f.height, 0);
    case Kind::kFilter:
      return new modFilter(services, f.uid, f.name, f.pos, f.width, f.height, 0, dynamic_cast<modFilter*>(partner));
    case Kind::kLfo:
      return new modLFO(services, f.uid, f.name, f.pos, f.width, f.height, 0);
    case Kind::kOscillator:
      return new modWTOsc(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030);
    case Kind::kNoise:
      return new modNoise(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030);
    case Kind::kShaper:
      return new modShaper(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030, shared);
    default:
      break;
  }
  // Editors still to come: a bare panel under the editor's name.
  return new uxPanelCtrl(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030);
}

}  // namespace voice_editors
