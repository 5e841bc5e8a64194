#pragma once
// The wavetable oscillator's "3D" view: the stack of the table's waves kept as a picture,
// with two waves drawn over it in colour (the selected one and the sounding one, or a
// trace of the voice given as samples) through the editor's bend of the position.
#include <cstdint>
#include <mutex>
#include <string>

#include "pages/widgets/WaveStack.h"
#include "pages/widgets/WidgetDraw.h"
#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"

class uxMultiWaveView : public uxBaseElement {
 public:
  static constexpr uxCOLOR kWaveA = 0xFF0000;
  static constexpr uxCOLOR kWaveB = 0xFFFF00;

  uxMultiWaveView(uxHost* manager, uint32_t userData, uxPOINT* pos, int16_t w, int16_t h, uxCOLOR background,
                  uxCOLOR frame, uxBaseElement* owner);
  ~uxMultiWaveView() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // Held by whoever changes the table, the waves or the samples while the GUI may paint.
  std::mutex& Mutex() { return mutex_; }
  void SetWavetable(const WaveTable* table) { table_ = table; }
  // Variants 0..255; other values take the nearer end.
  void SetWaveA(int index);
  void SetWaveB(int index);
  // Samples that stand in for a wave's variant (null: the variant again).
  void SetSamplesA(const float* samples, int count);
  void SetSamplesB(const float* samples, int count);
  void SetGains(float a, float b);
  // -1..1.
  void SetBend(float bend);
  void SetGrid(int x, int y);
  void SetLabel(const std::string& text) { label_ = text; }
  int WaveA() const { return waveA_; }
  int WaveB() const { return waveB_; }

 private:
  void DrawWave(int index, const float* samples, int count, float gain, uxCOLOR colour);

  std::mutex mutex_;
  uxCOLOR background_, frame_;
  [[maybe_unused]] uxBaseElement* owner_;
  std::string label_ = "TEST";
  const WaveTable* table_ = nullptr;
  int waveA_ = 0, waveB_ = 0;
  const float* samplesA_ = nullptr;
  const float* samplesB_ = nullptr;
  int countA_ = 0, countB_ = 0;
  float gainA_ = 1.0f, gainB_ = 1.0f;
  float bend_ = 0.0f;
  int gridX_ = -1, gridY_ = -1;
  tImage image_;
  widgets::GradientColumn gradient_;
};
