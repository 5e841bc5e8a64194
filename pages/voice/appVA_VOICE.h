#pragma once
// The voice page of one part: the voice structure with a touch area per module that opens
// the module's editor full-screen, and a bar per render slot showing what it plays.
#include <array>

#include "pages/voice/VoiceEditors.h"
#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxBarCtrl;

class appVA_VOICE : public uxPanelCtrl {
 public:
  static constexpr int kEditors = 15;
  static constexpr int kBars = 16;
  // Editors in the order they are built: envelopes 1-4, filters B and A, oscillators 1 and 2,
  // noise, LFOs 1-3, shaper, mixer, modulation matrix.
  enum Editor {
    kEnv1, kEnv2, kEnv3, kEnv4, kFilterB, kFilterA, kOsc1, kOsc2, kNoise,
    kLfo1, kLfo2, kLfo3, kShaper, kMixer, kMatrix
  };

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
