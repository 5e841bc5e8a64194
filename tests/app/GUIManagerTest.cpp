#include "app/GUIManager.h"

#include <gtest/gtest.h>

#include "midi/FakeRawMidiBackend.h"
#include "platform/MemoryFrameBuffer.h"
#include "toolkit/uxDC.h"

TEST(GUIManager, ConstructsWithoutDevices) {
  platform::MemoryFrameBuffer fb;
  uxDC dc(&fb);
  ASSERT_EQ(dc.Init(), 0);
  FakeRawMidiBackend midi;
  GUIManager gm(&dc, midi);
  EXPECT_EQ(gm.CurrentPanel(), -1);
}
