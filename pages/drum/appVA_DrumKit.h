#pragma once
// The KIT tab of the drum section: the stored kits, loading one, storing the current kit under
// its name or a new one, and the drum channel's level and mute.
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

class appVA_DrumKit : public uxPanelCtrl {
 public:
  enum ButtonId { kSave = 24, kSaveAs = 25, kMuteDrum = 26 };
  static constexpr int kDrumLevelUid = 0x154B13;
  static constexpr int kDrumMuteUid = 0x154B14;
  static constexpr int kSecondUid = 0x144A05;
  static constexpr const char* kKitFolder = "/var/lib/ruv/working/sampler/";

  appVA_DrumKit(PageServices* services, const char* name, uxPOINT pos, int16_t w, int16_t h, const char* image);
  ~appVA_DrumKit() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int port, int channel, int controller, int value) override;

  void ScanKits();
  void LoadSelectedKit();

  uxTableCtrl* Table() const { return table_; }
  uxLabel* NameLabel() const { return nameLabel_; }
  uxValueLabel* Level() const { return level_; }
  uxButton* Button(int id) const;
  uxKeyboardCtrl* Keyboard() const { return storeAs_.Keyboard(); }
  const std::string& KitName() const { return kitName_; }

 private:
  void SelectName(const std::string& name);
  void EnableControls(bool enabled);
  void OnButton(int id);
  void FinishStoreAs();
  void Stored(uxButton* lit);

  PageServices* services_;
  uxValueLabel* level_ = nullptr;
  uxValueLabel* second_ = nullptr;
  uxLabel* nameLabel_ = nullptr;
  uxButton* saveAs_ = nullptr;
  uxButton* save_ = nullptr;
  uxButton* muteDrum_ = nullptr;
  uxTableCtrl* table_ = nullptr;
  std::vector<std::string> names_;
  std::string kitName_;
  int selectedRow_ = -1;
  StoreLamp lamp_;
  StoreAsPrompt storeAs_;
};
