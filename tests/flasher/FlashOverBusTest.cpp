// The flasher against a simulated board on the virtual CAN bus: real sockets, the hub's
// thread and the board's thread. Waits that must run out are made short by the board
// flooding the bus with frames of another identifier, each of which costs the host a poll.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/VirtualCanHub.h"
#include "platform/VirtualCanOps.h"
#include "tests/flasher/ScriptedCanBus.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "tools/flasher/CFlashProtoSM.h"
#include "tools/flasher/sim/SimBoardRunner.h"
#include "tools/flasher/sim/SimBootloaderBoard.h"

namespace {

using namespace std::chrono_literals;
using flasher::CFlashProtoSM;
using flasher_sim::BoardFaults;
using flasher_sim::SimBootloaderBoard;
using flasher_test::Frame;

constexpr canid_t kMarker = 0x7FF;

// A descriptor for board 1 (version 1.3) and the zero word the command line appends.
std::vector<uint8_t> DescriptorImage() {
  return {0x34, 0x12, 0x55, 0xAA, 0x14, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x02, 0x00, 0x08, 0x03, 0x01, 0x00, 0x01, 0, 0, 0, 0};
}

class FlasherOverBusThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(hub_.Start(), 0);
    ASSERT_TRUE(runner_.Start(hub_.Path()));
    ASSERT_EQ(host_.Open(""), 0);
    ASSERT_TRUE(hub_.WaitForMemberCount(2, 2s));
  }

  // What the command line does for a flash: bootloader, its version, the image, launch.
  int Flash(std::vector<uint8_t>& image) {
    int result = host_.start_bootloader(1);
    if (result == 0) result = host_.query_bl_version(1);
    if (result == 0) result = host_.startFlash(1, image.data(), static_cast<int>(image.size()));
    if (result == 0) host_.launch(1);
    return result;
  }

  // Everything the board took off the bus before a marker the host sends now: frames of
  // one member arrive in order, so nothing the host sent earlier can still be on the way.
  std::vector<can_frame> RequestsSoFar() {
    host_.SendRAW(kMarker, nullptr, 0);
    std::vector<can_frame> frames;
    EXPECT_TRUE(runner_.WaitUntil(
        [](const SimBootloaderBoard& b) { return !b.Received().empty() && b.Received().back().can_id == kMarker; },
        5s));
    runner_.WithBoard([&](SimBootloaderBoard& b) { frames = b.Received(); });
    if (!frames.empty()) frames.pop_back();
    return frames;
  }

  testing_support::TempDataRoot root_;
  testing_support::LogCapture log_;
  platform::VirtualCanHub hub_{platform::VirtualCanOps::HubPath(root_.Root(), "can0")};
  platform::VirtualCanOps sockets_{root_.Root()};
  SimBootloaderBoard board_{1};
  flasher_sim::SimBoardRunner runner_{board_};
  CFlashProtoSM host_{sockets_};
};

TEST_F(FlasherOverBusThreads, TheDescriptorImageIsFlashedAndLaunched) {
  std::vector<uint8_t> image = DescriptorImage();
  ASSERT_EQ(Flash(image), 0) << log_.Text();
  const std::vector<can_frame> requests = RequestsSoFar();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().data[0], 0xC5);
  runner_.WithBoard([&](SimBootloaderBoard& b) {
    EXPECT_EQ(b.AnnouncedWords(), 6u);
    EXPECT_EQ(b.Flash(), image);  // the length field reads 24
    EXPECT_EQ(b.Flash()[4], 24);
    EXPECT_TRUE(b.ImageAccepted());
    EXPECT_EQ(b.Launches(), 1);
    EXPECT_FALSE(b.InBootloader());
  });
  EXPECT_NE(log_.Text().find("Bootload listen ID 1\nBOARD 1,Bootloader: Version: 2.7\nSTART: size: 24 (bytes) segments: 6\n"),
            std::string::npos)
      << log_.Text();
}

TEST_F(FlasherOverBusThreads, ARandomImageArrivesWordForWord) {
  std::mt19937 rng(21);
  std::vector<uint8_t> image = DescriptorImage();
  image.resize(4096 + 4);
  for (std::size_t i = 20; i < 4096; ++i) image[i] = static_cast<uint8_t>(rng());
  ASSERT_EQ(Flash(image), 0) << log_.Text();
  RequestsSoFar();
  runner_.WithBoard([&](SimBootloaderBoard& b) {
    EXPECT_EQ(b.Flash(), image);
    EXPECT_EQ(b.ReceivedCrc(), static_cast<uint32_t>(::crc32(0, image.data(), static_cast<uInt>(image.size()))));
    EXPECT_TRUE(b.ImageAccepted());
  });
}

// Every way the board or the bus can fail the host, with the result, and the last request
// the board saw: after a failure the host sends nothing more (no retry, no launch).
TEST_F(FlasherOverBusThreads, EachFailureGivesItsResultAndStopsSending) {
  struct Case {
    const char* name;
    std::function<void(BoardFaults&)> fault;
    int result;
    uint8_t lastRequest;
    int lastOffset;  // of the last segment, or -1
  };
  const Case cases[] = {
      {"noise before every reply",
       [](BoardFaults& f) {
         f.noise = {Frame(0x123, {0xA0, 1}), Frame(0x701 | CAN_EFF_FLAG, {0xA0, 1}), Frame(0x721 | CAN_RTR_FLAG, {}),
                    Frame(0x701, {0xA5, 1})};
       },
       0, 0xC5, -1},
      {"stray frames before every acknowledgement", [](BoardFaults& f) { f.strayBeforeAck = true; }, 0, 0xC5, -1},
      {"no bootloader", [](BoardFaults& f) { f.silentTo = {0xC0}; }, -4, 0xC0, -1},
      {"another board's bootloader", [](BoardFaults& f) { f.versionAsBoard = 3; }, -6, 0xC1, -1},
      {"no bootloader version", [](BoardFaults& f) { f.silentTo = {0xC1}; }, -5, 0xC1, -1},
      {"start not accepted", [](BoardFaults& f) { f.silentTo = {0xC2}; }, -7, 0xC2, -1},
      {"segment refused", [](BoardFaults& f) { f.refuseSegment = 3; }, -7, 0xC3, 3},
      {"segment not acknowledged", [](BoardFaults& f) { f.silentTo = {0xC3}; }, -7, 0xC3, 0},
      {"word corrupted", [](BoardFaults& f) { f.corruptWord = 2; }, -7, 0xC4, -1},
      {"CRC refused", [](BoardFaults& f) { f.refuseCrc = true; }, -7, 0xC4, -1},
      {"no CRC verdict", [](BoardFaults& f) { f.silentTo = {0xC4}; }, -7, 0xC4, -1},
  };
  runner_.SetFloodWhenSilent(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    runner_.WithBoard([&](SimBootloaderBoard& b) {
      b = SimBootloaderBoard(1);
      c.fault(b.Faults());
    });
    std::vector<uint8_t> image = DescriptorImage();
    EXPECT_EQ(Flash(image), c.result) << log_.Text();
    const std::vector<can_frame> requests = RequestsSoFar();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().data[0], c.lastRequest);
    if (c.lastOffset >= 0) {
      EXPECT_EQ(requests.back().data[3], c.lastOffset);
    }
    // The rest of a flood must not eat into the next case's budgets.
    can_frame rest;
    while (host_.Receive(&rest) != 0) {
    }
    log_.Clear();
  }
}

TEST_F(FlasherOverBusThreads, TheRunningFirmwareTellsItsVersion) {
  EXPECT_EQ(host_.query_fw_version(1), 0);
  EXPECT_EQ(log_.Text(), "BOARD 1,Firmware: Version: 1.3\n");
  runner_.SetFloodWhenSilent(true);
  runner_.WithBoard([](SimBootloaderBoard& b) { b.Faults().silentTo = {0xA3}; });
  log_.Clear();
  EXPECT_EQ(host_.query_fw_version(1), -5);
  EXPECT_EQ(log_.Text(), "ERROR: Query firmware version timeout\n");
}

// A quiet bus gives nothing after the short receive time-out; frames of other boards are
// read one by one, whatever their identifier.
TEST_F(FlasherOverBusThreads, ReceiveOnTheBus) {
  can_frame f;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(host_.Receive(&f), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
  const int other = platform::VirtualCanOps::Connect(hub_.Path());
  ASSERT_GE(other, 0);
  ASSERT_TRUE(hub_.WaitForMemberCount(3, 2s));
  for (canid_t id : {0x100u, 0x3F0u, 0x7FFu}) {
    const can_frame sent = Frame(id, {1, 2});
    ASSERT_EQ(write(other, &sent, sizeof sent), static_cast<ssize_t>(sizeof sent));
  }
  for (canid_t id : {0x100u, 0x3F0u, 0x7FFu}) {
    int got = 0;
    for (int poll = 0; poll < 200 && got == 0; ++poll) got = host_.Receive(&f);
    EXPECT_EQ(got, 16);
    EXPECT_EQ(f.can_id, id);
  }
  close(other);
}

}  // namespace
