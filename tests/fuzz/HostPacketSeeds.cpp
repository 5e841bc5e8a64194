#include <string>

#include "tests/fuzz/FuzzSeeds.h"
#include "tests/host/HostTestKit.h"

namespace fuzz_seeds {

std::vector<audio_images::Bytes> HostPacketSeeds() {
  using namespace host_test;
  Bytes event(16, 0);
  Put32(event, 8, 96);
  event[13] = 60;
  event[14] = 100;
  Bytes events = event;
  events.insert(events.end(), event.begin(), event.end());
  Bytes row(516, 0);
  row[4 + 8] = 1;
  row[4 + 10] = 90;
  row[4 + 11] = 36;
  const Bytes payloads[] = {
      Words({4, 1, 106, 0, 36}),
      Words({4, 5, 3, 256, 1}),
      Words({4, 5, 9, 2, 0}),
      Value(5, 1, 3, 0x1234, 0.5f),
      Property(3, 0, 0, 5, 8.0f),
      Property(2, 5, 2, 3, -5.0f),
      Record(9, 5, 2, 2, events),
      Record(10, 0, 1, 3, Bytes(27, 1)),
      Record(11, 4, 0, 1, row),
      Command(2, 200, 5, 2, "seq"),
      Command(3, 201, 0, 1, ""),
      Command(4, 201, 4, 0, ""),
      Command(2, 202, 1, 1, ""),
      Command(2, 203, 0, 0, "name"),
      Words({17}),
  };
  std::vector<Bytes> seeds;
  for (const Bytes& p : payloads) seeds.push_back(Frame(p));
  // Two packets in one stream, and a packet with a wrong CRC (and magic) before a good one.
  Bytes two = Frame(payloads[9]);
  const Bytes second = Frame(Record(9, 5, 2, 1, event));
  two.insert(two.end(), second.begin(), second.end());
  seeds.push_back(two);
  Bytes bad = Frame(payloads[0], 1u, 0);
  const Bytes good = Frame(payloads[1]);
  bad.insert(bad.end(), good.begin(), good.end());
  seeds.push_back(bad);
  return seeds;
}

}  // namespace fuzz_seeds
