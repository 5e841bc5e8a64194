// The clock path may run on the audio thread: a steady tick, launches and the changes at
// the quantum allocate nothing once the clips are in place.
#include <gtest/gtest.h>

#include "tests/midi/ClipRig.h"
#include "tests/support/AllocCounter.h"

namespace {

using namespace clip_test;

TEST(ClipRealtime, TenThousandTicksWithChangesAllocateNothing) {
  Rig rig(nullptr);
  rig.out.countOnly = true;
  for (int t = 0; t < 7; ++t) {
    CInstrumentSeq& seq = rig.Seq(t);
    for (int s = 2; s < 4; ++s) {
      ClipData& c = seq.Clip(s);
      c.Loop_PP = 384;
      for (int e = 0; e < 200; ++e)
        c.events.push_back({e % 3 ? kSeqNote : kSeqControl, e * 2, e * 2 + 30, 0,
                            static_cast<uint8_t>(40 + e % 40), 100});
      seq.CreateClip(s, s == 2 ? kClipMidiSeq : kClipTrigger);
      c.rows[s].triggers[3].Fire = 1;
    }
    seq.EventsChanged();
    for (int s = 0; s < 2; ++s)
      for (auto& step : seq.Clip(s).steps) step.Key = static_cast<uint8_t>(step.Pos % 7);
  }
  for (int k = 40; k < 56; ++k) rig.core->TrackNoteInput(0, 0, 0x90, k, 100);
  rig.Tick(0);
  rig.Log();

  std::size_t allocations = 0;
  {
    testing_support::AllocGuard guard;
    for (int tick = 1; tick <= 10000; ++tick) {
      if (tick % 500 == 1) {
        auto lock = rig.core->Master().Lock();
        for (int t = 0; t < 7; ++t) rig.core->Master().Track(t)->LaunchScene((tick / 500) % 4);
      }
      for (int k = 40; k < 56; ++k) rig.core->TrackNoteInput(0, 0, 0x90, k, 100);
      rig.Tick(tick);
    }
    allocations = guard.Count();
  }
  EXPECT_EQ(allocations, 0u);
  EXPECT_GT(rig.out.count, 10000);
  EXPECT_NE(rig.Log().find("CInstrument[playing]: track:6 scene:3"), std::string::npos);
}

}  // namespace
