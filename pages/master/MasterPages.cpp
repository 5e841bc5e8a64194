#include "pages/master/MasterPages.h"

#include "app/PageServices.h"
#include "pages/effects/appVA_Effects.h"
#include "pages/midi/appVA_MidiTrackSeq.h"
#include "pages/seq/appVA_Sequencer.h"

namespace master_pages {

uxPanelCtrl* MakeEffectsPage(PageServices* services, uint32_t id, const Frame& f) {
  return new appVA_Effects(services, id, f.name, f.pos, f.width, f.height);
}

uxPanelCtrl* MakeSequencerPage(PageServices* services, int track, const Frame& f) {
  return new appVA_Sequencer(services, track, f.name, f.pos, f.width, f.height, f.colour);
}

uxPanelCtrl* MakeMidiTrackPage(PageServices* services, int track, const Frame& f) {
  return new appVA_MidiTrackSeq(services, services->ClipLauncher(), track, f.name, f.pos, f.width, f.height, f.colour,
                                services);
}

}  // namespace master_pages
