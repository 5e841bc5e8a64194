#include "tools/factory/FactoryPictures.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "pages/voice/VoiceLayout.h"
#include "platform/Paths.h"
#include "tests/support/TestPaths.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "toolkit/CTheme.h"
#include "toolkit/uxDefs.h"

namespace {

class FactoryPicturesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(FactoryPictures::Write()); }

  toolkit_test::Picture Read(const std::string& name) {
    toolkit_test::Picture picture;
    EXPECT_TRUE(toolkit_test::ReadPng(platform::DataPath(PATH_IMAGES) + name, &picture)) << name;
    return picture;
  }

  testing_support::TempDataRoot root_;
};

// Each picture is looked at by a person when its golden changes; SYNTH_TOOLKIT_REGOLDEN=1
// rewrites them.
TEST_F(FactoryPicturesTest, EveryPictureReadsBackAtItsSizeAsItsGoldenShowsIt) {
  std::set<std::string> names;
  for (const FactoryPictures::Picture& p : FactoryPictures::kPictures) {
    SCOPED_TRACE(p.name);
    EXPECT_TRUE(names.insert(p.name).second) << "twice";
    const toolkit_test::Picture picture = Read(p.name);
    EXPECT_EQ(picture.width, p.width);
    EXPECT_EQ(picture.height, p.height);
    std::string stem(p.name);
    stem.resize(stem.size() - 4);  // ".png"
    EXPECT_TRUE(toolkit_test::MatchesGolden(testing_support::SourceDir() + "/tests/factory/golden", stem, picture));
  }
}

// The voice page's touch areas and its background come from one table: every area's frame
// lies on the picture where the page puts the area (the page stands at y 40).
TEST_F(FactoryPicturesTest, TheVoiceBackgroundFramesEveryEditorAreaWhereThePageTakesItsTouch) {
  const toolkit_test::Picture picture = Read("VoiceBackGround.png");
  ASSERT_EQ(picture.height, 440);
  CTheme::Init();
  const uxCOLOR frame = CTheme::ColorFromName("TitleTextBg");
  for (const voice_layout::AreaSpec& a : voice_layout::kAreas) {
    SCOPED_TRACE(voice_layout::kEditorSpecs[a.editor].name);
    const int top = a.y - 40, bottom = a.y - 40 + a.h - 1, right = a.x + a.w - 1;
    for (auto [x, y] : {std::pair{a.x + 0, top}, {right, top}, {a.x + 0, bottom}, {right, bottom}, {a.x + a.w / 2, top}})
      EXPECT_EQ(picture.at(x, y), frame) << x << "," << y;
    EXPECT_NE(picture.at(a.x + 1, top + 1), frame);
  }
}

}  // namespace
