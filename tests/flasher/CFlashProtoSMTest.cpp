#include "tools/flasher/CFlashProtoSM.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/flasher/ScriptedCanBus.h"
#include "tests/support/LogCapture.h"

namespace {

using flasher::CFlashProtoSM;
using flasher_test::Frame;
using flasher_test::ScriptedCanBus;
using Proto = CFlashProtoSM;

std::vector<uint8_t> Bytes(const can_frame& f) { return std::vector<uint8_t>(f.data, f.data + f.can_dlc); }

uint32_t ZlibCrc(const uint8_t* p, std::size_t n) {
  return static_cast<uint32_t>(::crc32(::crc32(0L, Z_NULL, 0), p, static_cast<uInt>(n)));
}

// A descriptor for board 1, version 1.3, as the file holds it, plus the zero word the
// command line appends.
std::vector<uint8_t> Image() {
  return {0x34, 0x12, 0x55, 0xAA, 0x14, 0, 0, 0, 0x11, 0x22, 0x33, 0x44,
          0x01, 0x02, 0x03, 0x08, 0x03, 0x01, 0x00, 0x01, 0, 0, 0, 0};
}

enum class Op { startBL, queryBL, queryFW, flash };

// Board 1 answers every request at once unless a test delays one reply behind quiet polls
// and stray frames, or replaces it.
class FlashProto : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(proto_.Open(""), 0);
    bus_.onSend = [this](const can_frame& f) {
      const uint8_t command = f.data[0];
      if (command == delayed_) {
        for (const can_frame& s : before_) bus_.Push(s);
        bus_.Quiet(quiet_);
      }
      auto it = replies_.find(command);
      if (it != replies_.end()) bus_.Push(it->second);
    };
  }
  int Run(Op op) {
    bus_.ClearScript();
    switch (op) {
      case Op::startBL: return proto_.start_bootloader(1);
      case Op::queryBL: return proto_.query_bl_version(1);
      case Op::queryFW: return proto_.query_fw_version(1);
      case Op::flash: image_ = Image(); return proto_.startFlash(1, image_.data(), static_cast<int>(image_.size()));
    }
    return 1;
  }

  ScriptedCanBus bus_;
  CFlashProtoSM proto_{bus_};
  testing_support::LogCapture log_;
  std::map<uint8_t, can_frame> replies_ = {
      {0xA3, Frame(0x3F0, {1, 1, 3})},       {0xC0, Frame(0x701, {0xA0, 1})},
      {0xC1, Frame(0x701, {0xA1, 1, 2, 7})}, {0xC2, Frame(0x721, {0xA2})},
      {0xC3, Frame(0x721, {0xF1})},          {0xC4, Frame(0x721, {0xF1})},
  };
  uint8_t delayed_ = 0;
  int quiet_ = 0;
  std::vector<can_frame> before_;
  std::vector<uint8_t> image_;
};

TEST_F(FlashProto, RequestsAreBuiltAsTheBoardsExpectThem) {
  struct Case {
    const char* name;
    std::function<void(Proto&)> send;
    canid_t id;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"firmware version", [](Proto& p) { p.sendQuery(2, false); }, 0x028, {0xA3, 2}},
      {"start bootloader", [](Proto& p) { p.sendStartBL(3); }, 0x700, {0xC0, 3}},
      {"bootloader version", [](Proto& p) { p.sendQuery(1, true); }, 0x700, {0xC1, 1}},
      {"start flash", [](Proto& p) { p.sendStartFlash(2, 0x12345678, 0xAB123456); }, 0x712,
       {0xC2, 0x12, 0x34, 0x56, 0x78, 0x12, 0x34, 0x56}},
      {"segment", [](Proto& p) { p.sendSeqmentFlash(3, 0xFF010203, 0xA1B2C3D4); }, 0x713,
       {0xC3, 0x01, 0x02, 0x03, 0xA1, 0xB2, 0xC3, 0xD4}},
      {"terminate", [](Proto& p) { p.sendTerminateFlash(1, 0xCBF43926); }, 0x711, {0xC4, 0xCB, 0xF4, 0x39, 0x26}},
      {"launch", [](Proto& p) { p.launch(2); }, 0x712, {0xC5, 2}},
  };
  bus_.onSend = nullptr;
  for (const Case& c : cases) {
    bus_.sent.clear();
    c.send(proto_);
    ASSERT_EQ(bus_.sent.size(), 1u) << c.name;
    EXPECT_EQ(bus_.sent[0].can_id, c.id) << c.name;
    EXPECT_EQ(Bytes(bus_.sent[0]), c.bytes) << c.name;
  }
}

// With budget N a wait survives N fruitless polls and fails on the next; the segment
// budget is renewed for every word. A failed wait is the last thing on the bus.
TEST_F(FlashProto, EveryWaitHasItsExactBudget) {
  struct Case {
    const char* wait;
    Op op;
    uint8_t request;
    int budget;
    int failure;
    const char* line;
    Proto::eErrorCodes error;
  };
  const Case cases[] = {
      {"listening", Op::startBL, 0xC0, 2000, -4, "ERROR: start bootload timeout\n", Proto::err_timout_query},
      {"bootloader version", Op::queryBL, 0xC1, 2000, -5, "ERROR: Query bootloader version timeout\n",
       Proto::err_timout_query},
      {"firmware version", Op::queryFW, 0xA3, 2000, -5, "ERROR: Query firmware version timeout\n",
       Proto::err_timout_query},
      {"start accepted", Op::flash, 0xC2, 5000, -7, "ERROR: Start Flash timeout\n", Proto::err_timout_start},
      {"each acknowledgement", Op::flash, 0xC3, 500, -7, "ERROR: Flash Timeout segment\n", Proto::err_timout_segment},
      {"CRC verdict", Op::flash, 0xC4, 100, -7, "ERROR: Flash Timeout\n", Proto::err_timout_terminate},
  };
  for (const Case& c : cases) {
    for (int extra : {0, 1}) {
      SCOPED_TRACE(std::string(c.wait) + (extra ? ", one poll over" : ", full budget"));
      bus_.sent.clear();
      log_.Clear();
      delayed_ = c.request;
      quiet_ = c.budget + extra;
      const int result = Run(c.op);
      if (extra == 0) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(proto_.Error(), Proto::ok);
        EXPECT_EQ(proto_.State(), c.op == Op::flash ? Proto::done : Proto::idle);
        EXPECT_EQ(log_.Text().find("ERROR"), std::string::npos) << log_.Text();
      } else {
        EXPECT_EQ(result, c.failure);
        EXPECT_EQ(proto_.Error(), c.error);
        EXPECT_EQ(proto_.State(), Proto::error);
        EXPECT_NE(log_.Text().find(c.line), std::string::npos) << log_.Text();
        ASSERT_FALSE(bus_.sent.empty());
        EXPECT_EQ(bus_.sent.back().data[0], c.request);
      }
    }
  }
}

// What a wait takes for its reply and what it lets pass: a stray frame before the reply,
// then a full budget of quiet polls. A stray that costs a poll makes the wait fail.
TEST_F(FlashProto, StrayFramesCostAPollUnlessTheyAreFreeOnTheReplyIdentifier) {
  struct Case {
    const char* name;
    Op op;
    uint8_t request;
    int budget;
    can_frame stray;
    bool costs;
  };
  const Case cases[] = {
      {"another identifier", Op::startBL, 0xC0, 2000, Frame(0x123, {0xA0, 1}), true},
      {"listening: another first byte", Op::startBL, 0xC0, 2000, Frame(0x701, {0xA1, 1}), true},
      {"listening: extended frame", Op::startBL, 0xC0, 2000, Frame(0x701 | CAN_EFF_FLAG, {0xA0, 1}), true},
      {"listening: remote frame", Op::startBL, 0xC0, 2000, Frame(0x701 | CAN_RTR_FLAG, {0xA0, 1}), true},
      // The length of a frame is not looked at: a short reply is the reply.
      {"listening: short", Op::startBL, 0xC0, 2000, Frame(0x701, {0xA0}), false},
      {"version: listening reply", Op::queryBL, 0xC1, 2000, Frame(0x701, {0xA0, 1}), true},
      {"version: short", Op::queryBL, 0xC1, 2000, Frame(0x701, {0xA1, 1, 2}), false},
      {"firmware: short", Op::queryFW, 0xA3, 2000, Frame(0x3F0, {1, 1}), false},
      {"start: acknowledge", Op::flash, 0xC2, 5000, Frame(0x721, {0xF1}), true},
      {"start: another board", Op::flash, 0xC2, 5000, Frame(0x722, {0xA2}), true},
      {"acknowledgement: A2", Op::flash, 0xC3, 500, Frame(0x721, {0xA2}), false},
      {"acknowledgement: 00", Op::flash, 0xC3, 500, Frame(0x721, {0x00}), false},
      {"acknowledgement: another board", Op::flash, 0xC3, 500, Frame(0x722, {0xF1}), true},
      {"acknowledgement: empty frame", Op::flash, 0xC3, 500, Frame(0x721, {}), false},
      {"verdict: A2", Op::flash, 0xC4, 100, Frame(0x721, {0xA2}), false},
      {"verdict: 00", Op::flash, 0xC4, 100, Frame(0x721, {0x00}), false},
  };
  for (const Case& c : cases) {
    delayed_ = c.request;
    before_ = {c.stray};
    quiet_ = c.budget;
    const int result = Run(c.op);
    EXPECT_EQ(result != 0, c.costs) << c.name;
  }
}

TEST_F(FlashProto, RepliesGiveTheirResultsAndLines) {
  struct Case {
    const char* name;
    Op op;
    uint8_t request;
    can_frame reply;
    int result;
    const char* line;
    Proto::eFlashState state;
    Proto::eErrorCodes error;
  };
  const Case cases[] = {
      {"listening from any board", Op::startBL, 0xC0, Frame(0x701, {0xA0, 3}), 0, "Bootload listen ID 3\n",
       Proto::idle, Proto::ok},
      {"bootloader version", Op::queryBL, 0xC1, Frame(0x701, {0xA1, 1, 2, 7}), 0, "BOARD 1,Bootloader: Version: 2.7\n",
       Proto::idle, Proto::ok},
      {"bootloader of another board", Op::queryBL, 0xC1, Frame(0x701, {0xA1, 3, 2, 7}), -6,
       "ERROR: Board ID:3 doesn't match given ID 1\n", Proto::error, Proto::err_id_missmatch},
      {"firmware reply, whatever its board", Op::queryFW, 0xA3, Frame(0x3F0, {9, 4, 2}), 0,
       "BOARD 9,Firmware: Version: 4.2\n", Proto::idle, Proto::ok},
      {"segment refused", Op::flash, 0xC3, Frame(0x721, {0xF0}), -7, "segment 1\rERROR: Segment count wrong\n",
       Proto::error, Proto::err_segment_cnt},
      {"CRC refused", Op::flash, 0xC4, Frame(0x721, {0xF0}), -7, "segment 6\rERROR: Flash Nak\n", Proto::error,
       Proto::err_crc_nack},
  };
  for (const Case& c : cases) {
    const can_frame usual = replies_[c.request];
    replies_[c.request] = c.reply;
    log_.Clear();
    bus_.sent.clear();
    EXPECT_EQ(Run(c.op), c.result) << c.name;
    EXPECT_NE(log_.Text().find(c.line), std::string::npos) << c.name << ": " << log_.Text();
    EXPECT_EQ(proto_.State(), c.state) << c.name;
    EXPECT_EQ(proto_.Error(), c.error) << c.name;
    // No retry and nothing after a refusal.
    if (c.result != 0) {
      EXPECT_EQ(bus_.sent.back().data[0], c.request) << c.name;
    }
    replies_[c.request] = usual;
  }
}

// The descriptor alone, with the appended zero word: 24 bytes in six words, the length
// field rewritten before anything is sent, each word most significant byte first, and the
// CRC over the image as sent.
TEST_F(FlashProto, ADescriptorAloneGoesOutAsSixWords) {
  std::vector<uint8_t> image = Image();
  ASSERT_EQ(proto_.startFlash(1, image.data(), 24), 0);
  EXPECT_EQ(image[4], 24);
  std::vector<std::vector<uint8_t>> expected = {{0xC2, 0, 0, 0, 0, 0, 0, 6}};
  for (int i = 0; i < 6; ++i)
    expected.push_back({0xC3, 0, 0, static_cast<uint8_t>(i), image[4 * i + 3], image[4 * i + 2], image[4 * i + 1],
                        image[4 * i]});
  const uint32_t crc = ZlibCrc(image.data(), 24);
  expected.push_back({0xC4, static_cast<uint8_t>(crc >> 24), static_cast<uint8_t>(crc >> 16),
                      static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)});
  ASSERT_EQ(bus_.sent.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(bus_.sent[i].can_id, 0x711u) << i;
    EXPECT_EQ(Bytes(bus_.sent[i]), expected[i]) << i;
  }
  EXPECT_EQ(log_.Text(),
            "START: size: 24 (bytes) segments: 6\nsegment 1\rsegment 2\rsegment 3\rsegment 4\rsegment 5\rsegment 6\r");
  EXPECT_EQ(proto_.State(), Proto::done);
}

// A size that is no multiple of 4 pads its last word with zeros rather than reading past
// the image (the buffer here is exactly the image, so a sanitizer sees any overread).
TEST_F(FlashProto, APartialLastWordIsPaddedNotReadBeyond) {
  std::vector<uint8_t> image = Image();
  image.resize(22);
  image[20] = 0xAB;
  image[21] = 0xCD;
  image.shrink_to_fit();
  ASSERT_EQ(proto_.startFlash(1, image.data(), 22), 0);
  ASSERT_EQ(bus_.sent.size(), 8u);
  EXPECT_EQ(Bytes(bus_.sent[0]), (std::vector<uint8_t>{0xC2, 0, 0, 0, 0, 0, 0, 6}));
  EXPECT_EQ(Bytes(bus_.sent[6]), (std::vector<uint8_t>{0xC3, 0, 0, 5, 0, 0, 0xCD, 0xAB}));
  const uint32_t crc = ZlibCrc(image.data(), 22);
  EXPECT_EQ(Bytes(bus_.sent[7]), (std::vector<uint8_t>{0xC4, static_cast<uint8_t>(crc >> 24),
                                                       static_cast<uint8_t>(crc >> 16), static_cast<uint8_t>(crc >> 8),
                                                       static_cast<uint8_t>(crc)}));
}

// Images the board must not get are refused before anything is sent, and the outcome of
// the previous operation stands.
TEST_F(FlashProto, UnsendableImagesAreRefusedBeforeAnythingIsSent) {
  struct Case {
    const char* name;
    uint32_t firstWord;
    int size;
    bool null;
    const char* line;
  };
  const Case cases[] = {
      {"wrong magic", 0xDEADBEEF, 24, false, "ERROR: file magic number wrong (maybe a debug version) DEADBEEF\n"},
      {"magic of the other byte order", 0x341255AA, 24, false,
       "ERROR: file magic number wrong (maybe a debug version) 341255AA\n"},
      {"shorter than the descriptor", 0xAA551234, 19, false, "ERROR: firmware image size 19 out of range\n"},
      {"negative size", 0xAA551234, -4, false, "ERROR: firmware image size -4 out of range\n"},
      {"2^24 words", 0xAA551234, 0x4000000, false, "ERROR: firmware image size 67108864 out of range\n"},
      {"no image", 0xAA551234, 24, true, "ERROR: firmware image size 24 out of range\n"},
  };
  replies_.erase(0xA3);
  ASSERT_EQ(proto_.query_fw_version(1), -5);
  for (const Case& c : cases) {
    std::vector<uint8_t> image = Image();
    for (int i = 0; i < 4; ++i) image[i] = static_cast<uint8_t>(c.firstWord >> (8 * i));
    bus_.sent.clear();
    log_.Clear();
    EXPECT_EQ(proto_.startFlash(1, c.null ? nullptr : image.data(), c.size), -1) << c.name;
    EXPECT_EQ(log_.Text(), c.line) << c.name;
    EXPECT_TRUE(bus_.sent.empty()) << c.name;
    EXPECT_EQ(image[4], 0x14) << c.name;
    EXPECT_EQ(proto_.State(), Proto::error) << c.name;
    EXPECT_EQ(proto_.Error(), Proto::err_timout_query) << c.name;
  }
}

// The frames that cost nothing in the acknowledgement wait cannot hold it for ever: a board
// babbling them without end runs the wait out as silence would.
TEST_F(FlashProto, AnEndlessRunOfFreeFramesEndsTheWait) {
  replies_.erase(0xC3);
  bus_.background = Frame(0x721, {0xA2});
  std::vector<uint8_t> image = Image();
  EXPECT_EQ(proto_.startFlash(1, image.data(), 24), -7);
  EXPECT_EQ(proto_.Error(), Proto::err_timout_segment);
  EXPECT_NE(log_.Text().find("ERROR: Flash Timeout segment\n"), std::string::npos);
}

}  // namespace
