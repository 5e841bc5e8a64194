#include "pages/effects/cfgVA_Compressor.h"

#include <atomic>

#include "app/PageServices.h"
#include "toolkit/uxBarCtrl.h"

namespace {

// Setup order: the threshold first.
constexpr FxLabelRow kRows[] = {
    {9, "Threshold", "dB", Formatter::kDb, true, 7, 0, {}, -10.0f, 6},
    {5, "Knee", "dB", Formatter::kDb, false, 1, 1, {}, 10.0f, 3},
    {2, "Input-Select", nullptr, Formatter::kNone, false, 8, 2, {"Normal", "Sidechain"}, 0.0f, 1},
    {4, "Attack", "sec", Formatter::kEnvTime, true, 1, 3, {}, 0.01f, 2},
    {7, "Release", "sec", Formatter::kEnvTime, true, 1, 4, {}, 0.5f, 4},
    {10, "Output", "dB", Formatter::kDb, false, 1, 5, {}, 0.0f, 7},
    {8, "Ratio", "%", Formatter::kNone, false, 1, 6, {}, 0.0f, 5},
};

struct MeterSpec {
  int16_t x, y, w, h;
  uxCOLOR bar;
  int orientation;
  int word;  // in the effect's block
};

constexpr uxCOLOR kBack = 0x303030, kFrame = 0x808080, kLevel = 0xFF0000, kReduction = 0x0000FF;

// Input 1 and 2, reduction 1 and 2, output 1 and 2. The block holds the output levels,
// then the reductions, then the input levels.
constexpr MeterSpec kMeterSpecs[cfgVA_Compressor::kMeters] = {
    {425, 75, 20, 80, kLevel, uxBarCtrl_BottomUp, 4},     {425, 205, 20, 80, kLevel, uxBarCtrl_BottomUp, 5},
    {681, 115, 10, 50, kReduction, uxBarCtrl_TopDown, 2}, {681, 195, 10, 50, kReduction, uxBarCtrl_TopDown, 3},
    {755, 75, 20, 80, kLevel, uxBarCtrl_BottomUp, 0},     {755, 205, 20, 80, kLevel, uxBarCtrl_BottomUp, 1},
};
constexpr int kBlockWords = 6;

}  // namespace

cfgVA_Compressor::cfgVA_Compressor(PageServices* services, uint32_t pageId, uxValueLabel** labels,
                                   appVA_Effects* page)
    : cfgVA_Base(services, pageId, labels, page, "COMPRESSOR", "Dynamics.png", kRows) {
  for (int i = 0; i < kMeters; ++i) {
    const MeterSpec& m = kMeterSpecs[i];
    meters_[i] = new uxBarCtrl(services, 0, m.x, m.y, m.w, m.h, kBack, kFrame, m.bar);
    meters_[i]->setMax(1.0f);
    meters_[i]->setMin(0.0f);
    meters_[i]->setLevel(0.0f);
    meters_[i]->setOrientation(m.orientation);
    AddElement(meters_[i]);
  }
  SetEnabled(false);
}

void cfgVA_Compressor::SetEnabled(bool enabled) {
  for (uxBarCtrl* meter : meters_)
    if (meter != nullptr) meter->SetEnabled(enabled);
  cfgVA_Base::SetEnabled(enabled);
  setRepaint();
}

void cfgVA_Compressor::SetupSlot(int slot) {
  cfgVA_Base::SetupSlot(slot);
  SetEnabled(true);
}

int cfgVA_Compressor::OnPaint() {
  const int result = cfgVA_Base::OnPaint();
  if (!isEnabled()) return result;
  const void* block = services_->FxParams(target_, slot_);
  if (block == nullptr) return result;
  // The audio thread writes these words while we read them: word-sized relaxed loads, no
  // lock and no copy of the block.
  auto* words = static_cast<float*>(const_cast<void*>(block));
  for (int i = 0; i < kMeters; ++i) {
    const int w = kMeterSpecs[i].word;
    static_assert(kBlockWords == kMeters);
    const float v = std::atomic_ref<float>(words[w]).load(std::memory_order_relaxed);
    meters_[i]->setLevel(v);
  }
  return result;
}
