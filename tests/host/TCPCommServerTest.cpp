// The transport on real loopback sockets: framing, buffer choice, CRC and length faults,
// one client at a time, and senders that must neither block nor die.
#include "app/host/TCPCommServer.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "tests/host/HostTestKit.h"
#include "tests/support/LogCapture.h"

namespace {

using host_test::Bytes;
using host_test::Client;
using host_test::Frame;

// Records what arrives; greets every client with "hello" so a client can tell it was served.
class Recorder : public TCPCommServer {
 public:
  struct Packet {
    uint32_t size;
    bool fixed;
    uint32_t crc;
  };
  ~Recorder() override { Stop(); }

  void OnPacket(const uint8_t* p, uint32_t n) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      packets_.push_back({n, p == FixedBuffer(), platform::crc32(0, p, n)});
    }
    cv_.notify_all();
  }
  void OnState(int state) override {
    if (state == kConnected) Send("hello", 5);
  }
  std::vector<Packet> WaitPackets(std::size_t n) {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, std::chrono::seconds(10), [&] { return packets_.size() >= n; });
    return packets_;
  }
  bool WaitConnection(int state) {
    for (int i = 0; i < 1000 && Connection() != state; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return Connection() == state;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<Packet> packets_;
};

bool Greeted(Client& c, int timeoutMs = 5000) {
  const auto p = c.ReadPacket(timeoutMs);
  return p && *p == Bytes{'h', 'e', 'l', 'l', 'o'};
}

Bytes Pattern(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
  return b;
}

TEST(TCPCommServerThreads, PayloadsUpToEightMiBArriveInTheirBuffer) {
  Recorder server;
  server.Start(0);
  ASSERT_NE(server.BoundPort(), 0);
  Client client(server.BoundPort());
  ASSERT_TRUE(Greeted(client));
  struct Case {
    std::size_t size;
    bool fixed;
  };
  // A zero-length payload carries CRC 0 and passes.
  const Case cases[] = {{0, true}, {1, true}, {4095, true}, {4096, false}, {8388608, false}};
  for (const Case& c : cases) ASSERT_TRUE(client.SendPacket(Pattern(c.size)));
  const auto got = server.WaitPackets(std::size(cases));
  ASSERT_EQ(got.size(), std::size(cases));
  for (std::size_t i = 0; i < got.size(); ++i) {
    const Bytes sent = Pattern(cases[i].size);
    EXPECT_EQ(got[i].size, cases[i].size);
    EXPECT_EQ(got[i].fixed, cases[i].fixed) << "size " << cases[i].size;
    EXPECT_EQ(got[i].crc, platform::crc32(0, sent.data(), static_cast<uint32_t>(sent.size())));
  }
}

TEST(TCPCommServerThreads, BadCrcIsDroppedWithItsLineAndTheNextPacketIsServed) {
  testing_support::LogCapture log;
  Recorder server;
  server.Start(0);
  Client client(server.BoundPort());
  ASSERT_TRUE(Greeted(client));
  const Bytes first = {1, 2, 3, 4, 5};
  const Bytes second = {9, 9, 9, 9};
  const uint32_t right = platform::crc32(0, first.data(), 5);
  ASSERT_TRUE(client.Write(Frame(first, right ^ 1u)));
  // The magic is not checked.
  ASSERT_TRUE(client.Write(Frame(second, {}, 0x12345678u)));
  const auto got = server.WaitPackets(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].size, 4u);
  char line[96];
  std::snprintf(line, sizeof line, "[TCPComm] ERROR: crc32 <%04X -> %04X> on rxPacket payload_size: 5\n", right ^ 1u,
                right);
  EXPECT_NE(log.Text().find(line), std::string::npos) << log.Text();
}

TEST(TCPCommServerThreads, OversizedLengthClosesTheConnectionAndTheNextClientIsServed) {
  Recorder server;
  server.Start(0);
  {
    Client client(server.BoundPort());
    ASSERT_TRUE(Greeted(client));
    // Its payload would otherwise be read as a run of headers.
    ASSERT_TRUE(client.Write(Frame(Pattern(64), {}, 0xAA551122u, 8388609u)));
    EXPECT_TRUE(client.ClosedByServer());
  }
  Client next(server.BoundPort());
  ASSERT_TRUE(Greeted(next));
  ASSERT_TRUE(next.SendPacket(Pattern(10)));
  EXPECT_EQ(server.WaitPackets(1).size(), 1u);
}

TEST(TCPCommServerThreads, SendWithoutClientDoesNothing) {
  Recorder idle;
  idle.Send("x", 1);  // not started
  EXPECT_FALSE(idle.TrySend("x", 1));
  Recorder server;
  server.Start(0);
  server.Send("stale", 5);
  EXPECT_FALSE(server.TrySend("stale", 5));
  Client client(server.BoundPort());
  EXPECT_TRUE(Greeted(client));  // the first bytes a client sees
}

TEST(TCPCommServerThreads, OneClientAtATimeAndADisconnectListensAgain) {
  testing_support::LogCapture log;
  Recorder server;
  server.Start(0);
  auto first = std::make_unique<Client>(server.BoundPort());
  ASSERT_TRUE(Greeted(*first));
  Client second(server.BoundPort());
  ASSERT_TRUE(second.Connected());  // waits in the backlog
  EXPECT_FALSE(second.ReadPacket(300).has_value());
  first.reset();
  EXPECT_TRUE(Greeted(second));
  EXPECT_NE(log.Text().find("[TCPComm] client disconnected"), std::string::npos);
}

TEST(TCPCommServerThreads, APeerResetDuringSendsNeitherKillsNorHangs) {
  Recorder server;
  server.Start(0);
  Client client(server.BoundPort());
  ASSERT_TRUE(Greeted(client));
  const linger reset{1, 0};
  setsockopt(client.Fd(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  client.Close();
  // Writing to a reset connection raises SIGPIPE unless the sender asks otherwise.
  const Bytes block = Pattern(4096);
  for (int i = 0; i < 2000 && server.Connection() == TCPCommServer::kConnected; ++i) {
    server.Send(block.data(), 4096);
    server.TrySend(block.data(), 4096);
  }
  EXPECT_TRUE(server.WaitConnection(TCPCommServer::kAccept));
}

TEST(TCPCommServerThreads, TrySendToAClientThatStoppedReadingDropsInsteadOfWaiting) {
  Recorder server;
  server.Start(0);
  Client client(server.BoundPort());
  ASSERT_TRUE(Greeted(client));
  const Bytes frame = Pattern(180);
  int dropped = 0;
  // Enough to fill any loopback socket buffer many times over; a send that waited would
  // never return.
  for (int i = 0; i < 400000 && dropped == 0 && server.Connection() == TCPCommServer::kConnected; ++i)
    if (!server.TrySend(frame.data(), 180)) ++dropped;
  EXPECT_TRUE(dropped > 0 || server.Connection() != TCPCommServer::kConnected);
}

// The pages send values under the UI mutex: a client that stops reading must cost it its
// link, not stop the sender. The next client is served as before.
TEST(TCPCommServerThreads, SendToAClientThatStoppedReadingDropsTheClientInsteadOfWaiting) {
  testing_support::LogCapture log;
  Recorder server;
  server.Start(0);
  auto client = std::make_unique<Client>(server.BoundPort());
  ASSERT_TRUE(Greeted(*client));
  const Bytes value = Pattern(20);
  const Bytes clip = Pattern(64 * 1024);
  // Far more than the loopback buffers and the queue hold together.
  auto sender = std::async(std::launch::async, [&] {
    for (int i = 0; i < 100000 && server.Connection() == TCPCommServer::kConnected; ++i)
      server.Send(i % 100 == 0 ? clip.data() : value.data(), i % 100 == 0 ? 64 * 1024 : 20);
  });
  const bool returned = sender.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  if (!returned) client->Close();  // lets a waiting send fail, so the test ends
  sender.wait();
  EXPECT_TRUE(returned) << "a send waited for a client that does not read";
  EXPECT_TRUE(server.WaitConnection(TCPCommServer::kAccept));
  client.reset();
  Client next(server.BoundPort());
  EXPECT_TRUE(Greeted(next));
  server.Stop();  // the log is read once the link's threads are gone
  EXPECT_NE(log.Text().find("[TCPComm] ERROR: client does not read"), std::string::npos);
}

// One client at a time, but no client holds the link for ever: a half-sent frame and a
// silent client each give way, while a client that talks keeps the link.
TEST(TCPCommServerThreads, AHalfSentFrameOrASilentClientGivesWayToTheNextClient) {
  struct Case {
    const char* what;
    Bytes sent;   // by the first client before it goes quiet
    bool talks;   // the first client keeps sending whole packets
    bool replaced;
  };
  const Bytes frame = Frame(Pattern(64));
  const Case cases[] = {
      {"half a header", {0x05, 0x00, 0x00}, false, true},
      {"a header and part of its payload", Bytes(frame.begin(), frame.begin() + 20), false, true},
      {"silent after its greeting", {}, false, true},
      {"talking", {}, true, false},
  };
  for (const Case& c : cases) {
    Recorder server;
    server.SetReceiveTimeouts(300, 600);
    server.Start(0);
    Client first(server.BoundPort());
    ASSERT_TRUE(Greeted(first)) << c.what;
    if (!c.sent.empty()) {
      ASSERT_TRUE(first.Write(c.sent)) << c.what;
    }
    Client second(server.BoundPort());
    bool served = false;
    for (int i = 0; i < 30 && !served; ++i) {
      if (c.talks) first.SendPacket(Pattern(8));
      served = Greeted(second, 100);
    }
    EXPECT_EQ(served, c.replaced) << c.what;
  }
}

TEST(TCPCommServerThreads, APortInUseIsReportedAndNothingRuns) {
  testing_support::LogCapture log;
  Recorder first;
  first.Start(0);
  Recorder second;
  second.Start(first.BoundPort());
  EXPECT_EQ(second.BoundPort(), 0);
  EXPECT_NE(log.Text().find("[TCPComm] ERROR: bind failed"), std::string::npos);
}

}  // namespace
