// The colour theme: defaults, the cascade from the most specific key to the role, and the
// drawing context's select colour, which only the script flavour takes from the theme.
#include <gtest/gtest.h>

#include "toolkit/CTheme.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxDC.h"

namespace {

class Theme : public ::testing::Test {
 protected:
  void SetUp() override { CTheme::AppColors.clear(); }
  void TearDown() override { CTheme::AppColors.clear(); }
};

TEST_F(Theme, InitWritesTheElevenDefaultsOverExistingEntriesAndKeepsOthers) {
  CTheme::SetNamedColor("Bg", 0x010203);
  CTheme::SetNamedColor("Custom", 0x040506);
  CTheme::Init();
  const std::pair<const char*, uxCOLOR> defaults[] = {
      {"Fg", 0xFFFFFF},        {"FgAcc", 0xA3A3A3},    {"Bg", 0x333333},   {"BgAcc", 0x5C5C5C},
      {"Border", 0x1F1F1F},    {"BorderAcc", 0x0A0A0A}, {"Text", 0x8F8F8F}, {"TextAcc", 0x0A0A0A},
      {"TitleBg", 0x505050},   {"TitleText", 0x000000}, {"TitleTextBg", 0xA40000},
  };
  for (const auto& [name, colour] : defaults) {
    ASSERT_EQ(CTheme::AppColors.count(name), 1u) << name;
    EXPECT_EQ(CTheme::AppColors[name], colour) << name;
  }
  EXPECT_EQ(CTheme::AppColors.size(), 12u);
  EXPECT_EQ(CTheme::AppColors["Custom"], 0x040506u);
}

TEST_F(Theme, LookUpCascadesFromElementAndWidgetToTheRole) {
  CTheme::Init();
  EXPECT_EQ(CTheme::ColorFromName("Bg", "MsgBox", "Box1", 0x808080, false), 0x808080u);
  EXPECT_EQ(CTheme::ColorFromName("Bg", "MsgBox", "Box1", 0x808080, true), 0x333333u);
  CTheme::SetNamedColor("Box1MsgBoxBg", 0x00FF00);
  EXPECT_EQ(CTheme::ColorFromName("Bg", "MsgBox", "Box1", 0x808080, false), 0x00FF00u);
  EXPECT_EQ(CTheme::ColorFromName("Bg", "MsgBox", "Box1", 0x808080, true), 0x00FF00u);
  CTheme::SetNamedColor("MsgBoxBg", 0x0000FF);
  EXPECT_EQ(CTheme::ColorFromName("Bg", "MsgBox", "Box2", 0x808080, true), 0x0000FFu);
  EXPECT_EQ(CTheme::ColorFromName("Bg", "MsgBox", "Box2", 0x808080, false), 0x808080u);
  // element + role comes before widget + role
  CTheme::SetNamedColor("Box2Bg", 0x123456);
  EXPECT_EQ(CTheme::ColorFromName("Bg", "MsgBox", "Box2", 0x808080, true), 0x123456u);
  // nothing at all: the fallback
  EXPECT_EQ(CTheme::ColorFromName("Nope", "MsgBox", "Box2", 0x0A0B0C), 0x0A0B0Cu);
  // looking up adds nothing
  EXPECT_EQ(CTheme::AppColors.size(), 14u);
}

// Widgets ask the same questions on every paint; whichever way the table changes between
// two of them, the next answer follows it.
TEST_F(Theme, LookUpsFollowEveryChangeOfTheTable) {
  auto ask = [] { return CTheme::ColorFromName("Bg", "ValLbl", "CUTOFF", 0x0A0A0A, true); };
  const struct {
    const char* change;
    void (*apply)();
    uxCOLOR expected;
  } steps[] = {
      {"none yet", [] {}, 0x0A0A0A},
      {"set by name", [] { CTheme::SetNamedColor("ValLblBg", 0x111111); }, 0x111111},
      {"written through the table", [] { CTheme::AppColors["CUTOFFBg"] = 0x222222; }, 0x222222},
      {"deleted", [] { CTheme::DeleteNamedColor("CUTOFFBg"); }, 0x111111},
      {"erased from the table", [] { CTheme::AppColors.erase("ValLblBg"); }, 0x0A0A0A},
      {"defaults", [] { CTheme::Init(); }, 0x333333},
      {"table cleared", [] { CTheme::AppColors.clear(); }, 0x0A0A0A},
  };
  for (const auto& s : steps) {
    s.apply();
    EXPECT_EQ(ask(), s.expected) << s.change;
    EXPECT_EQ(ask(), s.expected) << s.change << ", asked again";
  }
  // With the cascade off only the most specific name counts.
  CTheme::SetNamedColor("Bg", 0x444444);
  EXPECT_EQ(ask(), 0x444444u);
  EXPECT_EQ(CTheme::ColorFromName("Bg", "ValLbl", "CUTOFF", 0x0A0A0A, false), 0x0A0A0Au);
  // Thousands of widgets under names of their own, and the answers are still right.
  for (int i = 0; i < 5000; ++i) {
    const std::string element = "Element" + std::to_string(i);
    ASSERT_EQ(CTheme::ColorFromName("Bg", "ValLbl", element, 0, true), 0x444444u) << element;
  }
  EXPECT_EQ(ask(), 0x444444u);
  // Names too long to remember are still answered.
  const std::string longName(300, 'n');
  CTheme::SetNamedColor(longName + "ValLblBg", 0x555555);
  EXPECT_EQ(CTheme::ColorFromName("Bg", "ValLbl", longName, 0, false), 0x555555u);
}

TEST_F(Theme, SetDeleteAndRgb) {
  EXPECT_EQ(CTheme::ColorFromRGB(164, 0, 0), 0xA40000u);
  EXPECT_EQ(CTheme::ColorFromRGB(1, 2, 3), 0x010203u);
  EXPECT_EQ(CTheme::SetNamedColor("X", 0x12, 0x34, 0x56), 0x123456u);
  EXPECT_EQ(CTheme::ColorFromName("X"), 0x123456u);
  CTheme::DeleteNamedColor("Absent");
  EXPECT_EQ(CTheme::AppColors.size(), 1u);
  CTheme::DeleteNamedColor("X");
  EXPECT_TRUE(CTheme::AppColors.empty());
}

TEST_F(Theme, SelectColourComesFromTheThemeOnlyInTheScriptFlavour) {
  EXPECT_EQ(uxDC().getSelectColor(), 0x0000D2u);
  CTheme::SetNamedColor("Selector", 0x123456);
  EXPECT_EQ(uxDC().getSelectColor(), ux::kScriptFlavour ? 0x123456u : 0x0000D2u);
}

}  // namespace
