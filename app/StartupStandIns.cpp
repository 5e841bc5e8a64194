// Weak stand-ins for the loaders the start-up calls, so the programs link before loading and
// storing are built; the real definitions replace them at link time. Delete with their arrival.
#include "app/GUIManager.h"

__attribute__((weak)) int GUIManager::InitialLoad() { return 0; }
__attribute__((weak)) int GUIManager::LoadSong(const char*, int, int) { return 1; }
__attribute__((weak)) int GUIManager::StoreSong(const char*, int) { return 1; }
