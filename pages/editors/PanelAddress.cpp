#include "pages/editors/PanelAddress.h"

#include <cstdint>
#include <cstring>

#include "data/ParamTable.h"
#include "data/ParamUid.h"
#include "toolkit/uxDefs.h"
#include "toolkit/uxValueLabel.h"

PanelAddress::PanelAddress(int canId, int group, int kind)
    : ctrl(GetParamCtrlByCanId(canId, group)), instance(GetParamInstanceByCanId(canId, group)), kind(kind) {}

bool PanelAddress::Names(const uxValueLabel& label) const {
  const auto uid = static_cast<uint32_t>(label.GetID());
  return static_cast<int>(param_uid::Ctrl(uid)) == ctrl && param_uid::Instance(uid) == instance &&
         param_uid::Kind(uid) == kind;
}

bool ReadPanelValue(const tagUX_Message& msg, float& value) {
  if (msg.pData == nullptr) return false;
  std::memcpy(&value, msg.pData, sizeof value);
  return true;
}
