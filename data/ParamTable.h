#pragma once
// The sound parameters of a synth part, one constant row each: which module and control a
// parameter is, its name in preset files and on the pages, its default, and how a change is
// mirrored to the front panel. Rows are addressed by (ctrl, instance); their order is the order
// of every data set and of the elements of a preset file, and the first match of a search wins.
#include <cstddef>
#include <cstdint>

struct ParamDef {
  uint32_t ctrl;        // parameter number: UID bits 0-11; effect rows 0x80000 + number
  uint32_t instance;    // which module of the kind: UID bits 12-15
  uint32_t group;       // module kind, 1 voice ... 14 macro
  uint32_t canId;       // front-panel identifier, 0 when the panel has no control for it
  uint32_t valueType;   // panel mirror: 0 not sent, 9 one byte, 1-8 and 10 a float
  uint32_t flag;        // 1 for real rows, 0 for the reserved ones
  const char* name;
  float defaultValue;
  uint32_t spare;
};

// Nine 32-bit words on the board.
static_assert(sizeof(void*) != 4 || sizeof(ParamDef) == 36);

constexpr std::size_t kParamRows = 385;
constexpr uint32_t kParamTerminator = 0xFFFFFFFF;

// kParamRows rows, then a terminator row whose ctrl is kParamTerminator. Constant-initialised:
// data sets are built by static objects before main runs.
extern const ParamDef ParamTable[kParamRows + 1];

// Searches of the table itself (not of a data set), in table order, stopping at the terminator.
// Each returns -1 when no row matches.
int GetParamCanId(int instance, int ctrl);              // CAN id of the row (ctrl, instance)
int GetParamCtrlByCanId(int canId, int group);          // ctrl of the first row of that group and CAN id
int GetParamInstanceByCanId(int canId, int group);      // instance of that row
int GetParamType(int ctrl);                             // value type of the first row with that ctrl
