#pragma once
// The configuration panel of one effect type on an effects page: it re-labels the page's
// nine shared parameter labels for the slot being edited, loads the slot's values into them,
// and writes the type's defaults. A type's panel is a table of its labels over this base;
// types with more to them override the three operations.
#include <cstdint>
#include <span>

#include "pages/widgets/ValueFormatters.h"
#include "toolkit/uxPanelCtrl.h"

class PageServices;
class appVA_Effects;
class uxValueLabel;

// The longest enumeration a row lists: the stereo delay's sync values.
inline constexpr int kFxMaxChoices = 21;

// One parameter label of a panel. A row of encoder mode 0 is an idle label that the panel
// still names: text "-" shows a dash, `selected` checks it.
struct FxLabelRow {
  int entry;  // 2..10 in the page's label set
  const char* text;
  const char* unit;
  Formatter format;
  bool selected;  // the label its encoder drives first
  int mode;       // encoder mode: 1 0..100, 2 -100..100, 7 0..256, 8 enumeration
  int param;      // the effect's parameter number
  const char* choices[kFxMaxChoices];
  float value;  // the default
  int order;    // where the default comes in SetDefaults, from 1; 0: none
  int font = 0;  // the caption's font; 0: 12 for enumerations, else 13
};

class cfgVA_Base : public uxPanelCtrl {
 public:
  // The page's label set: entry 0 unused, 1 the TYPE label, 2..10 the parameter labels.
  static constexpr int kLabelSet = 11;
  static constexpr int kFirstParam = 2;
  static constexpr int kNoUid = -1;

  cfgVA_Base(PageServices* services, uint32_t pageId, uxValueLabel** labels, appVA_Effects* page, const char* name,
             const char* image, std::span<const FxLabelRow> rows = {});
  ~cfgVA_Base() override;

  int OnMessage(tagUX_Message* msg) override;

  // Labels the nine parameter labels for `slot` as the rows say, in the rows' order, then
  // the others idle, and shows the panel. The TYPE label is the page's and never touched here.
  virtual void SetupSlot(int slot);
  // The slot's stored values into the enabled labels; flags go with each value.
  virtual void RefreshValues(int flags);
  // The type's defaults, in the rows' order, into the labels, the data set and the engine.
  virtual void SetDefaults();

  uint32_t PageId() const { return pageId_; }
  int Target() const { return target_; }
  int Slot() const { return slot_; }
  // (target << 16) | (slot << 12) | param.
  int Uid(int param) const;

 protected:
  // An idle label: no caption, no unit, no formatter, unchecked, encoder mode 0, UID -1;
  // with `dash` it shows "-".
  void IdleLabel(int entry, bool dash);
  void ConfigureLabel(const FxLabelRow& row);
  // Replaces an enumeration label's texts under the label's own lock.
  static void SetChoices(uxValueLabel* label, std::span<const char* const> texts);
  // The label's encoder position for a value, by the label's formatter.
  void SetPosition(int entry, float value);
  uxValueLabel* Label(int entry) const { return labels_[entry]; }

  PageServices* services_;
  uint32_t pageId_;
  int target_;
  uxValueLabel** labels_;
  appVA_Effects* page_;
  int slot_ = 0;
  std::span<const FxLabelRow> rows_;
  Formatter formats_[kLabelSet] = {};
};
