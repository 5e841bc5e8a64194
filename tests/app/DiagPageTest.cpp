// The diagnostics page over a memory framebuffer: the MIDI monitor's lines and filters, the
// information box from a fixture cpuinfo and the real network address, memory figures
// against the kernel's, and the temperature from a fixture thermal file.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/GUIManager.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/diag/appVA_Diag.h"
#include "platform/MemoryFrameBuffer.h"
#include "platform/Paths.h"
#include "tests/support/Emulation.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxDC.h"
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
  if (sizesFit) EXPECT_EQ(std::string(page->MemoryLabel(0)->getText()), std::to_string(totalKb) + " kb");
  const std::string used = page->MemoryLabel(1)->getText();
  if (sizesFit) EXPECT_GT(std::stol(used), 0);
  if (sizesFit) EXPECT_LE(std::stol(used), totalKb);
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

}  // namespace
