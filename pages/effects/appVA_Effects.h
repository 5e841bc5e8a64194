#pragma once
// The effect chain of one part: the ten slots of the part's effects engine in a list, each
// given a type with encoder A (turn to browse, push to assign), switched on and off with its
// ON button, and edited through the configuration panel of its type. The Master page builds
// one per part.
#include <cstdint>

#include "toolkit/uxPanelCtrl.h"
#include "toolkit/uxValueLabel.h"

class PageServices;
class cfgVA_Base;
class uxButton;
class uxGroup;
class uxTableCtrl;
class uxTableRow;

class appVA_Effects : public uxPanelCtrl {
 public:
  static constexpr int kSlots = 10;
  static constexpr int kTypes = 10;
  static constexpr int kLabelSet = 11;
  static constexpr int kTypeLabel = 1;
  static constexpr int kBypassParam = 0x00F;
  static constexpr int kTypeParam = 0x0F0;
  static constexpr int kOnButtonId = 48;

  // `id` carries the effects target in bits 16-19 (0x80000 for part A ... 0xB0000 for D).
  appVA_Effects(PageServices* services, uint32_t id, const char* caption, uxPOINT pos, int16_t w, int16_t h);
  ~appVA_Effects() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int, int, int, int) override { return 1; }

  // Disables every panel, then sets up the one of `type` for `slot` (-1: no slot).
  void ShowConfigPanel(int type, int slot);

  // (target << 16) | (slot << 12) | param.
  int Uid(int slot, int param) const { return (target_ << 16) | (slot << 12) | param; }
  int Target() const { return target_; }
  int SelectedSlot() const { return selectedSlot_; }
  int CurrentType() const { return currentType_; }
  bool FirstPaint() const { return firstPaint_; }
  uxTableCtrl* Table() const { return table_; }
  uxValueLabel* Label(int entry) const { return labels_[entry]; }
  // The label set every configuration panel of the page is given.
  uxValueLabel** LabelSet() { return labels_; }
  cfgVA_Base* Panel(int type) const { return panels_[type]; }
  // The row of slot `slot`: its number, type and ON buttons.
  uxButton* NumberButton(int slot) const;
  uxButton* TypeButton(int slot) const;
  uxButton* OnButton(int slot) const;
  // Whether the TYPE list marks `type` as standing in a slot.
  bool TypeInUse(int type) const;

 private:
  void BuildTable();
  void BuildLabels();
  cfgVA_Base* MakePanel(int type);
  int RowNumber(uxTableRow* row) const;
  void SelectRow();
  void OnRowChosen();
  void AssignType();
  void ToggleSlotBypass();
  void MarkTypesInUse();
  void RefreshPart();
  void OnFocus();

  PageServices* services_;
  uxTableCtrl* table_ = nullptr;
  int currentType_ = 0;
  uxGroup* groups_[4] = {};
  uxValueLabel* labels_[kLabelSet] = {};
  uxTableRow* selectedRow_ = nullptr;
  cfgVA_Base* panels_[kTypes] = {};
  int selectedSlot_ = -1;
  int target_;
  bool firstPaint_ = true;
  // The TYPE label's choices, kept here so the in-use marks can be set on them.
  tEnumList types_;
};
