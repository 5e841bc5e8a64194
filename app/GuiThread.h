#pragma once
// The body of the "GUI" thread: a GUIManager tick every 5 ms, forever. The argument is the
// GUIManager.
void* GuiThreadMain(void* manager);
