// The modulation matrix inside the application core: a panel source key and then a
// destination key make a route that the matrix page shows, that the data set and the engine
// get, and that a stored preset holds when it is loaded again.
#include <gtest/gtest.h>

#include <vector>

#include "data/CDataSets.h"
#include "pages/editors/modMatrix.h"
#include "pages/master/appVA_Master.h"
#include "pages/voice/appVA_VOICE.h"
#include "tests/app/PanelRig.h"
#include "toolkit/uxTabItemCtrl.h"

namespace {

using app_test::FloatFrame;
using app_test::PanelRig;

constexpr int kMasterTab = 1;

modMatrix* MatrixOf(PanelRig& rig, int part) {
  uxTabItemCtrl* item = rig.manager->MainMenu()->GetTabItem(kMasterTab);
  auto* master = item != nullptr ? dynamic_cast<appVA_Master*>(item->ActivePanel()) : nullptr;
  appVA_VOICE* voice = master != nullptr ? master->VoicePage(part) : nullptr;
  return voice != nullptr ? dynamic_cast<modMatrix*>(voice->EditorPanel(appVA_VOICE::kMatrix)) : nullptr;
}

TEST(MatrixInCore, PanelKeysMakeARouteThatAStoredPresetHolds) {
  PanelRig rig;
  if (!rig.HasBus()) GTEST_SKIP() << "no panel bus on this machine";
  modMatrix* matrix = MatrixOf(rig, 0);
  ASSERT_NE(matrix, nullptr);
  rig.manager->DataSet(0)->Routes().clear();
  // Source key 4 (the first oscillator's output), then the noise FM key with amount 35.
  rig.Frame(40, {0xA4, 4});
  rig.Frame(320, FloatFrame(0xE0, 0, 1, 35.0f));
  const modMatrix::Record& route = matrix->Route(0);
  EXPECT_EQ(route.source, 8);
  EXPECT_EQ(route.destination, 40);
  EXPECT_STREQ(matrix->CellText(0, modMatrix::kSource), "OSC1.OUT");
  EXPECT_STREQ(matrix->CellText(0, modMatrix::kDestination), "NOISE.FM");

  const std::vector<ModRoute>& stored = rig.manager->DataSet(0)->Routes();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].slot, 0);
  EXPECT_EQ(stored[0].source, 8);
  EXPECT_EQ(stored[0].destination, 40);
  EXPECT_FLOAT_EQ(stored[0].amount, 35.0f);

  rig.bus.Root().MakeDir("/var/lib/ruv/working/presets/");
  ASSERT_EQ(rig.manager->StorePreset(0, "MatrixRoute"), 1);
  rig.manager->DataSet(0)->Routes().clear();
  rig.manager->LoadPreset(0, "MatrixRoute", 1, 1);
  tagUX_Message refresh(UX_MSG_VALUES_CHANGED, 0, 0);
  matrix->OnMessage(&refresh);
  EXPECT_EQ(matrix->Route(0).source, 8);
  EXPECT_EQ(matrix->Route(0).destination, 40);
  EXPECT_FLOAT_EQ(matrix->Route(0).amount, 35.0f);
  EXPECT_STREQ(matrix->CellText(0, modMatrix::kDestination), "NOISE.FM");
}

}  // namespace
