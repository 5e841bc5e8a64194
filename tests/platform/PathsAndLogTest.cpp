#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

// The default sink writes stdout a line at a time even when stdio buffers it fully (a
// pipe): a child process logs and ends without flushing stdio; its lines must be out.
TEST(LogSink, DefaultSinkFlushesEachLineOfStdout) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::fflush(stdout);  // nothing of the parent's may reach the pipe
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    std::setvbuf(stdout, nullptr, _IOFBF, BUFSIZ);
    platform::LogPrintf("Disable Voice %i (%i us after deadline)\n", 3, 1);
    platform::LogWrite("Part:1 -> ");
    platform::LogWrite("trigger swap\n");
    platform::LogWrite("no line end yet");
    _exit(0);  // stdio buffers are not flushed here
  }
  close(fds[1]);
  std::string got;
  char buf[256];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) got.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(got, "Disable Voice 3 (1 us after deadline)\nPart:1 -> trigger swap\n");
}

// The two engine threads may log in the same period; the capture keeps every line whole.
TEST(LogSinkThreads, CaptureKeepsEveryLineOfThreadsLoggingAtOnce) {
  constexpr int kThreads = 4;
  constexpr int kLines = 500;
  testing_support::LogCapture capture;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) platform::LogPrintf("T%d line %03d\n", t, i);
    });
  }
  for (auto& th : threads) th.join();
  std::multiset<std::string> lines;
  std::istringstream text(capture.Text());
  for (std::string line; std::getline(text, line);) lines.insert(line);
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kLines; ++i) {
      char want[32];
      std::snprintf(want, sizeof want, "T%d line %03d", t, i);
      ASSERT_EQ(lines.count(want), 1u) << want;
    }
  }
}

TEST(AllocCounter, CountsOnlyOnArmedThreads) {
  testing_support::AllocGuard guard;
  int* volatile p = new int(3);
  delete p;
  EXPECT_EQ(guard.Count(), 1u);
}

}  // namespace
