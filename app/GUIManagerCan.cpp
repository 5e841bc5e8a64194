// Stand-in bodies until the front-panel protocol is built; that work replaces this file.
#include "app/GUIManager.h"

void GUIManager::SendPartStop(int) {}
int GUIManager::HookSendMessage(tagUX_Message*) { return 1; }
void GUIManager::sendCANFocus(int) {}
