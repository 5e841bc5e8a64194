// MIDI routing, the transport clock and the audio-period hooks of the application core, with
// a recording audio process, fake pedal and bus, the stand-in raw-MIDI side, a pseudo-terminal
// as the DIN port and a fake monotonic clock.
#include <fcntl.h>
#include <linux/can.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/GUIManager.h"
#include "audio/CAudioProcess.h"
#include "midi/CClipCore.h"
#include "midi/CInstrument.h"
#include "midi/CMidiDev.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/StandardPages.h"
#include "pages/diag/appVA_Diag.h"
#include "platform/CanSocketOps.h"
#include "platform/MemoryFrameBuffer.h"
#include "tests/audio/AudioProcessFakes.h"
#include "tests/support/Pty.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/Emulation.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "toolkit/CCANDev.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"
#include "toolkit/uxTextBox.h"

namespace {

constexpr const char* kNoTermios2 = "user-mode emulation does not pass the termios2 line settings";

struct Sent {
  int part, status, data1, data2;
  bool operator==(const Sent&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Sent& s) {
  return os << "{" << s.part << " " << std::hex << s.status << std::dec << " " << s.data1 << " " << s.data2 << "}";
}

// Records the MIDI input of the audio process without allocating; the rest is the real one
// over fake sound objects.
class RecordingAudio : public CAudioProcess {
 public:
  RecordingAudio() : CAudioProcess(audio_fakes::Fakes()) {}
  // The MIDI threads and the audio thread (track notes) may both send.
  void SendMidi(int part, int status, int data1, int data2, PartMidiSettings* settings) override {
    const int slot = count.fetch_add(1);
    if (slot < kMax) sent[slot] = {part, status, data1, data2};
    if (settings != nullptr) last = *settings;
  }
  std::vector<Sent> Take() {
    std::vector<Sent> out(sent, sent + std::min(count.load(), kMax));
    count = 0;
    return out;
  }
  static constexpr int kMax = 256;
  Sent sent[kMax];
  std::atomic<int> count{0};
  PartMidiSettings last;
};

struct FakePedal : PedalPort {
  float ReadPedal() override { return level; }
  int ReadSwitch() override { return pedalSwitch; }
  void SetLed(int led, int on) override {
    ledIndex = led;
    ledOn = on;
  }
  float level = 0.0f;
  int pedalSwitch = 0;
  // The MIDI threads switch the LED on, the audio thread off.
  std::atomic<int> ledIndex{-1};
  std::atomic<int> ledOn{-1};
};

// The bus: keeps the ids and lengths of the frames written.
struct RecordingBus : platform::CanSocketOps {
  int Socket() override { return -1; }
  int SetSockOpt(int, int, int, const void*, socklen_t) override { return 0; }
  int InterfaceIndex(int, const char*) override { return 1; }
  int Bind(int, int) override { return 0; }
  ssize_t Read(int, void*, size_t) override { return -1; }
  ssize_t Write(int, const void* buffer, size_t size) override {
    const auto* frame = static_cast<const can_frame*>(buffer);
    if (count < 4096) frames[count++] = {static_cast<int>(frame->can_id), frame->can_dlc};
    return static_cast<ssize_t>(size);
  }
  int Close(int) override { return 0; }
  int Beats() const {
    int n = 0;
    for (int i = 0; i < count; ++i) n += frames[i].first == 32 && frames[i].second == 0;
    return n;
  }
  std::pair<int, int> frames[4096];
  int count = 0;
};

// A track that takes (or declines) every key and counts its stops.
class KeyTrack : public CInstrument {
 public:
  KeyTrack(CClipCore* core, int track, int take) : CInstrument(core, track), take_(take) {}
  int IsSequence() override { return 0; }
  int OnNoteInput(int, int, int key, int) override {
    keys.push_back(key);
    return take_;
  }
  void Stop() override { ++stops; }
  std::vector<int> keys;
  int stops = 0;

 private:
  int take_;
};

struct KeyRecorder : KeyMonitor {
  void ShowKey(int channel, int status, int key) override { shown.emplace_back(channel, status, key); }
  std::vector<std::tuple<int, int, int>> shown;
};

using testing_support::Pty;  // the test's end of the DIN port

int64_t g_now = 0;
int64_t FakeNow() { return g_now; }

class MidiRouting : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(dc.Init(), 0);
    // One output-only raw-MIDI port, as "hw:0,0".
    midi.cards = {FakeRawMidiBackend::Card{0, {FakeRawMidiBackend::Device{0, "Out", {{"", false, true}}}}}};
    gui = std::make_unique<GUIManager>(&dc, midi, &StandardPages());
    gui->SetAudioProcess(&audio);
    gui->SetPedalPort(&pedal);
    gui->SetMonotonicClock(&FakeNow);
    g_now = 1'000'000'000;
  }
  // The page of the DIAG tab, once the pages are built.
  appVA_Diag* DiagPage() const {
    uxTabCtrl* menu = gui->MainMenu();
    return menu != nullptr ? dynamic_cast<appVA_Diag*>(menu->GetTabItem(9)->ActivePanel()) : nullptr;
  }
  void Set(uint32_t ctrl, uint32_t part, float value) {
    CSettings& s = gui->Settings();
    const int row = s.Find(static_cast<int32_t>(ctrl), static_cast<int32_t>(part));
    ASSERT_GE(row, 0);
    s.SetValue(row, value);
  }
  void Route(int port, int channel, int status, int data1, int data2) {
    gui->RouteMidi(0, port, channel, status, data1, data2);
  }
  std::vector<MidiFifoEntry> Fifo() {
    std::vector<MidiFifoEntry> out;
    MidiFifoEntry e;
    while (gui->MidiFifo().Pop(e, true)) out.push_back(e);
    return out;
  }
  // The DIN port on a pseudo-terminal, as ports of kind 0 send.
  bool OpenDin() {
    if (pty.slave().empty() || din.Open(pty.slave().c_str(), "SERIAL", true) != 0) return false;
    gui->SetMidiDevice(&din);
    return true;
  }
  KeyTrack* InstallTrack(int track, int take) {
    ClipMaster& master = gui->ClipLauncher()->Master();
    auto lock = master.Lock();
    auto owned = std::make_unique<KeyTrack>(gui->ClipLauncher(), track, take);
    KeyTrack* t = owned.get();
    master.Install(track, std::move(owned));
    master.running.store(1);
    return t;
  }

  testing_support::TempDataRoot root;
  platform::MemoryFrameBuffer fb;
  uxDC dc{&fb};
  FakeRawMidiBackend midi;
  RecordingAudio audio;
  FakePedal pedal;
  Pty pty;
  CMidiDev din;
  std::unique_ptr<GUIManager> gui;
};

TEST_F(MidiRouting, MessagesReachThePartsByPortChannelAndKeyRange) {
  struct Setting {
    uint32_t ctrl, part;
    float value;
  };
  struct Case {
    const char* what;
    std::vector<Setting> settings;
    int port, channel, status, data1, data2;
    std::vector<Sent> sent;
  };
  // Defaults: "In A".."In D" 16..19 (port 0, channels 0-3), octave 3, keys 0..109.
  const Case cases[] = {
      {"In A 16 is port 0 channel 0", {}, 0, 0, 0x90, 60, 100, {{0, 0x90, 96, 100}}},
      {"In B 17 is channel 1", {}, 0, 1, 0x90, 60, 100, {{1, 0x90, 96, 100}}},
      {"note-off transposed too", {}, 0, 0, 0x80, 60, 0, {{0, 0x80, 96, 0}}},
      {"aftertouch transposed", {}, 0, 0, 0xA0, 60, 30, {{0, 0xA0, 96, 30}}},
      {"pitch bend as it came", {}, 0, 0, 0xE0, 5, 64, {{0, 0xE0, 5, 64}}},
      {"another port", {}, 1, 0, 0x90, 60, 100, {}},
      {"port 255 matches nothing", {}, 255, 0, 0x90, 60, 100, {}},
      {"In 0 is off", {{0xC8, 0, 0}}, 0, 0, 0x90, 60, 100, {}},
      {"In 0x21 is port 1", {{0xC8, 0, 0x21}}, 1, 1, 0x90, 60, 100, {{0, 0x90, 96, 100}}},
      {"below Start", {{0xC9, 0, 50}}, 0, 0, 0x90, 49, 100, {}},
      {"at Start", {{0xC9, 0, 50}}, 0, 0, 0x90, 50, 100, {{0, 0x90, 86, 100}}},
      {"above End", {{0xCA, 0, 70}}, 0, 0, 0x90, 71, 100, {}},
      {"octave 0", {{0xCB, 0, 0}}, 0, 0, 0x90, 60, 100, {{0, 0x90, 60, 100}}},
      {"transposed to 127", {{0xCB, 0, 6}}, 0, 0, 0x90, 55, 100, {{0, 0x90, 127, 100}}},
      {"transposed past 127 is dropped", {{0xCB, 0, 6}}, 0, 0, 0x90, 60, 100, {}},
      {"two parts on one channel", {{0xC8, 1, 16}}, 0, 0, 0x90, 60, 100, {{0, 0x90, 96, 100}, {1, 0x90, 96, 100}}},
      {"channel 9 notes to the drum player only", {{0xC8, 0, 25}}, 0, 9, 0x90, 36, 100, {{9, 0x90, 36, 100}}},
      {"channel 9 note-off too", {{0xC8, 0, 25}}, 0, 9, 0x80, 36, 0, {{9, 0x80, 36, 0}}},
      {"channel 9 other messages reach nothing", {{0xC8, 0, 25}}, 0, 9, 0xE0, 0, 64, {}},
  };
  for (const Case& c : cases) {
    SetUp();
    for (const Setting& s : c.settings) Set(s.ctrl, s.part, s.value);
    Route(c.port, c.channel, c.status, c.data1, c.data2);
    EXPECT_EQ(audio.Take(), c.sent) << c.what;
    Fifo();
  }
}

TEST_F(MidiRouting, PartSettingsTravelWithTheMessage) {
  Set(0xCC, 2, 7);
  Set(0xCD, 2, 5);
  Set(0xCE, 2, -40);
  Route(0, 2, 0x90, 60, 100);
  ASSERT_EQ(audio.Take(), (std::vector<Sent>{{2, 0x90, 96, 100}}));
  EXPECT_EQ(audio.last.bendUp, 7);
  EXPECT_EQ(audio.last.bendDown, 5);
  EXPECT_EQ(audio.last.velocityCurve, -40.0f);
}

TEST_F(MidiRouting, ControllerIsQueuedOncePerPartWithThatPartsChannel) {
  for (int channel : {0, 5}) {
    Route(0, channel, 0xB0, 7, 99);
    const std::vector<MidiFifoEntry> queued = Fifo();
    ASSERT_EQ(queued.size(), 4u) << channel;
    for (int p = 0; p < 4; ++p) {
      EXPECT_EQ(queued[p].kind, 0xB0);
      EXPECT_EQ(queued[p].length, 4);
      EXPECT_EQ(queued[p].part, p);
      EXPECT_EQ(queued[p].data[0], p) << "the part's own channel";
      EXPECT_EQ(queued[p].data[1], 7);
      EXPECT_EQ(queued[p].data[2], 99);
    }
    // Only the matching part's engine sees it at once.
    const std::vector<Sent> immediate = channel == 0 ? std::vector<Sent>{{0, 0xB0, 7, 99}} : std::vector<Sent>{};
    EXPECT_EQ(audio.Take(), immediate) << channel;
  }
}

TEST_F(MidiRouting, ProgramChangeIsQueuedAndWithoutAPresetLoadsNothing) {
  Route(0, 1, 0xC0, 5, 0);
  const std::vector<MidiFifoEntry> queued = Fifo();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].kind, 0xC0);
  EXPECT_EQ(queued[0].length, 2);
  EXPECT_EQ(queued[0].part, 1);
  EXPECT_EQ(queued[0].data[0], 5);
  EXPECT_EQ(gui->ProgramChange(1, 5), 0);
  EXPECT_TRUE(audio.Take().empty());
}

TEST_F(MidiRouting, LearnedControllerIsKeptAndStored) {
  root.MakeDir("/var/lib/ruv/working");
  const int uid = 0x10123;
  EXPECT_EQ(gui->GetCCAssignment(uid), -1);
  gui->SetCCAssignment(74, uid);
  EXPECT_EQ(gui->GetCCAssignment(uid), 74);
  // The stored map reads back the same in a fresh map.
  CMidiCCSets reread;
  EXPECT_GT(reread.XMLLoadMidiCCMap("MidiCCMap"), 0);
  EXPECT_EQ(reread.FindCC(uid), 74);
  gui->SetCCAssignment(74, -1);
  EXPECT_EQ(gui->GetCCAssignment(uid), -1);
}

TEST_F(MidiRouting, TheClipTrackIsOfferedTheKeyFirst) {
  KeyTrack* taking = InstallTrack(0, 1);
  KeyTrack* declining = InstallTrack(1, 0);
  Route(0, 0, 0x90, 60, 100);
  Route(0, 1, 0x90, 61, 100);
  EXPECT_EQ(taking->keys, std::vector<int>{96});
  EXPECT_EQ(declining->keys, std::vector<int>{97});
  EXPECT_EQ(audio.Take(), (std::vector<Sent>{{1, 0x90, 97, 100}}));
  // A key outside the range reaches neither.
  Set(0xCA, 0, 50);
  Route(0, 0, 0x90, 60, 100);
  EXPECT_EQ(taking->keys.size(), 1u);
  EXPECT_TRUE(audio.Take().empty());
}

TEST_F(MidiRouting, TheDevicesPageOpensThePortsTheExternalTrackSendsThrough) {
  // P1 on the raw-MIDI port "Out", configured before the pages are built.
  MidiPortConfig* p1 = gui->DeviceConfig().Port(0);
  p1->Device = "Out";
  p1->Enabled = 1;
  gui->BuildPages();
  ASSERT_EQ(gui->MidiPorts().PortCount(), 1);
  EXPECT_EQ(gui->MidiPorts().Port(0).open.load(), 1);
  EXPECT_EQ(p1->Type, 1);
  Set(0xCF, 10, 0x13);  // "Out ET1": P1, channel 4
  Route(0, 10, 0x90, 60, 100);
  EXPECT_EQ(midi.Output("hw:0,0"), (std::vector<uint8_t>{0x93, 60, 100}));
}

TEST_F(MidiRouting, ExternalTrackSendsByItsOutputPortKind) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  ASSERT_TRUE(OpenDin());
  // The external tracks send through the ports P1-P4's raw-MIDI side.
  gui->MidiPorts().ScanDevices();
  ASSERT_EQ(gui->MidiPorts().OpenPort(0, 0, true), 0);
  // Defaults: "In ET1" and "Out ET1" 26 (port 0, channel 10), octave 0.
  struct Case {
    const char* what;
    int out;
    int portKind;
    int channel, status;
    std::vector<uint8_t> din, alsa;
  };
  const Case cases[] = {
      {"kind 0: the DIN/USB device", 26, 0, 10, 0x90, {0x9A, 60, 100}, {}},
      {"kind 1: the raw-MIDI port", 0x13, 1, 10, 0x80, {}, {0x83, 60, 100}},
      {"a kind neither", 26, 2, 10, 0x90, {}, {}},
      {"port index 5", 0x60 | 10, 0, 10, 0x90, {}, {}},
      {"no port", 10, 0, 10, 0x90, {}, {}},
      {"only notes", 26, 0, 10, 0xB0, {}, {}},
      {"on channel 9 too (the drums play it as well)", 26, 0, 9, 0x90, {0x9A, 60, 100}, {}},
  };
  for (const Case& c : cases) {
    Set(0xCF, 10, static_cast<float>(c.out));
    if (c.channel == 9) Set(0xC8, 10, 16 + 9);
    gui->DeviceConfig().Port(0)->Type = c.portKind;
    Route(0, c.channel, c.status, 60, 100);
    EXPECT_EQ(pty.Drain(), c.din) << c.what;
    EXPECT_EQ(midi.Output("hw:0,0"), c.alsa) << c.what;
    midi.ClearOutput("hw:0,0");
  }
  // The channel-9 case reached the drum player as well.
  EXPECT_EQ(audio.Take().back(), (Sent{9, 0x90, 60, 100}));
  // Taken by its clip track, the key goes nowhere else.
  KeyTrack* et1 = InstallTrack(5, 1);
  Set(0xCB, 10, 1);
  Route(0, 9, 0x90, 60, 100);
  EXPECT_EQ(et1->keys, std::vector<int>{72});
  EXPECT_TRUE(pty.Drain().empty());
}

TEST_F(MidiRouting, TrackNotesGoToTheirPartsAndAreMonitoredAsTrackNotes) {
  KeyRecorder keys;
  gui->SetKeyMonitor(&keys);
  gui->TrackNoteOn(2, 60, 90, 1, 2, 3);
  gui->TrackNoteOn(4, 36, 80, 0, 0, 0);
  gui->TrackNoteOff(4, 36);
  gui->TrackNoteOn(7, 60, 90, 0, 0, 0);  // no such track
  gui->TrackControlChange(1, 74, 20);
  EXPECT_EQ(audio.Take(), (std::vector<Sent>{{2, 0x90, 60, 90},
                                             {2, 0xB0, 117, 1},
                                             {2, 0xB0, 118, 2},
                                             {2, 0xB0, 119, 3},
                                             {9, 0x90, 36, 80},
                                             {9, 0xB0, 117, 0},
                                             {9, 0xB0, 118, 0},
                                             {9, 0xB0, 119, 0},
                                             {9, 0x80, 36, 0},
                                             {1, 0xB0, 74, 20}}));
  using Key = std::tuple<int, int, int>;
  EXPECT_EQ(keys.shown, (std::vector<Key>{{0x82, 0x90, 60}, {0x89, 0x90, 36}, {0x89, 0x80, 36}}));
  // A played part note shows on the part's keyboard with the part as channel.
  Route(0, 3, 0x90, 50, 100);
  EXPECT_EQ(keys.shown.back(), (Key{3, 0x90, 50}));
  gui->SetKeyMonitor(nullptr);
}

TEST_F(MidiRouting, InputIsMonitoredOnTheDiagnosticsPage) {
  gui->SetSleep([](uint32_t) {});
  gui->BuildPages();
  ASSERT_NE(DiagPage(), nullptr);
  Route(2, 4, 0x90, 60, 100);
  Route(0, 0, 0xFA, 0, 0);
  const std::vector<std::string>& lines = DiagPage()->MidiBox()->GetLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "START +");
  EXPECT_EQ(lines[1], "[3:5] NOTE-ON:  key=60, vel= 100");
}

TEST_F(MidiRouting, ActivityLedGoesOutWhenTheCountdownFallsFromTwo) {
  Route(0, 5, 0xB0, 1, 1);
  EXPECT_EQ(pedal.ledIndex, 0);
  EXPECT_EQ(pedal.ledOn, 1);
  EXPECT_EQ(gui->LedCountdown(), 15);
  for (int period = 1; period <= 13; ++period) gui->AudioCycleTick();
  EXPECT_EQ(gui->LedCountdown(), 2);
  EXPECT_EQ(pedal.ledOn, 1);
  gui->AudioCycleTick();
  EXPECT_EQ(pedal.ledOn, 0);
  EXPECT_EQ(gui->LedCountdown(), 0);
  // Realtime messages leave the LED alone.
  pedal.ledOn = -1;
  Route(0, 0, 0xF8, 0, 0);
  Route(0, 0, 0xFC, 0, 0);
  EXPECT_EQ(pedal.ledOn, -1);
}

TEST_F(MidiRouting, DrumTriggerIsANoteOnEventWithPercentVelocity) {
  audio_fakes::Journal journal;
  audio_fakes::g_journal = &journal;
  ASSERT_EQ(InitAudioProcess(&audio, nullptr), 0);
  journal.Take();
  gui->TriggerDrumNote(3, 38, 50);
  gui->TriggerDrum(36, 100);
  EXPECT_EQ(journal.Take(), (std::vector<std::string>{"drums event 2 note 38", "drums event 2 note 36"}));
  audio.Stop();
  audio_fakes::g_journal = nullptr;
}

// ---- transport ---------------------------------------------------------------------------

class Transport : public MidiRouting {
 protected:
  void SetUp() override {
    MidiRouting::SetUp();
    can = std::make_unique<CCANDev>(bus);
    can->m_can_sock = 1000;  // only the recording bus sees it
    gui->SetCanDevice(can.get());
  }
  void TearDown() override {
    can->m_can_sock = -1;
    gui->SetCanDevice(nullptr);
  }
  void Periods(int n) {
    for (int i = 0; i < n; ++i) gui->AudioCycleTick();
  }
  RecordingBus bus;
  std::unique_ptr<CCANDev> can;
};

TEST_F(Transport, InternalClockStepsEveryDozenthOfABeatWithBeatPulses) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  ASSERT_TRUE(OpenDin());
  ASSERT_TRUE(gui->TransportRunning());
  Periods(1000);
  // 0.128 steps a period at 120 beats a minute.
  EXPECT_NEAR(static_cast<int>(gui->StepCounter()), 128, 1);
  EXPECT_EQ(gui->Tempo(), 120.0);
  const int steps = static_cast<int>(gui->StepCounter());
  EXPECT_EQ(bus.Beats(), (steps + 23) / 24);
  EXPECT_EQ(bus.count, bus.Beats()) << "nothing but beat pulses on the bus";
  EXPECT_TRUE(pty.Drain().empty()) << "no MIDI clock without \"Clock send out\"";

  Set(0xD1, 15, 1);
  const uint32_t before = gui->StepCounter();
  Periods(100);
  const std::vector<uint8_t> clocks = pty.Drain();
  EXPECT_EQ(clocks.size(), gui->StepCounter() - before);
  for (uint8_t b : clocks) EXPECT_EQ(b, 0xF8);
}

TEST_F(Transport, TempoZeroOrNegativeNeverSteps) {
  for (int bpm : {0, -120}) {
    gui->ClipLauncher()->Master().bpm = bpm;
    const uint32_t before = gui->StepCounter();
    Periods(1000);
    EXPECT_EQ(gui->StepCounter(), before) << bpm;
  }
}

TEST_F(Transport, MidiStartAndStopObeyOnlyWithTransportIn) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  ASSERT_TRUE(OpenDin());
  KeyTrack* track = InstallTrack(3, 0);
  Periods(100);
  testing_support::LogCapture log;
  Route(0, 0, 0xFC, 0, 0);
  EXPECT_TRUE(gui->TransportRunning());
  EXPECT_EQ(log.Text(), "MIDI: Stop\n");

  Set(0xD2, 15, 1);
  log.Clear();
  Route(0, 0, 0xFC, 0, 0);
  EXPECT_FALSE(gui->TransportRunning());
  EXPECT_EQ(track->stops, 1);
  EXPECT_EQ(gui->ClipLauncher()->Master().running.load(), 0);
  EXPECT_EQ(log.Text(), "MIDI Trigger STOP\nMIDI: Stop\n");
  EXPECT_TRUE(pty.Drain().empty()) << "nothing out without \"Transport Out\"";

  // Stopped, the clock runs on but steps nothing.
  const uint32_t stoppedAt = gui->StepCounter();
  const int beats = bus.Beats();
  Periods(50);
  EXPECT_EQ(gui->StepCounter(), stoppedAt);
  EXPECT_EQ(bus.Beats(), beats);

  Set(0xD3, 15, 1);
  log.Clear();
  Route(0, 0, 0xFB, 0, 0);
  Periods(30);
  EXPECT_TRUE(gui->TransportRunning());
  EXPECT_GT(gui->StepCounter(), stoppedAt) << "continue keeps counting";
  EXPECT_EQ(log.Text(), "MIDI: Continue\nMIDI Trigger CONTINUE\n");
  EXPECT_EQ(pty.Drain(), std::vector<uint8_t>{0xFB});

  Route(0, 0, 0xFC, 0, 0);
  Route(0, 0, 0xFA, 0, 0);
  Periods(10);
  EXPECT_TRUE(gui->TransportRunning());
  EXPECT_EQ(gui->ClipLauncher()->Master().running.load(), 1);
  EXPECT_LE(gui->StepCounter(), 2u) << "start counts from 0";
  EXPECT_EQ(pty.Drain(), (std::vector<uint8_t>{0xFC, 0xFA}));
}

TEST_F(Transport, TogglePlayStopsQuietlyAndStartsAtTheNextStep) {
  testing_support::LogCapture log;
  gui->TogglePlay();
  EXPECT_FALSE(gui->TransportRunning());
  EXPECT_EQ(log.Text(), "");
  gui->TogglePlay();
  EXPECT_FALSE(gui->TransportRunning()) << "the start waits for the next step";
  Periods(10);
  EXPECT_TRUE(gui->TransportRunning());
  EXPECT_EQ(log.Text(), "MIDI Trigger START\n");
}

TEST_F(Transport, ExternalClockSetsTheTempoOnceTwelveClocksSpanIt) {
  Set(0xD0, 15, 1);
  const int64_t interval = 20'833'333;
  for (int i = 0; i < 12; ++i) {
    g_now += interval;
    Route(0, 0, 0xF8, 0, 0);
    EXPECT_EQ(gui->Tempo(), 120.0) << "an incomplete ring keeps the tempo";
  }
  // A different tempo: 100 beats a minute is 25 ms a clock.
  for (int i = 0; i < 13; ++i) {
    g_now += 25'000'000;
    Route(0, 0, 0xF8, 0, 0);
  }
  EXPECT_NEAR(gui->Tempo(), 100.0, 1e-6);
  EXPECT_TRUE(gui->ExternalClock());
  EXPECT_TRUE(gui->TakeExternalClock());
  EXPECT_FALSE(gui->TakeExternalClock()) << "the clock page's read clears the flag";
  EXPECT_EQ(gui->StepCounter(), 25u) << "one step a clock";
  // The periods no longer step.
  Periods(100);
  EXPECT_EQ(gui->StepCounter(), 25u);
  // Clocks are ignored with the internal source.
  Set(0xD0, 15, 0);
  Route(0, 0, 0xF8, 0, 0);
  EXPECT_EQ(gui->StepCounter(), 25u);
}

// A settings file can hold any float: the audio thread reads "Clock Source" every period and
// must get a defined integer for it, as the board's conversion gives (saturated, NaN as 0).
// The settings hold the row to 0..1 first, so a negative source is the internal clock.
TEST_F(Transport, ASettingBeyondTheIntegerRangeReadsSaturated) {
  const struct {
    float value;
    bool external;
  } cases[] = {{1e10f, true}, {-1e10f, false}, {0.5f, false}, {-0.5f, false}};
  for (const auto& c : cases) {
    Set(0xD0, 15, c.value);
    const uint32_t before = gui->StepCounter();
    Periods(100);
    EXPECT_EQ(gui->StepCounter() == before, c.external) << c.value;
  }
}

// ---- the audio period --------------------------------------------------------------------

TEST_F(Transport, PeriodHookPassesThePedalAndFeedsTheScope) {
  ASSERT_EQ(InitAudioProcess(&audio, nullptr), 0);
  gui->InstallAudioHooks();
  audio_fakes::FakeEngine* engine = audio_fakes::FakeEngine::last;
  ASSERT_NE(engine, nullptr);
  pedal.pedalSwitch = 1;
  pedal.level = 0.5f;
  engine->partLeft[0] = -1000.0f;
  engine->partRight[0] = -1000.0f;
  audio.RunPeriodHook();
  EXPECT_EQ(engine->lastPedalSwitch, 1);
  EXPECT_GT(engine->lastPedal, 0.0f);
  EXPECT_EQ(gui->Capture().channel[0].GetState(), ScopeChannel::kArmed);
  engine->partLeft[0] = 1000.0f;
  for (int i = 0; i < 4 && gui->Capture().channel[0].GetState() != ScopeChannel::kFull; ++i) audio.RunPeriodHook();
  EXPECT_EQ(gui->Capture().channel[0].GetState(), ScopeChannel::kFull);
  EXPECT_GT(gui->Capture().channel[0].Samples()[0], 0.0f);
  EXPECT_EQ(gui->Capture().channel[1].GetState(), ScopeChannel::kArmed) << "each channel on its own";
  g_now += 2'666'667;
  audio.RunPeriodHook();
  EXPECT_EQ(gui->PeriodMicros(), 2666u);
  // The cycle tick (transport) runs once a period.
  for (int i = 0; i < 10; ++i) audio.RunPeriodHook();
  EXPECT_GT(gui->StepCounter(), 0u);
  audio.Stop();
}

TEST_F(Transport, PeriodsAllocateNothingAndPrintNothingWhileClipsRun) {
  ASSERT_EQ(InitAudioProcess(&audio, nullptr), 0);
  gui->InstallAudioHooks();
  gui->ClipLauncher()->Master().running.store(1);
  KeyRecorder keys;
  gui->SetKeyMonitor(&keys);
  keys.shown.reserve(100000);
  gui->SetMonotonicClock(&GUIManager::MonotonicNow);
  testing_support::LogCapture log;
  size_t allocations = 0;
  {
    testing_support::AllocGuard guard;
    for (int i = 0; i < 10000; ++i) audio.RunPeriodHook();
    allocations = guard.Count();
  }
  EXPECT_EQ(allocations, 0u);
  EXPECT_GT(gui->StepCounter(), 1200u);
  EXPECT_EQ(log.Text().find("MIDI"), std::string::npos) << log.Text();
  gui->SetKeyMonitor(nullptr);
  audio.Stop();
}

// ---- threads -------------------------------------------------------------------------------

using TransportThreads = Transport;

// A MIDI input thread routes notes, controllers and transport messages while the audio
// thread runs its period ticks.
TEST_F(TransportThreads, MidiInputWhilePeriodsRun) {
  Set(0xD2, 15, 1);
  std::atomic<bool> done{false};
  std::thread midiThread([&] {
    for (int i = 0; i < 2000; ++i) {
      Route(0, 1, 0xB0, 7, i & 0x7F);
      Route(0, 1, i % 2 ? 0x90 : 0x80, 60, 100);
      if (i % 200 == 0) Route(0, 0, 0xFC, 0, 0);
      if (i % 200 == 100) Route(0, 0, 0xFA, 0, 0);
      if (i % 500 == 250) gui->TogglePlay();
    }
    done = true;
  });
  int periods = 0;
  while (!done.load() || periods < 1000) {
    gui->AudioCycleTick();
    ++periods;
  }
  midiThread.join();
  EXPECT_FALSE(Fifo().empty());
}

}  // namespace
