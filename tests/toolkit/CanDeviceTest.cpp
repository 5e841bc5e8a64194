#include <gtest/gtest.h>
#include <sched.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/LogSink.h"
#include "tests/support/LogCapture.h"
#include "tests/toolkit/support/BusPeer.h"
#include "toolkit/CCANDev.h"
#include "toolkit/Flavour.h"

namespace {

using namespace std::chrono_literals;
using toolkit_test::BusFrame;
using toolkit_test::BusPeer;
using toolkit_test::MakeFrame;

// Whatever the flavour, received frames land here: the script module's CANDevCB and the
// instrument's global function both feed it.
struct Received {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<BusFrame> frames;
  std::vector<bool> underLock;
  bool WaitFor(size_t count) {
    std::unique_lock<std::mutex> lock(mutex);
    return arrived.wait_for(lock, 5s, [&] { return frames.size() >= count; });
  }
};
Received* g_received = nullptr;
std::atomic<int> g_lockDepth{0};

void Record(uint16_t id, const uint8_t* data, uint8_t length) {
  std::lock_guard<std::mutex> lock(g_received->mutex);
  g_received->frames.push_back({id, std::vector<uint8_t>(data, data + length)});
  g_received->underLock.push_back(g_lockDepth.load() == 1);
  g_received->arrived.notify_all();
}

class RecordingCallback : public CANDevCB {
 public:
  void MessageReceived(unsigned short id, unsigned char* data, unsigned char length) override {
    Record(id, data, length);
  }
};

int CountingAcquire() {
  ++g_lockDepth;
  return 42;
}
void CountingRelease(int token) {
  if (token == 42) --g_lockDepth;
}

class CanDeviceThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!toolkit_test::Cpu0Available()) GTEST_SKIP() << "CPU 0 is not available to this process";
    ASSERT_TRUE(bus_.Ready());
    g_received = &received_;
    g_lockDepth = 0;
    CCANDev::SetMessageCallback(&Record);
    CCANDev::SetCallbackLock({&CountingAcquire, &CountingRelease});
    dev_.registerCallback(&callback_);
  }
  void TearDown() override {
    dev_.Close();
    CCANDev::SetMessageCallback(nullptr);
    CCANDev::SetCallbackLock({nullptr, nullptr});
    g_received = nullptr;
  }
  bool OpenOnBus() {
    if (dev_.Open("can0") != 0) return false;
    return bus_.Hub().WaitForMemberCount(2, 2s);
  }

  BusPeer bus_;
  Received received_;
  RecordingCallback callback_;
  CCANDev dev_{bus_.Sockets()};
};

TEST_F(CanDeviceThreads, FramesSentReachThePeerExactly) {
  ASSERT_TRUE(OpenOnBus());
  const uint8_t focus[] = {0xA1, 0xFF};
  dev_.SendRAW(40, focus, 2);
  EXPECT_EQ(bus_.Next(), (BusFrame{0x028, {0xA1, 0xFF}}));
  dev_.SendMessage(16, 0x90, 0x01, 60, 100);
  EXPECT_EQ(bus_.Next(), (BusFrame{0x010, {0x91, 0x3C, 0x64}}));
  dev_.SendRAW(0x7FF, nullptr, 0);
  EXPECT_EQ(bus_.Next(), (BusFrame{0x7FF, {}}));
  const uint8_t eight[] = {1, 2, 3, 4, 5, 6, 7, 8};
  dev_.SendRAW(0x123, eight, 8);
  EXPECT_EQ(bus_.Next(), (BusFrame{0x123, {1, 2, 3, 4, 5, 6, 7, 8}}));
}

// Lengths a frame cannot carry, and bytes that are not there, send nothing and print
// nothing; the frame after them is the next one on the bus.
TEST_F(CanDeviceThreads, FramesThatCannotBeSentAreDropped) {
  ASSERT_TRUE(OpenOnBus());
  const uint8_t nine[9] = {};
  testing::internal::CaptureStderr();
  dev_.SendRAW(40, nine, 9);
  dev_.SendRAW(40, nine, -1);
  dev_.SendRAW(40, nine, -255);
  dev_.SendRAW(40, nullptr, 2);
  const uint8_t marker[] = {0xA2, 1};
  dev_.SendRAW(40, marker, 2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(bus_.Next(), (BusFrame{0x028, {0xA2, 1}}));
  EXPECT_TRUE(bus_.NothingWaiting());
}

TEST_F(CanDeviceThreads, ReceivedFramesReachTheCallbackThenTheTrace) {
  testing_support::LogCapture log;
  ASSERT_TRUE(OpenOnBus());
  const struct {
    can_frame frame;
    BusFrame delivered;
    const char* trace;
  } cases[] = {
      {MakeFrame(0x100, {0xB0, 0x00, 0x01, 0x00, 0x00, 0x80, 0x3F}),
       {0x100, {0xB0, 0x00, 0x01, 0x00, 0x00, 0x80, 0x3F}},
       "ID: 0100 , DLC: 7 , B0 00 01 00 00 80 3F  <1.000000>\n"},
      {MakeFrame(0x2A0, {0xC1, 0x02, 0x05, 0x07, 0x00, 0x00, 0x00, 0x3F}),
       {0x2A0, {0xC1, 0x02, 0x05, 0x07, 0x00, 0x00, 0x00, 0x3F}},
       "ID: 02A0 , DLC: 8 , C1 02 05 07 00 00 00 3F MX[2] src:5 dst:7 amt:<0.500000>\n"},
      {MakeFrame(0x028, {0xA1, 0x03}), {0x028, {0xA1, 0x03}}, "ID: 0028 , DLC: 2 , A1 03 \n"},
      // Short frames: nothing is decoded from bytes the frame does not carry.
      {MakeFrame(0x101, {0xB0}), {0x101, {0xB0}}, "ID: 0101 , DLC: 1 , B0 \n"},
      {MakeFrame(0x102, {0xB0, 0x00, 0x01, 0x00, 0x00, 0x80}), {0x102, {0xB0, 0x00, 0x01, 0x00, 0x00, 0x80}},
       "ID: 0102 , DLC: 6 , B0 00 01 00 00 80 \n"},
      {MakeFrame(0x2A1, {0xC1, 0x02, 0x05, 0x07, 0x00, 0x00, 0x00}),
       {0x2A1, {0xC1, 0x02, 0x05, 0x07, 0x00, 0x00, 0x00}}, "ID: 02A1 , DLC: 7 , C1 02 05 07 00 00 00 \n"},
      {MakeFrame(0x020, {}), {0x020, {}}, "ID: 0020 , DLC: 0 , \n"},
  };
  for (const auto& c : cases) ASSERT_TRUE(bus_.Write(c.frame));
  // A length byte above 8 from a broken node: the eight data bytes there are, no more.
  can_frame wide = MakeFrame(0x0FF, {1, 2, 3, 4, 5, 6, 7, 8});
  wide.can_dlc = 15;
  ASSERT_TRUE(bus_.Write(wide));
  ASSERT_TRUE(received_.WaitFor(std::size(cases) + 1));
  dev_.Close();

  std::string traces;
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(received_.frames[i], cases[i].delivered) << cases[i].trace;
    traces += cases[i].trace;
  }
  EXPECT_EQ(received_.frames.back(), (BusFrame{0x0FF, {1, 2, 3, 4, 5, 6, 7, 8}}));
  traces += "ID: 00FF , DLC: 8 , 01 02 03 04 05 06 07 08 \n";
  EXPECT_EQ(log.Text(), traces);
}

// The script module calls a script's receiver only while it holds the interpreter's lock;
// the instrument's receiver takes no lock.
TEST_F(CanDeviceThreads, TheCallbackRunsInsideTheLockHooksOfTheScriptModule) {
  ASSERT_TRUE(OpenOnBus());
  ASSERT_TRUE(bus_.Write(MakeFrame(0x100, {0x01})));
  ASSERT_TRUE(bus_.Write(MakeFrame(0x101, {0x02})));
  ASSERT_TRUE(received_.WaitFor(2));
  dev_.Close();
  EXPECT_EQ(received_.underLock, (std::vector<bool>{ux::kScriptFlavour, ux::kScriptFlavour}));
  EXPECT_EQ(g_lockDepth.load(), 0);
}

// Collects the log lines of the receive thread and lets the test wait for one.
class TraceWaiter {
 public:
  TraceWaiter() { platform::SetLogSink(&Sink, this); }
  ~TraceWaiter() { platform::SetLogSink(nullptr, nullptr); }
  bool WaitFor(const std::string& text) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, 5s, [&] { return text_ == text; });
  }

 private:
  static void Sink(const char* text, void* self) {
    auto* waiter = static_cast<TraceWaiter*>(self);
    std::lock_guard<std::mutex> lock(waiter->mutex_);
    waiter->text_ += text;
    waiter->changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string text_;
};

TEST_F(CanDeviceThreads, WithoutAReceiverFramesAreOnlyTraced) {
  TraceWaiter trace;
  dev_.registerCallback(nullptr);
  CCANDev::SetMessageCallback(nullptr);
  ASSERT_TRUE(OpenOnBus());
  ASSERT_TRUE(bus_.Write(MakeFrame(0x100, {0x01})));
  EXPECT_TRUE(trace.WaitFor("ID: 0100 , DLC: 1 , 01 \n"));
  dev_.Close();
  EXPECT_EQ(g_lockDepth.load(), 0);
}

// Close must not wait for a frame that never comes; opening again replaces the connection.
TEST_F(CanDeviceThreads, CloseOnAQuietBusReturnsAndOpenTwiceKeepsOneConnection) {
  ASSERT_TRUE(OpenOnBus());
  ASSERT_EQ(dev_.Open("can0"), 0);
  EXPECT_TRUE(bus_.Hub().WaitForMemberCount(2, 2s));
  dev_.Close();
  EXPECT_TRUE(bus_.Hub().WaitForMemberCount(1, 2s));
  dev_.Close();  // twice is harmless
  EXPECT_EQ(dev_.m_can_sock, -1);
  EXPECT_FALSE(dev_.m_fRun);
}

TEST_F(CanDeviceThreads, ClosingFromInsideTheCallbackEndsTheLoop) {
  if (!ux::kScriptFlavour) GTEST_SKIP() << "the instrument's receiver is a plain function";
  struct Closer : CANDevCB {
    CCANDev* dev = nullptr;
    std::atomic<int> calls{0};
    void MessageReceived(unsigned short id, unsigned char* data, unsigned char length) override {
      ++calls;
      dev->Close();
      Record(id, data, length);
    }
  } closer;
  closer.dev = &dev_;
  dev_.registerCallback(&closer);
  ASSERT_TRUE(OpenOnBus());
  ASSERT_TRUE(bus_.Write(MakeFrame(0x100, {0x01})));
  ASSERT_TRUE(received_.WaitFor(1));
  ASSERT_TRUE(bus_.Write(MakeFrame(0x100, {0x02})));
  dev_.Close();
  EXPECT_EQ(closer.calls.load(), 1);
  EXPECT_TRUE(bus_.Hub().WaitForMemberCount(1, 2s));
}

TEST_F(CanDeviceThreads, InterfaceNamesAreLookedUpOrCut) {
  // The longest name an interface can have; a longer request is cut to it.
  platform::VirtualCanHub longHub(platform::VirtualCanOps::HubPath(bus_.Root().Root(), "abcdefghijklmno"));
  ASSERT_EQ(longHub.Start(), 0);
  testing::internal::CaptureStderr();
  const int unknown = dev_.Open("vcan9");
  const int cut = dev_.Open("abcdefghijklmnopqrstuvwxyz");
  const int null = dev_.Open(nullptr);
  const std::string errors = testing::internal::GetCapturedStderr();
  if (ux::kScriptFlavour) {
    EXPECT_EQ(unknown, -3);
    EXPECT_EQ(cut, 0);
    EXPECT_EQ(null, -3);
    EXPECT_NE(errors.find("CAN Device SIOCGIFINDEX: No such device"), std::string::npos) << errors;
  } else {
    // The instrument's panel is always on "can0".
    EXPECT_EQ(unknown, 0);
    EXPECT_EQ(cut, 0);
    EXPECT_EQ(null, 0);
  }
}

TEST(CanDevice, OpeningRealSocketCanWithoutTheProtocolFailsAtTheSocket) {
  const int probe = socket(PF_CAN, SOCK_RAW, CAN_RAW);
  if (probe >= 0) {
    close(probe);
    GTEST_SKIP() << "this kernel has SocketCAN";
  }
  platform::SocketCanOps real;
  CCANDev dev(real);
  testing::internal::CaptureStderr();
  EXPECT_EQ(dev.Open("can0"), -2);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("CAN Device socket: "), std::string::npos);
  EXPECT_FALSE(dev.m_fRun);
  EXPECT_EQ(dev.m_can_sock, -1);
}

TEST(CanDevice, ADeviceNeverOpenedOrFailedToOpenIsSafeToCloseAndDestroy) {
  {
    CCANDev never;
    never.Close();
  }
  testing_support::TempDataRoot root;
  platform::VirtualCanOps sockets(root.Root());
  CCANDev failed(sockets);
  testing::internal::CaptureStderr();
  EXPECT_EQ(failed.Open("can0"), -3);
  testing::internal::GetCapturedStderr();
  failed.Close();
}

// A bus that takes frames only while `full` is off; nothing else about it matters here.
class FillingBus : public platform::CanSocketOps {
 public:
  int Socket() override { return 3; }
  int SetSockOpt(int, int, int, const void*, socklen_t) override { return 0; }
  int InterfaceIndex(int, const char*) override { return 1; }
  int Bind(int, int) override { return 0; }
  ssize_t Read(int, void*, size_t) override { return -1; }
  ssize_t Write(int fd, const void* buffer, size_t size) override { return TryWrite(fd, buffer, size); }
  int Close(int) override { return 0; }
  ssize_t TryWrite(int, const void*, size_t size) override {
    if (!full) return static_cast<ssize_t>(size);
    errno = ENOBUFS;
    return -1;
  }
  bool full = false;
};

// Frames a full bus refuses are counted, not printed one by one: a burst is reported when it
// starts, with the system's error, and when it ends, with its count.
TEST(CanDevice, AFullBusCostsFramesReportedOncePerBurst) {
  FillingBus bus;
  testing_support::LogCapture log;
  testing::internal::CaptureStderr();
  {
    CCANDev dev(bus);
    const uint8_t pulse[] = {0xF8};
    const struct {
      bool full;
      int frames;
      const char* log;
    } steps[] = {
        {false, 3, ""},
        {true, 5, "CAN Device write: No buffer space available\n"},
        {false, 2, "CAN Device write: 5 frames dropped\n"},
        {true, 1, "CAN Device write: No buffer space available\n"},
        {false, 1, "CAN Device write: 1 frame dropped\n"},
        {true, 4, "CAN Device write: No buffer space available\n"},
    };
    for (const auto& s : steps) {
      log.Clear();
      bus.full = s.full;
      for (int i = 0; i < s.frames; ++i) dev.SendRAW(40, pulse, 1);
      EXPECT_EQ(log.Text(), s.log);
    }
    EXPECT_EQ(dev.DroppedFrames(), 10u);
    // A burst still running when the device closes is counted then.
    log.Clear();
  }
  EXPECT_EQ(log.Text(), "CAN Device write: 4 frames dropped\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(CanDevice, TheReceiversOwnBodiesSayTheyAreNotImplemented) {
  testing_support::LogCapture log;
  CANDevCB cb;
  cb.run(0);
  uint8_t byte = 0;
  cb.MessageReceived(1, &byte, 1);
  EXPECT_EQ(log.Text(), "Not implemented: CANDevCB.run()\nNot implemented: CANDevCB.MessageReceived()\n");
}

}  // namespace
