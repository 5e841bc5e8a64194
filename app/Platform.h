#pragma once
// The devices the instrument starts on, chosen once before the start-up runs: the board's
// real ones (`Platform::Real`, all defaults), or the stand-ins of a PC that synthcore-sim
// assembles from its command line. Code above this object never asks which one it has.
#include <sys/types.h>

#include <string>

#include "app/GPIOMem.h"
#include "audio/IAudioProcess.h"

class CAudioProcess;
class PageFactory;
class RawMidiBackend;
namespace platform {
class CanSocketOps;
class FrameBufferDevice;
}  // namespace platform

struct Platform {
  // Root under which every fixed path is formed; empty on the board.
  std::string dataRoot;
  // null: "/dev/fb0".
  platform::FrameBufferDevice* frameBuffer = nullptr;
  // null: SocketCAN.
  platform::CanSocketOps* canSockets = nullptr;
  // null: the sound system's raw-MIDI ports.
  RawMidiBackend* rawMidi = nullptr;
  // Empty: the audio driver's own choice (the board's card, else "default").
  std::string pcmDevice;
  // Where the GPIO block starts in "/dev/mem" (the PC's stand-in file maps from 0).
  off_t gpioOffset = GPIOMem::kBase;
  int hostPort = 10000;
  // Brings up the audio process's engines; a simulator may put a failing one here.
  int (*initAudioProcess)(CAudioProcess* process, EngineLogFn log) = nullptr;
  // Sees every line the splash box shows (a simulator prints them); null: nobody.
  void (*splashEcho)(const char* line) = nullptr;
  // The pages of the main tabs; the programs give the instrument's own (null: bare panels).
  const PageFactory* pages = nullptr;

  static Platform Real() { return Platform{}; }
};
