#pragma once
// A part's insert-effects chain: ten slots run in series on the part's buffers once a
// period, kept twice (the sounding page and the page a sound load prepares). Switching an
// effect on or off cross-fades between its input and its output over 39 periods (an effect
// that fades itself is handed the levels instead). An effect that puts out a non-finite
// sample has its running state cleared.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/CEffectBase.h"
#include "audio/EffectRegistry.h"
#include "audio/IAudioProcess.h"

class CFXEngine : public IAudioProcess {
 public:
  static constexpr int kPages = 2;
  static constexpr int kSlots = 10;
  static constexpr int kBuffers = 4;  // part left, part right, side-chain left, side-chain right
  static constexpr uint32_t kTypeParam = 0xF0;    // matched on the low byte of the id
  static constexpr uint32_t kBypassParam = 0x00F;  // matched on the low 12 bits
  static constexpr float kFadeStep = 0.026f;      // per period

  // Makes both pages' instances of every type the table can create; all slots empty. The
  // default is the effects' own table; another (rows in type order) brings other effects.
  CFXEngine();
  explicit CFXEngine(const effect_registry::Table& types);
  ~CFXEngine() override;
  CFXEngine(const CFXEngine&) = delete;
  CFXEngine& operator=(const CFXEngine&) = delete;

  void init(tagPluginAttr attr, EngineLogFn log) override;
  // Copies the four inputs to the four outputs, then runs the current page's slots in order
  // on the outputs. An effect's part pair is out = x + level (fx(x) - x), x its input.
  void Process(float** in, float** out) override;
  void OnMidi(const PartMidiMessage* message) override;
  void OnClock(unsigned tick, float bpm) override;
  // rt 1 acts on the sounding page, rt 0 on the other. `id` 0xF0 (low byte) chooses the
  // slot's type, 0x00F (low 12 bits) its bypass; other ids go to the slot's effect. Slots
  // above 9 are ignored.
  void SetParam(int rt, int slot, uint32_t id, float value) override;
  // 0 flips the pages, 2 bypasses the current page's effects (they fade), others nothing.
  void SwapPage(int value) override;
  // The parameter record of the current page's effect in `slot`, or null.
  void* GetParamBlock(int slot) override;

  int CurrentPage() const { return currentPage_.load(std::memory_order_relaxed); }

 private:
  CEffectBase* Instance(int page, int type) const { return instances_[page][type - 1].get(); }
  CEffectBase* Slot(int page, int slot) const { return slots_[page][slot].load(std::memory_order_relaxed); }
  bool StandsInPage(int page, const CEffectBase* effect) const;
  void ChooseType(int page, int slot, float value);
  // A page that was set aside mid-fade must not resume that fade when it sounds again.
  void SettlePage(int page);
  // Runs an effect whose fade moves from `from` to its level this period.
  void RunEffect(int page, CEffectBase* effect, float from, float** out);
  const effect_registry::TypeRow* RowOf(int page, const CEffectBase* effect) const;
  // An effect whose state went non-finite would send NaN for good: its state is cleared
  // (its parameters kept) and the period's non-finite samples become silence.
  void Recover(int page, CEffectBase* effect, float** out);

  effect_registry::Table types_;
  std::array<std::array<std::atomic<CEffectBase*>, kSlots>, kPages> slots_{};
  std::array<std::array<std::unique_ptr<CEffectBase>, effect_registry::kTypeCount>, kPages> instances_;
  EngineLogFn log_ = nullptr;  // kept, never called
  int frames_ = 0;
  int rate_ = 48000;
  std::atomic<int> currentPage_{0};
  int processedPage_ = 0;  // the page the last Process ran; audio thread only
  std::array<std::vector<float>, 2> dry_;  // an effect's input while it cross-fades
};
