// The host's messages applied to a real clip launcher (the default clip set: arpeggiators
// "1 A" ... "2 D" in clips 0 and 1 of tracks 0-3, the drum pattern "D1" in clip 0 of track
// 4), and what the link sends back, read by a loopback client.
#include "app/host/HostUIManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "tests/host/HostTestKit.h"
#include "tests/midi/ClipRig.h"
#include "tests/support/AllocCounter.h"

namespace {

using host_test::Bytes;
using host_test::Client;
using host_test::Command;
using host_test::Get16;
using host_test::Get32;
using host_test::GetText;
using host_test::Property;
using host_test::Record;
using host_test::Value;
using host_test::Words;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Link {
  // `port` negative: no server.
  explicit Link(int port = -1) : rig(nullptr), host(rig.core.get()) {
    rig.Tick(0, 1);  // the default clips become stopped scenes
    link.init(&host, port);
  }
  CInstrumentSeq& Seq(int t) { return rig.Seq(t); }
  void Feed(const Bytes& payload) { link.OnPacket(payload.data(), static_cast<uint32_t>(payload.size())); }

  clip_test::Rig rig;
  host_test::FakeHost host;
  HostUIManager link;
};

std::string States(Link& l, int scene) {
  std::string s;
  for (int t = 0; t < 7; ++t) {
    CInstrument* track = l.rig.core->Master().Track(t);
    if (t) s += ' ';
    s += track ? std::to_string(track->Scene(scene).state) : std::string("-");
  }
  return s + (l.rig.core->Master().running ? " running" : "");
}

std::string ArpSettings(Link& l, int t, int c) {
  const ClipData& d = l.Seq(t).Clip(c);
  return std::to_string(d.RestartMode) + " " + std::to_string(d.KeySubstitute) + " " + std::to_string(d.GateWidth) +
         " " + std::to_string(d.OrderAlgo) + " " + std::to_string(d.OpMode) + " " + std::to_string(d.StepCount) + " " +
         std::to_string(d.Factor);
}

std::string MidiSettings(Link& l, int t, int c) {
  const ClipData& d = l.Seq(t).Clip(c);
  return std::to_string(d.Loop_PP) + " " + std::to_string(d.Length_PP) + " " + std::to_string(d.Length_QN) + " " +
         std::to_string(d.Transpose);
}

// Kind, present flag and name of a slot.
std::string Slot(Link& l, int t, int c) {
  const SceneSlot& s = l.Seq(t).Scene(c);
  return std::to_string(s.kind) + (s.hasClip ? " present" : "") + (s.deleteRequest ? " deleting" : "") + " \"" +
         l.Seq(t).Clip(c).name + "\"";
}

std::string Events(Link& l, int t, int c) {
  std::string s;
  for (const SeqEvent& e : l.Seq(t).Clip(c).events)
    s += std::to_string(e.type) + ":" + std::to_string(e.time) + "-" + std::to_string(e.end) + ":" +
         std::to_string(e.key) + "/" + std::to_string(e.velocity) + " ";
  return s + "list " + std::to_string(l.Seq(t).PlayList(c).size());
}

Bytes EventItems(std::initializer_list<SeqEvent> events) {
  Bytes b;
  for (const SeqEvent& e : events) {
    Bytes item(16, 0);
    host_test::Put32(item, 0, static_cast<uint32_t>(e.type));
    host_test::Put32(item, 4, static_cast<uint32_t>(e.time));
    host_test::Put32(item, 8, static_cast<uint32_t>(e.end));
    item[13] = e.key;
    item[14] = e.velocity;
    b.insert(b.end(), item.begin(), item.end());
  }
  return b;
}

// `count` arpeggiator steps, step i all bytes 100 + i.
Bytes ArpItems(int count) {
  Bytes b;
  for (int i = 0; i < count; ++i) b.insert(b.end(), 9, static_cast<uint8_t>(100 + i));
  return b;
}

std::string ArpSteps(Link& l, int t, int c, int from, int to) {
  std::string s;
  for (int i = from; i <= to; ++i) s += std::to_string(l.Seq(t).Clip(c).steps[i].Velocity) + " ";
  return s;
}

// Trigger rows with every cell {pitch, pan, fire 1, hold 1, accent 70 + row, note 36 + row}.
Bytes TrigItems(int rows) {
  Bytes b;
  for (int r = 0; r < rows; ++r) {
    Bytes row(516, 0);
    host_test::Put32(row, 0, static_cast<uint32_t>(r));
    for (int c = 0; c < 32; ++c) {
      uint8_t* cell = row.data() + 4 + 16 * c;
      cell[0] = 0x7F;  // pitch and pan bytes are not taken
      cell[8] = 1;
      cell[9] = 1;
      cell[10] = static_cast<uint8_t>(70 + r);
      cell[11] = static_cast<uint8_t>(36 + r);
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

std::string Triggers(Link& l, int t, int c, int row) {
  const Trigger& first = l.Seq(t).Clip(c).rows[row].triggers[0];
  const Trigger& last = l.Seq(t).Clip(c).rows[row].triggers[31];
  auto one = [](const Trigger& x) {
    return std::to_string(x.Fire) + "," + std::to_string(x.hold) + "," + std::to_string(x.Accent) + "," +
           std::to_string(x.Note) + "," + std::to_string(x.Pitch);
  };
  return one(first) + " " + one(last);
}

Bytes Truncated(Bytes b, std::size_t n) {
  b.resize(n);
  return b;
}

const Bytes kMakeMidiClip = Command(2, 200, 5, 2, "seq");

struct Case {
  const char* what;
  std::vector<Bytes> packets;
  std::vector<std::string> calls;
  std::function<std::string(Link&)> state;
  std::string expected;
};

TEST(HostUIManager, ReceivedMessagesOnARealClipLauncher) {
  const std::string untouchedArp = "0 1 50.000000 0 1 16 12";
  const Case cases[] = {
      {"drum note at full velocity", {Words({4, 1, 106, 0, 36})}, {"drum 36 100"}, nullptr, ""},
      {"drum note above 127", {Words({4, 1, 106, 0, 128})}, {}, nullptr, ""},
      {"drum note negative", {Words({4, 1, 106, 0, 0xFFFFFFFFu})}, {}, nullptr, ""},
      {"launch one track", {Words({4, 5, 3, 2, 0})}, {}, [](Link& l) { return States(l, 0); }, "1 1 2 1 1 0 0 running"},
      {"launch on all tracks", {Words({4, 5, 3, 256, 1})}, {}, [](Link& l) { return States(l, 1); },
       "2 2 2 2 0 0 0 running"},
      {"stop all tracks", {Words({4, 5, 3, 256, 0}), Words({4, 5, 9, 256, 0})}, {},
       [](Link& l) { return States(l, 0); }, "5 5 5 5 5 0 0 running"},
      {"stop track 7 refused", {Words({4, 5, 3, 256, 0}), Words({4, 5, 9, 7, 0})}, {},
       [](Link& l) { return States(l, 0); }, "2 2 2 2 2 0 0 running"},
      {"launch scene 8 refused", {Words({4, 5, 3, 256, 8})}, {}, [](Link& l) { return States(l, 0); }, "1 1 1 1 1 0 0"},
      {"launch track -1 refused", {Words({4, 5, 3, 0xFFFFFFFFu, 0})}, {}, [](Link& l) { return States(l, 0); },
       "1 1 1 1 1 0 0"},
      {"drum-kit value to the page", {Value(5, 1, 2, 0x1234, 0.5f)}, {"273 0x42234 4 0.5"}, nullptr, ""},
      {"drum-kit value UID masks", {Value(5, 1, 15, 0x7FFFFFFF, -3.0f)}, {"273 0x4FFFF 4 -3"}, nullptr, ""},
      {"drum-kit value never reaches a setting", {Value(5, 1, 0, 0x100010, 1.0f)}, {"273 0x40010 4 1"}, nullptr, ""},
      {"value of another kind", {Value(5, 2, 2, 0x1234, 0.5f)}, {}, nullptr, ""},
      {"value not a number", {Value(5, 1, 2, 0x1234, kNaN)}, {}, nullptr, ""},
      {"value of pad 16", {Value(5, 1, 16, 0x1234, 0.5f)}, {}, nullptr, ""},
      {"arpeggiator steps and gate", {Property(3, 0, 0, 5, 8.0f), Property(3, 0, 0, 2, 75.5f)}, {"281 0 -1", "281 0 -1"},
       [](Link& l) { return ArpSettings(l, 0, 0); }, "0 1 75.000000 0 1 8 12"},
      {"arpeggiator setting out of range, NaN, negative, huge, id 7",
       {Property(3, 0, 0, 5, 65.0f), Property(3, 0, 0, 6, kNaN), Property(3, 0, 0, 0, -1.0f),
        Property(3, 0, 0, 6, 1e10f), Property(3, 0, 0, 7, 1.0f)},
       {}, [=](Link& l) { return ArpSettings(l, 0, 0); }, untouchedArp},
      {"setting on track 7 or clip -1", {Property(3, 7, 0, 5, 8.0f), Property(3, 0, -1, 5, 8.0f)}, {}, nullptr, ""},
      {"MIDI setting on an arpeggiator clip", {Property(2, 0, 0, 3, 5.0f)}, {},
       [=](Link& l) { return ArpSettings(l, 0, 0); }, untouchedArp},
      {"MIDI settings", {kMakeMidiClip, Property(2, 5, 2, 3, -5.0f), Property(2, 5, 2, 0, 384.0f)},
       {"281 5 -1", "281 5 -1", "281 5 -1"}, [](Link& l) { return MidiSettings(l, 5, 2); }, "384 0 0 -5"},
      {"MIDI events replace the list",
       {kMakeMidiClip, Record(9, 5, 2, 1, EventItems({{0, 0, 96, 0, 60, 100}})),
        Record(9, 5, 2, 2, EventItems({{0, 0, 48, 0, 64, 90}, {1, 24, 24, 0, 7, 99}}))},
       {"281 5 -1", "281 5 -1", "281 5 -1"}, [](Link& l) { return Events(l, 5, 2); },
       "0:0-48:64/90 1:24-24:7/99 list 3"},
      {"MIDI count beyond the payload, also when n x 16 wraps",
       {kMakeMidiClip, Record(9, 5, 2, 2, EventItems({{0, 0, 96, 0, 60, 100}})),
        Record(9, 5, 2, 0x10000001u, EventItems({{0, 0, 96, 0, 60, 100}}))},
       {"281 5 -1"}, [](Link& l) { return Events(l, 5, 2); }, "list 0"},
      {"MIDI events to track 7", {Record(9, 7, 0, 0, {})}, {}, nullptr, ""},
      {"at most 64 arpeggiator steps", {Record(10, 0, 0, 70, ArpItems(70))}, {"281 0 -1"},
       [](Link& l) { return ArpSteps(l, 0, 0, 0, 1) + ArpSteps(l, 0, 0, 63, 63); }, "100 101 163 "},
      {"arpeggiator steps for a trigger clip", {Record(10, 4, 0, 1, ArpItems(1))}, {},
       [](Link& l) { return ArpSteps(l, 4, 0, 0, 0); }, "95 "},
      {"trigger rows take bytes 8, 10 and 11 of each cell", {Record(11, 4, 0, 2, TrigItems(2))}, {"281 4 -1"},
       [](Link& l) { return Triggers(l, 4, 0, 0) + " " + Triggers(l, 4, 0, 1) + " " + Triggers(l, 4, 0, 2); },
       "1,0,70,36,0.000000 1,0,70,36,0.000000 1,0,71,37,0.000000 1,0,71,37,0.000000 0,0,90,0,0.000000 "
       "0,0,90,0,0.000000"},
      {"trigger rows for an arpeggiator clip", {Record(11, 0, 0, 1, TrigItems(1))}, {},
       [](Link& l) { return Triggers(l, 0, 0, 0); }, "0,0,90,0,0.000000 0,0,90,0,0.000000"},
      {"create host kinds 2, 3, 4 as 2, 1, 3",
       {Command(2, 200, 6, 0, "m"), Command(3, 200, 6, 1, "a"), Command(4, 200, 6, 2, "t"), Command(5, 200, 6, 3, "x")},
       {"281 6 -1", "281 6 -1", "281 6 -1"},
       [](Link& l) { return Slot(l, 6, 0) + " " + Slot(l, 6, 1) + " " + Slot(l, 6, 2) + " " + Slot(l, 6, 3); },
       "2 present \"m\" 1 present \"a\" 3 present \"t\" 1 \"\""},
      {"an unterminated name is cut at 31 characters", {Truncated(Command(2, 200, 6, 0, std::string(40, 'n')), 60)},
       {"281 6 -1"}, [](Link& l) { return Slot(l, 6, 0); }, "2 present \"" + std::string(31, 'n') + "\""},
      {"a name is cut before a UTF-8 character the 31st byte would split",
       {Command(2, 200, 6, 0, std::string(30, 'n') + "\xC3\xA9tude")}, {"281 6 -1"},
       [](Link& l) { return Slot(l, 6, 0); }, "2 present \"" + std::string(30, 'n') + "\""},
      {"mark and rename", {Command(3, 202, 1, 1, ""), Command(3, 203, 1, 0, "renamed")}, {"281 1 -1", "281 1 -1"},
       [](Link& l) { return Slot(l, 1, 1) + " " + Slot(l, 1, 0); }, "1 present deleting \"2 B\" 1 present \"renamed\""},
      {"commands for clip 8 or track 7", {Command(2, 200, 0, 8, "x"), Command(2, 203, 7, 0, "x")}, {}, nullptr, ""},
      {"payloads shorter than their layout",
       {Bytes{6, 0, 0}, Truncated(Property(3, 0, 0, 5, 8.0f), 20), Truncated(Command(2, 200, 6, 0, "x"), 19),
        Truncated(Record(10, 0, 0, 0, {}), 47), Bytes{}},
       {}, [=](Link& l) { return ArpSettings(l, 0, 0) + " " + Slot(l, 6, 0); }, untouchedArp + " 1 \"\""},
      {"command 17 and unknown types do nothing", {Words({17}), Words({3, 1, 2, 3, 4}), Words({99})}, {}, nullptr, ""},
  };
  for (const Case& c : cases) {
    Link l;
    for (const Bytes& p : c.packets) l.Feed(p);
    EXPECT_EQ(l.host.Take(), c.calls) << c.what;
    if (c.state) {
      EXPECT_EQ(c.state(l), c.expected) << c.what;
    }
  }
}

// The default grid: 56 cells of {kind, name[32]}, track by track.
void ExpectDefaultGrid(const Bytes& grid, int track = -1, int clip = -1, uint32_t kind = 0, const char* name = "") {
  ASSERT_EQ(grid.size(), 2020u);
  EXPECT_EQ(Get32(grid, 0), 16u);
  for (int t = 0; t < 7; ++t)
    for (int c = 0; c < 8; ++c) {
      const std::size_t cell = 4 + (t * 8 + c) * 36;
      uint32_t k = 0;
      std::string n;
      if (t < 4 && c < 2) {
        k = 1;
        n = std::to_string(c + 1) + " " + static_cast<char>('A' + t);
      } else if (t == 4 && c == 0) {
        k = 3;
        n = "D1";
      }
      if (t == track && c == clip) {
        k = kind;
        n = name;
      }
      EXPECT_EQ(Get32(grid, cell), k) << t << "/" << c;
      EXPECT_EQ(GetText(grid, cell + 4), n) << t << "/" << c;
    }
}

TEST(HostLinkThreads, AClientGetsTheGridAndAClipMadeByTheHostIsInTheNextOne) {
  Link l(0);
  {
    Client host(l.link.BoundPort());
    const auto grid = host.ReadPacket();
    ASSERT_TRUE(grid);
    ExpectDefaultGrid(*grid);
    ASSERT_TRUE(host.SendPacket(Command(2, 200, 0, 5, "X")));
    EXPECT_EQ(l.host.TakeAfter(1), std::vector<std::string>{"281 0 -1"});
  }
  Client again(l.link.BoundPort());
  const auto grid = again.ReadPacket();
  ASSERT_TRUE(grid);
  ExpectDefaultGrid(*grid, 0, 5, 2, "X");
}

TEST(HostLinkThreads, RequestsAreAnsweredWithInfoThenContents) {
  Link l(0);
  Client host(l.link.BoundPort());
  ASSERT_TRUE(host.ReadPacket());
  ASSERT_TRUE(host.SendPacket(kMakeMidiClip));
  ASSERT_TRUE(host.SendPacket(Record(9, 5, 2, 2, EventItems({{0, 0, 96, 0, 60, 100}, {0, 96, 192, 0, 62, 80}}))));
  ASSERT_TRUE(host.SendPacket(Property(2, 5, 2, 0, 384.0f)));
  struct Expect {
    uint32_t type;
    std::size_t size;
  };
  struct Request {
    Bytes packet;
    std::vector<Expect> replies;
  };
  const Request requests[] = {
      {Command(2, 201, 5, 2, ""), {{13, 72}, {9, 48 + 16 * 2}}},
      {Command(3, 201, 0, 1, ""), {{12, 80}, {10, 51 + 9 * 64}}},
      {Command(4, 201, 4, 0, ""), {{14, 56}, {11, 48 + 516 * 64}}},
  };
  for (const Request& r : requests) {
    ASSERT_TRUE(host.SendPacket(r.packet));
    for (const Expect& e : r.replies) {
      const auto reply = host.ReadPacket();
      ASSERT_TRUE(reply) << "type " << e.type;
      ASSERT_EQ(Get32(*reply, 0), e.type);
      EXPECT_EQ(reply->size(), e.size) << "type " << e.type;
      const int track = static_cast<int>(Get32(r.packet, 12)), clip = static_cast<int>(Get32(r.packet, 16));
      EXPECT_EQ(Get32(*reply, 36), static_cast<uint32_t>(track));
      EXPECT_EQ(Get32(*reply, 40), static_cast<uint32_t>(clip));
      const ClipData& d = l.Seq(track).Clip(clip);
      switch (e.type) {
        case 13:
          EXPECT_EQ(GetText(*reply, 4), "seq");
          EXPECT_EQ(Get32(*reply, 44), 384u);  // property id 0
          EXPECT_EQ(Get32(*reply, 68), 2u);
          break;
        case 9:
          EXPECT_EQ(Get32(*reply, 44), 2u);
          EXPECT_EQ(Get32(*reply, 48 + 16 + 4), 96u);
          EXPECT_EQ((*reply)[48 + 16 + 13], 62);
          break;
        case 12:
          EXPECT_EQ(GetText(*reply, 4), "2 A");
          EXPECT_EQ(Get32(*reply, 44 + 4 * 5), static_cast<uint32_t>(d.StepCount));  // property id 5
          break;
        case 10:
          EXPECT_EQ((*reply)[48 + 9 * 3 + 3], d.steps[3].Velocity);
          EXPECT_EQ(Bytes(reply->end() - 3, reply->end()), Bytes(3, 0));
          break;
        case 14:
          EXPECT_EQ(Get32(*reply, 52), static_cast<uint32_t>(d.StepCount));
          break;
        case 11:
          EXPECT_EQ(Get32(*reply, 48 + 516 * 5), 5u);
          EXPECT_EQ((*reply)[48 + 516 * 5 + 4 + 16 * 2 + 10], d.rows[5].triggers[2].Accent);
          break;
      }
    }
  }
  // Each command is followed by 281 for its track.
  EXPECT_EQ(l.host.TakeAfter(6).size(), 6u);
  // A sent record comes back as it went.
  ASSERT_TRUE(host.SendPacket(Command(3, 201, 0, 1, "")));
  ASSERT_TRUE(host.ReadPacket());
  const auto steps = host.ReadPacket();
  ASSERT_TRUE(steps);
  l.Feed(*steps);
  EXPECT_EQ(l.Seq(0).Clip(1).steps[7].Velocity, 95);
  l.link.SendValue(0x101, 1, 0x1A3, 0.25f);
  const auto value = host.ReadPacket();
  ASSERT_TRUE(value);
  EXPECT_EQ(*value, Value(5, 0x101, 1, 0x1A3, 0.25f));
}

// The audio thread's send drops a frame while another send holds the link (the grid going
// out, a reply): the test sends again until one arrives, then drops any duplicate.
std::optional<Bytes> ReadTransport(Link& l, Client& host, uint32_t step) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (auto frame = host.ReadPacket(100)) {
      while (host.ReadPacket(20)) {
      }
      return frame;
    }
    l.link.SendTransport(step);
  }
  return std::nullopt;
}

TEST(HostLinkThreads, TransportFramesCarryStatesAndPositionsWithoutAllocating) {
  Link l(0);
  Client host(l.link.BoundPort());
  ASSERT_TRUE(host.ReadPacket());
  l.Feed(Words({4, 5, 3, 1, 1}));  // clip 1 of track 1 starts at the next quantum
  {
    testing_support::AllocGuard guard;
    l.link.SendTransport(7);
    EXPECT_EQ(guard.Count(), 0u);
  }
  auto frame = ReadTransport(l, host, 7);
  ASSERT_TRUE(frame);
  ASSERT_EQ(frame->size(), 180u);
  EXPECT_EQ(Get32(*frame, 0), 1u);
  EXPECT_EQ(Get32(*frame, 4), 7u);
  EXPECT_EQ((*frame)[9 + 8 * 1 + 1], 2);
  EXPECT_EQ((*frame)[9 + 8 * 4 + 0], 1);
  EXPECT_EQ((*frame)[9 + 8 * 5 + 0], 0);
  l.rig.Ticks(1, 384 + 12 * 5);  // the default set launches on its 16-quarter quantum
  l.link.SendTransport(8);
  frame = ReadTransport(l, host, 8);
  ASSERT_TRUE(frame);
  EXPECT_EQ((*frame)[9 + 8 * 1 + 1], 3);
  EXPECT_EQ(Get16(*frame, 66 + 16 * 1 + 2 * 1), static_cast<uint16_t>(l.Seq(1).Clip(1).position));
  EXPECT_NE(l.Seq(1).Clip(1).position, 0);
  // Every other byte stays zero.
  for (std::size_t i = 0; i < 180; ++i) {
    const bool field = i < 8 || (i >= 9 && i < 9 + 56) || (i >= 66 && i < 66 + 112);
    if (!field) {
      EXPECT_EQ((*frame)[i], 0) << "offset " << i;
    }
  }
}

}  // namespace

namespace {

// The server thread applies host edits while the clock plays them and sends transport
// frames, and a page sends values: every packet the host reads is whole.
TEST(HostLinkThreads, EditsClockAndSendersRunAtOnce) {
  Link l(0);
  l.rig.out.countOnly = true;
  Client host(l.link.BoundPort());
  ASSERT_TRUE(host.ReadPacket());
  ASSERT_TRUE(host.SendPacket(kMakeMidiClip));
  ASSERT_TRUE(host.SendPacket(Words({4, 5, 3, 5, 2})));
  std::atomic<int> values{0}, frames{0}, bad{0};
  std::thread reader([&] {
    while (values < 300) {
      const auto p = host.ReadPacket(2000);
      if (!p) break;
      const uint32_t type = Get32(*p, 0);
      if (type == 1 && p->size() == 180)
        ++frames;
      else if (type == 5 && p->size() == 20)
        ++values;
      else if (type != 1 && type != 5)
        ++bad;
    }
  });
  std::thread clock([&] {
    for (int t = 1; t <= 3000; ++t) {
      l.rig.core->OnClockTick(t, 0);
      if (t % 4 == 0) l.link.SendTransport(static_cast<uint32_t>(t));
    }
  });
  std::thread page([&] {
    for (int i = 0; i < 300; ++i) l.link.SendValue(0x100, 0, i, 0.5f);
  });
  for (int i = 0; i < 200; ++i) {
    const uint8_t key = static_cast<uint8_t>(40 + i % 40);
    ASSERT_TRUE(host.SendPacket(Record(9, 5, 2, 2,
                                       EventItems({{0, 0, 48, 0, key, 100}, {0, 96 * (i % 8), 96 * (i % 8) + 24, 0, key, 90}}))));
  }
  clock.join();
  page.join();
  EXPECT_EQ(l.host.TakeAfter(201).size(), 201u);  // the create and each event list
  reader.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_EQ(values.load(), 300);  // a page's sends wait for the socket, none is lost
  // Transport frames are dropped while the link is busy (on a slow machine every one of them
  // can be); with the link idle one goes through whole.
  if (frames.load() == 0) {
    const auto frame = ReadTransport(l, host, 3001);
    ASSERT_TRUE(frame);
    EXPECT_EQ(Get32(*frame, 0), 1u);
    EXPECT_EQ(frame->size(), 180u);
  }
  EXPECT_EQ(l.Seq(5).Clip(2).events.size(), 2u);
}

}  // namespace
