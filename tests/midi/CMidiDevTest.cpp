// The serial/USB MIDI port on real kernel pseudo-terminals: the slave stands where the
// UART or the USB MIDI device would be (under the test's data root), the test plays the
// other end of the cable on the master.
#include "midi/CMidiDev.h"

#include <asm/termbits.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/Paths.h"
#include "platform/RtThread.h"
#include "tests/midi/MidiRecorder.h"
#include "tests/midi/ThreadProbe.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/Emulation.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TestPaths.h"

namespace {

using midi_test::MidiRecorder;
using midi_test::Received;
using midi_test::NoThreadNamed;
using midi_test::ThreadsNamed;
using midi_test::WaitUntil;
using testing_support::Pty;
using std::chrono::milliseconds;

constexpr const char* kNoTermios2 = "user-mode emulation does not pass the termios2 line settings";

// Puts `target` where the system expects the device, under the test's data root.
void LinkDevice(const testing_support::TempDataRoot& root, const std::string& devicePath,
                const std::string& target) {
  root.MakeDir("/dev");
  ASSERT_EQ(symlink(target.c_str(), platform::DataPath(devicePath).c_str()), 0);
}

int OpenDescriptors() {
  int n = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir)) ++n;
    closedir(dir);
  }
  return n;
}

class MidiDevFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(serial.master(), 0);
    LinkDevice(root, "/dev/serial0", serial.slave());
  }
  std::string SerialPath() const { return platform::DataPath("/dev/serial0"); }

  testing_support::TempDataRoot root;
  Pty serial;
  MidiRecorder recorder;
};

using CMidiDevThreads = MidiDevFixture;
using CMidiDevWriters = MidiDevFixture;
using CMidiDevOpen = MidiDevFixture;

TEST_F(CMidiDevThreads, SerialLineIsRawMidiAt31250) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  CMidiDev dev;
  ASSERT_EQ(dev.Open(SerialPath().c_str(), "SERIAL", false), 0);
  const termios2 t = serial.Line();
  EXPECT_EQ(t.c_iflag, static_cast<tcflag_t>(IGNBRK));
  EXPECT_EQ(t.c_oflag, 0u);
  EXPECT_EQ(t.c_cflag & (CBAUD | CSIZE | PARENB | PARODD | CSTOPB | CLOCAL | CREAD),
            static_cast<tcflag_t>(BOTHER | CS8 | CLOCAL | CREAD));
  EXPECT_EQ(t.c_lflag & (ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHONL | IEXTEN), 0u);
  EXPECT_EQ(t.c_ispeed, 31250u);
  EXPECT_EQ(t.c_ospeed, 31250u);
}

// Every data value, the control characters a cooked line would eat or translate (XON/XOFF,
// CR, LF, ^C) among them, arrives unchanged; the reader allocates nothing per message.
TEST_F(CMidiDevThreads, EveryDataByteReachesTheCallbackUnchanged) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  recorder.onDelivery = [] { testing_support::ArmAllocCounter(); };
  testing_support::ResetAllocCount();
  CMidiDev dev;
  dev.SetCallback(&MidiRecorder::Callback);
  ASSERT_EQ(dev.Open(SerialPath().c_str(), "SERIAL", false), 0);
  std::vector<uint8_t> bytes{0x95};
  for (int v = 0; v < 128; ++v) bytes.push_back(static_cast<uint8_t>(v));
  bytes.push_back(0xF8);
  serial.Send(bytes);
  ASSERT_TRUE(recorder.WaitFor(65));
  const std::vector<Received> got = recorder.Messages();
  for (int i = 0; i < 64; ++i)
    EXPECT_EQ(got[i], (Received{1, 0, 5, 0x90, 2 * i, 2 * i + 1})) << "pair " << i;
  EXPECT_EQ(got[64].status, 0xF8);
  // The first message armed the counter on the reader; the other 64 were counted.
  EXPECT_EQ(testing_support::AllocCount(), 0u);
}

TEST_F(CMidiDevThreads, ReaderThreadIsNamedAndScheduledAsPrinted) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  testing_support::LogCapture log;
  {
    CMidiDev dev;
    ASSERT_EQ(dev.Open(SerialPath().c_str(), "SERIAL", false), 0);
    ASSERT_TRUE(WaitUntil([] { return ThreadsNamed("MIDI_DEV").size() == 1; }));
    const pid_t tid = ThreadsNamed("MIDI_DEV")[0];
    const int policy = sched_getscheduler(tid);
    sched_param param{};
    sched_getparam(tid, &param);
    // Real-time where the kernel allows it; a normal thread where it does not.
    if (policy == SCHED_FIFO)
      EXPECT_EQ(param.sched_priority, 49);
    else
      EXPECT_EQ(policy, SCHED_OTHER);
    EXPECT_NE(log.Text().find("[MIDI_DEV] policy:: " + std::to_string(policy) + " pri :: " +
                              std::to_string(param.sched_priority) + "\n"),
              std::string::npos)
        << log.Text();
    cpu_set_t cpus;
    ASSERT_EQ(sched_getaffinity(tid, sizeof cpus, &cpus), 0);
    EXPECT_EQ(CPU_COUNT(&cpus), 1);
    EXPECT_TRUE(CPU_ISSET(platform::MapCpu(0), &cpus));
  }
  // Destroying the device stops and joins its reader.
  EXPECT_TRUE(NoThreadNamed("MIDI_DEV"));
}

TEST_F(CMidiDevThreads, CloseEndsTheReaderWithoutWaitingForIt) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  CMidiDev dev;
  ASSERT_EQ(dev.Open(SerialPath().c_str(), "SERIAL", false), 0);
  ASSERT_TRUE(WaitUntil([] { return ThreadsNamed("MIDI_DEV").size() == 1; }));
  dev.Close();
  EXPECT_FALSE(dev.IsRunning());
  EXPECT_TRUE(NoThreadNamed("MIDI_DEV"));
}

// The USB port is read instead of the serial line when it was opened last.
// Once the other end hangs up, every read is end of file: the reader says so once and
// waits for the line instead of printing an error for each try.
TEST_F(CMidiDevThreads, AHungUpLineIsReportedOnceWithoutSpinning) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  testing_support::LogCapture log;
  CMidiDev dev;
  ASSERT_EQ(dev.Open(SerialPath().c_str(), "SERIAL", false), 0);
  serial.Close();
  ASSERT_TRUE(WaitUntil([&] { return log.Text().find("hung up") != std::string::npos; }));
  // Long enough for a spinning reader to print hundreds of lines.
  std::this_thread::sleep_for(milliseconds(300));
  dev.Close();
  const std::string text = log.Text();
  EXPECT_EQ(text.substr(text.find("\n") + 1), "Serial MIDI line hung up\n");  // after the start line
}

TEST_F(CMidiDevThreads, UsbPortIsReadWhenOpened) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  Pty usb;
  usb.MakeRaw();
  LinkDevice(root, CMidiDev::kUsbDevicePath, usb.slave());
  CMidiDev dev;
  dev.SetCallback(&MidiRecorder::Callback);
  dev.SetPortNumber(2);
  ASSERT_EQ(dev.Open(nullptr, "USB", false), 0);
  usb.Send({0xB3, 0x07, 0x64});
  ASSERT_TRUE(recorder.WaitFor(1));
  EXPECT_EQ(recorder.Messages()[0], (Received{1, 2, 3, 0xB0, 0x07, 0x64}));
}

// MIDI carried over CAN enters here, as if it came from this port.
TEST_F(CMidiDevThreads, DirectInputReachesTheCallbackAsThisPort) {
  CMidiDev dev;
  dev.OnMidiInput(4, 0x90, 60, 100);  // no callback yet: nothing happens
  dev.SetCallback(&MidiRecorder::Callback);
  dev.OnMidiInput(4, 0x90, 60, 100);
  EXPECT_EQ(recorder.Messages(), (std::vector<Received>{{1, 0, 4, 0x90, 60, 100}}));
}

TEST_F(CMidiDevWriters, BytesOnTheLine) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  CMidiDev dev;
  ASSERT_EQ(dev.Open(SerialPath().c_str(), "SERIAL", true), 0);
  struct Case {
    const char* what;
    std::function<void()> send;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"note-on", [&] { dev.SendMessage(2, 0x90, 60, 100); }, {0x92, 0x3C, 0x64}},
      {"program change", [&] { dev.SendMessage(0, 0xC0, 5, 0xFF); }, {0xC0, 0x05}},
      {"status only", [&] { dev.SendMessage(0, 0xF6, 0xFF, 0xFF); }, {0xF6}},
      {"data2 of 0 is sent", [&] { dev.SendMessage(15, 0x80, 60, 0); }, {0x8F, 0x3C, 0x00}},
      {"channel beyond 15 wraps", [&] { dev.SendMessage(17, 0xB0, 7, 1); }, {0xB1, 0x07, 0x01}},
      {"clock", [&] { dev.SendClock(); }, {0xF8}},
      {"start", [&] { dev.SendRealtime(10); }, {0xFA}},
      {"continue", [&] { dev.SendRealtime(11); }, {0xFB}},
      {"stop", [&] { dev.SendRealtime(12); }, {0xFC}},
  };
  for (const Case& c : cases) {
    c.send();
    EXPECT_EQ(serial.Receive(c.bytes.size()), c.bytes) << c.what;
    EXPECT_TRUE(serial.Quiet()) << c.what;
  }
}

// With both ports open a channel message goes to each whole, one after the other; clock and
// transport go to the serial line only.
TEST_F(CMidiDevWriters, BothPortsGetChannelMessagesOnlySerialGetsRealtime) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  Pty usb;
  usb.MakeRaw();
  LinkDevice(root, CMidiDev::kUsbDevicePath, usb.slave());
  CMidiDev dev;
  ASSERT_EQ(dev.Open(SerialPath().c_str(), "SERIAL", true), 0);
  ASSERT_EQ(dev.Open(nullptr, "USB", true), 0);
  dev.SendMessage(1, 0x90, 60, 100);
  dev.SendClock();
  dev.SendRealtime(12);
  EXPECT_EQ(serial.Receive(5), (std::vector<uint8_t>{0x91, 0x3C, 0x64, 0xF8, 0xFC}));
  EXPECT_EQ(usb.Receive(3), (std::vector<uint8_t>{0x91, 0x3C, 0x64}));
  EXPECT_TRUE(usb.Quiet());
}

// The audio thread writes clock and track notes and the reader echoes ET1 notes: a line
// nobody reads (a stalled peer, a full pseudo-terminal) costs bytes, counted, never a wait.
TEST_F(CMidiDevThreads, WritersNeverWaitForALineNobodyReads) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  CMidiDev dev;
  ASSERT_EQ(dev.Open(SerialPath().c_str(), "SERIAL", false), 0);
  constexpr int kMessages = 200000;  // megabytes: far past any terminal buffer
  auto writer = std::async(std::launch::async, [&] {
    for (int i = 0; i < kMessages; ++i) {
      dev.SendMessage(0, 0x90, 60, 100);
      dev.SendClock();
    }
  });
  const bool returned = writer.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  if (!returned) {
    // Drains the line so a waiting writer can end and the test reports instead of hanging.
    while (writer.wait_for(milliseconds(0)) != std::future_status::ready) serial.Receive(4096, milliseconds(10));
  }
  EXPECT_TRUE(returned) << "a writer waited for the line";
  const std::size_t got = serial.Receive(kMessages * 4, milliseconds(500)).size();
  EXPECT_GT(dev.DroppedBytes(), 0u);
  EXPECT_EQ(got + dev.DroppedBytes(), static_cast<std::size_t>(kMessages) * 4) << "every byte is sent or counted";
}

// Writers on several threads never interleave the bytes of their messages.
TEST_F(CMidiDevThreads, ConcurrentWritersKeepMessagesWhole) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  CMidiDev dev;
  ASSERT_EQ(dev.Open(SerialPath().c_str(), "SERIAL", true), 0);
  constexpr int kEach = 200;
  std::thread a([&] { for (int i = 0; i < kEach; ++i) dev.SendMessage(1, 0x90, 0x11, 0x22); });
  std::thread b([&] { for (int i = 0; i < kEach; ++i) dev.SendMessage(2, 0x80, 0x33, 0x44); });
  std::thread c([&] { for (int i = 0; i < kEach; ++i) dev.SendClock(); });
  const std::vector<uint8_t> got = serial.Receive(kEach * 7, milliseconds(10000));
  a.join();
  b.join();
  c.join();
  ASSERT_EQ(got.size(), static_cast<std::size_t>(kEach * 7));
  for (std::size_t i = 0; i < got.size();) {
    if (got[i] == 0xF8) {
      ++i;
    } else if (got[i] == 0x91) {
      ASSERT_EQ((std::vector<uint8_t>(got.begin() + i, got.begin() + i + 3)),
                (std::vector<uint8_t>{0x91, 0x11, 0x22})) << "at " << i;
      i += 3;
    } else {
      ASSERT_EQ((std::vector<uint8_t>(got.begin() + i, got.begin() + i + 3)),
                (std::vector<uint8_t>{0x82, 0x33, 0x44})) << "at " << i;
      i += 3;
    }
  }
}

TEST_F(CMidiDevOpen, FailuresReportAndLeaveNothingOpen) {
  struct Case {
    const char* what;
    std::string path;
    const char* type;
    int result;
    std::string out;
    std::string err;
  };
  const std::string missing = platform::DataPath("/dev/ttyNONE");
  const Case cases[] = {
      {"missing serial path", missing, "SERIAL", -2, "[MIDI_DEV] ERROR: open <" + missing + ">\n", ""},
      {"not a terminal", "/dev/null", "SERIAL", -3, "Error IOCTL\n", ""},
      {"no USB device", "", "USB", -1, "",
       "[MIDI_DEV] Unable to open USB midi device: No such file or directory\n"},
  };
  for (const Case& c : cases) {
    testing_support::LogCapture log;
    testing::internal::CaptureStderr();
    const int before = OpenDescriptors();
    {
      CMidiDev dev;
      EXPECT_EQ(dev.Open(c.path.c_str(), c.type, false), c.result) << c.what;
      EXPECT_FALSE(dev.IsRunning()) << c.what;
      EXPECT_TRUE(NoThreadNamed("MIDI_DEV")) << c.what;
      EXPECT_EQ(OpenDescriptors(), before) << c.what;
      dev.SendMessage(0, 0x90, 60, 100);  // nothing open: nothing happens
      dev.SendClock();
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err) << c.what;
    EXPECT_EQ(log.Text(), c.out) << c.what;
  }
}

TEST_F(CMidiDevOpen, OutputOnlyAndOtherTypesStartNoReader) {
  SKIP_WHEN_EMULATED(kNoTermios2);
  {
    CMidiDev dev;
    EXPECT_EQ(dev.Open(SerialPath().c_str(), "SERIAL", true), 0);
    EXPECT_TRUE(dev.IsRunning());
    EXPECT_TRUE(NoThreadNamed("MIDI_DEV"));
  }
  CMidiDev other;
  EXPECT_EQ(other.Open("", "NONE", false), 0);
  EXPECT_TRUE(other.IsRunning());
  EXPECT_TRUE(NoThreadNamed("MIDI_DEV"));
}

}  // namespace
