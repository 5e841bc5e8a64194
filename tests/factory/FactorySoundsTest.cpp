#include "tools/factory/FactorySounds.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "data/CArranger.h"
#include "data/CDataSets.h"
#include "data/CDeviceConfig.h"
#include "data/CMidiCCSets.h"
#include "data/CSettings.h"
#include "tests/support/TestPaths.h"

namespace {

class FactorySoundsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(FactorySounds::Write()); }
  testing_support::TempDataRoot root_;
};

// Read back as a first start reads them: each document a start loads is there and whole.
TEST_F(FactorySoundsTest, TheDocumentsAFirstStartReadsAreThereAndReadBack) {
  EXPECT_EQ(CDeviceConfig().XMLLoadDeviceConfig("DeviceConfig"), CDeviceConfig::kPorts);
  EXPECT_EQ(CMidiCCSets().XMLLoadMidiCCMap("MidiCCMap"), CMidiCCSets::kControllers);
  CSettings settings;
  EXPECT_GT(settings.XMLLoadSettings("[default]", true), 0);
  for (int part = 0; part < 4; ++part) EXPECT_EQ(settings.GetValue(settings.Find(0xB10, part)), 80.0f) << part;

  CArranger song;
  ASSERT_NE(song.XMLLoadArranger("[default]"), 0);
  EXPECT_EQ(song.KitName(), FactorySounds::kKitName);
  for (std::size_t part = 0; part < FactorySounds::kPresetCount; ++part)
    EXPECT_EQ(song.Slot(static_cast<int>(part))->name, FactorySounds::kPresetInfo[part].name);
}

// Each preset its own source, filter and amplitude contour.
TEST_F(FactorySoundsTest, EveryPresetHasItsOwnSourceFilterAndEnvelope) {
  std::set<float> sources, filters;
  std::set<std::tuple<float, float, float>> envelopes;
  for (const FactorySounds::PresetInfo& info : FactorySounds::kPresetInfo) {
    SCOPED_TRACE(info.name);
    CDataSets preset;
    ASSERT_GT(preset.XMLLoadPreset(info.name), 0);
    // The sample player (noise level) stands in for an oscillator type.
    sources.insert(preset.getParam(17, 2) > 0 ? -1.0f : preset.getParam(16, 0));
    filters.insert(preset.getParam(773, 0));
    envelopes.insert({preset.getParam(1026, 0), preset.getParam(1027, 0), preset.getParam(1028, 0)});
    ASSERT_FALSE(preset.Routes().empty());
  }
  EXPECT_EQ(sources.size(), FactorySounds::kPresetCount);
  EXPECT_GE(filters.size(), 3u);  // the pluck leaves its filter open
  EXPECT_EQ(envelopes.size(), FactorySounds::kPresetCount);
}

}  // namespace
