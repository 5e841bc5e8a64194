#pragma once
// The root of the effect algorithms that stand in the ten slots of a part's effects engine:
// a fade level, the effect's own parameter record, the fade state and the bypass switch.
// The virtual operations are declared in their fixed slot order.
#include <cstdint>

#include "audio/IAudioProcess.h"

class CEffectBase {
 public:
  enum State : int32_t { kIdle = 0, kFadingOut = 1, kActive = 2 };

  /* 0, 1 */ virtual ~CEffectBase() = default;
  // Processes `frames` samples in place (the engine passes the same buffers as in and out:
  // part left, part right, side-chain left, side-chain right). `level` is the fade level.
  /* 2 */ virtual void Process(float** in, float** out, int frames, float level) = 0;
  /* 3 */ virtual void SetParam(int id, float value) = 0;
  /* 4 */ virtual void SetBypass(int on) { bypass = static_cast<uint8_t>(on); }
  /* 5 */ virtual int IsBypassed() { return bypass; }
  /* 6 */ virtual void OnMidi(const PartMidiMessage* /*message*/) {}
  /* 7 */ virtual void OnClock(unsigned /*tick*/, float /*bpm*/) {}
  /* 8 */ virtual int GetState() { return state; }
  /* 9 */ virtual void SetState(int s) { state = s; }
  /* 10 */ virtual void* GetParamBlock() { return paramBlock_; }

  float level = 0.0f;  // the fade level the engine passes to Process; 1.0 while active
  int32_t state = kIdle;
  uint8_t bypass = 1;  // a new effect starts switched off

 protected:
  // Each effect hands its parameter record (the fields its pages read) to the base.
  explicit CEffectBase(void* paramBlock) : paramBlock_(paramBlock) {}

 private:
  void* paramBlock_;
};
