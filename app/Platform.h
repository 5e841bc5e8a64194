#pragma once
// The devices the instrument starts on, chosen once before the start-up runs: the board's
// real ones (`Platform::Real`, all defaults), or the stand-ins of a PC that synthcore-sim
// assembles from its command line. Code above this object never asks which one it has.
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "app/GPIOMem.h"
#include "audio/IAudioProcess.h"

class AudioDriver;
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
  // The IPv4 address (network order) the host link listens on; 0: every interface.
  uint32_t hostAddress = 0;
  // The board stops without CAP_SYS_NICE and maps "/dev/mem" only with CAP_SYS_RAWIO or as
  // root. false: the threads take whatever scheduling is granted and the GPIO file needs no
  // privilege (a PC's stand-ins).
  bool privileged = true;
  // The program has said itself that real-time scheduling is not granted: the audio thread's
  // fall-back is not reported again.
  bool schedulingReported = false;
  // Brings up the audio process's engines; a simulator may put a failing one here.
  int (*initAudioProcess)(CAudioProcess* process, EngineLogFn log) = nullptr;
  // Sees every line the splash box shows (a simulator prints them); null: nobody.
  void (*splashEcho)(const char* line) = nullptr;
  // The pages of the main tabs; the programs give the instrument's own (null: bare panels).
  const PageFactory* pages = nullptr;
  // Told which audio device failed to open and why, before start-up ends; null: nobody.
  void (*audioOpenFailed)(const char* device, const char* reason) = nullptr;
  // A PC's stand-in for the expression pedal's converter: the pedal's position (0..1, see
  // StandInPedal), which its owner may move while the instrument runs. null: the converter.
  const std::atomic<float>* pedalLevel = nullptr;
  // The main thread's work once the instrument runs, given the audio output it may stop;
  // returns the process's exit status. null: the profiling dump for the rest of the process.
  int (*run)(AudioDriver& driver) = nullptr;

  static Platform Real() { return Platform{}; }
};
