// The front-panel protocol seen from outside: frames in, the messages the page tree gets (in
// order), the active tab and panel, the audio process, the screen file; and the frames the
// senders put on the bus.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/GUIManager.h"
#include "midi/CMidiDev.h"
#include "platform/Paths.h"
#include "tests/app/PanelRig.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RunCommand.h"
#include "toolkit/uxPopupMsg.h"

namespace {

using app_test::FloatFrame;
using app_test::PanelRig;
using Frame = toolkit_test::BusFrame;
using Lines = std::vector<std::string>;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct FrameCase {
  const char* what;
  uint16_t id;
  std::vector<uint8_t> bytes;
  Lines messages;
};

TEST(PanelProtocol, FramesBecomePageMessages) {
  const std::vector<FrameCase> cases = {
      {"byte kind, part bits masked", 300, {0xB0, 5, 9, 42}, {"273 300 1 0 42"}},
      {"kind 11 is a byte too", 766, {0xB0, 3, 11, 7}, {"273 766 3 0 7"}},
      {"byte kinds on the volume ids are page values", 416, {0xB0, 1, 9, 5}, {"273 416 1 0 5"}},
      {"float kind", 256, FloatFrame(0xB0, 2, 1, 2.5f), {"273 256 2 0 2.5"}},
      {"enum kind carries a float", 301, FloatFrame(0xB0, 0, 10, 3.0f), {"273 301 0 0 3"}},
      {"kind 12 ignored", 300, FloatFrame(0xB0, 0, 12, 1.0f), {}},
      {"kind 0 ignored", 300, FloatFrame(0xB0, 0, 0, 1.0f), {}},
      {"float frame cut short", 300, {0xB0, 0, 1, 0, 0}, {}},
      {"byte frame cut short", 300, {0xB0, 0, 9}, {}},
      {"empty frame", 300, {}, {}},
      {"assignment", 400, FloatFrame(0xE0, 6, 99, 0.5f), {"276 400 2 0 0.5"}},
      {"assignment cut short", 400, {0xE0, 0, 0, 0}, {}},
      {"value command outside the value ids goes by id", 145, {0xB0, 0, 1}, {"274 145 176 0", "275 145 176 0"}},
      {"encoder", 144, {130}, {"274 144 130 0", "275 144 130 0"}},
      {"id 148 is encoder 5, not a key", 148, {132}, {"274 148 132 0"}},
      {"id 40 with a value command", 40, FloatFrame(0xB0, 0, 1, 1.0f), {}},
      {"unknown command", 40, {0xA9, 1}, {}},
      {"unknown id", 767, FloatFrame(0xB0, 0, 1, 1.0f), {}},
      {"select part cut short", 40, {0xA0}, {}},
      {"select part", 40, {0xA0, 2}, {"266 10 0 0", "279 2 0 0"}},
      {"assignment source", 40, {0xA4, 5}, {"270 14 1 0", "269 14 1 5", "259 4 1 5", "277 5 0 0", "277 5 1 0"}},
      {"focus past the table only prints", 40, {0xA1, 14}, {}},
  };
  PanelRig rig;
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.what);
    rig.manager->SetCurrentPanel(-1);
    rig.Frame(c.id, c.bytes);
    EXPECT_EQ(rig.manager->Take(), c.messages);
  }
}

class RecordingMidiDev : public CMidiDev {
 public:
  void OnMidiInput(int channel, int status, uint8_t data1, uint8_t data2) override {
    seen.push_back(std::to_string(channel) + " " + std::to_string(status) + " " + std::to_string(data1) + " " +
                   std::to_string(data2));
  }
  Lines seen;
};

TEST(PanelProtocol, MidiFramesJoinTheMidiInputAndTheCallbackReachesTheReceiver) {
  PanelRig rig;
  RecordingMidiDev midi;
  rig.manager->SetMidiDevice(&midi);
  const uint8_t noteOn[] = {0x90, 3, 60, 100};
  OnCanMessage(16, noteOn, 4);  // no receiver yet
  SetCanReceiver(rig.manager.get());
  OnCanMessage(16, noteOn, 4);
  OnCanMessage(16, noteOn, 3);  // cut short
  SetCanReceiver(nullptr);
  EXPECT_EQ(midi.seen, (Lines{"3 144 60 100"}));
  EXPECT_TRUE(rig.manager->Take().empty());
}

TEST(PanelProtocol, FocusNumbersOpenTheirPanels) {
  const int panels[] = {8, 6, 9, 7, 0, 1, 2, 5, 3, 4, 10, 11, 12, 13};
  // The oscillator and noise (0-2), filter (3, 4), shaper (5), envelope (6-9) and LFO
  // (10-12) editors close themselves when another panel opens.
  const std::set<int> closesItself = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  PanelRig rig;
  testing_support::LogCapture log;
  std::string expectedLog;
  for (int n = 0; n <= 15; ++n) {
    SCOPED_TRACE(n);
    rig.manager->MainMenu()->setActiveTab(1);
    rig.Frame(40, {0xA1, static_cast<uint8_t>(n)});
    expectedLog += "CANRX: Focus " + std::to_string(n) + "\n";
    if (n < 14) {
      const std::string p = std::to_string(panels[n]);
      // The voice page's selector opens the editor and locks the other selectors.
      Lines expected = {"270 " + p + " 1 0"};
      if (n > 0 && closesItself.count(panels[n - 1])) expected.insert(expected.end(), {"259 3 0 0", "259 0 0 0"});
      expected.insert(expected.end(), {"269 " + p + " 1 -1", "259 4 1 -1"});
      EXPECT_EQ(rig.manager->Take(), expected);
      EXPECT_EQ(rig.manager->CurrentPanel(), panels[n]);
      EXPECT_EQ(rig.Tab(), 3);
    } else {
      EXPECT_TRUE(rig.manager->Take().empty());
      EXPECT_EQ(rig.Tab(), 1);
    }
  }
  EXPECT_NE(log.Text().find(expectedLog), std::string::npos) << log.Text();
}

struct KeyCase {
  int id;
  int code;
  int panelBefore;
  int tab;    // after; starts at 1
  int panel;  // after; a tab change closes the panel too (the tab control's focus message)
  Lines messages;
};

TEST(PanelProtocol, KeysSwitchPagesAsTheirTableSays) {
  const std::vector<KeyCase> cases = {
      {148, 132, 5, 2, -1, {}},
      {148, 134, 5, 1, 5, {}},
      {148, 130, 5, 1, 5, {}},
      {149, 134, 5, 5, -1, {}},
      {149, 130, 5, 4, -1, {}},
      {149, 133, 5, 1, 5, {}},
      {150, 134, 5, 7, -1, {}},
      {150, 130, 5, 3, -1, {"270 14 1 0", "269 14 1 -1", "259 4 1 -1"}},
      {150, 130, 14, 1, -1, {}},
      {151, 134, 5, 0, -1, {}},
      {151, 130, 5, 1, -1, {}},
      {152, 134, 5, 6, -1, {"270 -1 0 0"}},
      // The modulation matrix opened above is still shown: it closes itself.
      {152, 130, 5, 3, -1, {"270 -1 0 0", "259 3 0 0", "259 0 0 0"}},
      {153, 134, 5, 8, -1, {}},
      {153, 130, 5, 1, 5, {"270 -1 0 0", "259 278 0 0"}},
      {154, 130, 5, 1, 5, {"257 1 0 0"}},
      {155, 134, 5, 7, -1, {}},
      {155, 130, 5, 7, -1, {}},
      {155, 133, 5, 1, 5, {}},
      {156, 134, 5, 6, -1, {}},
      {156, 130, 5, 6, -1, {}},
  };
  PanelRig rig;
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + "/" + std::to_string(c.code));
    rig.manager->MainMenu()->setActiveTab(1);
    rig.manager->SetCurrentPanel(c.panelBefore);
    rig.manager->Take();
    if (c.id == 148) rig.manager->CANKeyEvent(c.id, c.code);  // its frames are encoder 5's
    else rig.Frame(static_cast<uint16_t>(c.id), {static_cast<uint8_t>(c.code)});
    EXPECT_EQ(rig.Tab(), c.tab);
    EXPECT_EQ(rig.manager->CurrentPanel(), c.panel);
    EXPECT_EQ(rig.manager->Take(), c.messages);
  }
}

TEST(PanelProtocol, ActivatePanelOpensOnceAndPassesTheAssignmentSource) {
  PanelRig rig;
  rig.manager->ActivatePanel(7, -1, 1);
  EXPECT_EQ(rig.manager->Take(), (Lines{"270 7 1 0", "269 7 1 -1", "259 4 1 -1"}));
  rig.manager->ActivatePanel(7, -1, 1);
  EXPECT_TRUE(rig.manager->Take().empty()) << "the panel is already open";
  rig.manager->ActivatePanel(7, 3, 1);
  EXPECT_EQ(rig.manager->Take(), (Lines{"277 3 1 0"}));
  rig.manager->ActivatePanel(2, 4, 0);
  // The envelope editor open on panel 7 closes itself (its focus messages 3 and 0).
  EXPECT_EQ(rig.manager->Take(), (Lines{"270 2 1 0", "259 3 0 0", "259 0 0 0", "269 2 0 4", "259 4 0 4", "277 4 0 0",
                                        "277 4 1 0"}));
  EXPECT_EQ(rig.manager->CurrentPanel(), 2);
  // A focus message with param 2 closes the panel for the next activation.
  tagUX_Message focus(UX_MSG_FOCUS, 2, 0);
  EXPECT_EQ(rig.manager->HookSendMessage(&focus), 1);
  EXPECT_EQ(rig.manager->CurrentPanel(), -1);
}

TEST(PanelProtocol, SelectPartShowsTheMasterPage) {
  PanelRig rig;
  for (int part : {0, 3, 4}) {
    SCOPED_TRACE(part);
    rig.manager->MainMenu()->setActiveTab(3);
    rig.manager->SetCurrentPanel(9);
    rig.manager->Take();
    rig.manager->SelectPart(part);
    // The Master page hears the part button and shows the part's SYNTH tab.
    EXPECT_EQ(rig.Tab(), part < 4 ? 2 : 1);
    EXPECT_EQ(rig.manager->CurrentPanel(), -1);
    const Lines expected =
        part < 4 ? Lines{"266 " + std::to_string(8 + part) + " 0 0", "279 " + std::to_string(part) + " 0 0"}
                 : Lines{"279 4 0 0"};
    EXPECT_EQ(rig.manager->Take(), expected);
  }
}

TEST(PanelProtocol, MasterVolumeFollowsTheCurveWithinZeroToHundred) {
  struct Case {
    float percent;
    float level;  // master level after the ramp; 0.8 is the start-up level
  };
  const Case cases[] = {{50.0f, 0.13964f}, {150.0f, 0.13964f}, {100.0f, 1.0f}, {kNaN, 1.0f},
                        {-1.0f, 1.0f},     {0.0f, 0.0f},       {99.9f, 0.964716f}};
  PanelRig rig;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.percent);
    rig.Frame(416, FloatFrame(0xB0, 0, 1, c.percent));
    for (int i = 0; i < 400; ++i) rig.audio->ProcessCycle(0, 0.0f);
    EXPECT_NEAR(rig.audio->MasterLevel(), c.level, 1e-5f);
  }
  EXPECT_TRUE(rig.manager->Take().empty()) << "master volume is not a page value";
}

// This machine has no sound card: the real mixer code says so, unless the value is no number.
TEST(PanelProtocol, HeadphoneLevelGoesToTheMixerNotThePage) {
  PanelRig rig;
  testing_support::LogCapture log;
  rig.Frame(417, FloatFrame(0xB0, 0, 1, kNaN));
  EXPECT_EQ(log.Text().find("Alsa Mixer"), std::string::npos) << log.Text();
  rig.Frame(417, FloatFrame(0xB0, 0, 1, 50.0f));
  EXPECT_TRUE(rig.manager->Take().empty());
  EXPECT_NE(log.Text().find("Alsa Mixer no sound card found "), std::string::npos) << log.Text();
}

// The screen dump is the encoder-5 alternative press.
TEST(PanelProtocol, ScreenDumpWritesAPngUnlessAPopupIsUp) {
  PanelRig rig;
  const std::string dir = platform::DataPath(PATH_IMAGES);
  rig.Frame(147, {134});
  const std::string first = dir + "screen_save0.png";
  struct stat st{};
  ASSERT_EQ(stat(first.c_str(), &st), 0);
  EXPECT_TRUE(rig.manager->PopupMessage()->isVisible());
  EXPECT_EQ(rig.manager->PopupTimer(popupMsg).load(), 100);

  // Python's zlib decodes it: 480 rows of a filter byte and 800 RGBA pixels.
  const testing_support::CommandOutput out = testing_support::RunCommand(
      "python3 -c \"import sys,struct,zlib; d=open(sys.argv[1],'rb').read(); assert d[:8]==b'\\x89PNG\\r\\n\\x1a\\n';"
      " w,h,bits,ct=struct.unpack('>IIBB',d[16:26]); i=8; z=b''\n"
      "while i<len(d):\n n=struct.unpack('>I',d[i:i+4])[0]; t=d[i+4:i+8]; z+=d[i+8:i+8+n] if t==b'IDAT' else b''; i+=12+n\n"
      "print(w,h,bits,ct,len(zlib.decompress(z)))\" " +
      first);
  EXPECT_EQ(out.status, 0) << out.text;
  EXPECT_EQ(out.text, "800 480 8 6 " + std::to_string(480 * (1 + 800 * 4)) + "\n");

  // While a popup counts down, the number is used up but nothing is written.
  rig.Frame(147, {134});
  EXPECT_NE(stat((dir + "screen_save1.png").c_str(), &st), 0);
  rig.manager->PopupTimer(popupMsg).store(0);
  rig.Frame(147, {133});
  EXPECT_EQ(rig.manager->Take(), (Lines{"274 147 133 0", "275 147 133 0"}));
  rig.Frame(147, {134});
  EXPECT_EQ(stat((dir + "screen_save2.png").c_str(), &st), 0);
}

// SIGTERM must find the settings on the card: the delayed save would come too late.
TEST(PanelProtocol, ShutdownOnlyWhenArmedAndAfterSaving) {
  PanelRig rig;
  std::vector<std::string> order;
  const std::string settingsFile = rig.bus.Root().Root() + "/var/lib/ruv/working/[default].settings";
  rig.manager->SetShutdownAction([&] {
    struct stat st{};
    order.push_back(stat(settingsFile.c_str(), &st) == 0 ? "shutdown, settings saved" : "shutdown, settings lost");
    for (const std::string& line : rig.journal.Take()) order.push_back(line);
  });
  auto stops = [&] {
    for (const std::string& line : rig.journal.Take()) order.push_back(line);
    return std::exchange(order, {});
  };
  rig.Frame(40, {0xA5});
  const std::vector<std::string> fourStops = stops();
  std::vector<std::string> events;
  for (const std::string& line : fourStops)
    if (line.rfind("event", 0) == 0) events.push_back(line);
  EXPECT_EQ(events, (std::vector<std::string>{"event 12 part 0 note 0 second 0", "event 12 part 1 note 0 second 0",
                                              "event 12 part 2 note 0 second 0", "event 12 part 3 note 0 second 0"}));

  rig.manager->Settings().XMLLoadSettings("[default]", true);
  rig.manager->ValueChanged(0x100000 | (5 << 12) | 0xB16, FLAG_UPDATE_DS, 70.0f);
  rig.Frame(154, {134});
  EXPECT_EQ(rig.Tab(), 9);
  EXPECT_TRUE(rig.manager->ShutdownArmed());
  rig.Frame(154, {133});
  EXPECT_FALSE(rig.manager->ShutdownArmed());
  rig.Frame(40, {0xA5});
  EXPECT_EQ(stops(), fourStops);

  rig.Frame(154, {134});
  rig.Frame(40, {0xA5});
  std::vector<std::string> expected = {"shutdown, settings saved"};
  expected.insert(expected.end(), fourStops.begin(), fourStops.end());
  EXPECT_EQ(stops(), expected);
  std::ifstream saved(settingsFile);
  const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("70"), std::string::npos);
}

struct TextCase {
  const char* text;
  bool alt;
  std::vector<Frame> frames;
};

TEST(PanelSenders, TextsEnumsFocusAndModeFrames) {
  const std::vector<TextCase> cases = {
      {"", false, {{0x155, {0xC0, 3}}, {0x155, {0xC1, 3}}}},
      {"ABCDEF", false, {{0x155, {0xC0, 3, 'A', 'B', 'C', 'D', 'E', 'F'}}, {0x155, {0xC1, 3}}}},
      {"ABCDEFG", false, {{0x155, {0xC0, 3, 'A', 'B', 'C', 'D', 'E', 'F'}}, {0x155, {0xC1, 3, 'G'}}}},
      {"ABCDEFGHIJKL", true,
       {{0x155, {0xE0, 3, 'A', 'B', 'C', 'D', 'E', 'F'}}, {0x155, {0xE1, 3, 'G', 'H', 'I', 'J', 'K', 'L'}}}},
      {"ABCDEFGHIJKLM", false,
       {{0x155, {0xC0, 3, 'A', 'B', 'C', 'D', 'E', 'F'}}, {0x155, {0xC1, 3, 'G', 'H', 'I', 'J', 'K', 'L'}}}},
  };
  PanelRig rig;
  ASSERT_TRUE(rig.HasBus());
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.text);
    rig.manager->sendPanelText(0x10155, 3, c.text, c.alt);
    EXPECT_EQ(rig.FramesSent(), c.frames);
  }
  rig.manager->sendPanelEnum(0x301A7, 2, 0x1FF);
  rig.manager->sendCANFocus(255);
  rig.manager->setPanelMode(0);
  EXPECT_EQ(rig.FramesSent(), (std::vector<Frame>{{0x1A7, {0xB0, 2, 0x0A, 0xFF}}, {40, {0xA1, 0xFF}}, {40, {0xA2, 0}}}));
  EXPECT_EQ(rig.manager->getPanelMode(), 0);
}

// A silent bus member: the hub of "can0" accepts the connection and never reads.
class SilentHub {
 public:
  explicit SilentHub(const std::string& path) {
    fd_ = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    unlink(path.c_str());
    ok_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(fd_, 4) == 0;
  }
  ~SilentHub() {
    if (fd_ >= 0) close(fd_);
  }
  bool Ok() const { return ok_; }

 private:
  int fd_ = -1;
  bool ok_ = false;
};

// The beat pulse goes out on the audio thread: a bus that stops reading must cost frames,
// never the period.
TEST(PanelSendersThreads, FramesAreDroppedWhenTheBusDoesNotRead) {
  testing_support::TempDataRoot root;
  const std::string hubPath = platform::VirtualCanOps::HubPath(root.Root(), "can0");
  auto hub = std::make_unique<SilentHub>(hubPath);
  ASSERT_TRUE(hub->Ok());
  platform::VirtualCanOps sockets(root.Root());
  CCANDev can(sockets);
  if (!toolkit_test::Cpu0Available()) GTEST_SKIP() << "the receive thread needs CPU 0";
  ASSERT_EQ(can.Open("can0"), 0);

  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::thread sender([&] {
    for (int i = 0; i < 1000; ++i) can.SendRAW(32, nullptr, 0);
    std::lock_guard<std::mutex> lock(mutex);
    finished = true;
    done.notify_all();
  });
  {
    std::unique_lock<std::mutex> lock(mutex);
    done.wait_for(lock, std::chrono::seconds(10), [&] { return finished; });
  }
  EXPECT_TRUE(finished) << "a bus write blocked";
  if (!finished) hub.reset();  // resets the connection, so the blocked write returns
  sender.join();
  can.Close();
}

}  // namespace

namespace {

// Keys, focus and part frames arrive in "CAN-RX" while the GUI thread ticks and paints.
TEST(PanelProtocolThreads, PanelFramesWhileTheGuiTicks) {
  PanelRig rig;
  rig.manager->record = false;
  std::atomic<bool> stop{false};
  std::thread gui([&] {
    while (!stop.load()) rig.manager->Tick();
  });
  for (int round = 0; round < 20; ++round) {
    for (int id = 149; id <= 156; ++id) {
      if (id == 154) continue;  // would arm the shutdown
      rig.Frame(static_cast<uint16_t>(id), {130});
      rig.Frame(static_cast<uint16_t>(id), {134});
    }
    rig.Frame(40, {0xA1, static_cast<uint8_t>(round % 14)});
    rig.Frame(40, {0xA0, static_cast<uint8_t>(round % 4)});
    rig.Frame(300, {0xB0, 0, 9, static_cast<uint8_t>(round)});
  }
  stop.store(true);
  gui.join();
  EXPECT_EQ(rig.Tab(), 2);  // the last part selection shows the part's SYNTH page
}

}  // namespace
