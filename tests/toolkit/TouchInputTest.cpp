#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "tests/toolkit/support/TouchFifo.h"
#include "toolkit/CDrvInput.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxDefs.h"

namespace {

using toolkit_test::Event;
using toolkit_test::PressAt;
using toolkit_test::TouchFifo;

struct Touch {
  int x, y, type;
  bool operator==(const Touch&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Touch& t) {
  return os << "(" << t.x << "," << t.y << "," << t.type << ")";
}

class RecordingInput : public CDrvInput {
 public:
  void OnTouchEvent(int x, int y, int type) override { touches.push_back({x, y, type}); }
  std::vector<Touch> touches;
};

class TouchInput : public ::testing::Test {
 protected:
  void SetUp() override {
    input_.open(fifo_.Path().c_str());
    ASSERT_TRUE(fifo_.Connect());
  }
  std::vector<Touch> Feed(const std::vector<input_event>& events) {
    input_.touches.clear();
    EXPECT_TRUE(fifo_.Write(events));
    input_.DoService();
    return input_.touches;
  }

  testing_support::LogCapture log_;
  testing_support::TempDataRoot root_;
  TouchFifo fifo_{root_.Root() + "/event0"};
  RecordingInput input_;
};

constexpr int kPress = TYPE_PRESS, kRelease = TYPE_RELEASE, kMove = TYPE_MOVE;

struct TouchCase {
  const char* name;
  std::vector<input_event> events;
  std::vector<Touch> expected;
};

// The cases run in order on one driver: each starts from the state the one before left.
TEST_F(TouchInput, SingleTouchReportsPressesAndReleasesNeverMoves) {
  if (!ux::kScriptFlavour) GTEST_SKIP() << "the instrument reads the multi-touch protocol";
  const std::vector<TouchCase> cases = {
      {"nothing before the first X", {Event(EV_KEY, BTN_TOUCH, 1), Event(EV_ABS, ABS_Y, 1000), Event(EV_SYN, 0, 0)}, {}},
      {"first X completes the press", {Event(EV_ABS, ABS_X, 500), Event(EV_SYN, 0, 0)}, {{190, 235, kPress}}},
      {"a report while down is another press", {Event(EV_SYN, 0, 0)}, {{190, 235, kPress}}},
      {"moving the finger still reads as a press", {Event(EV_ABS, ABS_X, 750), Event(EV_SYN, 0, 0)}, {{290, 235, kPress}}},
      {"unknown types and codes change nothing",
       {Event(EV_REL, REL_X, 5), Event(EV_ABS, ABS_PRESSURE, 9), Event(EV_KEY, BTN_LEFT, 0), Event(EV_SYN, 2, 0)},
       {}},
      {"lifting the finger", {Event(EV_KEY, BTN_TOUCH, 0), Event(EV_SYN, 0, 0)}, {{290, 235, kRelease}}},
  };
  for (const TouchCase& c : cases) EXPECT_EQ(Feed(c.events), c.expected) << c.name;
}

TEST_F(TouchInput, MultiTouchTracksTheContact) {
  if (ux::kScriptFlavour) GTEST_SKIP() << "the script module reads the single-touch protocol";
  const std::vector<TouchCase> cases = {
      // y has no value yet: an X alone must not report a touch at a made-up height.
      {"nothing before a whole position", {Event(EV_ABS, ABS_MT_POSITION_X, 500)}, {}},
      {"contact then position is the press",
       {Event(EV_ABS, ABS_MT_TRACKING_ID, 5), Event(EV_ABS, ABS_MT_POSITION_X, 500),
        Event(EV_ABS, ABS_MT_POSITION_Y, 1000)},
       {{190, 235, kPress}}},
      {"a new X is a move", {Event(EV_ABS, ABS_MT_POSITION_X, 750)}, {{290, 235, kMove}}},
      {"slot and sync reports change nothing",
       {Event(EV_ABS, ABS_MT_SLOT, 1), Event(EV_SYN, 0, 0), Event(EV_ABS, ABS_MT_SLOT, 0)},
       {}},
      {"lifting releases at the last position", {Event(EV_ABS, ABS_MT_TRACKING_ID, -1)}, {{290, 235, kRelease}}},
      {"a tap without a position update is a press and a release",
       {Event(EV_ABS, ABS_MT_TRACKING_ID, 6), Event(EV_ABS, ABS_MT_TRACKING_ID, -1)},
       {{290, 235, kPress}, {290, 235, kRelease}}},
      {"other event types are ignored", {Event(EV_KEY, BTN_TOUCH, 1), Event(EV_REL, REL_X, 3)}, {}},
  };
  for (const TouchCase& c : cases) EXPECT_EQ(Feed(c.events), c.expected) << c.name;
}

// Two fingers, as the kernel reports them: per-slot values, only the changed ones, and the
// single-pointer axes following the oldest contact. The screen follows the finger in slot 0.
TEST_F(TouchInput, MultiTouchFollowsTheFirstSlotOnly) {
  if (ux::kScriptFlavour) GTEST_SKIP() << "the script module reads the single-touch protocol";
  auto abs = [](uint16_t code, int32_t value) { return Event(EV_ABS, code, value); };
  const input_event sync = Event(EV_SYN, SYN_REPORT, 0);
  const std::vector<TouchCase> cases = {
      {"first finger down",
       {abs(ABS_MT_SLOT, 0), abs(ABS_MT_TRACKING_ID, 10), abs(ABS_MT_POSITION_X, 500), abs(ABS_MT_POSITION_Y, 1000),
        Event(EV_KEY, BTN_TOUCH, 1), abs(ABS_X, 500), abs(ABS_Y, 1000), sync},
       {{190, 235, kPress}}},
      {"second finger down elsewhere",
       {abs(ABS_MT_SLOT, 1), abs(ABS_MT_TRACKING_ID, 11), abs(ABS_MT_POSITION_X, 1500), abs(ABS_MT_POSITION_Y, 1800),
        sync},
       {}},
      {"both move",
       {abs(ABS_MT_SLOT, 0), abs(ABS_MT_POSITION_X, 750), abs(ABS_MT_SLOT, 1), abs(ABS_MT_POSITION_X, 1600),
        abs(ABS_X, 750), sync},
       {{290, 235, kMove}}},
      {"second finger lifts", {abs(ABS_MT_TRACKING_ID, -1), sync}, {}},
      {"second finger back, then the first lifts",
       {abs(ABS_MT_TRACKING_ID, 12), abs(ABS_MT_POSITION_X, 100), abs(ABS_MT_POSITION_Y, 100), abs(ABS_MT_SLOT, 0),
        abs(ABS_MT_TRACKING_ID, -1), abs(ABS_X, 100), abs(ABS_Y, 100), sync},
       {{290, 235, kRelease}}},
      {"the remaining finger moves",
       {abs(ABS_MT_SLOT, 1), abs(ABS_MT_POSITION_X, 200), abs(ABS_X, 200), sync},
       {}},
      {"a new finger in the first slot",
       {abs(ABS_MT_SLOT, 0), abs(ABS_MT_TRACKING_ID, 13), abs(ABS_MT_POSITION_X, 500), abs(ABS_MT_POSITION_Y, 1200),
        sync},
       {{190, 283, kPress}}},
  };
  for (const TouchCase& c : cases) EXPECT_EQ(Feed(c.events), c.expected) << c.name;
}

TEST(TouchInputStart, NoTouchBeforeTheFirstCoordinate) {
  testing_support::TempDataRoot root;
  TouchFifo fifo(root.Root() + "/event0");
  RecordingInput input;
  input.open(fifo.Path().c_str());
  ASSERT_TRUE(fifo.Connect());
  const std::vector<input_event> noX =
      ux::kScriptFlavour
          ? std::vector<input_event>{Event(EV_KEY, BTN_TOUCH, 1), Event(EV_SYN, 0, 0)}
          : std::vector<input_event>{Event(EV_ABS, ABS_MT_TRACKING_ID, 5), Event(EV_ABS, ABS_MT_TRACKING_ID, -1)};
  ASSERT_TRUE(fifo.Write(noX));
  input.DoService();
  EXPECT_TRUE(input.touches.empty());
}

// A FIFO may hand over part of a record; the rest arrives with the next read and the stream
// must stay aligned.
TEST_F(TouchInput, ARecordCutByTheEndOfAReadIsCompletedByTheNext) {
  const std::vector<input_event> press = PressAt(ux::kScriptFlavour, 500, 1000);
  const auto* bytes = reinterpret_cast<const unsigned char*>(press.data());
  const size_t size = press.size() * sizeof(input_event);
  for (size_t cut : {size_t{5}, sizeof(input_event) + 7, 2 * sizeof(input_event) + 10}) {
    input_.touches.clear();
    ASSERT_TRUE(fifo_.WriteBytes(bytes, cut));
    input_.DoService();
    EXPECT_TRUE(input_.touches.empty()) << "cut at " << cut;
    ASSERT_TRUE(fifo_.WriteBytes(bytes + cut, size - cut));
    input_.DoService();
    EXPECT_EQ(input_.touches, (std::vector<Touch>{{190, 235, kPress}})) << "cut at " << cut;
    // Lift the finger so the next round starts afresh.
    Feed(ux::kScriptFlavour ? std::vector<input_event>{Event(EV_KEY, BTN_TOUCH, 0)}
                            : std::vector<input_event>{Event(EV_ABS, ABS_MT_TRACKING_ID, -1)});
  }
}

TEST_F(TouchInput, MoreThanOneReadOfRecordsIsTakenOverTwoCalls) {
  std::vector<input_event> events(300, Event(EV_MSC, MSC_SCAN, 1));
  const std::vector<input_event> press = PressAt(ux::kScriptFlavour, 500, 1000);
  events.insert(events.end(), press.begin(), press.end());
  ASSERT_TRUE(fifo_.Write(events));
  input_.DoService();
  EXPECT_TRUE(input_.touches.empty());
  input_.DoService();
  EXPECT_EQ(input_.touches, (std::vector<Touch>{{190, 235, kPress}}));
}

TEST_F(TouchInput, OpeningAPlainFileNamesTheDeviceUnknown) {
  EXPECT_NE(log_.Text().find("Input device name: \"Unknown\"\nSupported events:\n"), std::string::npos) << log_.Text();
}

TEST(TouchInputStart, AMissingDeviceMakesServiceDoNothing) {
  RecordingInput input;
  input.DoService();  // never opened
  input.open("/nonexistent/event0");
  input.open(nullptr);
  input.DoService();
  EXPECT_TRUE(input.touches.empty());
}

TEST(TouchInputStart, TheDriversOwnHandlerPrintsTheTouch) {
  const struct {
    int type;
    const char* line;
  } cases[] = {
      {TYPE_PRESS, "[TOUCH] press x:190, y:235\n"},
      {TYPE_RELEASE, "[TOUCH] release x:190, y:235\n"},
      {TYPE_MOVE, "[TOUCH] move x:190, y:235\n"},
      {7, ""},
  };
  CDrvInput input;
  for (const auto& c : cases) {
    testing_support::LogCapture log;
    input.OnTouchEvent(190, 235, c.type);
    EXPECT_EQ(log.Text(), c.line) << c.type;
  }
}

}  // namespace
