// The toolkit's message record: what elements, the manager and scripts' callbacks pass on.

%{
#include "toolkit/uxDefs.h"
%}

// Declared in this order so the dispatcher's prototype list reads the same; trial goes by
// argument count, pointer forms before integer ones.
typedef struct tagUX_Message {
  uint32_t type;
  uint32_t param;
  uint32_t flag;
  uint32_t arg;
  void *pData;
  int32_t m_x;
  int32_t m_y;
  int32_t m_evt_type;
  tagUX_Message(int type);
  tagUX_Message(int type, int param, void *pData);
  tagUX_Message(int type, int param, void *pData, int flag);
  tagUX_Message(int type, int param, int flag);
  tagUX_Message(int type, int m_x, int m_y, int m_evt_type);
  tagUX_Message(int type, int param, int flag, void *pData);
  tagUX_Message();
} tUX_Message;
