#include "midi/HeldNoteList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/support/AllocCounter.h"

namespace {

// Keys from the head along the links, newest first. Stops after 17 steps so a broken
// (cyclic) chain fails the comparison instead of hanging.
std::vector<int> Recency(const HeldNoteList& l) {
  std::vector<int> keys;
  for (int s = l.Head(); s != 0 && keys.size() <= HeldNoteList::kSlots; s = l.SlotAt(s).next)
    keys.push_back(l.SlotAt(s).key);
  return keys;
}

std::vector<int> Pitch(const HeldNoteList& l) {
  std::vector<int> keys;
  for (int i = 0; i < l.Count(); ++i) keys.push_back(l.SlotAt(l.SortedSlot(i)).key);
  return keys;
}

// "+60" presses key 60 (velocity 100), "-60" releases it.
void Play(HeldNoteList& l, const std::vector<std::string>& ops) {
  for (const std::string& op : ops) {
    const int key = std::stoi(op.substr(1));
    if (op[0] == '+')
      l.Add(key, 100);
    else
      l.Remove(key);
  }
}

struct OrderCase {
  const char* name;
  std::vector<std::string> ops;
  std::vector<int> recency;
  std::vector<int> pitch;
};

const OrderCase kOrderCases[] = {
    {"empty", {}, {}, {}},
    {"triad", {"+60", "+64", "+67"}, {67, 64, 60}, {60, 64, 67}},
    {"descending presses", {"+67", "+64", "+60"}, {60, 64, 67}, {60, 64, 67}},
    {"repress moves to front", {"+60", "+64", "+60"}, {60, 64}, {60, 64}},
    {"release middle", {"+60", "+64", "+67", "-64"}, {67, 60}, {60, 67}},
    {"release newest", {"+60", "+64", "+67", "-67"}, {64, 60}, {60, 64}},
    {"release oldest", {"+60", "+64", "+67", "-60"}, {67, 64}, {64, 67}},
    {"release all", {"+60", "+64", "-60", "-64"}, {}, {}},
    {"release absent", {"+60", "-61"}, {60}, {60}},
    {"refill after release", {"+60", "+64", "+67", "-64", "+62"}, {62, 67, 60}, {60, 62, 67}},
    {"extremes", {"+127", "+0", "+64"}, {64, 0, 127}, {0, 64, 127}},
    {"key 127 then 0 released", {"+0", "+127", "-0"}, {127}, {127}},
};

TEST(HeldNoteList, PressAndReleaseSequencesGiveBothOrders) {
  for (const OrderCase& c : kOrderCases) {
    SCOPED_TRACE(c.name);
    HeldNoteList l;
    Play(l, c.ops);
    EXPECT_EQ(Recency(l), c.recency);
    EXPECT_EQ(Pitch(l), c.pitch);
    EXPECT_EQ(l.Count(), static_cast<int>(c.recency.size()));
  }
}

TEST(HeldNoteList, RepressTakesTheNewVelocity) {
  HeldNoteList l;
  l.Add(60, 40);
  l.Add(64, 50);
  l.Add(60, 90);
  ASSERT_EQ(Recency(l), (std::vector<int>{60, 64}));
  EXPECT_EQ(l.SlotAt(l.Head()).velocity, 90);
  EXPECT_EQ(l.SlotAt(l.FindSlot(64)).velocity, 50);
}

TEST(HeldNoteList, SeventeenthKeyDropsTheOldest) {
  HeldNoteList l;
  for (int k = 0; k < 17; ++k) l.Add(40 + k, static_cast<uint8_t>(1 + k));
  EXPECT_EQ(l.Count(), 16);
  EXPECT_EQ(l.FindSlot(40), 0);
  EXPECT_EQ(l.SlotAt(l.OldestSlot()).key, 41);
  EXPECT_EQ(l.SlotAt(l.Head()).key, 56);
  // The newcomer takes the slot the dropped key freed.
  EXPECT_EQ(l.Head(), 1);
  EXPECT_EQ(Pitch(l).front(), 41);
  EXPECT_EQ(Pitch(l).back(), 56);
  // Re-pressing a held key when full drops nothing.
  l.Add(45, 7);
  EXPECT_EQ(l.Count(), 16);
  EXPECT_EQ(l.SlotAt(l.OldestSlot()).key, 41);
}

TEST(HeldNoteList, RemovingWhatIsNotHeldLeavesTheRecordUnchanged) {
  HeldNoteList empty;
  const HeldNoteList cleared;
  empty.Remove(60);
  EXPECT_EQ(empty, cleared);

  HeldNoteList l;
  Play(l, {"+60", "+64", "+67"});
  const HeldNoteList before = l;
  for (int key : {61, 0, 127, -1, 255, 1000}) l.Remove(key);
  EXPECT_EQ(l, before);
}

TEST(HeldNoteList, KeysOutsideTheMidiRangeAreIgnored) {
  // 255 would read as a free slot; a negative or wrapped transposed key must not get in.
  HeldNoteList l;
  Play(l, {"+60"});
  const HeldNoteList before = l;
  for (int key : {128, 255, 256 + 60, -1, -68}) l.Add(key, 100);
  EXPECT_EQ(l, before);
}

TEST(HeldNoteList, ReleasingEverythingOrClearingGivesAClearedRecord) {
  const HeldNoteList cleared;
  HeldNoteList l;
  for (int k = 0; k < 20; ++k) l.Add(k * 5, 64);
  HeldNoteList l2 = l;
  for (int k = 0; k < 20; ++k) l.Remove(k * 5);
  EXPECT_EQ(l, cleared);
  l2.Clear();
  EXPECT_EQ(l2, cleared);
  EXPECT_EQ(l2.Head(), 0);
  EXPECT_EQ(l2.OldestSlot(), 0);
  for (int s = 0; s < HeldNoteList::kSlots; ++s) EXPECT_EQ(l2.SlotAt(s).key, HeldNoteList::kFreeKey);
}

TEST(HeldNoteList, KeysTakeTheLowestFreeSlot) {
  // The arpeggiator's slot orders play keys in the order their slots were taken.
  HeldNoteList l;
  Play(l, {"+60", "+64", "+67", "-60", "+50", "+70"});
  EXPECT_EQ(l.FindSlot(50), 1);
  EXPECT_EQ(l.FindSlot(64), 2);
  EXPECT_EQ(l.FindSlot(67), 3);
  EXPECT_EQ(l.FindSlot(70), 4);
  EXPECT_EQ(l.SlotAt(0).key, HeldNoteList::kFreeKey);
}

// The reference: a vector in recency order (newest first) of key, velocity and slot.
struct RefKey {
  int key;
  int velocity;
  int slot;
};

class Reference {
 public:
  void Add(int key, int velocity) {
    if (key < 0 || key > 127) return;
    Remove(key);
    if (keys.size() == HeldNoteList::kMaxKeys) keys.pop_back();
    int slot = 1;
    while (std::any_of(keys.begin(), keys.end(), [&](const RefKey& k) { return k.slot == slot; })) ++slot;
    keys.insert(keys.begin(), RefKey{key, velocity, slot});
  }
  void Remove(int key) {
    std::erase_if(keys, [&](const RefKey& k) { return k.key == key; });
  }
  void Clear() { keys.clear(); }
  std::vector<RefKey> keys;
};

void ExpectMatches(const HeldNoteList& l, const Reference& ref) {
  ASSERT_EQ(l.Count(), static_cast<int>(ref.keys.size()));
  ASSERT_LE(l.Count(), HeldNoteList::kMaxKeys);
  int s = l.Head();
  for (const RefKey& k : ref.keys) {
    ASSERT_EQ(s, k.slot);
    ASSERT_EQ(l.SlotAt(s).key, k.key);
    ASSERT_EQ(l.SlotAt(s).velocity, k.velocity);
    s = l.SlotAt(s).next;
  }
  ASSERT_EQ(s, 0) << "chain longer than the held keys";
  ASSERT_EQ(l.OldestSlot(), ref.keys.empty() ? 0 : ref.keys.back().slot);

  std::vector<RefKey> byPitch = ref.keys;
  std::sort(byPitch.begin(), byPitch.end(), [](const RefKey& a, const RefKey& b) { return a.key < b.key; });
  for (int i = 0; i < l.Count(); ++i) ASSERT_EQ(l.SortedSlot(i), byPitch[i].slot) << "sorted entry " << i;

  // Every slot not in the chain is free and blank.
  for (int slot = 0; slot < HeldNoteList::kSlots; ++slot) {
    if (std::any_of(ref.keys.begin(), ref.keys.end(), [&](const RefKey& k) { return k.slot == slot; })) continue;
    ASSERT_EQ(l.SlotAt(slot), (HeldNoteList::Slot{HeldNoteList::kFreeKey, 0, 0})) << "slot " << slot;
  }
}

TEST(HeldNoteList, MatchesAReferenceModelOverRandomPlaying) {
  std::mt19937 rng(1234);
  for (int run = 0; run < 40; ++run) {
    // Small key ranges force repeats and overflow; wide ones spread the pitches.
    const int range = run % 4 == 0 ? 8 : run % 4 == 1 ? 20 : run % 4 == 2 ? 40 : 140;
    std::uniform_int_distribution<int> keyDist(-2, range);
    std::uniform_int_distribution<int> opDist(0, 99);
    std::uniform_int_distribution<int> velDist(1, 127);
    HeldNoteList l;
    Reference ref;
    for (int step = 0; step < 2000; ++step) {
      const int op = opDist(rng);
      const int key = keyDist(rng);
      if (op < 55) {
        const int vel = velDist(rng);
        l.Add(key, static_cast<uint8_t>(vel));
        ref.Add(key, vel);
      } else if (op < 99) {
        l.Remove(key);
        ref.Remove(key);
      } else {
        l.Clear();
        ref.Clear();
      }
      ASSERT_NO_FATAL_FAILURE(ExpectMatches(l, ref)) << "run " << run << " step " << step;
    }
  }
}

TEST(HeldNoteList, PlayingAllocatesNothing) {
  HeldNoteList l;
  testing_support::AllocGuard guard;
  for (int k = 0; k < 200; ++k) {
    l.Add((k * 37) % 128, 100);
    if (k % 3 == 0) l.Remove((k * 11) % 128);
  }
  HeldNoteList latched = l;
  latched.Clear();
  EXPECT_EQ(guard.Count(), 0u);
}

}  // namespace
