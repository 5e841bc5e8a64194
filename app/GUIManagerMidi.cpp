// Stand-in bodies until the MIDI routing and transport are built; that work replaces this
// file.
#include "app/GUIManager.h"

void GUIManager::TrackNoteOn(int, int, int, int, int, int) {}
void GUIManager::TrackNoteOff(int, int) {}
void GUIManager::TrackControlChange(int, int, int) {}
void GUIManager::TriggerDrumNote(int, int, int) {}
void GUIManager::TriggerDrum(int, int) {}
int GUIManager::DispatchMidiCC(int, int, int, int) { return 1; }
int GUIManager::GetCCAssignment(uint32_t) { return -1; }
void GUIManager::SetCCAssignment(int, int) {}
