#pragma once
// The editor of a part's noise source: the sample files of the noise folder (plain WAVs and
// multi-sample sets) in a table, the chosen one loaded into the part, its two channels or
// the regions the part's latest voice plays in two small views, and the four noise
// parameters. The front panel browses and loads files and steps MODE and FREQ-TRG.
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/uxPanelCtrl.h"

struct MswfRegion;
class MultiWaveReader;
class PageServices;
class SampleFile;
class uxButton;
class uxScopeView;
class uxTableCtrl;
class uxValueLabel;

class modNoise : public uxPanelCtrl {
 public:
  // Fixed order of every loop over the labels.
  enum Label { kPitch, kMode, kPan, kFreqTrg, kLabels };
  static constexpr int kPoints = 379;
  static constexpr int kModeId = 322, kFreqTrgId = 323, kNameId = 324;
  static constexpr int kRestoreTicks = 50;

  modNoise(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour);
  ~modNoise() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int a, int part, int controller, int value) override;

  void ScanNoises();
  // Loads the file of table row `row` into the part; false, with nothing changed, when the
  // file does not load.
  bool LoadNoise(int row);
  // region: none for the whole sample; ratio: the voice's playback ratio, shown with a region.
  void DrawSample(const SampleFile* sample, const MswfRegion* region, int regionNumber, const float* ratio);
  void ShowVoiceRegions();
  void ApplyLabelValue(int slot, float value);
  // The text of an entry: up to its last extension.
  static std::string EntryText(const std::string& entry);

  const std::vector<std::string>& Names() const { return names_; }
  int Selection() const { return selection_; }
  int BrowseIndex() const { return browse_; }
  const std::string& PresetOnlyName() const { return presetName_; }
  const std::string& Caption() const { return typeName_; }
  MultiWaveReader* Current() const { return current_; }
  uxTableCtrl* Table() const { return table_; }
  uxButton* PresetButton() const { return presetButton_; }
  uxScopeView* View(int i) const { return views_[i]; }
  uxValueLabel* ValueLabel(int i) const { return labels_[i]; }

 private:
  uint32_t Uid(int offset) const;
  void SetCaption(const std::string& text);
  void SendName(const std::string& text, bool alt = false);
  void Flatten(uxScopeView* view);
  void SelectRow(int index);
  void UncheckPreset();
  // The caption and the table row, and the panel's name, back to the sample the part has.
  void RestoreCaption();
  void RestorePanelName();
  void SetValue(tagUX_Message* msg, float value);

  PageServices* services_;
  int part_;
  uxTableCtrl* table_ = nullptr;
  uxButton* presetButton_ = nullptr;
  uxScopeView* views_[2] = {};
  uxValueLabel* labels_[kLabels] = {};
  std::vector<std::string> names_;
  int selection_ = -1;
  int browse_ = -1;
  std::string presetName_;
  MultiWaveReader* current_ = nullptr;
  int panelRestore_ = 0;
  int captionRestore_ = 0;
  int paints_ = 0;
};
