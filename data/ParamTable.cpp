#include "data/ParamTable.h"

#include <string_view>

constexpr ParamDef ParamTable[kParamRows + 1] = {
#include "data/ParamTableRows.inc"
};

namespace {

constexpr bool TerminatedAfterLastRow() {
  for (std::size_t i = 0; i < kParamRows; ++i)
    if (ParamTable[i].ctrl == kParamTerminator) return false;
  const ParamDef& t = ParamTable[kParamRows];
  return t.ctrl == kParamTerminator && std::string_view(t.name).empty() && t.instance == 0 && t.defaultValue == 0.0f;
}
static_assert(TerminatedAfterLastRow());

// Rows are found by (ctrl, instance) with the first match winning, so a second row with the same
// pair could never be reached; only the placeholder rows share theirs.
constexpr bool AddressesUnique() {
  for (std::size_t i = 0; i < kParamRows; ++i) {
    if (ParamTable[i].flag == 0) continue;
    for (std::size_t j = i + 1; j < kParamRows; ++j)
      if (ParamTable[j].ctrl == ParamTable[i].ctrl && ParamTable[j].instance == ParamTable[i].instance) return false;
  }
  return true;
}
static_assert(AddressesUnique());

constexpr bool SpareZero() {
  for (const ParamDef& row : ParamTable)
    if (row.spare != 0) return false;
  return true;
}
static_assert(SpareZero());

// Every search stops at the terminator or after the table's full length, whichever is first.
template <typename Match>
const ParamDef* FindRow(Match match) {
  for (const ParamDef& row : ParamTable) {
    if (row.ctrl == kParamTerminator) break;
    if (match(row)) return &row;
  }
  return nullptr;
}

}  // namespace

int GetParamCanId(int instance, int ctrl) {
  const ParamDef* row = FindRow([&](const ParamDef& r) {
    return r.ctrl == static_cast<uint32_t>(ctrl) && r.instance == static_cast<uint32_t>(instance);
  });
  return row ? static_cast<int>(row->canId) : -1;
}

int GetParamCtrlByCanId(int canId, int group) {
  const ParamDef* row = FindRow([&](const ParamDef& r) {
    return r.canId == static_cast<uint32_t>(canId) && r.group == static_cast<uint32_t>(group);
  });
  return row ? static_cast<int>(row->ctrl) : -1;
}

int GetParamInstanceByCanId(int canId, int group) {
  const ParamDef* row = FindRow([&](const ParamDef& r) {
    return r.canId == static_cast<uint32_t>(canId) && r.group == static_cast<uint32_t>(group);
  });
  return row ? static_cast<int>(row->instance) : -1;
}

int GetParamType(int ctrl) {
  const ParamDef* row = FindRow([&](const ParamDef& r) { return r.ctrl == static_cast<uint32_t>(ctrl); });
  return row ? static_cast<int>(row->valueType) : -1;
}
