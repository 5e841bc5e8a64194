#include <gtest/gtest.h>
#include <linux/can.h>
#include <linux/can/raw.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/VirtualCanHub.h"
#include "platform/VirtualCanOps.h"
#include "tests/support/Emulation.h"
#include "tests/support/TestPaths.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using platform::VirtualCanHub;
using platform::VirtualCanOps;

can_frame Frame(canid_t id, std::vector<uint8_t> bytes) {
  can_frame f{};
  f.can_id = id;
  f.can_dlc = static_cast<uint8_t>(bytes.size());
  if (!bytes.empty()) std::memcpy(f.data, bytes.data(), bytes.size());
  return f;
}

// A member connection whose reads give up after a generous time-out, so a lost frame fails
// the test instead of hanging it.
int Member(const std::string& hubPath) {
  const int fd = VirtualCanOps::Connect(hubPath);
  if (fd >= 0) {
    const timeval timeout{2, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  }
  return fd;
}

// The id of the next frame, or -1 when none came.
long NextId(int fd) {
  can_frame f{};
  return read(fd, &f, sizeof f) == static_cast<ssize_t>(sizeof f) ? static_cast<long>(f.can_id) : -1;
}

bool NothingWaiting(int fd) {
  can_frame f{};
  return recv(fd, &f, sizeof f, MSG_DONTWAIT) < 0 && errno == EAGAIN;
}

class VirtualCanHubThreads : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(hub_.Start(), 0); }
  void TearDown() override {
    for (int fd : fds_) close(fd);
  }
  int Join() {
    fds_.push_back(Member(hub_.Path()));
    EXPECT_TRUE(hub_.WaitForMemberCount(fds_.size(), 2s));
    return fds_.back();
  }

  testing_support::TempDataRoot root_;
  VirtualCanHub hub_{VirtualCanOps::HubPath(root_.Root(), "can0")};
  std::vector<int> fds_;
};

TEST_F(VirtualCanHubThreads, EveryFrameReachesEveryOtherMemberButNotItsSender) {
  const int a = Join(), b = Join(), c = Join();
  const can_frame fromA = Frame(0x028, {0xA1, 0xFF});
  ASSERT_EQ(write(a, &fromA, sizeof fromA), static_cast<ssize_t>(sizeof fromA));
  for (int fd : {b, c}) {
    can_frame got{};
    ASSERT_EQ(read(fd, &got, sizeof got), static_cast<ssize_t>(sizeof got));
    EXPECT_EQ(std::memcmp(&got, &fromA, sizeof got), 0);
  }
  // Frames of one member arrive in order; A's first frame is B's, not an echo of its own.
  const can_frame fromB = Frame(0x701, {0xA0, 1});
  ASSERT_EQ(write(b, &fromB, sizeof fromB), static_cast<ssize_t>(sizeof fromB));
  EXPECT_EQ(NextId(a), 0x701);
  EXPECT_EQ(NextId(c), 0x701);
  EXPECT_TRUE(NothingWaiting(b));
}

// Datagrams pass as written, so members can test their handling of short records; one
// longer than a frame is no CAN frame and goes nowhere.
TEST_F(VirtualCanHubThreads, ShortRecordsPassAndOversizedOnesAreDropped) {
  const int a = Join(), b = Join();
  const can_frame frame = Frame(0x100, {1, 2, 3});
  ASSERT_EQ(write(a, &frame, 8), 8);
  uint8_t big[24] = {};
  ASSERT_EQ(write(a, big, sizeof big), static_cast<ssize_t>(sizeof big));
  ASSERT_EQ(write(a, &frame, sizeof frame), static_cast<ssize_t>(sizeof frame));
  uint8_t got[32];
  EXPECT_EQ(read(b, got, sizeof got), 8);
  EXPECT_EQ(read(b, got, sizeof got), static_cast<ssize_t>(sizeof frame));
}

// A member that never reads loses frames once its queue is full, as a full SocketCAN receive
// queue does; the others go on receiving every one.
TEST_F(VirtualCanHubThreads, AMemberThatDoesNotReadStallsNobody) {
  const int sender = Join(), reader = Join();
  Join();  // never reads
  for (int i = 0; i < 6000; ++i) {
    const can_frame f = Frame(static_cast<canid_t>(i & 0x7FF), {});
    ASSERT_EQ(write(sender, &f, sizeof f), static_cast<ssize_t>(sizeof f));
    ASSERT_EQ(NextId(reader), i & 0x7FF) << "frame " << i;
  }
}

// A member that reads late (a busy machine did not schedule it) still gets a burst of a few
// thousand frames whole and in order: more than the connection itself holds.
TEST_F(VirtualCanHubThreads, AMemberThatReadsLateGetsTheWholeBurst) {
  const int sender = Join(), late = Join();
  constexpr int kBurst = 2000;
  for (int i = 0; i < kBurst; ++i) {
    const can_frame f = Frame(static_cast<canid_t>(i & 0x7FF), {});
    ASSERT_EQ(write(sender, &f, sizeof f), static_cast<ssize_t>(sizeof f));
  }
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (hub_.FramesRelayed() < kBurst && std::chrono::steady_clock::now() < deadline) usleep(1000);
  ASSERT_EQ(hub_.FramesRelayed(), static_cast<std::size_t>(kBurst));
  for (int i = 0; i < kBurst; ++i) ASSERT_EQ(NextId(late), i & 0x7FF) << "frame " << i;
  EXPECT_TRUE(NothingWaiting(late));
}

TEST_F(VirtualCanHubThreads, LeavingAndStoppingAreSeenByTheOthers) {
  const int a = Join(), b = Join();
  close(a);
  fds_.erase(fds_.begin());
  EXPECT_TRUE(hub_.WaitForMemberCount(1, 2s));
  hub_.Stop();
  can_frame f{};
  EXPECT_EQ(read(b, &f, sizeof f), 0);  // the hub hung up
  struct stat st {};
  EXPECT_NE(stat(hub_.Path().c_str(), &st), 0);
  close(b);
  fds_.clear();
  // A new hub takes the path again.
  ASSERT_EQ(hub_.Start(), 0);
  Join();
}

// A program that writes its last frames and exits at once still has them on the bus, and
// it counts as gone only after they were relayed: whoever waits for it to leave has them.
TEST_F(VirtualCanHubThreads, AMemberLeavesOnlyAfterAllItWroteWasRelayed) {
  const int reader = Join(), writer = Join();
  for (int i = 0; i < 50; ++i) {
    const can_frame f = Frame(static_cast<canid_t>(i), {});
    ASSERT_EQ(write(writer, &f, sizeof f), static_cast<ssize_t>(sizeof f));
  }
  close(writer);
  fds_.pop_back();
  ASSERT_TRUE(hub_.WaitForMemberCount(1, 2s));
  for (int i = 0; i < 50; ++i) {
    can_frame f{};
    ASSERT_EQ(recv(reader, &f, sizeof f, MSG_DONTWAIT), static_cast<ssize_t>(sizeof f)) << i;
    EXPECT_EQ(f.can_id, static_cast<canid_t>(i));
  }
}

// The member side as a CAN device sees it: the interface exists while its hub runs, names
// are cut as the kernel cuts them, filters are accepted, the receive time-out works.
TEST_F(VirtualCanHubThreads, SocketCallsOfADeviceOnTheBus) {
  VirtualCanOps ops(root_.Root());
  const int fd = ops.Socket();
  ASSERT_GE(fd, 0);
  struct Case {
    const char* name;
    bool exists;
  };
  VirtualCanHub longName(VirtualCanOps::HubPath(root_.Root(), "abcdefghijklmno"));
  ASSERT_EQ(longName.Start(), 0);
  const Case cases[] = {{"can0", true},  {"can1", false}, {"", false},
                        {"../can0", false}, {"abcdefghijklmnopqrst", true}};
  for (const Case& c : cases) {
    errno = 0;
    const int index = ops.InterfaceIndex(fd, c.name);
    if (c.exists) {
      EXPECT_GT(index, 0) << c.name;
    } else {
      EXPECT_EQ(index, -1) << c.name;
      EXPECT_EQ(errno, ENODEV) << c.name;
    }
  }
  EXPECT_EQ(ops.InterfaceIndex(-1, "can0"), -1);
  EXPECT_EQ(errno, EBADF);
  EXPECT_EQ(ops.Bind(fd, 99), -1);
  EXPECT_EQ(errno, ENODEV);

  const can_filter all{0, 0};
  EXPECT_EQ(ops.SetSockOpt(fd, SOL_CAN_RAW, CAN_RAW_FILTER, &all, sizeof all), 0);
  const timeval timeout{0, 1000};
  ASSERT_EQ(ops.SetSockOpt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout), 0);
  ASSERT_EQ(ops.Bind(fd, ops.InterfaceIndex(fd, "can0")), 0);
  ASSERT_TRUE(hub_.WaitForMemberCount(1, 2s));
  can_frame f{};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ops.Read(fd, &f, sizeof f), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
  fds_.push_back(Member(hub_.Path()));
  const int peer = fds_.back();
  ASSERT_TRUE(hub_.WaitForMemberCount(2, 2s));
  const can_frame sent = Frame(0x3F0, {1, 1, 3});
  ASSERT_EQ(ops.Write(fd, &sent, sizeof sent), static_cast<ssize_t>(sizeof sent));
  EXPECT_EQ(NextId(peer), 0x3F0);
  ops.Close(fd);
}

#if defined(SYNTH_CANHUB)
// The hub program joins members in other processes: it prints its ready line, relays, and
// on SIGTERM ends and removes its socket.
TEST(VirtualCanHubProgram, RelaysUntilTerminated) {
  testing_support::TempDataRoot root;
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string dir = root.Root();
  std::vector<std::string> words = testing_support::TargetArgv(SYNTH_CANHUB);
  words.insert(words.end(), {"vcan7", dir, "60"});
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  FILE* text = fdopen(out[0], "r");
  char line[512] = {};
  ASSERT_NE(fgets(line, sizeof line, text), nullptr);
  const std::string path = VirtualCanOps::HubPath(dir, "vcan7");
  EXPECT_EQ(std::string(line), "ruv-canhub: " + path + " ready\n");

  const int a = Member(path), b = Member(path);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  // Neither member knows when the other was accepted: A repeats until B hears it.
  const can_frame f = Frame(0x123, {9});
  long got = -1;
  for (int attempt = 0; attempt < 50 && got < 0; ++attempt) {
    ASSERT_EQ(write(a, &f, sizeof f), static_cast<ssize_t>(sizeof f));
    const timeval shortWait{0, 100000};
    setsockopt(b, SOL_SOCKET, SO_RCVTIMEO, &shortWait, sizeof shortWait);
    got = NextId(b);
  }
  EXPECT_EQ(got, 0x123);
  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  struct stat st {};
  EXPECT_NE(stat(path.c_str(), &st), 0);
  fclose(text);
  close(a);
  close(b);
}
#endif

}  // namespace
