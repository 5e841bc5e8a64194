#include "pages/voice/VoiceEditors.h"

#include "app/PageServices.h"
#include "pages/editors/modShaper.h"

namespace voice_editors {

uxPanelCtrl* Make(Kind kind, PageServices* services, const Frame& f, uxPanelCtrl* /*partner*/, int* shared) {
  if (kind == Kind::kShaper)
    return new modShaper(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030, shared);
  // Until the other editors land, a bare panel under the editor's name.
  return new uxPanelCtrl(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030);
}

}  // namespace voice_editors
