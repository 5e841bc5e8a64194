#include "midi/LaunchCtrlFactory.h"

#include "midi/CTL_APCMini.h"
#include "midi/CTL_APCMiniMk2.h"
#include "midi/CTL_LaunchPADProMK3.h"
#include "midi/CTL_SmartPAD.h"

LaunchCtrl* LaunchCtrlFactory(std::unique_ptr<LaunchCtrl>& slot, int type, CAlsaMidi* midi,
                              int portIndex) {
  slot.reset();
  switch (type) {
    case kLaunchCtrlApcMini: slot = std::make_unique<CTL_APCMini>(midi, portIndex); break;
    case kLaunchCtrlSmartPad: slot = std::make_unique<CTL_SmartPAD>(midi, portIndex); break;
    case kLaunchCtrlLaunchpadProMk3:
      slot = std::make_unique<CTL_LaunchPADProMK3>(midi, portIndex);
      break;
    case kLaunchCtrlApcMiniMk2: slot = std::make_unique<CTL_APCMiniMk2>(midi, portIndex); break;
    default: break;
  }
  return slot.get();
}
