#pragma once
// The page of one synth part: its play settings (portamento, voice mode, keyboard mode,
// unison detune, tune) on the encoders, and the part's preset browser (categories, presets,
// load, store, store under a new name, delete). The Master page builds one per part.
#include <string>
#include <vector>

#include "pages/widgets/StoreAsPrompt.h"
#include "pages/widgets/StoreLamp.h"
#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxButton;
class uxGroup;
class uxLabel;
class uxTableCtrl;
class uxValueLabel;

class appVA_Part : public uxPanelCtrl {
 public:
  // The seven labels, in the order the page walks them.
  enum Label { kPortamento, kTime, kRate, kDetune, kVoiceMode, kKbdMode, kTune, kLabels };
  // Pickup of a panel control while panel tracking is on.
  enum Pickup { kPickupNone, kPickupArmed, kPickupBelow, kPickupAbove, kPickupCaught };
  enum ButtonId { kSave = 1, kSaveAs = 2, kCategory = 3, kDelete = 15 };

  appVA_Part(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
             uxCOLOR colour);
  ~appVA_Part() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  void ListCategories();
  void ListPresets();
  void SelectCategory();
  void RefreshList();
  void LoadSelectedPreset(bool force);
  // True when the preset file was written.
  bool StoreCurrentPreset(const std::string& name, const std::string& path);
  void OnPanelValue(int index, float value);
  void SetLabelRaw(int slot, float value);
  void OnLabelChanged(int slot, bool changed, float value);

  // The portamento time table (seconds) and the index a time in seconds takes in it.
  static constexpr int kTimeSteps = 101;
  static float TimeEntry(int index);
  static int TimeIndex(float seconds);

  int Part() const { return part_; }
  uxValueLabel* ValueLabel(int index) const { return labels_[index]; }
  int PickupState(int index) const { return pickup_[index]; }
  uxTableCtrl* Table() const { return table_; }
  uxLabel* PresetLabel() const { return presetName_; }
  uxLabel* CategoryLabel() const { return category_; }
  uxLabel* LoadedCategoryLabel() const { return loadedCategory_; }
  uxButton* Button(int id) const;
  uxKeyboardCtrl* Keyboard() const { return storeAs_.Keyboard(); }
  const std::string& DeletePath() const { return deletePath_; }

 private:
  int LabelBySlot(int slot) const;
  std::string PathOf(const std::string& name) const;
  void Relist(std::vector<std::string>& names, uxCOLOR text);
  void SelectName(const std::string& name);
  void EnableControls(bool enabled);
  bool PopupBusy(int except) const;
  void ApplyPanelValue(int index, float value);
  void ShowValuePopup(int index, float target, float first, float second);
  void Reload();
  void OnButton(int id);
  void FinishStoreAs();
  void DeleteConfirmed();

  PageServices* services_;
  int part_;
  uxValueLabel* labels_[kLabels] = {};
  int pickup_[kLabels] = {};
  uxGroup* groupA_ = nullptr;
  uxGroup* groupB_ = nullptr;
  uxLabel* loadedCategory_ = nullptr;
  uxLabel* presetName_ = nullptr;
  uxLabel* category_ = nullptr;
  uxButton* saveAs_ = nullptr;
  uxButton* save_ = nullptr;
  uxButton* categoryButton_ = nullptr;
  uxButton* delete_ = nullptr;
  uxTableCtrl* table_ = nullptr;
  std::vector<std::string> categories_;
  std::vector<std::string> presets_;
  std::string deletePath_;
  StoreLamp lamp_;
  StoreAsPrompt storeAs_;
};
