#pragma once
// Up to four audio filters (each a biquad section in the transposed canonical form, as
// AudioFilter::Reset leaves it) stepped together, one per lane of the vector header, with
// the operations of AudioFilter::ProcessSample in the same order: the same results.
#include <cfloat>

#include "audio/AudioFilter.h"
#include "platform/Simd4.h"

class AudioFilterLanes {
 public:
  static constexpr int kLanes = 4;

  // Takes the coefficients and states of filters[0..count-1] (the other lanes pass 0);
  // false, taking nothing, when a section runs another form.
  bool Load(AudioFilter* const* filters, int count);
  // One sample in each lane.
  v4::f4 Process(v4::f4 x) {
    using namespace v4;
    f4 y = MulAdd(s0_, a0_, x);
    // A subnormal result becomes exactly 0, as in the section's own step.
    const f4 magnitude = Abs(y);
    y = Select(AndU(CmpLt(magnitude, Set1(FLT_MIN)), CmpGt(magnitude, Set1(0.0f))), Set1(0.0f), y);
    s0_ = Add(Sub(Mul(a1_, x), Mul(b1_, y)), s1_);
    s1_ = Sub(Mul(a2_, x), Mul(b2_, y));
    return MulAdd(Mul(d0_, x), c0_, y);
  }
  // Writes the states back into the filters.
  void Store();

 private:
  AudioFilter* filters_[kLanes] = {};
  int count_ = 0;
  v4::f4 a0_, a1_, a2_, b1_, b2_, c0_, d0_, s0_, s1_;
};
