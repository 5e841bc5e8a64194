#pragma once
// The "ARRANGER" page: the stored arrangements (load on selection, store with or without the
// part presets, store under a new name), the drum level, the master tune, the drum mute and
// the switch between panel values that jump and panel values that are picked up.
#include <string>
#include <vector>

#include "pages/widgets/StoreAsPrompt.h"
#include "pages/widgets/StoreLamp.h"
#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxButton;
class uxLabel;
class uxTableCtrl;
class uxValueLabel;

class appVA_Arrange : public uxPanelCtrl {
 public:
  enum ButtonId { kSave = 4, kSaveAs = 5, kSaveAll = 6, kMuteDrum = 20, kTracking = 22 };
  // Global mixer settings behind the page's controls.
  static constexpr int kDrumLevelUid = 0x154B13;
  static constexpr int kDrumMuteUid = 0x154B14;
  static constexpr int kMasterTuneUid = 0x155B15;

  explicit appVA_Arrange(PageServices* services);
  ~appVA_Arrange() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int port, int channel, int controller, int value) override;

  void ScanArrangements();
  void LoadArrangement();
  void ReloadLevels();
  int CommitValue();

  uxTableCtrl* Table() const { return table_; }
  uxLabel* NameLabel() const { return nameLabel_; }
  uxValueLabel* DrumLevel() const { return drumLevel_; }
  uxValueLabel* MasterTune() const { return masterTune_; }
  uxButton* Button(int id) const;
  uxKeyboardCtrl* Keyboard() const { return storeAs_.Keyboard(); }
  const std::string& CurrentName() const { return currentName_; }
  int SelectedRow() const { return selectedRow_; }

 private:
  void SelectName(const std::string& name);
  void EnableControls(bool enabled);
  void OnButton(int id);
  void FinishStoreAs();

  PageServices* services_;
  uxValueLabel* drumLevel_ = nullptr;
  uxValueLabel* masterTune_ = nullptr;
  uxValueLabel* unused_[2] = {};
  uxLabel* nameLabel_ = nullptr;
  uxButton* saveAs_ = nullptr;
  uxButton* save_ = nullptr;
  uxButton* saveAll_ = nullptr;
  uxButton* tracking_ = nullptr;
  uxButton* muteDrum_ = nullptr;
  uxTableCtrl* table_ = nullptr;
  std::vector<std::string> names_;
  std::string currentName_;
  int selectedRow_ = -1;
  StoreLamp lamp_;
  StoreAsPrompt storeAs_;
};
