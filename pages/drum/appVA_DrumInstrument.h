#pragma once
// One drum instrument (a pad of the kit): the WAV samples of its sub-folder in every kit
// folder, the waveform of the chosen one with the region that plays, a preview on touch, and
// the pad's parameters on the four encoders.
#include <memory>
#include <string>
#include <vector>

#include "toolkit/uxPanelCtrl.h"

class PageServices;
class SampleFile;
class uxLabel;
class uxScopeView;
class uxTableCtrl;
class uxValueLabel;
struct KitPad;

class appVA_DrumInstrument : public uxPanelCtrl {
 public:
  static constexpr const char* kWaveFolder = "/var/lib/ruv/working/wave/drumkit/";
  static constexpr int kPoints = 379;
  static constexpr int kFirstKey = 27;
  static constexpr int kLastKey = 81;
  enum Label { kFilter, kSidechain, kFadeOut, kStart, kEnd, kKey, kPitch, kPan, kLevel, kLabels };

  appVA_DrumInstrument(PageServices* services, int pad, const char* name, uxPOINT pos, int16_t w, int16_t h,
                       uxCOLOR colour, const char* subFolder);
  ~appVA_DrumInstrument() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // The KEY choice text of choice i: "---:0" for 0, else the key 26 + i as "C1 :36".
  static std::string KeyChoiceText(int choice);
  // The KEY choice a stored trigger key shows: 0 for a key outside 27..81.
  static int KeyChoiceOf(int32_t key);

  void ScanKitFolders();
  void FillSampleList();
  // Loads entry `row` of the list for the pad; false (and nothing changed) when it fails.
  bool ChooseSample(int row);
  void DrawWaveform();

  const std::vector<std::string>& KitFolders() const { return kitFolders_; }
  const std::vector<std::string>& Entries() const { return entries_; }
  // The sample the pad was last given; none after a kit load until the kit's sample is chosen.
  const SampleFile* CurrentSample() const { return given_ ? buffers_[current_].get() : nullptr; }
  const SampleFile* Buffer(int i) const { return buffers_[i & 1].get(); }
  uxValueLabel* ValueLabel(int label) const { return labels_[label]; }
  uxScopeView* View(int i) const { return views_[i & 1]; }
  uxTableCtrl* Table() const { return table_; }
  uxLabel* Info() const { return info_; }

 private:
  void ApplyKitRow(const KitPad& row);
  void Preview(tagUX_Message* msg);
  void PanelValue(tagUX_Message* msg);

  PageServices* services_;
  int pad_;
  std::string subFolder_;
  std::vector<std::string> kitFolders_;
  std::vector<std::string> entries_;
  // Two buffers in turn: the player keeps the one it was given while the next one loads.
  std::unique_ptr<SampleFile> buffers_[2];
  int current_ = 0;
  bool given_ = false;
  bool previewing_ = false;
  uxValueLabel* labels_[kLabels] = {};
  uxScopeView* views_[2] = {};
  uxTableCtrl* table_ = nullptr;
  uxLabel* info_ = nullptr;
  int selected_ = -1;
};
