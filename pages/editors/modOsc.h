#pragma once
// The container of one oscillator's editors: the wavetable, algorithmic and resonator
// editors and the part's oscillator configuration. It shows one at a time, switches the
// oscillator type from the panel key and passes painting and messages to the one shown.
#include <cstdint>

#include "toolkit/uxPanelCtrl.h"

class PageServices;
class modOSCCfg;

class modOsc : public uxPanelCtrl {
 public:
  enum Type { kWavetable, kAlgorithmic, kResonator, kTypes };
  // Builds the editor of one oscillator type over the container's id, caption and frame.
  // Without one the container holds bare panels in their place.
  using EditorFactory = uxPanelCtrl* (*)(int type, PageServices* services, uint32_t id, const char* name,
                                         uxPOINT pos, int16_t w, int16_t h);

  modOsc(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour,
         EditorFactory factory = nullptr);
  ~modOsc() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int a, int b, int c, int d) override;

  void ShowConfig(bool show);

  // What the front panel shows for a type: the lamp enum and the text.
  static int TypeEnum(int type);
  static const char* TypeText(int type);

  int OscType() const { return oscType_; }
  bool ConfigShown() const { return configShown_; }
  uxPanelCtrl* Editor(int type) const { return editors_[type]; }
  modOSCCfg* Config() const { return cfgPanel_; }
  // The oscillator editor shown and fed: a stored type outside the table uses the wavetable's.
  uxPanelCtrl* Shown() const;

 private:
  uint32_t TypeUid() const;
  void SendType();
  static int Deliver(uxPanelCtrl* panel, tagUX_Message msg);

  PageServices* services_;
  uxPanelCtrl* editors_[kTypes] = {};
  modOSCCfg* cfgPanel_ = nullptr;
  int part_;
  int osc_;
  int oscType_ = 0;
  bool configShown_ = false;
};
