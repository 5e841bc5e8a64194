#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/ClientLog.h"
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

// A stream of preset loads appends a line each: the log is moved aside once full, so the
// two files never hold much more than twice the limit, and the newest lines are kept.
TEST(ClientLog, StaysWithinItsBound) {
  testing_support::TempDataRoot root;
  const std::string dir = root.MakeDir("/var/lib/ruv/working");
  auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  const std::string name(100, 'p');
  const std::string line = "MESSAGE <" + name + ">\n";
  const std::size_t lines = 3 * platform::ClientLog::kMaxBytes / line.size();
  for (std::size_t i = 0; i < lines; ++i) platform::ClientLog::Append(name.c_str());
  platform::ClientLog::Append("last");
  const std::string current = read(dir + "/logClient.txt");
  const std::string old = read(dir + "/logClient.old.txt");
  EXPECT_LE(current.size(), platform::ClientLog::kMaxBytes + line.size());
  EXPECT_GE(old.size(), platform::ClientLog::kMaxBytes);
  EXPECT_LE(old.size(), platform::ClientLog::kMaxBytes + line.size());
  EXPECT_EQ(current.substr(current.size() - 15), "MESSAGE <last>\n");
  EXPECT_EQ((current.size() - 15 + old.size()) % line.size(), 0u) << "whole lines only";
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

// Threads that log (empty lines, so the default sink prints nothing) until told to stop;
// each has logged at least once when the constructor returns.
class Loggers {
 public:
  explicit Loggers(int count) {
    for (int t = 0; t < count; ++t)
      threads_.emplace_back([this] {
        bool counted = false;
        while (!stop_.load()) {
          platform::LogWrite("");
          if (!counted) started_.fetch_add(1);
          counted = true;
        }
      });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (started_.load() < count && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  }
  ~Loggers() {
    stop_.store(true);
    for (auto& th : threads_) th.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> started_{0};
  std::vector<std::thread> threads_;
};

// Each sink knows its own context, and whether it has been replaced since it was installed.
struct TaggedSink {
  char tag;
  std::atomic<bool> installed{false};
  std::atomic<long> calls{0};
};
std::atomic<long> g_wrongContext{0};
std::atomic<long> g_afterReplaced{0};
template <char kTag>
void TaggedSinkFn(const char*, void* context) {
  auto* sink = static_cast<TaggedSink*>(context);
  if (sink == nullptr || sink->tag != kTag) {
    g_wrongContext.fetch_add(1);
    return;
  }
  if (!sink->installed.load(std::memory_order_relaxed)) g_afterReplaced.fetch_add(1);
  sink->calls.fetch_add(1, std::memory_order_relaxed);
}

// Changing the sink while threads log: every line reaches a sink with that sink's own
// context, and a sink is never called once SetLogSink has returned from replacing it.
TEST(LogSinkThreads, ChangingTheSinkWhileThreadsLogKeepsFunctionAndContextTogether) {
  TaggedSink a{'A'}, b{'B'};
  g_wrongContext = 0;
  g_afterReplaced = 0;
  {
    Loggers loggers(3);
    for (int i = 0; i < 4000; ++i) {
      TaggedSink& next = i % 2 ? b : a;
      TaggedSink& replaced = i % 2 ? a : b;
      next.installed = true;
      platform::SetLogSink(i % 2 ? &TaggedSinkFn<'B'> : &TaggedSinkFn<'A'>, &next);
      replaced.installed = false;
    }
    platform::SetLogSink(nullptr, nullptr);
    b.installed = false;
  }
  EXPECT_EQ(g_wrongContext.load(), 0);
  EXPECT_EQ(g_afterReplaced.load(), 0);
  EXPECT_GT(a.calls.load(), 0);
  EXPECT_GT(b.calls.load(), 0);
}

// A capture on the heap, destroyed while threads log: nothing may reach it afterwards
// (ASan reports the use after free, a null context crashes).
TEST(LogSinkThreads, ACaptureCanBeDestroyedWhileThreadsLog) {
  Loggers loggers(3);
  for (int i = 0; i < 300; ++i) {
    auto capture = std::make_unique<testing_support::LogCapture>();
    capture.reset();
  }
}

TEST(AllocCounter, CountsOnlyOnArmedThreads) {
  testing_support::AllocGuard guard;
  int* volatile p = new int(3);
  delete p;
  EXPECT_EQ(guard.Count(), 1u);
}

}  // namespace
