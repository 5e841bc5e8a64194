#include <gtest/gtest.h>

#include "platform/LogSink.h"
#include "platform/Paths.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

TEST(Paths, RootIsPrefixedToTheFixedPathAndEmptyByDefault) {
  EXPECT_EQ(platform::DataPath("/var/lib/ruv/working/"), "/var/lib/ruv/working/");
  {
    testing_support::TempDataRoot root;
    EXPECT_EQ(platform::DataPath("/dev/serial0"), root.Root() + "/dev/serial0");
  }
  EXPECT_EQ(platform::DataRoot(), "");
}

TEST(LogSink, CapturesExactTextWithoutAllocating) {
  testing_support::LogCapture capture;
  {
    testing_support::AllocGuard guard;
    platform::LogPrintf("OscDetune: %7.2f\n", 440.0);
    platform::LogWrite("Part:1 -> trigger swap\n");
    EXPECT_EQ(guard.Count(), 0u);
  }
  EXPECT_EQ(capture.Text(), "OscDetune:  440.00\nPart:1 -> trigger swap\n");
}

TEST(AllocCounter, CountsOnlyOnArmedThreads) {
  testing_support::AllocGuard guard;
  int* volatile p = new int(3);
  delete p;
  EXPECT_EQ(guard.Count(), 1u);
}

}  // namespace
