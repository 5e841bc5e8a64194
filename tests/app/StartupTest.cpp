#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <string>
#include <vector>

#include "app/GUIManager.h"
#include "app/Startup.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/StandardPages.h"
#include "platform/MemoryFrameBuffer.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxMessageBox.h"

namespace {

// A display that is not there: the context keeps no layers and draws nothing.
class MissingFrameBuffer : public platform::FrameBufferDevice {
 public:
  int Open() override {
    errno = ENOENT;
    return -1;
  }
  int GetFixedInfo(int, fb_fix_screeninfo*) override { return -1; }
  int GetVariableInfo(int, fb_var_screeninfo*) override { return -1; }
  void* Map(int, std::size_t) override { return reinterpret_cast<void*>(-1); }
  void Unmap(void*, std::size_t) override {}
  void Close(int) override {}
};

std::vector<std::string> g_echoed;
void Echo(const char* line) { g_echoed.emplace_back(line); }

class SpyManager : public GUIManager {
 public:
  using GUIManager::GUIManager;
  int HookSendMessage(tagUX_Message* msg) override {
    if (msg->type == 283) ++rescans;
    return GUIManager::HookSendMessage(msg);
  }
  int rescans = 0;
};

// The splash shows start-up lines and the engine's log until the pages are built; after that
// text is dropped, with or without a display behind the context.
TEST(Startup, SplashTakesLinesUntilThePagesAreBuilt) {
  for (bool display : {true, false}) {
    SCOPED_TRACE(display ? "memory framebuffer" : "no framebuffer");
    testing_support::TempDataRoot root;
    platform::MemoryFrameBuffer fb;
    MissingFrameBuffer missing;
    uxDC dc(display ? static_cast<platform::FrameBufferDevice*>(&fb) : &missing);
    EXPECT_EQ(dc.Init() == 0, display);
    FakeRawMidiBackend midi;
    GUIManager gm(&dc, midi, &StandardPages());
    gm.SetSleep([](uint32_t) {});
    g_echoed.clear();
    SetSplashEcho(&Echo);
    SplashLine("before the splash");  // no box yet: dropped
    gm.SetSplashSink(&SplashSink());
    gm.ShowSplash();
    ASSERT_NE(SplashSink().load(), nullptr);
    SplashLine("%s KLT Synthesizer System Startup FW: %s Rev:%s", "PX415", "2.40", "C");
    char engineText[] = "INFO: engine up";
    OnEngineLog(1, engineText);
    const std::deque<std::string> lines = SplashSink().load()->Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "INFO: engine up");
    EXPECT_EQ(lines[1], "PX415 KLT Synthesizer System Startup FW: 2.40 Rev:C");

    gm.BuildPages();
    EXPECT_EQ(SplashSink().load(), nullptr);
    OnEngineLog(1, engineText);
    SplashLine("after the pages");
    EXPECT_EQ(g_echoed, (std::vector<std::string>{"PX415 KLT Synthesizer System Startup FW: 2.40 Rev:C",
                                                   "INFO: engine up"}));
    SetSplashEcho(nullptr);
  }
}

// SIGUSR1 queues one rescan request that the next tick gives the active page; other signal
// numbers queue nothing.
TEST(Startup, SigUsr1QueuesOneRescanForTheNextTick) {
  testing_support::TempDataRoot root;
  platform::MemoryFrameBuffer fb;
  uxDC dc(&fb);
  ASSERT_EQ(dc.Init(), 0);
  FakeRawMidiBackend midi;
  SpyManager gm(&dc, midi, &StandardPages());
  gm.SetSleep([](uint32_t) {});
  gm.BuildPages();
  gm.Tick();
  gm.Tick();
  SetSignalTarget(&gm);
  struct sigaction action {}, old {};
  action.sa_handler = &OnSigUsr1;
  sigemptyset(&action.sa_mask);
  ASSERT_EQ(sigaction(SIGUSR1, &action, &old), 0);

  OnSigUsr1(SIGUSR2);
  OnSigUsr1(SIGTERM);
  tagUX_Message queued{};
  EXPECT_FALSE(gm.MessageQueue().Take(queued));

  gm.rescans = 0;
  ASSERT_EQ(raise(SIGUSR1), 0);
  gm.Tick();
  EXPECT_GT(gm.rescans, 0);
  const int seen = gm.rescans;
  gm.Tick();
  gm.Tick();
  EXPECT_EQ(gm.rescans, seen);  // one request, one delivery

  ASSERT_EQ(raise(SIGUSR1), 0);
  ASSERT_TRUE(gm.MessageQueue().Take(queued));
  EXPECT_EQ(queued.type, 283u);
  EXPECT_EQ(queued.param, 0u);
  EXPECT_EQ(queued.flag, 0u);
  EXPECT_FALSE(gm.MessageQueue().Take(queued));

  sigaction(SIGUSR1, &old, nullptr);
  SetSignalTarget(nullptr);
}

}  // namespace
