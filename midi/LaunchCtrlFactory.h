#pragma once
// Creates the driver for a detected pad controller.
#include <memory>

#include "midi/LaunchCtrl.h"

enum LaunchCtrlType {
  kLaunchCtrlApcMini = 0,
  kLaunchCtrlSmartPad = 1,
  kLaunchCtrlLaunchpadProMk3 = 2,
  kLaunchCtrlApcMiniMk2 = 3,
};

// Deletes the driver in `slot`, then creates the one for `type` on port `portIndex` of
// `midi`, stores it in `slot` and returns it. Any other type leaves the slot empty.
LaunchCtrl* LaunchCtrlFactory(std::unique_ptr<LaunchCtrl>& slot, int type, CAlsaMidi* midi,
                              int portIndex);
