#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/ProfilingDumper.h"
#include "platform/ProfilingBuffer.h"
#include "tests/platform/ProfilingDrain.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

std::atomic<long> g_ticks{0};
timespec FakeNow() {
  const long t = g_ticks.fetch_add(1);
  return {1000 + t, 500};
}
int FakeCpu() { return 3; }

std::vector<ProfilingRecord> ReadFile(const std::string& path) {
  std::vector<ProfilingRecord> r;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return r;
  ProfilingRecord rec;
  while (std::fread(&rec, sizeof(rec), 1, f) == 1) r.push_back(rec);
  std::fclose(f);
  return r;
}

bool IsStartMarker(const ProfilingRecord& r) {
  return r.event == 1 && r.stage == 0xFFFF && r.subStage == 0 && r.slot == 0;
}
bool IsEndMarker(const ProfilingRecord& r, int type) {
  return r.event == type && r.subStage == 0xFFFF && r.stage == 0;
}

class ProfilingDumperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProfilingBuffer::SetEnabled(true);
    testing_support::DrainProfiling(nullptr);
    g_ticks = 0;
  }
  void TearDown() override {
    ProfilingBuffer::SetEnabled(false);
    testing_support::DrainProfiling(nullptr);
  }
  void WriteMarks(int n) {
    for (int i = 0; i < n; ++i) ProfilingBuffer::Write(10, 0, 1, static_cast<uint16_t>(i), 0);
  }
  testing_support::TempDataRoot root_;
  std::string path_ = root_.MakeDir("/tmp") + "/profiling2.data";
  testing_support::LogCapture log_;
};

// Each dumped block after a buffer's first starts with the marks the previous pass on that
// buffer left: start (type 1) and end (3, or 4 after an overflow).
TEST_F(ProfilingDumperTest, BlocksAreFramedByTheMarkersOfThePassBefore) {
  ProfilingDumper dumper(path_, ProfilingDumper::kMaxBytes, {FakeNow, FakeCpu});
  WriteMarks(5);
  dumper.Pass();  // buffer 0: 5 marks
  WriteMarks(1100);
  dumper.Pass();  // buffer 1: full (1024) -> overflow
  EXPECT_TRUE(dumper.Overflowed());
  WriteMarks(3);
  dumper.Pass();  // buffer 0: its markers (end type 3) + 3
  WriteMarks(1);
  dumper.Pass();  // buffer 1: its markers (end type 4) + 1
  EXPECT_FALSE(dumper.Overflowed());

  const std::vector<ProfilingRecord> r = ReadFile(path_);
  ASSERT_EQ(r.size(), 5u + 1024u + 5u + 3u);
  EXPECT_EQ(dumper.BytesWritten(), static_cast<long>(16 * r.size()));
  size_t at = 5 + 1024;
  ASSERT_TRUE(IsStartMarker(r[at]));
  EXPECT_EQ(r[at].cpu, 3);
  EXPECT_EQ(r[at].seconds, 1000u);  // the first pass's start time
  EXPECT_EQ(r[at].nanoseconds, 500u);
  EXPECT_TRUE(IsEndMarker(r[at + 1], 3));
  EXPECT_EQ(r[at + 1].seconds, 1001u);
  EXPECT_EQ(r[at + 2].event, 10);
  at += 5;
  EXPECT_TRUE(IsStartMarker(r[at]));
  EXPECT_TRUE(IsEndMarker(r[at + 1], 4));
  EXPECT_EQ(r[at + 2].event, 10);
}

TEST_F(ProfilingDumperTest, TheFileStopsBelowItsLimitAndSaysSoOnce) {
  // Limit: room for the first block of 10 and one more of 4 (2 markers + 2).
  const long limit = 16 * 14 + 15;
  ProfilingDumper dumper(path_, limit, {FakeNow, FakeCpu});
  WriteMarks(10);
  dumper.Pass();
  WriteMarks(2);
  dumper.Pass();  // buffer 1: 2 marks -> 12 records
  WriteMarks(2);
  dumper.Pass();  // buffer 0: markers + 2 = 4 -> 16 records > limit
  EXPECT_FALSE(dumper.Enabled());
  EXPECT_FALSE(ProfilingBuffer::Enabled());
  for (int i = 0; i < 3; ++i) dumper.Pass();
  const std::vector<ProfilingRecord> r = ReadFile(path_);
  EXPECT_EQ(r.size(), 12u);
  EXPECT_LE(static_cast<long>(16 * r.size()), limit);
  const std::string text = log_.Text();
  const std::string line = "Profiling Log reached maxsize. Profiling disabled.\n";
  ASSERT_NE(text.find(line), std::string::npos);
  EXPECT_EQ(text.find(line), text.rfind(line));
}

// A file that cannot be opened drops the marks but reopens the buffer: writers neither spin
// on it nor lose every later pass.
TEST_F(ProfilingDumperTest, AnUnopenableFileLeavesTheBuffersWorking) {
  ProfilingDumper dumper(root_.Root() + "/no/such/dir/profiling2.data", ProfilingDumper::kMaxBytes,
                         {FakeNow, FakeCpu});
  for (int pass = 0; pass < 4; ++pass) {
    WriteMarks(3);
    dumper.Pass();
  }
  EXPECT_NE(log_.Text().find("Error opening '" + root_.Root() + "/no/such/dir/profiling2.data' to write Profiling Data\n"),
            std::string::npos);
  EXPECT_TRUE(ProfilingBuffer::Write(10, 0, 0, 0, 0));
  EXPECT_EQ(dumper.BytesWritten(), 0);
}

// A writer that meets a buffer nobody reopens gives up after bounded tries.
TEST_F(ProfilingDumperTest, AWriterOnAClosedBufferDropsItsMark) {
  ProfilingBlock& block = ProfilingBuffer::Block(ProfilingBuffer::CurrentIndex().load());
  const int32_t saved = block.reserved.exchange(-1);
  EXPECT_FALSE(ProfilingBuffer::Write(10, 0, 0, 0, 0));
  block.reserved.store(saved);
}

TEST(ProfilingDumperThreads, WritersAndPassesTogetherLoseNoAcceptedMark) {
  testing_support::TempDataRoot root;
  const std::string path = root.MakeDir("/tmp") + "/profiling2.data";
  ProfilingBuffer::SetEnabled(true);
  testing_support::DrainProfiling(nullptr);
  ProfilingDumper dumper(path);
  constexpr int kThreads = 3;
  constexpr int kPerThread = 4000;
  std::atomic<int> accepted{0};
  std::atomic<int> running{kThreads};
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        if (ProfilingBuffer::Write(20, 0, static_cast<uint16_t>(t), static_cast<uint16_t>(i), 7)) accepted++;
        if (i % 32 == 0) std::this_thread::yield();
      }
      running--;
    });
  }
  while (running.load() > 0) dumper.Pass();
  for (auto& w : writers) w.join();
  dumper.Pass();
  dumper.Pass();
  int found = 0;
  for (const ProfilingRecord& r : ReadFile(path)) {
    if (r.event == 20) {
      EXPECT_EQ(r.slot, 7);
      ++found;
    }
  }
  EXPECT_EQ(found, accepted.load());
  ProfilingBuffer::SetEnabled(false);
  testing_support::DrainProfiling(nullptr);
}

}  // namespace
