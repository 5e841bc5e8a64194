// The diagnostics page over a memory framebuffer: the MIDI monitor's lines and filters, the
// information box from a fixture cpuinfo and the real network address, memory figures
// against the kernel's, and the temperature from a fixture thermal file.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/GUIManager.h"
#include "audio/CAudioProcess.h"
#include "engine/CSynthEngine.h"
#include "midi/FakeRawMidiBackend.h"
#include "numeric/MathTables.h"
#include "pages/diag/appVA_Diag.h"
#include "platform/MemoryFrameBuffer.h"
#include "platform/Paths.h"
#include "tests/app/PageRig.h"
#include "tests/support/Emulation.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxPeakMeter.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxTextBox.h"

namespace {

constexpr char kCpuInfo[] = "/proc/cpuinfo";
constexpr char kThermal[] = "/sys/class/thermal/thermal_zone0/temp";

class DiagPage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(dc.Init(), 0);
    gui = std::make_unique<GUIManager>(&dc, midi);
  }
  void Write(const char* absolute, const std::string& text) {
    const std::string path(absolute);
    root.MakeDir(path.substr(0, path.rfind('/')));
    std::ofstream(platform::DataPath(path)) << text;
  }
  std::unique_ptr<appVA_Diag> Page() {
    return std::make_unique<appVA_Diag>(gui.get(), 0, 0, "PANEL_DIAG", uxPOINT(0, 40), 800, 440, 0x404040);
  }
  static std::vector<std::string> Lines(uxTextBox* box) {
    // Oldest first, as read on screen.
    return std::vector<std::string>(box->GetLines().rbegin(), box->GetLines().rend());
  }

  testing_support::TempDataRoot root;
  platform::MemoryFrameBuffer fb;
  uxDC dc{&fb};
  FakeRawMidiBackend midi;
  std::unique_ptr<GUIManager> gui;
};

TEST_F(DiagPage, MonitorLinesFollowTheTableAndTheFilters) {
  struct Case {
    int port, channel, status, data1, data2;
    const char* line;  // null: no line
  };
  const Case cases[] = {
      {0, 0, 0x80, 60, 0, "[1:1] NOTE-OFF: key=60"},
      {2, 0x19, 0x90, 61, 100, "[3:10] NOTE-ON:  key=61, vel= 100"},
      {0, 15, 0xA0, 62, 30, "[1:16] AFTERTOUCH: key=62, val=30"},
      {1, 1, 0xB0, 7, 99, "[2:2] CC: cntl=7 val=99"},
      {0, 0, 0xC0, 5, 0, "[1:1] PROG: nr=5"},
      {0, 0, 0xD0, 44, 0, "[1:1] PRESS: val=44"},
      {0, 0, 0xE0, 0xC5, 64, "[1:1] PITCH: val=69"},
      {0, 0, 0xF8, 0, 0, nullptr},  // "MIDI CLOCK" starts unchecked
      {0, 0, 0xFA, 0, 0, "START +"},
      {0, 0, 0xFB, 0, 0, "CONTINUE +"},
      {0, 0, 0xFC, 0, 0, "STOP +"},
      {0, 0, 0xFF, 0, 0, "RESET +"},
      {0, 0, 0xF0, 0, 0, nullptr},
      {0, 0, 0x70, 0, 0, nullptr},
  };
  auto page = Page();
  uxTextBox* box = page->MidiBox();
  ASSERT_GT(box->GetCapacity(), 1);
  for (const Case& c : cases) {
    const std::string before = box->GetLines().front();
    const size_t count = box->GetLines().size();
    page->AddMidiLine(c.port, c.channel, c.status, c.data1, c.data2);
    if (c.line == nullptr) {
      EXPECT_EQ(box->GetLines().front(), before) << std::hex << c.status;
      EXPECT_EQ(box->GetLines().size(), count) << std::hex << c.status;
    } else {
      EXPECT_EQ(box->GetLines().front(), c.line);
    }
  }

  // The buttons toggle their own filters: notes and controllers off, clock on.
  page->FilterButton(appVA_Diag::kNoteButton)->SetChecked(false, false);
  page->FilterButton(appVA_Diag::kCcButton)->SetChecked(false, false);
  page->FilterButton(appVA_Diag::kClockButton)->SetChecked(true, false);
  page->AddMidiLine(0, 0, 0x90, 60, 100);
  page->AddMidiLine(0, 0, 0x80, 60, 0);
  page->AddMidiLine(0, 0, 0xB0, 1, 1);
  EXPECT_EQ(box->GetLines().front(), "RESET +");
  page->AddMidiLine(0, 0, 0xA0, 60, 1);
  EXPECT_EQ(box->GetLines().front(), "[1:1] AFTERTOUCH: key=60, val=1");
  page->AddMidiLine(0, 0, 0xF8, 0, 0);
  EXPECT_EQ(box->GetLines().front(), "CLOCK +");
}

TEST_F(DiagPage, InfoBoxFromCpuInfoAndTheNetworkAddress) {
  const std::string longRevision(600, 'x');
  Write(kCpuInfo,
        "processor\t: 0\nHardware\t: Early\nRevision\t: " + longRevision +
            "\nHardware\t: BCM2835\nSerial\t\t: 000001\nSerial Number\t: S-123\n");
  auto page = Page();
  const std::vector<std::string> lines = Lines(page->InfoBox());
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0], "PX415 K-LT Synthesizer OS Ver: 2.40 Rev:C");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "Hardware: BCM2835") << "the last matching line";
  EXPECT_EQ(lines[3], "Revision: " + std::string(53, 'x')) << "the box's own line length";
  EXPECT_EQ(lines[4], "  Serial: S-123") << "a key matches as a line's prefix";
  EXPECT_EQ(std::string(CpuInfoField("Revision")), std::string(255, 'x')) << "a long value is cut, not overrun";
  EXPECT_EQ(std::string(CpuInfoField("Nothing")), std::string(255, 'x')) << "no match keeps the previous value";

  // The address as the system's own tool shows it.
  const testing_support::CommandOutput ip = testing_support::RunCommand("ip -4 -o addr show eth0 2>/dev/null");
  const size_t inet = ip.text.find("inet ");
  if (inet != std::string::npos)
    EXPECT_EQ(lines[5], "      IP: " + ip.text.substr(inet + 5, ip.text.find('/', inet) - inet - 5) + "\n");
  else
    EXPECT_EQ(lines[5], "");
}

TEST_F(DiagPage, WithoutCpuInfoTheFieldsAreEmpty) {
  EXPECT_EQ(CpuInfoField("Hardware"), nullptr);
  auto page = Page();
  const std::vector<std::string> lines = Lines(page->InfoBox());
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[2], "Hardware: ");
  EXPECT_EQ(lines[3], "Revision: ");
  EXPECT_EQ(lines[4], "  Serial: ");
}

TEST_F(DiagPage, MemoryAndTemperatureEveryEighthPaint) {
  Write(kThermal, "45000\n");
  auto page = Page();
  page->OnPaint();
  EXPECT_EQ(std::string(page->TemperatureLabel()->getText()), "45.0 C");
  EXPECT_FLOAT_EQ(page->TemperatureBar()->getLevel(), 45.0f);

  // Total memory as the kernel states it.
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  long totalKb = 0;
  while (meminfo >> key && key != "MemTotal:") meminfo.ignore(256, '\n');
  meminfo >> totalKb;
  // A 32-bit kernel scales sysinfo's sizes to fit its 32-bit fields; the emulator copies the
  // host's byte counts into them and cuts off what is above 4 GiB, so there only the
  // unit is checked.
  const bool sizesFit = !testing_support::kTargetEmulated || totalKb < (1L << 22);
  if (sizesFit) {
    EXPECT_EQ(std::string(page->MemoryLabel(0)->getText()), std::to_string(totalKb) + " kb");
  }
  const std::string used = page->MemoryLabel(1)->getText();
  if (sizesFit) {
    EXPECT_GT(std::stol(used), 0);
  }
  if (sizesFit) {
    EXPECT_LE(std::stol(used), totalKb);
  }
  EXPECT_EQ(used.substr(used.size() - 3), " kb");
  EXPECT_EQ(std::string(page->LoadLabel(0)->getText()), "0") << "no audio process: no load";

  // The sensor goes away: the next reading (eight paints on) is -1000, the bar stays in range.
  std::remove(platform::DataPath(kThermal).c_str());
  for (int i = 0; i < 7; ++i) page->OnPaint();
  EXPECT_EQ(std::string(page->TemperatureLabel()->getText()), "45.0 C");
  page->OnPaint();
  EXPECT_EQ(std::string(page->TemperatureLabel()->getText()), "-477.5 C");
  EXPECT_EQ(page->TemperatureBar()->getLevel(), 0.0f);
  // A reading above the bar's range is held at its top.
  Write(kThermal, "500000");
  for (int i = 0; i < 8 * 40; ++i) page->OnPaint();
  EXPECT_EQ(std::string(page->TemperatureLabel()->getText()), "500.0 C");
  EXPECT_EQ(page->TemperatureBar()->getLevel(), appVA_Diag::kTemperatureMax);
}

// The overrun line is paced in the log; the page shows the count of every overrun.
TEST_F(DiagPage, ShowsTheAudioProcessOverrunCount) {
  auto page = Page();
  page->OnPaint();
  EXPECT_EQ(std::string(page->OverrunsLabel()->getText()), std::to_string(CAudioProcess::Overruns()) + " overruns");
}

// A slot disabled for a missed render deadline adds one to the figure at the next reading.
TEST_F(DiagPage, VoiceDisablesCountedFromTheEngine) {
  initMathTables();
  CSynthEngine engine;
  engine.Create(48000, 128);
  static int call;
  call = 0;
  // Thread 0 reads the clock for its stamp, then once per even slot: slot 0's reading is late.
  engine.SetClock([]() -> timespec { return timespec{100, call++ == 1 ? 3'000'000 : 0}; });
  auto page = Page();
  page->OnPaint();
  const std::string before = page->DisablesLabel()->getText();
  EXPECT_EQ(before, std::to_string(CSynthEngine::SlotDisables()) + " voice disables");
  engine.RenderVoices(nullptr, 0);
  ASSERT_TRUE(engine.SlotDisabled(0));
  for (int i = 0; i < 7; ++i) page->OnPaint();
  EXPECT_EQ(std::string(page->DisablesLabel()->getText()), before);
  page->OnPaint();
  EXPECT_EQ(std::string(page->DisablesLabel()->getText()), std::to_string(CSynthEngine::SlotDisables()) + " voice disables");
  EXPECT_EQ(std::stoul(page->DisablesLabel()->getText()), std::stoul(before) + 1);
}

}  // namespace

namespace {

using DiagPageThreads = DiagPage;

// The MIDI threads add monitor lines while the GUI thread paints and refreshes the page.
TEST_F(DiagPageThreads, MonitorLinesArriveWhileThePagePaints) {
  auto page = Page();
  std::atomic<bool> done{false};
  std::thread midiThread([&] {
    for (int i = 0; i < 3000; ++i) page->AddMidiLine(0, 0, 0x90, i & 0x7F, 100);
    done = true;
  });
  int paints = 0;
  while (!done.load()) {
    page->setRepaint();
    page->OnPaint();
    if (++paints % 100 == 0) page->RefreshInfo();
  }
  midiThread.join();
  EXPECT_EQ(page->MidiBox()->GetLines().size(), static_cast<size_t>(page->MidiBox()->GetCapacity()));
  EXPECT_EQ(page->MidiBox()->GetLines().front(), "[1:1] NOTE-ON:  key=55, vel= 100");
}

// The GUI thread hands the page its messages (focus, repaint, filter toggles by touch) while
// a MIDI thread adds lines and reads the filters.
TEST_F(DiagPageThreads, MonitorLinesArriveWhileThePageTakesMessages) {
  auto page = Page();
  std::atomic<bool> done{false};
  std::thread midiThread([&] {
    for (int i = 0; i < 3000; ++i) page->AddMidiLine(0, 0, i % 2 ? 0x90 : 0xB0, i & 0x7F, 100);
    done = true;
  });
  for (int round = 0; !done.load(); ++round) {
    tagUX_Message focus(UX_MSG_FOCUS, round % 2 ? 1 : 0, 0);
    page->OnMessage(&focus);
    tagUX_Message repaint(UX_MSG_REPAINT);
    page->OnMessage(&repaint);
    page->OnPaint();
  }
  midiThread.join();
  EXPECT_FALSE(page->MidiBox()->GetLines().empty());
}

}  // namespace

// The same page built alone on the page seam: fake services instead of the GUIManager.
namespace {

class DiagPageAlone : public ::testing::Test {
 protected:
  appVA_Diag& Build() { return rig.Build(0u, 0, "PANEL_DIAG", uxPOINT(0, 40), int16_t{800}, int16_t{440}, 0x404040u); }
  void Write(const char* absolute, const std::string& text) {
    const std::string path(absolute);
    root.MakeDir(path.substr(0, path.rfind('/')));
    std::ofstream(platform::DataPath(path)) << text;
  }
  static std::vector<std::string> Lines(uxTextBox* box) {
    return std::vector<std::string>(box->GetLines().rbegin(), box->GetLines().rend());
  }
  void Time(int record, uint32_t busy, uint32_t period) {
    rig.services.timing[record].busyMicros = busy;
    rig.services.timing[record].periodMicros = period;
  }

  testing_support::TempDataRoot root;
  page_rig::PageRig<appVA_Diag> rig;
};

TEST_F(DiagPageAlone, IsTheMidiMonitorWhileItLives) {
  appVA_Diag& page = Build();
  EXPECT_TRUE(rig.services.controllerListeners.empty());
  ASSERT_EQ(rig.services.lineMonitor, &page);
  rig.services.lineMonitor->AddMidiLine(1, 2, 0xB0, 7, 100);
  EXPECT_EQ(page.MidiBox()->GetLines().front(), "[2:3] CC: cntl=7 val=100");
  {
    appVA_Diag other(&rig.services, 0, 0, "PANEL_DIAG", uxPOINT(0, 40), 800, 440, 0x404040);
    EXPECT_EQ(rig.services.lineMonitor, &other) << "the newest page is the monitor";
  }
  EXPECT_EQ(rig.services.lineMonitor, nullptr) << "a page that goes takes its registration along";
}

// Engine A, engine B, and the sum of the effect threads (records 3 on); record 2 is not
// shown. Each figure is the mean of its readings, one every eighth paint.
TEST_F(DiagPageAlone, LoadMetersAreMeansOfTheAudioTimingRecords) {
  Time(0, 1000, 2000);
  Time(1, 500, 2000);
  Time(2, 2000, 2000);
  Time(3, 200, 2000);
  Time(CAudioProcess::kTimingRecords - 1, 300, 2000);
  appVA_Diag& page = Build();
  page.OnPaint();
  const char* first[3] = {"50", "25", "25"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(std::string(page.LoadLabel(i)->getText()), first[i]) << i;

  Time(0, 0, 2000);
  Time(1, 500, 0);  // no period yet: no load
  for (int i = 0; i < 7; ++i) page.OnPaint();
  EXPECT_EQ(std::string(page.LoadLabel(0)->getText()), "50") << "read only every eighth paint";
  page.OnPaint();
  const char* second[3] = {"25", "12", "25"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(std::string(page.LoadLabel(i)->getText()), second[i]) << i;
  EXPECT_TRUE(rig.services.Take().empty()) << "painting asks the services for nothing but reads";
}

TEST_F(DiagPageAlone, ShowingThePageReadsTheInfoAgainAndTouchesReachItsButtons) {
  Write(kCpuInfo, "Hardware\t: First\n");
  appVA_Diag& page = Build();
  Write(kCpuInfo, "Hardware\t: Second\n");
  EXPECT_EQ(Lines(page.InfoBox())[2], "Hardware: First");
  rig.Show();
  EXPECT_EQ(Lines(page.InfoBox())[2], "Hardware: Second");

  rig.services.Take();
  rig.Touch(380 + 65, 80 + 30);  // "MIDI CLOCK"
  rig.Touch(20, 350);            // nothing there
  // Only the button under the finger is pressed (every button reports a release).
  std::vector<std::string> presses;
  for (const std::string& call : rig.services.Take())
    if (call.rfind("SendMessage 266 ", 0) == 0) presses.push_back(call);
  EXPECT_EQ(presses, std::vector<std::string>{"SendMessage 266 14 0"});

  // Panel frames the core hands to pages arrive; the page has no use for them.
  rig.Encoder(144, 130);
  EXPECT_TRUE(rig.Can(300, {0xB0, 0, 9, 5}));
  EXPECT_FALSE(rig.Can(149, {132})) << "keys act in the core";
  EXPECT_TRUE(rig.services.Take().empty());
}

// The page's picture from the image directory is painted behind its boxes.
TEST_F(DiagPageAlone, PaintsItsBackgroundImage) {
  toolkit_test::Picture image;
  image.width = 800;
  image.height = 440;
  image.pixels.assign(static_cast<size_t>(image.width) * image.height, 0x123456);
  root.MakeDir(PATH_IMAGES);
  ASSERT_TRUE(toolkit_test::WritePng(platform::DataPath(std::string(PATH_IMAGES) + "Diagnostics.png"), image));
  Build();
  rig.Show();
  rig.dc.FillScreen(0);
  rig.Paint();
  const toolkit_test::Picture screen = rig.Screen();
  EXPECT_GT(std::count(screen.pixels.begin(), screen.pixels.end(), 0x123456u), 1000);
}

// The page as shown, from fixture files and fixed loads. The memory figures and the network
// address are the machine's own, so their places are blanked before the comparison.
TEST_F(DiagPageAlone, GoldenPicture) {
  Write(kCpuInfo, "Hardware\t: BCM2835\nRevision\t: a02082\nSerial\t\t: 00000000c0ffee00\n");
  Write(kThermal, "52300\n");
  Time(0, 1200, 2666);
  Time(1, 400, 2666);
  Time(3, 800, 2666);
  appVA_Diag& page = Build();
  rig.Show();
  page.AddMidiLine(0, 0, 0x90, 60, 100);
  page.AddMidiLine(1, 9, 0xB0, 74, 12);
  page.AddMidiLine(0, 0, 0xFA, 0, 0);
  rig.dc.FillScreen(0);
  rig.Paint();
  toolkit_test::Picture picture = rig.Screen();
  auto blank = [&picture](int x0, int y0, int x1, int y1) {  // screen coordinates
    for (int y = y0 - 40; y < y1 - 40; ++y)
      for (int x = x0; x < x1; ++x) picture.pixels[static_cast<size_t>(y) * picture.width + x] = 0;
  };
  blank(600, 40, 800, 480);   // memory
  blank(380, 380, 730, 470);  // information box (the address line)
  EXPECT_TRUE(toolkit_test::MatchesGolden("diag_page", picture));
}

}  // namespace
