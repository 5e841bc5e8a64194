#pragma once
// The editor of one wavetable oscillator of a part: the table chosen from the wave folder
// (by the panel's keys, or browsed in the wavetable popup), its stacked 3-D picture or a
// 2-D trace of the sounding voice, eleven value labels on the four encoder groups, and the
// name, mute and unison state on the front panel's oscillator display.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/uxPanelCtrl.h"

class PageServices;
class WaveTable;
class uxMultiWaveView;
class uxScopeView;
class uxValueLabel;

class modWTOsc : public uxPanelCtrl {
 public:
  // Fixed order of every loop over the labels.
  enum Label { kCoarse, kFine, kSpread, kDetune, kUnison, kPan, kPos, kSpectMorph, kBend, kMorph, kPhase, kLabels };
  static constexpr int kViewPoints = 579;
  static constexpr int kUnisonModes = 14;
  static constexpr int kRestoreTicks = 50;
  static constexpr int kVariantsPerTick = 32;
  static constexpr int kIdle = 257;  // preparation counter: nothing to prepare
  static constexpr int kKeyId = 298, kTextId = 299, kUnisonId = 300, kIdStride = 16;
  static constexpr int k3DView = 60, k2DView = 61;
  static constexpr const char* kMuteText = "    <MUTE>  ";

  modWTOsc(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour);
  ~modWTOsc() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int a, int part, int controller, int value) override;

  // Lists the folder's tables behind "[OFF]"; the index of the current name, or 0.
  int ScanWavetables();
  bool LoadPreviewWavetable(int index);
  void SetWavetable(WaveTable* table, bool store, bool live);
  void SetMute(bool on);
  // previewOnly: only the view, panel and bend effects (an encoder still turning).
  void ApplyLabelValue(int slot, float value, bool previewOnly = false);
  // The oscillator's phase bend of q (0..1) at bend b (-1..1).
  static float BendCurve(float q, float b);
  void UpdateScope(int scaled, const float* block, int length, float frequency, float position);
  // The 2-D view's cursor text at pixel x.
  std::string CursorText(int x) const;

  const std::vector<std::string>& Names() const { return names_; }
  const std::string& CurrentName() const { return current_; }
  int CurrentIndex() const { return index_; }
  int BrowseIndex() const { return browse_; }
  int Counter() const { return counter_; }
  int ViewMode() const { return viewMode_; }
  bool Muted() const { return muted_; }
  float Bend() const { return bend_; }
  const std::string& Caption() const { return typeName_; }
  uxMultiWaveView* View3D() const { return view3d_; }
  uxScopeView* View2D() const { return view2d_; }
  uxValueLabel* ValueLabel(int i) const { return labels_[i]; }

 private:
  uint32_t Uid(int offset) const;
  void SetCaption(const std::string& name);
  void SendName(const std::string& text, bool alt = false);
  void Prepare(int variants);
  void ShowProgress(float value);
  void Rescan();
  void SetValue(tagUX_Message* msg, float value);

  PageServices* services_;
  int part_;
  int instance_;
  uxValueLabel* labels_[kLabels] = {};
  uxMultiWaveView* view3d_ = nullptr;
  uxScopeView* view2d_ = nullptr;
  int viewMode_ = 0;
  bool touchLatch_ = false;
  std::vector<std::string> names_;
  std::string current_;
  int index_ = 0;
  int browse_ = 0;
  bool muted_ = false;
  float bend_ = 0.0f;
  WaveTable* prepared_ = nullptr;
  int counter_ = kIdle;
  std::unique_ptr<WaveTable> preview_;
  int restore_ = 0;
  float secondsPerPixel_ = 0.0f;
};
