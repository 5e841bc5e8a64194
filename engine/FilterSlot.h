#pragma once
// One filter slot of a voice: a stereo instance of every filter core, and the filter type
// (0..11) that decides which core runs and in which mode.
#include "engine/CDualMoogLadderFilter.h"
#include "engine/CDualSEMFilter.h"
#include "engine/DualFourPoleFilter.h"
#include "engine/DualLadderApproxFilter.h"
#include "engine/DualOnePoleFeedbackFilter.h"

class FilterSlot {
 public:
  // Which core runs.
  enum Route {
    kBypass = 0,
    kFourPole = 1,
    kLadderApprox = 2,
    kSem = 3,
    kMoogLadder = 4,
    kOnePoleFeedback = 5,
  };
  static constexpr int kTypeCount = 12;

  struct TypeRow {
    const char* label;  // as the filter editor names the type
    Route route;
    int setting;  // the core's mode, output or type; unused for bypass, four-pole and 11
  };
  // Row for a filter type 0..11; nullptr for any other value.
  static const TypeRow* FindType(int type);

  // Selects the core and sets its mode; values outside 0..11 are ignored (returns false).
  bool SetType(int type);
  // Selects a core directly by route code 0..5; other values are ignored (returns false).
  bool SetRoute(int route);
  Route GetRoute() const { return route_; }

  void SetSampleRate(float rate);
  void SetFrames(int frames);
  // Clears the state of every core.
  void Reset();

  // Runs the selected core over `frames` samples; bypass copies the input. A block that leaves
  // the core's state non-finite resets it.
  void Process(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
               float cutoffHz, float resonance);

  DualFourPoleFilter& FourPole() { return fourPole_; }
  CDualMoogLadderFilter& MoogLadder() { return moog_; }
  DualLadderApproxFilter& LadderApprox() { return ladderApprox_; }
  CDualSEMFilter& Sem() { return sem_; }
  DualOnePoleFeedbackFilter& OnePoleFeedback() { return onePoleFeedback_; }

 private:
  Route route_ = kBypass;
  int frames_ = 128;
  DualFourPoleFilter fourPole_;
  CDualMoogLadderFilter moog_;
  DualLadderApproxFilter ladderApprox_;
  CDualSEMFilter sem_;
  DualOnePoleFeedbackFilter onePoleFeedback_;
};
