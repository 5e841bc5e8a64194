#include "tools/flasher/CCANDev.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/CanSocketOps.h"
#include "tests/flasher/ScriptedCanBus.h"

namespace {

using flasher::CCANDev;
using flasher_test::Frame;
using flasher_test::ScriptedCanBus;

// This machine has no CAN support in its kernel: the real socket fails at the first step.
// Its Close then touches no descriptor, not even one the process opened since.
TEST(CanDevice, RealSocketCanFailsAtTheSocketAndCloseTouchesNothing) {
  platform::SocketCanOps socketCan;
  CCANDev dev(socketCan);
  testing::internal::CaptureStderr();
  EXPECT_EQ(dev.Open(""), -2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "CAN Device socket: Address family not supported by protocol\n");
  EXPECT_FALSE(dev.IsOpen());
  const int other = open("/dev/null", O_RDONLY);
  ASSERT_GE(other, 0);
  dev.Close();
  EXPECT_NE(fcntl(other, F_GETFD), -1);
  close(other);
  // Reads on the failed device return at once with nothing.
  can_frame f;
  EXPECT_EQ(dev.Receive(&f), 0);
}

TEST(CanDevice, EachOpenStepFailsWithItsCodeAndTextAndClosesItsSocket) {
  struct Case {
    ScriptedCanBus::Step step;
    int err;
    int code;
    const char* text;
  };
  const Case cases[] = {
      {ScriptedCanBus::Step::socket, EAFNOSUPPORT, -2, "CAN Device socket: Address family not supported by protocol\n"},
      {ScriptedCanBus::Step::timeout, ENOPROTOOPT, -2, "CAN Device set socket options: Protocol not available\n"},
      {ScriptedCanBus::Step::ifindex, ENODEV, -3, "CAN Device SIOCGIFINDEX: No such device\n"},
      {ScriptedCanBus::Step::bind, EADDRNOTAVAIL, -4, "CAN Device bind: Cannot assign requested address\n"},
      {ScriptedCanBus::Step::none, 0, 0, ""},
  };
  for (const Case& c : cases) {
    ScriptedCanBus bus;
    bus.failAt = c.step;
    bus.failErrno = c.err;
    {
      CCANDev dev(bus);
      testing::internal::CaptureStderr();
      EXPECT_EQ(dev.Open(""), c.code);
      EXPECT_EQ(testing::internal::GetCapturedStderr(), c.text);
      EXPECT_EQ(dev.IsOpen(), c.code == 0);
      // A socket that was made is closed once, by the failure or by the destructor.
    }
    const std::size_t made = c.step == ScriptedCanBus::Step::socket ? 0 : 1;
    EXPECT_EQ(bus.closed.size(), made) << c.text;
  }
}

TEST(CanDevice, AnyNameOpensCan0) {
  for (const char* name : {"", "vcan9", "can1"}) {
    ScriptedCanBus bus;
    CCANDev dev(bus);
    ASSERT_EQ(dev.Open(name), 0);
    EXPECT_EQ(bus.interfaceAsked, "can0");
  }
}

TEST(CanDevice, SendRawSendsZeroToEightBytesAndNothingElse) {
  const uint8_t data[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  struct Case {
    int len;
    bool sent;
  };
  for (const Case c : {Case{-1, false}, Case{0, true}, Case{1, true}, Case{8, true}, Case{9, false}, Case{-100000, false}}) {
    ScriptedCanBus bus;
    CCANDev dev(bus);
    ASSERT_EQ(dev.Open(""), 0);
    testing::internal::CaptureStderr();
    dev.SendRAW(0x7FF, data, c.len);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(bus.sent.size(), c.sent ? 1u : 0u) << c.len;
    if (!c.sent) continue;
    EXPECT_EQ(bus.sent[0].can_id, 0x7FFu);
    EXPECT_EQ(bus.sent[0].can_dlc, c.len);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(bus.sent[0].data[i], i < c.len ? data[i] : 0) << c.len << " byte " << i;
  }
}

TEST(CanDevice, AWriteOnAnUnopenedDeviceIsReportedAndLost) {
  ScriptedCanBus bus;
  CCANDev dev(bus);
  const uint8_t data[2] = {0xA3, 1};
  testing::internal::CaptureStderr();
  dev.SendRAW(0x028, data, 2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "CAN Device write: Bad file descriptor\n");
  EXPECT_TRUE(bus.sent.empty());
}

// Only a whole record is a frame; a short one must not leave half of the previous frame
// to be taken for a reply.
TEST(CanDevice, ReceiveGivesSixteenForAWholeFrameAndZeroOtherwise) {
  ScriptedCanBus bus;
  CCANDev dev(bus);
  ASSERT_EQ(dev.Open(""), 0);
  const can_frame reply = Frame(0x701, {0xA1, 1, 2, 7});
  bus.Push(reply);
  bus.Push(Frame(0x3F0, {1, 2, 3}), 8);
  bus.Quiet(1);
  can_frame f;
  EXPECT_EQ(dev.Receive(&f), 16);
  EXPECT_EQ(f.can_id, 0x701u);
  EXPECT_EQ(dev.Receive(&f), 0);
  EXPECT_EQ(f.can_id, 0u);
  EXPECT_EQ(f.data[0], 0);
  EXPECT_EQ(dev.Receive(&f), 0);
  EXPECT_EQ(dev.Receive(nullptr), 0);
  // Each receive waits for its frame with poll() and 1 ms: a receive time-out would round
  // up to the kernel's tick.
  EXPECT_EQ(bus.pollTimeouts, std::vector<int>(3, 1));
}

}  // namespace
