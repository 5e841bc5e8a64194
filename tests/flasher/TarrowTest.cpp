// tarrow as a user runs it: the program in a process of its own, its output and its exit
// status (as the shell sees it, modulo 256), and the frames a simulated board took off the
// virtual bus. `tarrow-sim` is the same program on the virtual bus.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/VirtualCanHub.h"
#include "platform/VirtualCanOps.h"
#include "tests/flasher/ScriptedCanBus.h"
#include "tests/support/Emulation.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"
#include "tools/flasher/sim/SimBoardRunner.h"
#include "tools/flasher/sim/SimBootloaderBoard.h"

namespace {

using namespace std::chrono_literals;
using flasher_sim::BoardFaults;
using flasher_sim::SimBootloaderBoard;

const std::string kBanner = "tarrow version 1.3\n\n";
const std::string kUsage =
    "tarrow -flash file.bin [Id] (flash firmware)\n"
    "tarrow -query_fw Id (query firmware version)\n"
    "tarrow -query_bl Id (query bootloader version)\n"
    "(VOICE_SECTION = 1, PART_ENVELOPE\t= 2, MAIN_ENC4 = 3\n";
constexpr canid_t kMarker = 0x7FF;

void PutLE(std::vector<uint8_t>& v, uint32_t word) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(word >> (8 * i)));
}

// A firmware file: the descriptor (board, version) and `words` words of code after it.
std::vector<uint8_t> Firmware(int board, int major, int minor, int words = 5, uint32_t magic = 0xAA551234u) {
  std::vector<uint8_t> file;
  PutLE(file, magic);
  PutLE(file, static_cast<uint32_t>(20 + 4 * words));
  PutLE(file, 0x08000100u);
  PutLE(file, 0x08000201u);
  PutLE(file, static_cast<uint32_t>(board) << 24 | 0x00AA0000u | static_cast<uint32_t>(major) << 8 |
                  static_cast<uint32_t>(minor));
  for (int i = 0; i < words; ++i) PutLE(file, 0x01020304u * static_cast<uint32_t>(i + 1));
  return file;
}

class TarrowThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(hub_.Start(), 0);
    ASSERT_TRUE(runner_.Start(hub_.Path()));
    marker_ = platform::VirtualCanOps::Connect(hub_.Path());
    ASSERT_GE(marker_, 0);
    ASSERT_TRUE(hub_.WaitForMemberCount(2, 2s));
  }
  void TearDown() override {
    if (marker_ >= 0) close(marker_);
  }

  std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = root_.Root() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  testing_support::CommandOutput Tarrow(const std::string& args) {
    return testing_support::RunCommand(testing_support::TargetCommand(SYNTH_TARROW_SIM) + " -can-dir " + root_.Root() + " " + args +
                                       " 2>&1");
  }
  // The first bytes of every frame the board took off the bus while tarrow ran. The hub
  // lets a member go only after relaying all it wrote, so once tarrow has left, a marker
  // sent now reaches the board after tarrow's last frame.
  std::vector<uint8_t> Requests() {
    EXPECT_TRUE(hub_.WaitForMemberCount(2, 5s));
    const can_frame marker = flasher_test::Frame(kMarker, {});
    EXPECT_EQ(write(marker_, &marker, sizeof marker), static_cast<ssize_t>(sizeof marker));
    EXPECT_TRUE(runner_.WaitUntil(
        [](const SimBootloaderBoard& b) { return !b.Received().empty() && b.Received().back().can_id == kMarker; },
        5s));
    std::vector<uint8_t> codes;
    runner_.WithBoard([&](SimBootloaderBoard& b) {
      for (const can_frame& f : b.Received())
        if (f.can_id != kMarker) codes.push_back(f.data[0]);
    });
    return codes;
  }
  // A fresh board in its running firmware, with `fault` switched on.
  void ResetBoard(const std::function<void(BoardFaults&)>& fault = nullptr) {
    runner_.WithBoard([&](SimBootloaderBoard& b) {
      b = SimBootloaderBoard(1);
      if (fault) fault(b.Faults());
    });
  }

  testing_support::TempDataRoot root_;
  platform::VirtualCanHub hub_{platform::VirtualCanOps::HubPath(root_.Root(), "can0")};
  SimBootloaderBoard board_{1};
  flasher_sim::SimBoardRunner runner_{board_};
  int marker_ = -1;
};

TEST_F(TarrowThreads, MalformedCommandLinesPrintTheUsageAndSendNothing) {
  for (const char* args : {"", "-flash", "-query_fw", "-query_bl", "-query_fw 1 2", "-flash a 1 2", "-FLASH x",
                           "-Query_fw 1", "-query 1", "flash x"}) {
    ResetBoard();
    const auto out = Tarrow(args);
    EXPECT_EQ(out.status, 0) << args;
    EXPECT_EQ(out.text, kBanner + kUsage) << args;
    EXPECT_TRUE(Requests().empty()) << args;
  }
}

// Faults of the file or the identifiers end the program before the board hears anything.
TEST_F(TarrowThreads, FileAndIdentifierFaultsEndBeforeAnythingIsSent) {
  const std::string board2 = WriteFile("board2.bin", Firmware(2, 1, 4));
  const std::string board4 = WriteFile("board4.bin", Firmware(4, 1, 0));
  const std::string board0 = WriteFile("board0.bin", Firmware(0, 1, 0));
  const std::string odd = WriteFile("odd.bin", std::vector<uint8_t>(21, 0));
  const std::string empty = WriteFile("empty.bin", {});
  std::vector<uint8_t> cut = Firmware(1, 1, 0);
  cut.resize(16);
  const std::string shortFile = WriteFile("short.bin", cut);
  const std::string debug = WriteFile("debug.bin", Firmware(1, 1, 0, 5, 0x12345678u));
  const std::string huge = root_.Root() + "/huge.bin";
  ASSERT_EQ(truncate(WriteFile("huge.bin", Firmware(1, 1, 0)).c_str(), 0x3FFFFFCL), 0);
  const std::string missing = root_.Root() + "/missing.bin";
  const std::string fifo = root_.Root() + "/fifo.bin";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string args;
    std::string printed;
    int status;
  };
  const Case cases[] = {
      {"-flash " + missing, "ERROR: Firmware file open error <" + missing + ">\n", 255},
      {"-flash " + root_.Root(), "ERROR: Firmware file open error <" + root_.Root() + ">\n", 255},
      {"-flash " + fifo, "ERROR: Firmware file open error <" + fifo + ">\n", 255},
      {"-flash " + odd, "ERROR alligment [4] byte lenght 21\n", 254},
      {"-flash " + empty, "ERROR: Firmware file too short <" + empty + "> 0\n", 255},
      {"-flash " + shortFile + " 1", "ERROR: Firmware file too short <" + shortFile + "> 16\n", 255},
      {"-flash " + huge, "ERROR: Firmware file too large <" + huge + "> 67108860\n", 255},
      {"-flash " + debug, "ERROR: file magic number wrong (maybe a debug version) 12345678\n", 255},
      {"-flash " + board2 + " 3", "ERROR Firmware File Board ID:2 doesn't match the give ID:3\n", 248},
      {"-flash " + board2 + " abc", "ERROR Firmware File Board ID:2 doesn't match the give ID:0\n", 248},
      {"-flash " + board2 + " -1", "ERROR Firmware File Board ID:2 doesn't match the give ID:-1\n", 248},
      {"-flash " + board4, "assume board ID:4\nERROR board id 4 unknown\n", 253},
      {"-flash " + board0, "assume board ID:0\nERROR board id 0 unknown\n", 253},
      {"-query_bl 4", "ERROR board id 4 unknown\n", 253},
      {"-query_bl x", "ERROR board id 0 unknown\n", 253},
      {"-query_fw -2", "ERROR board id -2 unknown\n", 253},
      // Ids beyond int do not wrap onto a known board.
      {"-query_bl 4294967297", "ERROR board id 4294967297 unknown\n", 253},
      {"-query_fw -4294967295", "ERROR board id -4294967295 unknown\n", 253},
      {"-flash " + board2 + " 4294967298",
       "ERROR Firmware File Board ID:2 doesn't match the give ID:4294967298\n", 248},
  };
  for (const Case& c : cases) {
    ResetBoard();
    const auto out = Tarrow(c.args);
    EXPECT_EQ(out.status, c.status) << c.args;
    EXPECT_EQ(out.text, kBanner + c.printed) << c.args;
    EXPECT_TRUE(Requests().empty()) << c.args;
  }
}

// Whole operations as the board saw them. A failure ends the program with its status and
// nothing follows it on the bus: no retry and no launch.
TEST_F(TarrowThreads, OperationsAsTheBoardSeesThem) {
  const std::string file = WriteFile("board1.bin", Firmware(1, 1, 3, 2));
  const std::vector<uint8_t> flashed = {0xC0, 0xC1, 0xC2, 0xC3, 0xC3, 0xC3, 0xC3, 0xC3, 0xC3, 0xC3, 0xC3, 0xC4, 0xC5};
  struct Case {
    const char* name;
    std::string args;
    std::function<void(BoardFaults&)> fault;
    int status;
    std::string printed;  // a part of the output, in order
    std::vector<uint8_t> requests;
  };
  auto none = [](BoardFaults&) {};
  const Case cases[] = {
      {"bootloader version", "-query_bl 1", none, 0, "Bootload listen ID 1\nBOARD 1,Bootloader: Version: 2.7\n",
       {0xC0, 0xC1, 0xC5}},
      {"firmware version", "-query_fw 1", none, 0, "BOARD 1,Firmware: Version: 1.3\n", {0xA3}},
      {"flash, board from the file", "-flash " + file, none, 0,
       "assume board ID:1\nBootload listen ID 1\nBOARD 1,Bootloader: Version: 2.7\nSTART: size: 32 (bytes) segments: "
       "8\nsegment 1\r",
       flashed},
      {"flash, board given", "-flash " + file + " 1", none, 0,
       "Firmware File: <Board ID:1 Version 1.3\nBootload listen ID 1\n", flashed},
      {"no bootloader", "-flash " + file, [](BoardFaults& f) { f.silentTo = {0xC0}; }, 252,
       "ERROR: start bootload timeout\n", {0xC0}},
      {"no firmware version", "-query_fw 1", [](BoardFaults& f) { f.silentTo = {0xA3}; }, 251,
       "ERROR: Query firmware version timeout\n", {0xA3}},
      {"no bootloader version", "-query_bl 1", [](BoardFaults& f) { f.silentTo = {0xC1}; }, 251,
       "ERROR: Query bootloader version timeout\n", {0xC0, 0xC1}},
      {"another board answers", "-flash " + file, [](BoardFaults& f) { f.versionAsBoard = 2; }, 250,
       "ERROR: Board ID:2 doesn't match given ID 1\n", {0xC0, 0xC1}},
      {"segment refused", "-flash " + file, [](BoardFaults& f) { f.refuseSegment = 1; }, 249,
       "segment 2\rERROR: Segment count wrong\n", {0xC0, 0xC1, 0xC2, 0xC3, 0xC3}},
      {"CRC refused", "-flash " + file, [](BoardFaults& f) { f.corruptWord = 7; }, 249, "ERROR: Flash Nak\n",
       {0xC0, 0xC1, 0xC2, 0xC3, 0xC3, 0xC3, 0xC3, 0xC3, 0xC3, 0xC3, 0xC3, 0xC4}},
  };
  runner_.SetFloodWhenSilent(true);
  for (const Case& c : cases) {
    ResetBoard(c.fault);
    const auto out = Tarrow(c.args);
    EXPECT_EQ(out.status, c.status) << c.name << "\n" << out.text;
    EXPECT_EQ(out.text.rfind(kBanner, 0), 0u) << c.name;
    EXPECT_NE(out.text.find(c.printed), std::string::npos) << c.name << "\n" << out.text;
    const bool success = out.text.find("Firmware successfull flashed ... Firmware Launched\n") != std::string::npos;
    EXPECT_EQ(success, c.requests == flashed) << c.name;
    EXPECT_EQ(Requests(), c.requests) << c.name;
  }
}

TEST_F(TarrowThreads, TheFlashedImageIsTheFileAndAZeroWordWithItsLength) {
  const std::vector<uint8_t> firmware = Firmware(1, 2, 0, 100);
  const std::string file = WriteFile("image.bin", firmware);
  const auto out = Tarrow("-flash " + file);
  ASSERT_EQ(out.status, 0) << out.text;
  EXPECT_NE(out.text.find("START: size: 424 (bytes) segments: 106\n"), std::string::npos) << out.text;
  Requests();  // waits for the launch
  std::vector<uint8_t> expected = firmware;
  expected.resize(firmware.size() + 4, 0);
  expected[4] = static_cast<uint8_t>(expected.size());
  expected[5] = static_cast<uint8_t>(expected.size() >> 8);
  runner_.WithBoard([&](SimBootloaderBoard& b) {
    EXPECT_EQ(b.Flash(), expected);
    EXPECT_TRUE(b.ImageAccepted());
    EXPECT_EQ(b.Launches(), 1);
  });
}

// On this machine the kernel has no CAN: the real program shows the socket's error first,
// then the banner, and the first wait runs out at once on the failed socket.
TEST(Tarrow, WithoutCanTheQueryTimesOutAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  const auto out = testing_support::RunCommand(testing_support::TargetCommand(SYNTH_TARROW) + " -query_fw 1 2>&1");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(out.status, 251);
  EXPECT_EQ(out.text.rfind("CAN Device socket: Address family not supported by protocol\n" + kBanner, 0), 0u) << out.text;
  EXPECT_NE(out.text.find("ERROR: Query firmware version timeout\n"), std::string::npos) << out.text;
}

}  // namespace
