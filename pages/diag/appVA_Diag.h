#pragma once
// The diagnostics page: a monitor of the MIDI input with filters for notes, controllers and
// clock, the system's identity and network address, the engine loads, memory, the voice
// slots disabled for a missed render deadline, the audio periods over their deadline and the
// processor temperature.
#include <cstdint>

#include "app/PageServices.h"
#include "platform/PiMutex.h"
#include "toolkit/uxPanelCtrl.h"

class uxBarCtrl;
class uxButton;
class uxLabel;
class uxPeakMeter;
class uxTextBox;

// The text after ": " of the last line of "/proc/cpuinfo" that begins with `key`, in a
// buffer of 256 bytes kept between calls (its previous content when no line matches); null
// when the file cannot be read.
const char* CpuInfoField(const char* key);

class appVA_Diag : public uxPanelCtrl, public MidiLineMonitor {
 public:
  static constexpr int kMeanSlots = 32;
  static constexpr float kTemperatureMax = 80.0f;
  // Ids of the filter buttons.
  static constexpr unsigned kNoteButton = 12;
  static constexpr unsigned kCcButton = 13;
  static constexpr unsigned kClockButton = 14;

  appVA_Diag(PageServices* services, uint32_t id, int value, const char* name, uxPOINT pos, int16_t w, int16_t h,
             uxCOLOR colour);
  ~appVA_Diag() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // A message from a MIDI input (any thread but the audio thread).
  void AddMidiLine(int port, int channel, int status, int data1, int data2) override;
  void RefreshInfo();

  uxTextBox* MidiBox() const { return midi_; }
  uxTextBox* InfoBox() const { return info_; }
  uxButton* FilterButton(unsigned id) const;
  uxLabel* MemoryLabel(int i) const { return memory_[i]; }
  uxLabel* DisablesLabel() const { return disables_; }
  uxLabel* OverrunsLabel() const { return overruns_; }
  uxLabel* LoadLabel(int i) const { return loadLabel_[i]; }
  uxPeakMeter* LoadMeter(int i) const { return meter_[i]; }
  uxLabel* TemperatureLabel() const { return temperatureLabel_; }
  uxBarCtrl* TemperatureBar() const { return temperatureBar_; }

 private:
  struct Mean {
    float slot[kMeanSlots] = {};
    uint32_t count = 0;
    float Add(float v);
  };
  void ReadSystem();

  PageServices* services_;
  uxTextBox* midi_ = nullptr;
  uxTextBox* info_ = nullptr;
  uxButton* clock_ = nullptr;
  uxButton* cc_ = nullptr;
  uxButton* note_ = nullptr;
  uxPeakMeter* meter_[3] = {};
  uxLabel* loadLabel_[3] = {};
  uxLabel* memory_[3] = {};
  uxLabel* disables_ = nullptr;
  uxLabel* overruns_ = nullptr;
  uxBarCtrl* temperatureBar_ = nullptr;
  uxLabel* temperatureLabel_ = nullptr;
  uint32_t paintCount_ = 0;
  Mean load_[3];
  Mean temperature_;
  // The MIDI threads add lines while the GUI thread paints the box and hands the page its
  // messages; recursive, as a message may come back to the page while it is held.
  platform::PiMutex monitorMutex_{platform::PiMutex::kRecursive};
};
