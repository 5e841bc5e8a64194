#pragma once
// The "MASTER" page: the output on two scopes, the part levels, a mute and a pedal-follow
// switch per part and the part selection. It builds every per-part and per-track page and
// adds the SYNTH, VOICE, FX and track tabs to the main tab control; selecting a part swaps
// that part's pages into them, and a track's clip type picks the page of its track tab.
#include <array>

#include "app/PageServices.h"
#include "toolkit/uxPanelCtrl.h"

class appVA_Part;
class appVA_VOICE;
class uxButton;
class uxScopeView;
class uxTabCtrl;
class uxTabItemCtrl;
class uxValueLabel;

class appVA_Master : public uxPanelCtrl, public TrackTypeListener {
 public:
  static constexpr int kParts = 4;
  static constexpr int kTracks = 7;
  static constexpr int kDrumTrack = 4;
  enum Tab { kSynthTab, kVoiceTab, kFxTab, kTrackTab, kTabs };

  appVA_Master(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR colour, uxTabCtrl* mainMenu);
  ~appVA_Master() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int port, int channel, int controller, int value) override;

  // Type 1 shows the track's arpeggiator page, type 2 its step-sequence page.
  void SetTrackType(int track, int type) override;
  // Encoder slot 0, 8, 16 or 24: the level label of part A-D takes the raw value.
  void SetLevelRaw(int slot, float value);

  int SelectedPart() const { return selected_; }
  appVA_Part* PartPage(int part) const { return ValidPart(part) ? partPages_[part] : nullptr; }
  appVA_VOICE* VoicePage(int part) const { return ValidPart(part) ? voicePages_[part] : nullptr; }
  uxPanelCtrl* EffectsPage(int part) const { return ValidPart(part) ? fxPages_[part] : nullptr; }
  uxPanelCtrl* SequencerPage(int track) const { return ValidTrack(track) ? seqPages_[track] : nullptr; }
  uxPanelCtrl* MidiTrackPage(int track) const { return ValidTrack(track) ? midiPages_[track] : nullptr; }
  uxPanelCtrl* TrackPage(int track) const { return ValidTrack(track) ? trackPages_[track] : nullptr; }
  uxScopeView* Scope(int channel) const { return channel == 0 || channel == 1 ? scopes_[channel] : nullptr; }
  uxTabItemCtrl* TabItem(int tab) const { return tab >= 0 && tab < kTabs ? tabs_[tab] : nullptr; }

 private:
  static bool ValidPart(int p) { return p >= 0 && p < kParts; }
  static bool ValidTrack(int t) { return t >= 0 && t < kTracks; }
  void SelectPart(int part);
  void Show(int tab, uxPanelCtrl* page, const char* caption, uxCOLOR colour);
  void EnableControls(bool enabled);
  void DrawScopes();
  void ReloadValues(tagUX_Message* msg);
  void PanelValue(tagUX_Message* msg);

  PageServices* services_;
  uxTabCtrl* mainMenu_;
  std::array<uxScopeView*, 2> scopes_{};
  std::array<uxButton*, kParts> partButtons_{};
  std::array<uxButton*, kParts> muteButtons_{};
  std::array<uxButton*, kParts> pedalButtons_{};
  std::array<uxValueLabel*, kParts> levels_{};
  std::array<uxTabItemCtrl*, kTabs> tabs_{};
  std::array<uxPanelCtrl*, kTabs> shown_{};  // the page each tab holds (the tab deletes it)
  std::array<appVA_Part*, kParts> partPages_{};
  std::array<appVA_VOICE*, kParts> voicePages_{};
  std::array<uxPanelCtrl*, kParts> fxPages_{};
  std::array<uxPanelCtrl*, kTracks> seqPages_{};  // none for the drum track
  std::array<uxPanelCtrl*, kTracks> midiPages_{};
  std::array<uxPanelCtrl*, kTracks> trackPages_{};
  int selected_ = 0;
  unsigned paints_ = 0;
  [[maybe_unused]] std::array<uint8_t, kParts> partState_{};
};
