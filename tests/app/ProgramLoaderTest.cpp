// The program loader's queue: which part's request is served next while requests keep
// coming, and that a part asked for again loads only its newest program.
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "app/ProgramLoader.h"

namespace {

// A stream of changes on part A (each load asks for A again, as a controller sending 30 a
// second would) while B, C and D each ask once: every part is served within one turn.
TEST(ProgramLoaderThreads, AStreamOnOnePartDoesNotStarveTheOthers) {
  std::mutex mutex;
  std::vector<std::pair<int, int>> served;
  ProgramLoader* self = nullptr;
  ProgramLoader loader([&](int part, int program) {
    std::lock_guard<std::mutex> lock(mutex);
    served.emplace_back(part, program);
    if (part == 0 && program < 40) self->Request(0, program + 1);
  });
  self = &loader;
  {
    // The others ask while A's first load runs.
    std::lock_guard<std::mutex> lock(mutex);
    loader.Request(0, 0);
    loader.Request(2, 7);
    loader.Request(1, 5);
    loader.Request(3, 9);
    loader.Request(1, 6);  // replaces 5 before it loads
  }
  loader.WaitIdle();
  std::lock_guard<std::mutex> lock(mutex);
  ASSERT_GE(served.size(), 4u);
  auto at = [&](int part) {
    for (std::size_t i = 0; i < served.size(); ++i)
      if (served[i].first == part) return static_cast<int>(i);
    return -1;
  };
  for (int part = 1; part < 4; ++part) {
    SCOPED_TRACE(part);
    EXPECT_GE(at(part), 0);
    EXPECT_LE(at(part), 4) << "served within one turn of the four parts";
  }
  int loads[4] = {};
  for (const auto& [part, program] : served) {
    ++loads[part];
    if (part == 1) {
      EXPECT_EQ(program, 6);
    }
  }
  EXPECT_EQ(loads[1] + loads[2] + loads[3], 3);
  EXPECT_EQ(served.back(), std::make_pair(0, 40)) << "A ends on its newest program";
}

}  // namespace
