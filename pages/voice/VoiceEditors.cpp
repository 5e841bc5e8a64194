#include "pages/voice/VoiceEditors.h"

#include "app/PageServices.h"
#include "pages/editors/modMIX.h"
#include "pages/editors/modMatrix.h"
#include "pages/editors/modOsc.h"

namespace voice_editors {

uxPanelCtrl* Make(Kind kind, PageServices* services, const Frame& f, uxPanelCtrl* /*partner*/, int* shared) {
  switch (kind) {
    case Kind::kMatrix: return new modMatrix(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030);
    case Kind::kMixer: return new modMIX(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030, shared);
    case Kind::kOscillator: return new modOsc(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030);
    default: break;
  }
  // Until the editors land, a bare panel under the editor's name.
  return new uxPanelCtrl(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030);
}

}  // namespace voice_editors
