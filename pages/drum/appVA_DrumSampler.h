#pragma once
// The "DRUM" page: the drum kit's pads and sampler. For now the bare panel, which after a kit
// load gives each pad the sample its kit row names (as the pads' pages choose a sample): the
// file "<name>.wav" in the drum-kit wave folder, loaded into the pad's buffer that the drum
// player is not playing, then handed to the player.
#include <memory>

#include "toolkit/uxPanelCtrl.h"

class PageServices;
class SampleFile;

class appVA_DrumSampler : public uxPanelCtrl {
 public:
  static constexpr int kPads = 16;
  static constexpr const char* kWaveFolder = "/var/lib/ruv/working/wave/drumkit/";

  appVA_DrumSampler(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour);
  ~appVA_DrumSampler() override;

  int OnMessage(tagUX_Message* msg) override;

  // The sample pad 0-15 was last given, or null.
  const SampleFile* PadSample(int pad) const;

 private:
  void LoadKitSamples();

  PageServices* services_;
  // Two buffers a pad: the player keeps playing one while the other loads.
  std::unique_ptr<SampleFile> buffers_[kPads][2];
  int current_[kPads] = {};
};
