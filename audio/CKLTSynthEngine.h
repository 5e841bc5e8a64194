#pragma once
// The synth engine as the audio process sees it: an IAudioProcess over one part engine that
// turns engine events into note, controller, bend and reset calls, converts the units of a
// few values on the way, splits the parameter address, and relays the swap progress.
#include <functional>

#include "audio/IAudioProcess.h"
#include "engine/CSynthEngine.h"

// Swap progress of a part (1 triggered, 2 voices shut down, 3 banks exchanged, 0 idle).
using EngineSwapFn = void (*)(void* context, int part, int value);

class CKLTSynthEngine : public IAudioProcess {
 public:
  using SwapCallback = std::function<void(int part, int value)>;

  CKLTSynthEngine() = default;
  ~CKLTSynthEngine() override;
  CKLTSynthEngine(const CKLTSynthEngine&) = delete;
  CKLTSynthEngine& operator=(const CKLTSynthEngine&) = delete;

  // Installed by the audio process before init.
  void SetSwapCallback(SwapCallback fn) { swap_ = std::move(fn); }

  void init(tagPluginAttr attr, EngineLogFn log) override;
  void Render(float** partOutputs, int pedalSwitch, float pedalLevel) override;
  void RenderWorker(float** scratch, int thread) override;
  void OnEvent(const EngineEvent* event) override;
  void OnClock(unsigned tick, float bpm) override;
  void SetParam(int rt, int part, uint32_t uid, float value) override;
  void SetModRoute(int rt, int part, int route, float amount, int source, int destination, int mode,
                   float unused) override;
  void SetModAmount(int part, int route, float amount) override;
  void SetSample(int rt, int part, uint32_t uid, MultiWaveReader* set) override;
  void SetLfoWave(int rt, int part, int lfo, const char* bytes, int count) override;
  void SetWavetable(int rt, int part, int oscillator, WaveTable* table) override;
  void* GetPartVoiceState(int part) override;
  void* GetVoiceAllocState(int) override;
  void TriggerSwap(int part) override;
  int IsSwapPending(int part) override;
  void ClearShadowBank(int part, int arg) override;
  void* GetVoice(int n) override;

  // Null until init.
  CSynthEngine* engine() { return engine_.get(); }
  const tagPluginAttr& attributes() const { return attr_; }

 private:
  SwapCallback swap_;
  std::unique_ptr<CSynthEngine> engine_;
  EngineLogFn log_ = nullptr;  // kept for the owner; the engine reports through the log sink
  tagPluginAttr attr_{};
};

// The audio process's factory: a synth engine whose swap progress goes to onSwap(context, ...).
IAudioProcess* MakeSynthEngine(EngineSwapFn onSwap, void* context);
