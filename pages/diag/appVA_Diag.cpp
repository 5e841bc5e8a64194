#include "pages/diag/appVA_Diag.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "audio/CAudioProcess.h"
#include "engine/CSynthEngine.h"
#include "platform/Paths.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxPeakMeter.h"
#include "toolkit/uxTextBox.h"

namespace {

constexpr char kCpuInfoPath[] = "/proc/cpuinfo";
constexpr char kThermalPath[] = "/sys/class/thermal/thermal_zone0/temp";
constexpr char kInterface[] = "eth0";
constexpr char kBackground[] = "Diagnostics.png";
constexpr float kNoTemperature = -1000.0f;

constexpr uxCOLOR kBoxColours[3] = {0x202020, 0x808080, 0xFFFFFF};
constexpr int kBoxFont = 7;
constexpr uxCOLOR kButtonColours[3] = {0x101040, 0x0000FF, 0xFFFFFF};
constexpr uxCOLOR kMeterColours[4] = {0x101010, 0x808080, 0xC00000, 0xFFFFFF};
constexpr uxCOLOR kBarColours[3] = {0x101010, 0x808080, 0x0000C0};
constexpr uxCOLOR kFigureText = 0x808080;
constexpr int kFigureFont = 0;

struct FilterSpec {
  const char* caption;
  unsigned id;
  int y;
  bool checked;
};
constexpr FilterSpec kFilterButtons[] = {
    {"MIDI CLOCK", appVA_Diag::kClockButton, 80, false},
    {"MIDI CC", appVA_Diag::kCcButton, 160, true},
    {"MIDI NOTE", appVA_Diag::kNoteButton, 240, true},
};

constexpr int kMeterX[3] = {10, 88, 164};
constexpr int kLoadLabelX[3] = {40, 114, 192};
constexpr int kMemoryY[3] = {80, 160, 240};
constexpr int kDisablesY = 320;
constexpr int kOverrunsY = 350;

// Which filter button a monitor line needs (0: none) and its text.
enum Filter { kAlways, kNotes, kControllers, kClock };
struct MonitorLine {
  int status;
  Filter filter;
  const char* format;  // after the "[port:channel] " prefix; null: the text stands alone
  const char* text;
};
constexpr MonitorLine kMonitorLines[] = {
    {0x80, kNotes, "[%d:%d] NOTE-OFF: key=%d", nullptr},
    {0x90, kNotes, "[%d:%d] NOTE-ON:  key=%d, vel= %d", nullptr},
    {0xA0, kAlways, "[%d:%d] AFTERTOUCH: key=%d, val=%d", nullptr},
    {0xB0, kControllers, "[%d:%d] CC: cntl=%d val=%d", nullptr},
    {0xC0, kAlways, "[%d:%d] PROG: nr=%d", nullptr},
    {0xD0, kAlways, "[%d:%d] PRESS: val=%d", nullptr},
    {0xE0, kAlways, "[%d:%d] PITCH: val=%d", nullptr},
    {0xF8, kClock, nullptr, "CLOCK +"},
    {0xFA, kAlways, nullptr, "START +"},
    {0xFB, kAlways, nullptr, "CONTINUE +"},
    {0xFC, kAlways, nullptr, "STOP +"},
    {0xFF, kAlways, nullptr, "RESET +"},
};

// Busy share of a thread's period in percent; 0 before it has run twice.
float LoadPercent(const CAudioProcess::TimingRecord& r) {
  return r.periodMicros != 0 ? 100.0f * static_cast<float>(r.busyMicros) / static_cast<float>(r.periodMicros) : 0.0f;
}

float ReadTemperature() {
  FILE* file = std::fopen(platform::DataPath(kThermalPath).c_str(), "r");
  if (file == nullptr) return kNoTemperature;
  long milli = 0;
  const bool read = std::fscanf(file, "%ld", &milli) == 1;
  std::fclose(file);
  return read ? static_cast<float>(milli) / 1000.0f : kNoTemperature;
}

// False when the interface has no IPv4 address (or does not exist).
bool InterfaceAddress(const char* name, char* text, std::size_t size) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool found = false;
  for (ifaddrs* a = list; a != nullptr && !found; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || std::strcmp(a->ifa_name, name) != 0) continue;
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
    found = inet_ntop(AF_INET, &in->sin_addr, text, static_cast<socklen_t>(size)) != nullptr;
  }
  freeifaddrs(list);
  return found;
}

}  // namespace

const char* CpuInfoField(const char* key) {
  static char value[256];
  FILE* file = std::fopen(platform::DataPath(kCpuInfoPath).c_str(), "r");
  if (file == nullptr) return nullptr;
  const std::size_t keyLength = std::strlen(key);
  char line[512];
  bool lineStart = true;
  while (std::fgets(line, sizeof line, file) != nullptr) {
    const std::size_t length = std::strlen(line);
    const bool whole = length > 0 && line[length - 1] == '\n';
    // Only the first piece of a line longer than the buffer can begin with the key; its
    // value is cut to the buffer.
    if (lineStart && std::strncmp(line, key, keyLength) == 0) {
      if (whole) line[length - 1] = '\0';
      const char* colon = std::strstr(line, ": ");
      std::snprintf(value, sizeof value, "%s", colon != nullptr ? colon + 2 : "");
    }
    lineStart = whole;
  }
  std::fclose(file);
  return value;
}

// Over the values so far until the ring is full, so the first figures are not pulled
// toward zero by empty slots.
float appVA_Diag::Mean::Add(float v) {
  slot[count++ % kMeanSlots] = v;
  const uint32_t n = count < kMeanSlots ? count : kMeanSlots;
  float sum = 0.0f;
  for (uint32_t i = 0; i < n; ++i) sum += slot[i];
  return sum / static_cast<float>(n);
}

appVA_Diag::appVA_Diag(PageServices* services, uint32_t id, int /*value*/, const char* name, uxPOINT pos,
                       int16_t w, int16_t h, uxCOLOR colour)
    : uxPanelCtrl(services, id, name, pos, w, h, colour), services_(services) {
  // The page's picture behind the boxes; without the file the panel's colour stands.
  backgroundImage_ = dc_ ? dc_->loadImage(kBackground) : -1;
  uxHost* manager = services;
  midi_ = new uxTextBox(manager, "MIDI Diag", uxPOINT(10, 80), 350, 220, kBoxColours[0], kBoxColours[1],
                        kBoxColours[2], kBoxFont);
  AddElement(midi_);
  midi_->AddLine("listen...");
  info_ = new uxTextBox(manager, "Info", uxPOINT(380, 380), 350, 90, kBoxColours[0], kBoxColours[1], kBoxColours[2],
                        kBoxFont);
  AddElement(info_);
  uxButton** buttons[] = {&clock_, &cc_, &note_};
  for (int i = 0; i < 3; ++i) {
    const FilterSpec& b = kFilterButtons[i];
    auto* button = new uxButton(manager, b.caption, b.id, uxPOINT(380, b.y), 130, 60, kButtonColours[0],
                                kButtonColours[1], kButtonColours[2]);
    button->SetChecked(b.checked, false);
    AddElement(button);
    *buttons[i] = button;
  }
  for (int i = 0; i < 3; ++i) {
    meter_[i] = new uxPeakMeter(manager, static_cast<unsigned>(-1), static_cast<int16_t>(kMeterX[i]), 390, 25, 80,
                                kMeterColours[0], kMeterColours[1], kMeterColours[2], kMeterColours[3]);
    AddElement(meter_[i]);
  }
  for (int i = 0; i < 3; ++i) {
    loadLabel_[i] = new uxLabel(manager, uxPOINT(kLoadLabelX[i], 390), 45, 20, colour, colour, kFigureText, kFigureFont);
    AddElement(loadLabel_[i]);
  }
  for (int i = 0; i < 3; ++i) {
    memory_[i] = new uxLabel(manager, uxPOINT(610, kMemoryY[i]), 120, 30, colour, colour, kFigureText, kFigureFont);
    AddElement(memory_[i]);
  }
  disables_ = new uxLabel(manager, uxPOINT(610, kDisablesY), 120, 30, colour, colour, kFigureText, kFigureFont);
  AddElement(disables_);
  overruns_ = new uxLabel(manager, uxPOINT(610, kOverrunsY), 120, 30, colour, colour, kFigureText, kFigureFont);
  AddElement(overruns_);
  temperatureBar_ = new uxBarCtrl(manager, static_cast<unsigned>(-1), 276, 390, 25, 80, kBarColours[0],
                                  kBarColours[1], kBarColours[2]);
  temperatureBar_->setMax(kTemperatureMax);
  AddElement(temperatureBar_);
  temperatureLabel_ = new uxLabel(manager, uxPOINT(302, 390), 55, 20, colour, colour, kFigureText, kFigureFont);
  AddElement(temperatureLabel_);
  RefreshInfo();
  services_->SetMidiLineMonitor(this);
}

appVA_Diag::~appVA_Diag() { services_->RemoveMidiLineMonitor(this); }

uxButton* appVA_Diag::FilterButton(unsigned id) const {
  return id == kClockButton ? clock_ : id == kCcButton ? cc_ : id == kNoteButton ? note_ : nullptr;
}

int appVA_Diag::OnMessage(tagUX_Message* msg) {
  {
    // The MIDI threads write the monitor box and read the filter buttons under this lock;
    // a message changes their state (focus, repaint, a toggle) under it too.
    std::lock_guard<platform::PiMutex> lock(monitorMutex_);
    uxPanelCtrl::OnMessage(msg);
  }
  if (msg == nullptr || !isFocus()) return 1;
  if (msg->type == UX_MSG_TICK_EVENT) {
    for (uxPeakMeter* m : meter_) m->doTick();
  } else if (msg->type == UX_MSG_FOCUS && msg->param == 1) {
    RefreshInfo();
  }
  return 1;
}

void appVA_Diag::RefreshInfo() {
  std::lock_guard<platform::PiMutex> lock(monitorMutex_);
  info_->Clear();
  info_->AddLine("%s K-LT Synthesizer OS Ver: %s Rev:%s", "PX415", "2.40", "C");
  info_->AddLine("%s", "");
  const char* keys[3] = {"Hardware", "Revision", "Serial"};
  const char* formats[3] = {"Hardware: %s", "Revision: %s", "  Serial: %s"};
  for (int i = 0; i < 3; ++i) {
    const char* field = CpuInfoField(keys[i]);
    info_->AddLine(formats[i], field != nullptr ? field : "");
  }
  char address[INET_ADDRSTRLEN] = {};
  if (InterfaceAddress(kInterface, address, sizeof address))
    info_->AddLine("      IP: %s\n", address);
  else
    info_->AddLine("%s", "");
}

void appVA_Diag::AddMidiLine(int port, int channel, int status, int data1, int data2) {
  for (const MonitorLine& line : kMonitorLines) {
    if (line.status != status) continue;
    std::lock_guard<platform::PiMutex> lock(monitorMutex_);
    const bool shown = line.filter == kAlways || (line.filter == kNotes && note_->isChecked()) ||
                       (line.filter == kControllers && cc_->isChecked()) ||
                       (line.filter == kClock && clock_->isChecked());
    if (!shown) return;
    if (line.format == nullptr) {
      midi_->AddLine("%s", line.text);
    } else {
      const int p = port + 1;
      const int c = (channel & 0x0F) + 1;
      // Pitch bend shows its low byte's seven bits only.
      if (status == 0xE0) data1 &= 0x7F;
      // Extra arguments past the format's own are ignored by printf.
      midi_->AddLine(line.format, p, c, data1, data2);
    }
    return;
  }
}

void appVA_Diag::ReadSystem() {
  struct sysinfo info {};
  if (sysinfo(&info) == 0) {
    const unsigned long long unit = info.mem_unit != 0 ? info.mem_unit : 1;
    const unsigned long long kb[3] = {info.totalram * unit / 1024, (info.totalram - info.freeram) * unit / 1024,
                                      (info.totalram + info.totalswap) * unit / 1024};
    char text[32];
    for (int i = 0; i < 3; ++i) {
      std::snprintf(text, sizeof text, "%d kb", static_cast<int>(kb[i]));
      memory_[i]->setText(text);
    }
  }

  float loads[3] = {};
  loads[0] = LoadPercent(services_->AudioTiming(0));
  loads[1] = LoadPercent(services_->AudioTiming(1));
  for (int i = 3; i < CAudioProcess::kTimingRecords; ++i) loads[2] += LoadPercent(services_->AudioTiming(i));
  char text[32];
  std::snprintf(text, sizeof text, "%u voice disables", CSynthEngine::SlotDisables());
  disables_->setText(text);
  // The log prints at most one overrun line a second; here every one is counted.
  std::snprintf(text, sizeof text, "%u overruns", CAudioProcess::Overruns());
  overruns_->setText(text);
  for (int i = 0; i < 3; ++i) {
    meter_[i]->setLevel(loads[i]);
    std::snprintf(text, sizeof text, "%d", static_cast<int>(load_[i].Add(loads[i])));
    loadLabel_[i]->setText(text);
  }

  const float mean = temperature_.Add(ReadTemperature());
  // An unreadable sensor drags the mean far below zero; the bar shows only its own range.
  temperatureBar_->setLevel(mean < 0.0f ? 0.0f : mean > kTemperatureMax ? kTemperatureMax : mean);
  std::snprintf(text, sizeof text, "%.1f C", static_cast<double>(mean));
  temperatureLabel_->setText(text);
}

int appVA_Diag::OnPaint() {
  if (paintCount_++ % 8 == 0) ReadSystem();
  {
    std::lock_guard<platform::PiMutex> lock(monitorMutex_);
    uxPanelCtrl::OnPaint();
  }
  repaint_ = false;
  return 1;
}
