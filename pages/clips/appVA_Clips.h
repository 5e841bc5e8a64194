#pragma once
// The "CLIP" page: the touch view of the clip launcher. Seven tracks of eight clip slots
// that launch and stop clips and scenes, show which play, are queued or stopped, show the
// song position and the transport, and edit the clip set: create, copy, paste, delete,
// rename, the take-over length, the tempo, and opening a clip in its track's editor.
#include <array>
#include <memory>
#include <string>

#include "midi/ClipData.h"
#include "midi/ClipMaster.h"
#include "toolkit/uxPanelCtrl.h"

class CClipCore;
class PageServices;
class uxBarCtrl;
class uxButton;
class uxLabel;
class uxTableCtrl;
class uxValueLabel;

class appVA_Clips : public uxPanelCtrl {
 public:
  static constexpr int kTracks = ClipMaster::kTracks;
  static constexpr int kScenes = CInstrument::kScenes;
  static constexpr int kDrumTrack = 4;
  enum ButtonId { kTrackButton = 100, kMasterButton = 110, kOpenButton = 111, kPlayButton = 112 };
  enum Operation { kNone, kCreateArp, kCreateSeq, kCreateTrg, kCopy, kPaste, kDelete };
  enum LabelSlot { kOperationSlot = 0, kNameSlot = 8, kTakeOverSlot = 16, kTempoSlot = 24 };

  appVA_Clips(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
              uxCOLOR colour, CClipCore* clips);
  ~appVA_Clips() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  void RefreshGrid();
  void ClearSelection();
  void OnTick();
  void OnEncoderChange(int slot, int flag, bool changed, float value);
  void CreateClips(int kind);
  void CopyClip();
  void PasteClip();
  void DeleteClips();
  void RenameClips();

  uxButton* SlotButton(int track, int scene) const { return slots_[track][scene]; }
  uxButton* TrackButton(int track) const { return trackButtons_[track]; }
  uxButton* MasterButton() const { return masterButton_; }
  uxButton* MasterRow(int scene) const { return masterRows_[scene]; }
  uxButton* OpenButton() const { return open_; }
  uxButton* PlayButton() const { return play_; }
  uxTableCtrl* TrackTable(int track) const { return trackTables_[track]; }
  uxTableCtrl* MasterTable() const { return masterTable_; }
  uxBarCtrl* PositionBar(int track) const { return positionBars_[track]; }
  uxValueLabel* Label(int slot) const;
  uxLabel* PositionLabel() const { return position_; }
  const std::string& NameText() const { return nameText_; }
  bool HasClipboard() const { return clipboard_ != nullptr; }

 private:
  struct Selected {
    int track;
    int scene;
  };
  // Adds one row per text, each a single toggle button as wide as the table; the buttons
  // are handed back in `buttons` when given.
  void AddTextTable(uxTableCtrl* table, const char* const* texts, uxCOLOR colour, int flag, uxButton** buttons);
  void SetSlotText(int track, int scene, const char* text);
  // True when track t has a slot starting, playing or changing; every track for t = -1.
  bool AnyActive(int track);
  void OnTable(uxTableCtrl* table, int scene);
  void OnButton(int id);
  void ResetLabel(uxValueLabel* label);
  void RenewSlotColours();

  PageServices* services_;
  CClipCore* clips_;
  std::array<uxTableCtrl*, kTracks> trackTables_{};
  std::array<uxButton*, kTracks> trackButtons_{};
  std::array<uxBarCtrl*, kTracks> positionBars_{};
  std::array<std::array<uxButton*, kScenes>, kTracks> slots_{};
  uxTableCtrl* masterTable_ = nullptr;
  std::array<uxButton*, kScenes> masterRows_{};
  uxButton* masterButton_ = nullptr;
  uxValueLabel* operation_ = nullptr;
  uxValueLabel* name_ = nullptr;
  uxValueLabel* takeOver_ = nullptr;
  uxValueLabel* tempo_ = nullptr;
  uxLabel* signature_ = nullptr;
  uxLabel* position_ = nullptr;
  uxButton* open_ = nullptr;
  uxButton* play_ = nullptr;
  int states_[kTracks][kScenes];  // as last shown; -1: to be shown again
  int shownRunning_ = -1;
  unsigned ticks_ = 0;
  bool blink_ = false;
  std::unique_ptr<ClipData> clipboard_;
  int clipboardKind_ = kClipNone;
  Selected clipboardSource_{-1, -1};
  std::string nameText_ = "-";
};
