// The script module's own GUIManager; the instrument's is tested with the application.
#include "toolkit/Flavour.h"
#if SYNTH_TOOLKIT_SCRIPT

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/MemoryFrameBuffer.h"
#include "platform/Paths.h"
#include "tests/support/LogCapture.h"
#include "tests/toolkit/support/BusPeer.h"
#include "tests/toolkit/support/TouchFifo.h"
#include "toolkit/CCANDev.h"
#include "toolkit/GUIManager.h"
#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"

namespace {

using namespace std::chrono_literals;
using toolkit_test::BusFrame;
using toolkit_test::BusPeer;

// Who saw which message, in order, across callbacks and elements.
std::vector<std::string> g_seen;

std::string Seen(const std::string& who, const tagUX_Message* msg) { return who + " " + std::to_string(msg->type); }

class RecordingCB : public GUIManagerCB {
 public:
  explicit RecordingCB(std::string name) : name_(std::move(name)) {}
  void MessageReceived(tagUX_Message* msg) override {
    g_seen.push_back(Seen(name_, msg));
    messages.push_back(*msg);
  }
  std::vector<tagUX_Message> messages;

 private:
  std::string name_;
};

class Element : public uxBaseElement {
 public:
  Element(GUIManager* gm, const char* name) : uxBaseElement(gm, -1, 0, name) {}
  int OnPaint() override {
    ++paints;
    return 0;
  }
  int OnMessage(tagUX_Message* msg) override {
    g_seen.push_back(Seen(getName(), msg));
    if (onMessage) onMessage();
    return uxBaseElement::OnMessage(msg);
  }
  int paints = 0;
  std::function<void()> onMessage;
};

class LibraryGUIManager : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!toolkit_test::Cpu0Available()) GTEST_SKIP() << "CPU 0 is not available to this process";
    ASSERT_TRUE(bus_.Ready());
    ASSERT_EQ(can_.Open("can0"), 0);
    ASSERT_TRUE(bus_.Hub().WaitForMemberCount(2, 2s));
    g_seen.clear();
  }

  BusPeer bus_;
  platform::MemoryFrameBuffer fb_;
  uxDC dc_{&fb_};
  CCANDev can_{bus_.Sockets()};
  std::string touchPath_ = bus_.Root().Root() + "/event0";
  GUIManager gm_{&dc_, &can_, touchPath_};
  RecordingCB sendCB_{"send"};
  RecordingCB hookCB_{"hook"};
};

TEST_F(LibraryGUIManager, TheConstructorPreparesTheDrawingContext) { EXPECT_TRUE(dc_.IsInitialised()); }

TEST_F(LibraryGUIManager, MessagesGoToTheSendCallbackThenEachElementInOrder) {
  tagUX_Message msg(static_cast<int>(UX_MSG_KEY), 1, 0);
  EXPECT_EQ(gm_.SendMessage(&msg), 0);  // nobody to deliver to
  EXPECT_TRUE(g_seen.empty());

  Element a(&gm_, "a"), b(&gm_, "b"), late(&gm_, "late");
  gm_.AddElement(&a);
  gm_.AddElement(&b);
  gm_.AddElement(nullptr);
  // An element added while a message is on its way receives it too.
  b.onMessage = [&] {
    if (!late.onMessage) {
      late.onMessage = [] {};
      gm_.AddElement(&late);
    }
  };
  gm_.setSendMsgCallback(&sendCB_);
  gm_.setHookSendMsgCallback(&hookCB_);
  EXPECT_EQ(gm_.SendMessage(&msg), 0);
  // Each element's base handling shows the message to the hook before acting on it.
  EXPECT_EQ(g_seen, (std::vector<std::string>{"send 257", "a 257", "hook 257", "b 257", "hook 257", "late 257",
                                              "hook 257"}));
  EXPECT_EQ(gm_.HookSendMessage(&msg), 0);
  EXPECT_EQ(gm_.SendMessage(nullptr), 0);
  EXPECT_EQ(gm_.HookSendMessage(nullptr), 0);
}

// The tick message goes out on the first pass of four after a 34th doTick; every pass
// paints every element.
TEST_F(LibraryGUIManager, TicksAreCountedAndDeliveredOnEveryFourthPass) {
  Element a(&gm_, "a");
  gm_.AddElement(&a);
  gm_.setSendMsgCallback(&sendCB_);
  auto ticksIn = [&](int passes) {
    sendCB_.messages.clear();
    for (int i = 0; i < passes; ++i) gm_.DoGUI();
    int ticks = 0;
    for (const tagUX_Message& m : sendCB_.messages) ticks += m.type == UX_MSG_TICK_EVENT ? 1 : 0;
    return ticks;
  };
  EXPECT_EQ(ticksIn(4), 0);
  gm_.doTick();  // counter 0: a tick is due
  EXPECT_EQ(ticksIn(4), 1);
  EXPECT_EQ(a.paints, 8);
  for (int i = 1; i < 34; ++i) gm_.doTick();
  EXPECT_EQ(ticksIn(8), 0);
  gm_.doTick();  // the 35th: counter 34
  EXPECT_EQ(ticksIn(4), 1);
  const tagUX_Message& tick = sendCB_.messages.front();
  EXPECT_EQ(tick.param | tick.flag | tick.arg, 0u);
  EXPECT_EQ(a.paints, 20);
}

// InitGUI waits two seconds for the touch controller: the one test that pays for it.
TEST_F(LibraryGUIManager, InitGUIFillsTheScreenOpensTheTouchDeviceAndAnnouncesValues) {
  testing_support::LogCapture log;
  toolkit_test::TouchFifo fifo(touchPath_);
  gm_.setSendMsgCallback(&sendCB_);
  gm_.InitGUI(0x123456);
  EXPECT_EQ(fb_.Pixel(0, 0), 0x123456u);
  EXPECT_EQ(fb_.Pixel(799, 479), 0x123456u);
  ASSERT_EQ(sendCB_.messages.size(), 1u);
  const tagUX_Message& values = sendCB_.messages[0];
  EXPECT_EQ(values.type, UX_MSG_VALUES_CHANGED);
  EXPECT_EQ(static_cast<int>(values.param), -1);
  EXPECT_EQ(static_cast<int>(values.flag), -1);
  EXPECT_EQ(values.arg, 0u);

  ASSERT_TRUE(fifo.Connect());
  ASSERT_TRUE(fifo.Write(toolkit_test::PressAt(true, 500, 1000)));
  sendCB_.messages.clear();
  for (int i = 0; i < 4; ++i) gm_.DoGUI();
  ASSERT_EQ(sendCB_.messages.size(), 1u);
  const tagUX_Message& touch = sendCB_.messages[0];
  EXPECT_EQ(touch.type, UX_MSG_TOUCH_EVENT);
  EXPECT_EQ(touch.m_x, 190);
  EXPECT_EQ(touch.m_y, 235);
  EXPECT_EQ(touch.m_evt_type, TYPE_PRESS);
  EXPECT_EQ(touch.arg, 0u);
  EXPECT_NE(log.Text().find("[TOUCH] press x:190, y:235\n"), std::string::npos) << log.Text();
}

TEST_F(LibraryGUIManager, LoggerTextAppendsToTheClientLog) {
  gm_.LoggerText("x");  // no working directory yet: nothing written, nothing breaks
  const std::string dir = bus_.Root().MakeDir("/var/lib/ruv/working");
  gm_.LoggerText("first");
  gm_.LoggerText(nullptr);
  gm_.LoggerText("second <2>");
  std::ifstream in(dir + "/logClient.txt");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "MESSAGE <first>\nMESSAGE <second <2>>\n");
}

TEST_F(LibraryGUIManager, NotificationsOnlyPrint) {
  const struct {
    std::function<void(GUIManager&)> call;
    const char* line;
  } cases[] = {
      {[](GUIManager& g) { g.ValueChanged(0x123, 0.5f, 6); }, "[ValChgd] (assign) UID:0123,value:0.500000, [Flags: 0006]\n"},
      {[](GUIManager& g) { g.CANValueNotify(0x1A0, 2, 1.5f); },
       "[RecvCAN] (value) part:2, UID:01A0,val:1.500000, [CANRX ID: 01A0]\n"},
      {[](GUIManager& g) { g.CANAssignNotify(0x1A0, 3, -1.0f); },
       "[RecvCAN] (assign) part:3, UID:01A0,val:-1.000000, [CANRX ID: 01A0]\n"},
      {[](GUIManager& g) { g.CANEncoderEvent(147, 134); }, "[RecvCAN] (encoder) canID:0093, [Flags: 0086]\n"},
      {[](GUIManager& g) { g.CANKeyEvent(154, 133); }, "[RecvCAN] (key) canID:009A, [Flags: 0085]\n"},
      {[](GUIManager& g) { g.ActivatePanel(5, -1); }, "[ActivatePanel] (assign) nr:0005, [arg: FFFFFFFF]\n"},
      {[](GUIManager& g) { g.sendCANFocus(3); }, ""},
  };
  gm_.setSendMsgCallback(&sendCB_);
  for (const auto& c : cases) {
    testing_support::LogCapture log;
    c.call(gm_);
    EXPECT_EQ(log.Text(), c.line);
  }
  EXPECT_TRUE(sendCB_.messages.empty());
  EXPECT_EQ(gm_.initialLoad(), 1);
  EXPECT_EQ(gm_.GetCCAssignment(0x123), -1);
}

TEST_F(LibraryGUIManager, TheCallbacksOwnBodiesSayTheyAreNotImplemented) {
  testing_support::LogCapture log;
  GUIManagerCB cb;
  cb.run(1);
  tagUX_Message msg;
  cb.MessageReceived(&msg);
  EXPECT_EQ(log.Text(), "Not implemented: GUIManagerCB.run()\nNot implemented: GUIManagerCB.MessageReceived()\n");
}

TEST_F(LibraryGUIManager, PanelSendersPutTheseFramesOnTheBus) {
  const unsigned char raw[] = {1, 2, 3};
  const struct {
    const char* name;
    std::function<void(GUIManager&)> call;
    std::vector<BusFrame> frames;
  } cases[] = {
      {"raw", [&](GUIManager& g) { g.sendRawPanelMsg(0x10123, raw, 3); }, {{0x123, {1, 2, 3}}}},
      {"enum", [](GUIManager& g) { g.sendPanelEnum(0x123, 1, 5); }, {{0x123, {0xB0, 0x01, 0x0A, 0x05}}}},
      {"float", [](GUIManager& g) { g.sendPanelFloat(0x1A0, 2, 3, 1.0f); },
       {{0x1A0, {0xB0, 0x02, 0x03, 0x00, 0x00, 0x80, 0x3F}}}},
      {"short text", [](GUIManager& g) { g.sendPanelText(0x300, 4, "AB"); }, {{0x300, {0xC0, 4, 'A', 'B'}}, {0x300, {0xC1, 4}}}},
      {"empty text", [](GUIManager& g) { g.sendPanelText(0x300, 4, ""); }, {{0x300, {0xC0, 4}}, {0x300, {0xC1, 4}}}},
      {"six characters", [](GUIManager& g) { g.sendPanelText(0x300, 1, "ABCDEF"); },
       {{0x300, {0xC0, 1, 'A', 'B', 'C', 'D', 'E', 'F'}}, {0x300, {0xC1, 1}}}},
      {"ten characters", [](GUIManager& g) { g.sendPanelText(0x300, 4, "ABCDEFGHIJ"); },
       {{0x300, {0xC0, 4, 'A', 'B', 'C', 'D', 'E', 'F'}}, {0x300, {0xC1, 4, 'G', 'H', 'I', 'J'}}}},
      {"thirteen characters are cut to twelve", [](GUIManager& g) { g.sendPanelText(0x300, 2, "ABCDEFGHIJKLM"); },
       {{0x300, {0xC0, 2, 'A', 'B', 'C', 'D', 'E', 'F'}}, {0x300, {0xC1, 2, 'G', 'H', 'I', 'J', 'K', 'L'}}}},
      {"alternative text", [](GUIManager& g) { g.sendPanelText(0x300, 4, "AB", true); },
       {{0x300, {0xE0, 4, 'A', 'B'}}, {0x300, {0xE1, 4}}}},
      {"no text", [](GUIManager& g) { g.sendPanelText(0x300, 4, nullptr); }, {}},
      {"focus", [](GUIManager& g) { g.sendCANFocus(255); }, {{40, {0xA1, 0xFF}}}},
      {"panel mode", [](GUIManager& g) { g.setPanelMode(1); }, {{40, {0xA2, 0x01}}}},
      {"midi", [](GUIManager& g) { g.sendCANMidiMsg(0x90, 0x01, 60, 100); }, {{16, {0x90, 0x01, 0x3C, 0x64}}}},
  };
  for (const auto& c : cases) {
    c.call(gm_);
    for (const BusFrame& f : c.frames) EXPECT_EQ(bus_.Next(), f) << c.name;
    EXPECT_TRUE(bus_.NothingWaiting()) << c.name;
  }
  EXPECT_EQ(gm_.getPanelMode(), 1);
}

TEST_F(LibraryGUIManager, WithoutACanDeviceSendersDoNothing) {
  GUIManager lone(&dc_, nullptr, "");
  const unsigned char raw[] = {1};
  lone.sendRawPanelMsg(1, raw, 1);
  lone.sendPanelEnum(1, 2, 3);
  lone.sendPanelFloat(1, 2, 3, 4.0f);
  lone.sendPanelText(1, 2, "ABC", false);
  lone.sendCANMidiMsg(0x90, 0, 60, 100);
  lone.sendCANFocus(1);
  lone.setPanelMode(3);
  EXPECT_EQ(lone.getPanelMode(), 0);
  EXPECT_TRUE(bus_.NothingWaiting());
}

}  // namespace

#endif  // SYNTH_TOOLKIT_SCRIPT
