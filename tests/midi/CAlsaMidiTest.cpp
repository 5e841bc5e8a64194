// The raw-MIDI port manager: the real sound system where this machine has something to
// say (no sound cards; the error of opening a missing device), the stand-in for cards,
// devices and ports otherwise.
#include "midi/CAlsaMidi.h"

#include <sched.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "midi/FakeRawMidiBackend.h"
#include "tests/midi/MidiRecorder.h"
#include "tests/midi/ThreadProbe.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/LogCapture.h"

namespace {

using Card = FakeRawMidiBackend::Card;
using Device = FakeRawMidiBackend::Device;
using Subdevice = FakeRawMidiBackend::Subdevice;
using midi_test::MidiRecorder;
using midi_test::Received;
using midi_test::NoThreadNamed;
using midi_test::ThreadsNamed;
using midi_test::WaitUntil;
using std::chrono::milliseconds;

struct Listed {
  std::string hwName;
  std::string name;
  bool input;
  bool output;
  bool operator==(const Listed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Listed& l) {
  return os << l.hwName << " \"" << l.name << "\" " << (l.input ? 'I' : '-') << (l.output ? 'O' : '-');
}

std::vector<Listed> Ports(const CAlsaMidi& midi) {
  std::vector<Listed> out;
  for (int i = 0; i < midi.PortCount(); ++i) {
    const RawMidiPort& p = midi.Port(i);
    out.push_back({p.hwName, p.name, p.hasInput != 0, p.hasOutput != 0});
  }
  return out;
}

// Output: what the scan printed, to standard output and to standard error.
struct ScanOutput {
  int result;
  std::string out;
  std::string err;
};

ScanOutput Scan(CAlsaMidi& midi) {
  testing_support::LogCapture log;
  testing::internal::CaptureStderr();
  const int r = midi.ScanDevices();
  return {r, log.Text(), testing::internal::GetCapturedStderr()};
}

Subdevice Io(const char* name = "") { return {name, true, true}; }

const std::string kHeader = "\nDir Device    Name\n====================================\n";

TEST(CAlsaMidiScan, ListsCardsDevicesAndSubdevices) {
  FakeRawMidiBackend fake;
  std::vector<Subdevice> ten;
  for (int i = 0; i < 10; ++i) ten.push_back(Io(("Big " + std::to_string(i + 1)).c_str()));
  Subdevice brokenInput = Io("Broken 2");
  brokenInput.inputInfoError = -EIO;
  Subdevice failing = Io();
  failing.outputInfoError = -EIO;
  fake.cards = {
      Card{0,
           {Device{0, "Keys", {Io()}},
            Device{1, "Multi", {{"", false, true}, {"", false, true}, {"", false, true}, {"", false, true}}}}},
      Card{1, {}},  // a card without raw-MIDI devices
      Card{2,
           {Device{0, "Synth", {Io("Synth Port 1"), Io("Synth Port 2")}},
            Device{1, "Silent", {{"", false, false}}},
            Device{2, "Failing", {failing}},
            Device{3, "In", {{"", true, false}}},
            Device{4, "Broken", {Io("Broken 1"), brokenInput, Io("Broken 3")}},
            Device{5, "Big", ten}}},
  };
  CAlsaMidi midi(fake);
  const ScanOutput s = Scan(midi);
  EXPECT_EQ(s.result, 0);
  std::string listing = kHeader +
                        "IO  hw:0,0    Keys\n"
                        " O  hw:0,1    Multi (4 subdevices)\n"
                        "IO  hw:2,0,0  Synth Port 1\n"
                        "IO  hw:2,0,1  Synth Port 2\n"
                        "I   hw:2,3    In\n"
                        "IO  hw:2,4,0  Broken 1\n";
  for (int i = 0; i < 10; ++i)
    listing += "IO  hw:2,5," + std::to_string(i) + "  Big " + std::to_string(i + 1) + "\n";
  EXPECT_EQ(s.out, listing + "\n");
  EXPECT_EQ(s.err,
            "cannot get rawmidi information 2:2: Input/output error\n"
            "cannot get rawmidi information 2:4:1: Input/output error\n");
  std::vector<Listed> expected = {
      {"hw:0,0", "Keys", true, true},       {"hw:0,1", "Multi", false, true},
      {"hw:2,0,0", "Synth", true, true},    {"hw:2,0,1", "Synth (2)", true, true},
      {"hw:2,3", "In", true, false},        {"hw:2,4,0", "Broken", true, true},
  };
  for (int i = 0; i < 10; ++i)
    expected.push_back({"hw:2,5," + std::to_string(i), i ? "Big (" + std::to_string(i + 1) + ")" : "Big",
                        true, true});
  EXPECT_EQ(Ports(midi), expected);
}

TEST(CAlsaMidiScan, EnumerationErrors) {
  struct Case {
    const char* what;
    std::vector<Card> cards;
    int nextCardError;
    std::size_t nextCardErrorAfter;
    ScanOutput expected;
  };
  const Card keys{0, {Device{0, "Keys", {Io()}}}};
  Card noControl = keys;
  noControl.controlError = -EACCES;
  Card noDevices = keys;
  noDevices.nextDeviceError = -EIO;
  const Case cases[] = {
      {"no cards", {}, 0, 0, {-2, "", "no sound cards found\n"}},
      {"first card unknown", {keys}, -EIO, 0, {-1, "", "cannot determine card number: Input/output error\n"}},
      {"next card unknown", {keys}, -EIO, 1,
       {0, kHeader + "IO  hw:0,0    Keys\n\n", "cannot determine card number: Input/output error\n"}},
      {"control refused", {noControl}, 0, 0,
       {-1, kHeader, "cannot open control for card 0: Permission denied\n"}},
      {"devices unknown", {noDevices}, 0, 0,
       {0, kHeader + "\n", "cannot determine device number: Input/output error\n"}},
  };
  for (const Case& c : cases) {
    FakeRawMidiBackend fake;
    fake.cards = c.cards;
    fake.nextCardError = c.nextCardError;
    fake.nextCardErrorAfter = c.nextCardErrorAfter;
    CAlsaMidi midi(fake);
    const ScanOutput s = Scan(midi);
    EXPECT_EQ(s.result, c.expected.result) << c.what;
    EXPECT_EQ(s.out, c.expected.out) << c.what;
    EXPECT_EQ(s.err, c.expected.err) << c.what;
  }
}

TEST(CAlsaMidiScan, RealSoundSystemWithoutCards) {
  struct stat st;
  if (stat("/dev/snd/controlC0", &st) == 0) GTEST_SKIP() << "this machine has a sound card";
  CAlsaMidi midi;
  const ScanOutput s = Scan(midi);
  EXPECT_EQ(s.result, -2);
  EXPECT_EQ(s.err, "no sound cards found\n");
  EXPECT_EQ(midi.PortCount(), 0);
}

// The stand-in lists the ports; opening goes to the real sound system.
class RealOpenBackend final : public RawMidiBackend {
 public:
  FakeRawMidiBackend fake;
  int NextCard(int& card) override { return fake.NextCard(card); }
  int OpenControl(int card, RawMidiControl*& ctl) override { return fake.OpenControl(card, ctl); }
  void CloseControl(RawMidiControl* ctl) override { fake.CloseControl(ctl); }
  int NextDevice(RawMidiControl* ctl, int& device) override { return fake.NextDevice(ctl, device); }
  int Info(RawMidiControl* ctl, int device, int sub, RawMidiStream stream, RawMidiInfo& info) override {
    return fake.Info(ctl, device, sub, stream, info);
  }
  int Open(RawMidiHandle** in, RawMidiHandle** out, const char* hw, bool nonblock) override {
    return AlsaRawMidi().Open(in, out, hw, nonblock);
  }
  int Close(RawMidiHandle* h) override { return AlsaRawMidi().Close(h); }
  int SetNonblock(RawMidiHandle* h, bool nb) override { return AlsaRawMidi().SetNonblock(h, nb); }
  ssize_t Read(RawMidiHandle* h, void* b, size_t n) override { return AlsaRawMidi().Read(h, b, n); }
  ssize_t Write(RawMidiHandle* h, const void* b, size_t n) override {
    return AlsaRawMidi().Write(h, b, n);
  }
  const char* StrError(int e) override { return AlsaRawMidi().StrError(e); }
};

TEST(CAlsaMidiRealOpen, RealOpenFailureIsReportedAndLeavesThePortClosed) {
  struct stat st;
  if (stat("/dev/snd/midiC0D0", &st) == 0) GTEST_SKIP() << "this machine has a raw-MIDI device";
  RealOpenBackend backend;
  backend.fake.cards = {Card{0, {Device{0, "Keys", {Io()}}}}};
  CAlsaMidi midi(backend);
  Scan(midi);
  testing::internal::CaptureStderr();
  EXPECT_EQ(midi.OpenPort(0, 0, false), -1);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Problem opening Alsa Midi port<hw:0,0> input: No such file or directory\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(midi.Port(0).open.load(), 0);
  EXPECT_TRUE(NoThreadNamed("ALSA-MIDI[1]"));
}

// Three ports on one card: a keyboard, a pad controller, an output-only interface.
class AlsaMidiFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.cards = {Card{1,
                       {Device{0, "Keys", {Io()}}, Device{1, "Pads", {Io()}},
                        Device{2, "Out", {{"", false, true}}}}}};
    Scan(midi);
    ASSERT_EQ(midi.PortCount(), 3);
    midi.SetCallback(&MidiRecorder::Callback);
  }

  MidiRecorder recorder;
  FakeRawMidiBackend fake;
  CAlsaMidi midi{fake};
};

using CAlsaMidiPorts = AlsaMidiFixture;
using CAlsaMidiThreads = AlsaMidiFixture;

TEST_F(CAlsaMidiThreads, ThreadedPortParsesUnderItsPortNumber) {
  testing_support::LogCapture log;
  ASSERT_EQ(midi.OpenPort(0, 3, false), 0);
  ASSERT_TRUE(WaitUntil([] { return ThreadsNamed("ALSA-MIDI[1]").size() == 1; }));
  const pid_t tid = ThreadsNamed("ALSA-MIDI[1]")[0];
  const int policy = sched_getscheduler(tid);
  sched_param param{};
  sched_getparam(tid, &param);
  EXPECT_NE(log.Text().find("[Alsa Midi Device] policy:: " + std::to_string(policy) +
                            " pri :: " + std::to_string(param.sched_priority) + "\n"),
            std::string::npos)
      << log.Text();
  if (policy == SCHED_FIFO) {
    EXPECT_EQ(param.sched_priority, 49);
  }

  ASSERT_TRUE(fake.Inject("hw:1,0", {0xB2, 0x07, 0x64, 0x0A, 0x40}));
  ASSERT_TRUE(recorder.WaitFor(2));
  EXPECT_EQ(recorder.Messages(), (std::vector<Received>{{0, 3, 2, 0xB0, 0x07, 0x64},
                                                        {0, 3, 2, 0xB0, 0x0A, 0x40}}));
  // ClosePort joins the thread and closes both streams before it returns.
  midi.ClosePort(0);
  EXPECT_TRUE(NoThreadNamed("ALSA-MIDI[1]"));
  EXPECT_FALSE(fake.IsOpen("hw:1,0", RawMidiStream::Input));
  EXPECT_FALSE(fake.IsOpen("hw:1,0", RawMidiStream::Output));
  EXPECT_EQ(midi.Port(0).open.load(), 0);
}

TEST_F(CAlsaMidiThreads, ReadErrorsAreFlaggedAndRetried) {
  fake.InjectReadError("hw:1,1", -EIO, 2);
  ASSERT_EQ(midi.OpenPortByName("Pads", 0), 0);
  int open = 0, readError = 0, run = 0;
  ASSERT_TRUE(WaitUntil([&] {
    midi.GetPortState("Pads", open, readError, run);
    return readError == 1;
  }));
  EXPECT_EQ(open, 1);
  EXPECT_EQ(run, 1);
  // The thread keeps reading after the errors.
  ASSERT_TRUE(fake.Inject("hw:1,1", {0x90, 0x3C, 0x64}));
  ASSERT_TRUE(recorder.WaitFor(1));
  EXPECT_GE(fake.ReadCalls("hw:1,1"), 3);
  EXPECT_EQ(midi.GetPortState("Keys", open, readError, run), 1);
  EXPECT_EQ(open + readError + run, 0);
  EXPECT_EQ(midi.GetPortState("Nothing", open, readError, run), 0);
}

// A rescan and the manager's end both stop every input thread and close every stream.
TEST_F(CAlsaMidiThreads, RescanAndDestructionCloseEverything) {
  {
    CAlsaMidi other(fake);
    Scan(other);
    ASSERT_EQ(other.OpenPort(1, 0, false), 0);
    ASSERT_EQ(other.OpenPort(0, 0, false), 0);
    ASSERT_TRUE(WaitUntil([] { return ThreadsNamed("ALSA-MIDI[2]").size() == 1; }));
    Scan(other);
    EXPECT_TRUE(NoThreadNamed("ALSA-MIDI[1]"));
    EXPECT_TRUE(NoThreadNamed("ALSA-MIDI[2]"));
    EXPECT_FALSE(fake.IsOpen("hw:1,1", RawMidiStream::Input));
    ASSERT_EQ(other.OpenPort(0, 0, false), 0);
  }
  EXPECT_TRUE(NoThreadNamed("ALSA-MIDI[1]"));
  EXPECT_FALSE(fake.IsOpen("hw:1,0", RawMidiStream::Input));
  EXPECT_FALSE(fake.IsOpen("hw:1,0", RawMidiStream::Output));
}

TEST_F(CAlsaMidiPorts, OpenRules) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(midi.OpenPort(-1, 0, true), 0);
  EXPECT_EQ(midi.OpenPort(3, 0, true), 0);
  EXPECT_EQ(midi.OpenPortByName("Keyboard", 0), -1);
  fake.SetOpenError("hw:1,1", -EBUSY);
  EXPECT_EQ(midi.OpenPort(1, 0, true), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Problem opening Alsa Midi port<hw:1,1> input: Device or resource busy\n");
  EXPECT_EQ(midi.Port(1).open.load(), 0);

  ASSERT_EQ(midi.OpenPort(0, 5, true), 0);
  // Opening again changes nothing, the port number included.
  EXPECT_EQ(midi.OpenPort(0, 6, false), 0);
  EXPECT_EQ(midi.Port(0).portNumber, 5);
  EXPECT_TRUE(NoThreadNamed("ALSA-MIDI[1]"));
  // A device with one direction opens that direction.
  EXPECT_EQ(midi.OpenPort(2, 0, false), 0);
  EXPECT_EQ(midi.Port(2).open.load(), 1);
  EXPECT_TRUE(fake.IsOpen("hw:1,2", RawMidiStream::Output));
  EXPECT_TRUE(NoThreadNamed("ALSA-MIDI[3]"));
  midi.ClosePort(7);  // out of range: ignored
}

// A polled port reads at most 32 bytes per call, on the caller's thread, allocating nothing.
TEST_F(CAlsaMidiPorts, PollInputReadsUpTo32BytesPerPort) {
  ASSERT_EQ(midi.OpenPort(1, 9, true), 0);
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 14; ++i) bytes.insert(bytes.end(), {0x91, static_cast<uint8_t>(i), 0x7F});
  ASSERT_TRUE(fake.Inject("hw:1,1", bytes));
  {
    testing_support::AllocGuard guard;
    midi.PollInput();
    EXPECT_EQ(recorder.Count(), 10u);  // 32 bytes: ten messages and two bytes of one more
    midi.PollInput();
    EXPECT_EQ(guard.Count(), 0u);
  }
  const std::vector<Received> got = recorder.Messages();
  ASSERT_EQ(got.size(), 14u);
  EXPECT_EQ(got[13], (Received{0, 9, 1, 0x90, 13, 0x7F}));
  midi.PollInput();  // nothing pending
  EXPECT_EQ(recorder.Messages().size(), 14u);
}

TEST_F(CAlsaMidiPorts, SendShortIsOneWrite) {
  ASSERT_EQ(midi.OpenPort(2, 0, true), 0);
  midi.SendShort(2, 1, 0x95, 36, 127);
  midi.SendShort(1, 0, 0x90, 1, 1);  // closed
  midi.SendShort(3, 0, 0x90, 1, 1);  // out of range
  EXPECT_EQ(fake.Writes("hw:1,2"), (std::vector<std::vector<uint8_t>>{{0x91, 0x24, 0x7F}}));
  EXPECT_TRUE(fake.Output("hw:1,1").empty());
}

TEST_F(CAlsaMidiPorts, SendSysExWritesOnceAndPrintsWhatItWrote) {
  ASSERT_EQ(midi.OpenPort(1, 0, true), 0);
  const std::vector<uint8_t> sysex = {0xF0, 0x00, 0x20, 0x29, 0x02, 0x0E, 0x0E, 0x01, 0xF7};
  struct Case {
    int index;
    std::string printed;
  };
  const Case cases[] = {
      {1, "SYSEX: F0 00 20 29 02 0E 0E 01 F7 \n"},
      {0, "SYSEX: \n"},  // closed
      {-1, "SYSEX: \n"},
      {3, "SYSEX: \n"},
  };
  for (const Case& c : cases) {
    testing_support::LogCapture log;
    midi.SendSysEx(c.index, sysex.data(), static_cast<int>(sysex.size()));
    EXPECT_EQ(log.Text(), c.printed) << c.index;
  }
  EXPECT_EQ(fake.Writes("hw:1,1"), (std::vector<std::vector<uint8_t>>{sysex}));
  EXPECT_TRUE(fake.Output("hw:1,0").empty());

  // Long messages print whole.
  std::vector<uint8_t> longer(300, 0x55);
  testing_support::LogCapture log;
  midi.SendSysEx(1, longer.data(), static_cast<int>(longer.size()));
  std::string expected = "SYSEX: ";
  for (int i = 0; i < 300; ++i) expected += "55 ";
  EXPECT_EQ(log.Text(), expected + "\n");
}

}  // namespace
