// The host link's receiving side without a socket: byte streams through the receive state
// machine and payloads straight into the message dispatch, with the real handlers on a real
// clip launcher. The launcher is kept from input to input, so edits pile up as they would
// over a long connection.
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/host/HostServices.h"
#include "app/host/HostUIManager.h"
#include "midi/CClipCore.h"
#include "midi/FakeRawMidiBackend.h"
#include "tests/fuzz/FuzzTargets.h"
#include "tests/host/HostTestKit.h"

namespace fuzz_targets {
namespace {

class SilentHost : public HostServices {
 public:
  explicit SilentHost(CClipCore* core) : core_(core) {}
  void SetHostLink(HostUIManager*) override {}
  CClipCore* ClipLauncher() override { return core_; }
  void SendMessage(tagUX_Message& msg) override {
    // The page reads the value behind a 273.
    if (msg.type == EN_MSG_SET_VALUE) std::memcpy(&lastValue, msg.pData, sizeof lastValue);
  }
  void TriggerDrum(int note, int) override { lastNote = note; }

  float lastValue = 0;
  int lastNote = 0;

 private:
  CClipCore* core_;
};

class CountingLink : public HostUIManager {
 public:
  void OnPacket(const uint8_t* p, uint32_t size) override {
    ++packets;
    HostUIManager::OnPacket(p, size);
  }
  long packets = 0;
};

struct HostRig {
  HostRig() { link.init(&host, -1); }
  FakeRawMidiBackend midi;
  host_test::NullTracks tracks;
  CClipCore core{tracks, midi};
  SilentHost host{&core};
  CountingLink link;
  int tick = 0;
};

HostRig& Rig() {
  static HostRig rig;
  return rig;
}

// Hands the bytes over in pieces of 1 to 13, as a socket may.
class Pieces : public TCPCommServer::ByteSource {
 public:
  explicit Pieces(const std::vector<uint8_t>& b) : bytes_(b) {}
  long Read(uint8_t* to, uint32_t max) override {
    if (at_ >= bytes_.size()) return 0;
    const std::size_t n = std::min<std::size_t>({max, bytes_.size() - at_, 1 + (at_ * 7 + 3) % 13});
    std::memcpy(to, bytes_.data() + at_, n);
    at_ += n;
    return static_cast<long>(n);
  }

 private:
  const std::vector<uint8_t>& bytes_;
  std::size_t at_ = 0;
};

// Kinds 0-3, every name terminated within its 32 bytes.
bool GridIsValid(const uint8_t* grid) {
  uint32_t type;
  std::memcpy(&type, grid, 4);
  if (type != 16) return false;
  for (int cell = 0; cell < 56; ++cell) {
    const uint8_t* c = grid + 4 + 36 * cell;
    uint32_t kind;
    std::memcpy(&kind, c, 4);
    if (kind > 3 || std::memchr(c + 4, 0, 32) == nullptr) return false;
  }
  return true;
}

}  // namespace

bool HostPacketOne(const uint8_t* data, std::size_t size) {
  HostRig& r = Rig();
  const long before = r.link.packets;
  // Packets whose magic is right get a right CRC, so mutations reach the handlers; the
  // others keep theirs and mostly exercise the CRC check.
  std::vector<uint8_t> stream(data, data + size);
  for (std::size_t at = 0; at + 12 <= stream.size();) {
    uint32_t words[2];
    std::memcpy(words, stream.data() + at, 8);
    if (uint64_t{at} + 12 + words[0] > stream.size()) break;
    if (words[1] == TCPCommServer::kMagic) {
      const uint32_t crc = platform::crc32(0, stream.data() + at + 12, words[0]);
      std::memcpy(stream.data() + at + 8, &crc, 4);
    }
    at += 12 + words[0];
  }
  Pieces pieces(stream);
  r.link.ReceiveStream(pieces);
  // What follows the first header, as one payload in a buffer of its own size, so that a
  // handler reading past its end is caught (the stream's fixed buffer would hide it).
  const std::size_t skip = size >= 12 ? 12 : 0;
  const std::vector<uint8_t> payload(data + skip, data + size);
  r.link.OnPacket(payload.data(), static_cast<uint32_t>(payload.size()));
  // The clock moves launched scenes on and plays what the edits left.
  r.core.OnClockTick(r.tick, 0);
  r.tick = (r.tick + 1) % 3072;
  uint8_t grid[HostUIManager::kGridSize];
  r.link.ClipGrid(grid);
  // Accepted: the stream's CRC check let a packet through.
  if (r.link.packets > before + 1) ++AcceptedCount();
  return GridIsValid(grid);
}

bool HostPacketFreshClientGetsGrid() {
  HostRig& r = Rig();
  r.link.Start(0);
  bool ok = false;
  {
    host_test::Client client(r.link.BoundPort());
    const auto grid = client.ReadPacket();
    ok = grid && grid->size() == HostUIManager::kGridSize && GridIsValid(grid->data());
  }
  r.link.Stop();
  return ok;
}

}  // namespace fuzz_targets
