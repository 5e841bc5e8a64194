// Stand-in bodies until the parameter routing is built; that work replaces this file.
#include "app/GUIManager.h"

void GUIManager::ValueChanged(uint32_t uid, float value, unsigned flags) { ValueChanged(uid, flags, value); }
void GUIManager::ValueChanged(uint32_t, unsigned, float) {}
