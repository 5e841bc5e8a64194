#include "platform/Crc32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/Emulation.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"

namespace {

TEST(Crc32, KnownValuesAndChaining) {
  const std::string check = "123456789";
  EXPECT_EQ(platform::crc32(0, nullptr, 0), 0u);
  EXPECT_EQ(platform::crc32(0, check.data(), 9), 0xCBF43926u);
  // Nothing fed leaves a running checksum as it was.
  EXPECT_EQ(platform::crc32(0xCBF43926u, check.data(), 0), 0xCBF43926u);
  for (uint32_t split = 0; split <= 9; ++split) {
    const uint32_t first = platform::crc32(0, check.data(), split);
    EXPECT_EQ(platform::crc32(first, check.data() + split, 9 - split), 0xCBF43926u) << "split " << split;
  }
}

// Python's zlib is an implementation nobody here wrote: random buffers of lengths from
// nothing to a mebibyte must give the same checksums.
TEST(Crc32, MatchesPythonZlibOnRandomBuffers) {
  SKIP_WHEN_EMULATED("runs the host's Python");
  testing_support::TempDataRoot root;
  std::mt19937 rng(20);
  const std::size_t lengths[] = {0, 1, 3, 4, 255, 4096, 65537, 1u << 20};
  std::vector<uint32_t> ours;
  std::string files;
  for (std::size_t i = 0; i < std::size(lengths); ++i) {
    std::vector<uint8_t> buf(lengths[i]);
    for (uint8_t& b : buf) b = static_cast<uint8_t>(rng());
    const std::string path = root.Root() + "/buf" + std::to_string(i);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(buf.data()), static_cast<std::streamsize>(buf.size()));
    ours.push_back(platform::crc32(0, buf.data(), static_cast<uint32_t>(buf.size())));
    files += " " + path;
  }
  const auto out = testing_support::RunCommand(
      "python3 -c 'import sys, zlib\nfor p in sys.argv[1:]: print(zlib.crc32(open(p, \"rb\").read()))'" + files);
  ASSERT_EQ(out.status, 0) << out.text;
  std::istringstream lines(out.text);
  for (std::size_t i = 0; i < ours.size(); ++i) {
    uint64_t theirs = 0;
    ASSERT_TRUE(lines >> theirs);
    EXPECT_EQ(ours[i], theirs) << "length " << lengths[i];
  }
}

}  // namespace
