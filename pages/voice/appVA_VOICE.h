#pragma once
// The voice page of one part: the voice structure with a touch area per module that opens
// the module's editor full-screen, and a bar per render slot showing what it plays.
#include <array>

#include "pages/voice/VoiceEditors.h"
#include "pages/voice/VoiceLayout.h"
#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxBarCtrl;

class appVA_VOICE : public uxPanelCtrl {
 public:
  static constexpr int kEditors = voice_layout::kEditors;
  static constexpr int kBars = 16;
  // The editors, in the order they are built (pages/voice/VoiceLayout.h).
  using Editor = voice_layout::Editor;
  using enum voice_layout::Editor;

  // `make` builds the editors (the instrument's own by default).
  appVA_VOICE(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
              voice_editors::Factory make = voice_editors::Make);
  ~appVA_VOICE() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int port, int channel, int controller, int value) override;

  uxPanelCtrl* EditorPanel(int editor) const { return editor >= 0 && editor < kEditors ? editors_[editor] : nullptr; }
  uxBarCtrl* Bar(int slot) const { return slot >= 0 && slot < kBars ? bars_[slot] : nullptr; }

 private:
  void EnableBars(bool enabled);

  PageServices* services_;
  std::array<uxPanelCtrl*, kEditors> editors_{};
  std::array<uxBarCtrl*, kBars> bars_{};
  int shared_ = 0;  // the shaper's and the mixer's
};
