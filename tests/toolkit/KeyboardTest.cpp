// The on-screen keyboard: where its keys sit, typing after the opening touch is released,
// backspace, OK confirming and closing, a tab switch closing with nothing confirmed, and
// keys lit for a while after a press.
#include <gtest/gtest.h>

#include "tests/toolkit/support/ScreenImages.h"
#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxKeyboardCtrl.h"
#include "toolkit/uxLabel.h"

namespace {

using toolkit_test::Touch;

class Keyboard : public toolkit_test::WidgetTest {
 protected:
  void Send(tagUX_Message m) { kbd_.OnMessage(&m); }
  void Open() {
    Send(tagUX_Message(UX_MSG_FOCUS, 1, 0));
    Send(Touch(400, 300, TYPE_RELEASE));
  }
  void Key(int code) { Send(tagUX_Message(UX_MSG_ON_BUTTON, code, 0)); }
  const char* Display() { return static_cast<uxLabel*>(kbd_.GetElementList()->front())->getText(); }
  uxKeyboardCtrl kbd_{&host_, uxPOINT(0, 40), 800, 440, 0xC0C0C0, 0x202020};
};

TEST_F(Keyboard, KeysSitInFourRowsWithBackspaceAndOk) {
  const auto& e = *kbd_.GetElementList();
  ASSERT_EQ(e.size(), 1u + 38u + 2u);
  auto rectOf = [&](std::size_t i) { return *e[i]->getClientRect(); };
  EXPECT_EQ(rectOf(0).left, 10);
  EXPECT_EQ(rectOf(0).top, 100);
  EXPECT_EQ(rectOf(0).width, 500);
  EXPECT_EQ(rectOf(0).height, 50);
  struct Expect {
    int code;
    const char* text;
    int x, y, w;
  } expected[] = {
      {0, "1", 10, 180, 68},    {9, "0", 10 + 9 * 76, 180, 68}, {10, "Q", 25, 250, 68},
      {15, "Z", 25 + 5 * 76, 250, 68}, {17, "I", 25 + 7 * 76, 250, 68}, {20, "A", 40, 320, 68},
      {26, "I", 40 + 6 * 76, 320, 68}, {29, "L", 40 + 9 * 76, 320, 68}, {30, "Y", 55, 390, 68},
      {37, "_", 55 + 7 * 76, 390, 68}, {64, "<<", 650, 100, 136}, {65, "OK", 680, 390, 136},
  };
  for (const Expect& x : expected) {
    SCOPED_TRACE(x.text);
    const std::size_t index = x.code < 38 ? 1 + x.code : x.code == 64 ? 39 : 40;
    auto* key = static_cast<uxButton*>(e[index]);
    EXPECT_EQ(key->GetUserData(), static_cast<uint32_t>(x.code));
    EXPECT_STREQ(key->GetText(), x.text);
    const uxRECT r = rectOf(index);
    EXPECT_EQ(r.left, x.x);
    EXPECT_EQ(r.top, x.y);
    EXPECT_EQ(r.width, x.w);
    EXPECT_EQ(r.height, 50);
  }
  EXPECT_EQ(kbd_.GetUserData(), 0xFFFFFFFFu);
  EXPECT_STREQ(kbd_.getName(), "KBD");
}

TEST_F(Keyboard, TypingWaitsForTheReleaseOfTheOpeningTouch) {
  Send(tagUX_Message(UX_MSG_FOCUS, 1, 0));
  Key(10);
  EXPECT_STREQ(Display(), "");
  Send(Touch(400, 300, TYPE_RELEASE));
  for (int code : {10, 21, 37, 0, 99, 38, -1}) Key(code);  // unknown codes add nothing
  EXPECT_STREQ(Display(), "QS_1");
  EXPECT_STREQ(kbd_.getText(), "");
}

TEST_F(Keyboard, BackspaceRemovesTheLastCharacterAndStopsAtEmpty) {
  Open();
  kbd_.setText("AB");
  for (const char* expected : {"A", "", ""}) {
    Key(uxKeyboardCtrl::kBackspace);
    EXPECT_STREQ(Display(), expected);
  }
}

TEST_F(Keyboard, OkConfirmsClosesAndKeepsTheEditTextForNextTime) {
  Open();
  for (int code : {12, 18, 5}) Key(code);
  host_.calls.clear();
  host_.sent.clear();
  Key(uxKeyboardCtrl::kOk);
  EXPECT_STREQ(kbd_.getText(), "EO6");
  EXPECT_FALSE(kbd_.isFocus());
  EXPECT_EQ(Calls("Focus"), std::vector<std::string>{"Focus 255"});
  ASSERT_EQ(host_.sent.size(), 2u);
  EXPECT_EQ(host_.sent[0].param, 3u);
  EXPECT_EQ(host_.sent[1].param, 0u);
  EXPECT_STREQ(Display(), "EO6");

  // Opening again empties the result and carries on from the kept text.
  Open();
  EXPECT_STREQ(kbd_.getText(), "");
  Key(7);
  EXPECT_STREQ(Display(), "EO68");
}

TEST_F(Keyboard, TabSwitchClosesWithNothingConfirmed) {
  Open();
  Key(30);
  host_.calls.clear();
  Send(tagUX_Message(UX_MSG_TAB_SELECT, 2, 0));
  EXPECT_FALSE(kbd_.isFocus());
  EXPECT_EQ(Calls("Focus"), std::vector<std::string>{"Focus 255"});
  EXPECT_STREQ(kbd_.getText(), "");
  EXPECT_STREQ(Display(), "Y");
  // Closed: keys no longer type.
  Key(31);
  EXPECT_STREQ(Display(), "Y");
}

TEST_F(Keyboard, DisabledKeyboardTakesNothingAndPaintsNothing) {
  kbd_.SetEnabled(false);
  EXPECT_FALSE(kbd_.isActive());
  Open();
  Key(1);
  EXPECT_STREQ(Display(), "");
  toolkit_test::DrawRecorder rec(dc_);
  EXPECT_EQ(kbd_.OnPaint(), 0);
  EXPECT_TRUE(rec.calls.empty());
}

TEST_F(Keyboard, PressedKeyStaysLitUntilTheFlashCountdownRunsOut) {
  Open();
  auto* key = static_cast<uxButton*>((*kbd_.GetElementList())[1 + 3]);
  Send(Touch(key->getClientRect()->left + 5, key->getClientRect()->top + 5, TYPE_PRESS));
  ASSERT_TRUE(key->isChecked());
  ASSERT_EQ(host_.sent.back().type, UX_MSG_ON_BUTTON);
  ASSERT_EQ(host_.sent.back().param, 3u);
  int paints = 0;
  while (key->isChecked() && paints < 40) {
    kbd_.OnPaint();
    ++paints;
  }
  EXPECT_GE(paints, 1);
  EXPECT_LE(paints, 20);
  EXPECT_FALSE(key->isChecked());
}

TEST_F(Keyboard, OnScreen) {
  Open();
  for (int code : {13, 10, 19}) Key(code);
  auto* key = static_cast<uxButton*>((*kbd_.GetElementList())[1 + 22]);
  Send(Touch(key->getClientRect()->left + 5, key->getClientRect()->top + 5, TYPE_PRESS));
  kbd_.OnPaint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("keyboard",
                                          toolkit_test::Snapshot(dc_, toolkit_test::Source::Screen, 0, 0, 800, 480)));
}

}  // namespace
