#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <utility>
#include <vector>

#include "app/GPIOMem.h"
#include "app/PedalIO.h"
#include "tests/support/TestPaths.h"

namespace {

// A register block with the serial converter on pins 4 (clock), 5 (data) and 6 (select)
// behind it: while select is low, each rising clock edge puts the next bit of `sample`
// (most significant first) on the data pin. Every store is recorded.
class ScriptedConverter : public GPIOMem {
 public:
  uint16_t sample = 0;
  int switchLevel = 0;
  std::vector<std::pair<int, uint32_t>> stores;
  int risingEdges = 0;

  int Open(const std::string&, off_t) override { return 0; }

 protected:
  uint32_t Load(int word) override {
    if (word == kLevel) return (dataBit_ << 5) | (static_cast<uint32_t>(switchLevel) << 30);
    if (word < kOutputSet) return functions_[word];
    return 0;
  }
  void Store(int word, uint32_t value) override {
    stores.emplace_back(word, value);
    if (word < kOutputSet) functions_[word] = value;
    if (word == kOutputSet || word == kOutputClear) {
      const bool high = word == kOutputSet;
      if (value & (1u << 6)) {
        select_ = high;
        if (!high) bit_ = 16;
      }
      if (value & (1u << 4)) {
        if (high && !clock_ && !select_ && bit_ > 0) {
          --bit_;
          ++risingEdges;
          dataBit_ = (sample >> bit_) & 1u;
        }
        clock_ = high;
      }
    }
  }

 private:
  uint32_t functions_[7] = {};
  bool select_ = true;
  bool clock_ = false;
  int bit_ = 0;
  uint32_t dataBit_ = 0;
};

TEST(PedalIO, OpenSetsThePinsUpAndLeavesTheConverterIdle) {
  ScriptedConverter gpio;
  PedalIO pedal(gpio);
  ASSERT_EQ(pedal.Open("", 0), 0);
  // Function words: pin 4 and 6 output, 5 input (word 0); 42, 43 output (word 4); 30 input.
  EXPECT_EQ(gpio.stores.back(), std::make_pair(GPIOMem::kOutputClear, 1u << 4));        // clock low
  EXPECT_EQ(gpio.stores[gpio.stores.size() - 2], std::make_pair(GPIOMem::kOutputSet, 1u << 6));  // select high
  // Pull-up on pin 5: mode, clock bit, then both cleared.
  const std::vector<std::pair<int, uint32_t>> pull = {
      {GPIOMem::kPullControl, 2}, {GPIOMem::kPullClock, 1u << 5}, {GPIOMem::kPullControl, 0}, {GPIOMem::kPullClock, 0}};
  EXPECT_NE(std::search(gpio.stores.begin(), gpio.stores.end(), pull.begin(), pull.end()), gpio.stores.end());
  uint32_t fsel0 = 0, fsel4 = 0, fsel3 = 0;
  for (auto [w, v] : gpio.stores) {
    if (w == 0) fsel0 = v;
    if (w == 4) fsel4 = v;
    if (w == 3) fsel3 = v;
  }
  EXPECT_EQ(fsel0, (1u << 12) | (1u << 18));          // pin 4 and pin 6 output, pin 5 input
  EXPECT_EQ(fsel4, (1u << 6) | (1u << 9));            // pins 42, 43 output
  EXPECT_EQ(fsel3 & 7u, 0u);                          // pin 30 input
}

TEST(PedalIO, ReadsSixteenBitsMostSignificantFirstAndKeepsElevenWithHysteresis) {
  ScriptedConverter gpio;
  PedalIO pedal(gpio);
  ASSERT_EQ(pedal.Open("", 0), 0);
  struct Step {
    int value;       // the converter's 11-bit result (the low five of 16 bits are noise)
    int expected;    // counts the pedal reports
  };
  const Step steps[] = {
      {1000, 1000},  // from 0: a large step is followed
      {1004, 1000},  // +4 jitter kept
      {996, 1000},   // -4 jitter kept
      {1005, 1005},  // +5 followed at once
      {1000, 1000},  // -5 followed as well
      {999, 1000},
      {2047, 2047},
      {0, 0},
      {0x5A5, 0x5A5},  // alternating bits catch an order or shift mistake
  };
  for (const Step& s : steps) {
    gpio.sample = static_cast<uint16_t>((s.value << 5) | 0x1B);
    gpio.risingEdges = 0;
    const float v = pedal.ReadPedal();
    EXPECT_EQ(gpio.risingEdges, 16);
    EXPECT_FLOAT_EQ(v, static_cast<float>(s.expected) * 0.00625f) << s.value;
  }
}

TEST(PedalIO, SwitchReadsRelativeToItsStartPositionAndLedsHitOnlyTheirPins) {
  for (int start : {0, 1}) {
    ScriptedConverter gpio;
    gpio.switchLevel = start;
    PedalIO pedal(gpio);
    ASSERT_EQ(pedal.Open("", 0), 0);
    EXPECT_EQ(pedal.ReadSwitch(), 0);
    gpio.switchLevel = start ^ 1;
    EXPECT_EQ(pedal.ReadSwitch(), 1);

    struct Led {
      int led;
      bool on;
      std::vector<std::pair<int, uint32_t>> stores;
    };
    const Led leds[] = {
        {0, true, {{GPIOMem::kOutputSet + 1, 1u << 10}}},
        {0, false, {{GPIOMem::kOutputClear + 1, 1u << 10}}},
        {1, true, {{GPIOMem::kOutputSet + 1, 1u << 11}}},
        {1, false, {{GPIOMem::kOutputClear + 1, 1u << 11}}},
        {2, true, {}},
        {-1, true, {}},
    };
    for (const Led& l : leds) {
      gpio.stores.clear();
      pedal.SetLed(l.led, l.on);
      EXPECT_EQ(gpio.stores, l.stores) << l.led << " " << l.on;
    }
  }
}

// The PC's stand-in: a file under the data root mapped in place of the register block.
TEST(GPIOMem, MapsTheRegisterBlockFromAFile) {
  testing_support::TempDataRoot root;
  const std::string path = root.MakeDir("/dev") + "/mem";
  if (geteuid() != 0) GTEST_SKIP() << "mapping needs root or CAP_SYS_RAWIO";
  GPIOMem missing;
  EXPECT_EQ(missing.Open(path, 0), -1);

  { std::ofstream(path, std::ios::binary); }
  ASSERT_EQ(truncate(path.c_str(), GPIOMem::kBlockBytes), 0);
  GPIOMem gpio;
  ASSERT_EQ(gpio.Open(path, 0), 0);
  gpio.SetFunction(42, 1);
  gpio.Write(42, true);
  gpio.Write(4, false);
  std::ifstream in(path, std::ios::binary);
  uint32_t words[14] = {};
  in.read(reinterpret_cast<char*>(words), sizeof(words));
  EXPECT_EQ(words[4], 1u << 6);
  EXPECT_EQ(words[8], 1u << 10);
  EXPECT_EQ(words[10], 1u << 4);
  // A level the "hardware" shows is read back per pin.
  words[13] = 1u << 30;
  {
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(13 * 4);
    out.write(reinterpret_cast<const char*>(&words[13]), 4);
  }
  EXPECT_EQ(gpio.Read(30), 1);
  EXPECT_EQ(gpio.Read(29), 0);
}

// Without CAP_SYS_RAWIO and not root, the block is refused before any file is touched, and
// the pedal passes the refusal on.
TEST(GPIOMem, AnUnprivilegedUserIsRefusedBeforeTheFileIsOpened) {
  if (geteuid() != 0) GTEST_SKIP() << "changing user needs root";
  testing_support::TempDataRoot root;
  const std::string path = root.MakeDir("/dev") + "/mem";
  { std::ofstream(path, std::ios::binary); }
  ASSERT_EQ(truncate(path.c_str(), GPIOMem::kBlockBytes), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Leaving uid 0 clears the effective capabilities.
    if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(10);
    GPIOMem gpio;
    if (gpio.Open(path, 0) != -3) _exit(1);
    PedalIO pedal;
    _exit(pedal.Open(path, 0) == -3 ? 0 : 2);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
