#pragma once
// The instrument's start-up: brings the singletons and devices up in a fixed order, reporting
// each step on the splash box, starts the "GUI" thread, installs the hooks, puts the front
// panel into a known state and then dumps profiling records for the rest of the process's
// life (or hands the main thread to the platform's `run`, and ends with its status). Returns
// only on a failed step, with its status (-1 .. -6).
#include <atomic>

#include "app/Platform.h"

class uxMessageBox;

int SynthcoreMain(const Platform& platform);

// The splash box that start-up lines go to while it exists (null before the splash and after
// the pages are built; text given then is dropped).
std::atomic<uxMessageBox*>& SplashSink();
void SplashLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void SetSplashEcho(void (*echo)(const char* line));

// The audio process's log callback during start-up: each text becomes a splash line.
void OnEngineLog(unsigned short id, char* text);
// SIGUSR1: asks the active page to rescan its files (message 283 through the GUI queue).
void OnSigUsr1(int signal);

class GUIManager;
// Where OnSigUsr1 delivers; null: nowhere.
void SetSignalTarget(GUIManager* manager);
// The running instrument's manager (the one signals reach); null before the start and after.
GUIManager* SignalTarget();
