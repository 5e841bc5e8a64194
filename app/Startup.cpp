#include "app/Startup.h"

#include <alsa/asoundlib.h>
#include <linux/capability.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/Capabilities.h"
#include "app/GUIManager.h"
#include "app/GuiThread.h"
#include "app/PedalIO.h"
#include "app/ProfilingDumper.h"
#include "app/StandInPedal.h"
#include "app/host/HostUIManager.h"
#include "platform/ProfilingBuffer.h"
#include "audio/AudioDriver.h"
#include "audio/CAudioProcess.h"
#include "midi/CAlsaMidi.h"
#include "midi/CMidiDev.h"
#include "NE10.h"
#include "numeric/MathTables.h"
#include "platform/CanSocketOps.h"
#include "platform/Paths.h"
#include "platform/RtThread.h"
#include "toolkit/CCANDev.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxMessageBox.h"

namespace {

constexpr const char* kModel = "PX415";
constexpr const char* kFirmware = "2.40";
constexpr const char* kRevision = "C";

std::atomic<uxMessageBox*> g_splash{nullptr};
std::atomic<void (*)(const char*)> g_splashEcho{nullptr};
std::atomic<GUIManager*> g_signalTarget{nullptr};

// The long-lived objects, built in this order and destroyed in the reverse one.
struct Singletons {
  explicit Singletons(const Platform& p)
      : dc(p.frameBuffer),
        gui(&dc, p.rawMidi != nullptr ? *p.rawMidi : AlsaRawMidi(), p.pages),
        can(p.canSockets != nullptr ? *p.canSockets : platform::CanSockets()) {}

  PedalIO pedal;
  uxDC dc;
  GUIManager gui;
  CCANDev can;
  CMidiDev midi;
  CAudioProcess audio;
  HostUIManager host;
};

// Once other threads run, static destructors would race them: a failing step ends the
// process at once, its output flushed, with the status it would have returned.
[[noreturn]] void Exit(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(status & 0xFF);
}

int StartGuiThread(GUIManager& gui) {
  pthread_t thread{};
  const platform::ThreadStart start =
      platform::StartThread(thread, {"GUI", SCHED_IDLE, 0, 0}, &GuiThreadMain, &gui);
  if (start.attrInitFailed) {
    std::printf("[GUI-THREAD] Couldn't initialize attributes\n");
    return -6;
  }
  if (start.getParamsError) std::printf("[GUI-THREAD] get sched params %d\n", start.getParamsError);
  if (start.setPolicyError) std::printf("[GUI-THREAD] set sched policy %d\n", start.setPolicyError);
  if (start.setPriorityError) std::printf("[GUI-THREAD] set scheduler prio error %d\n", start.setPriorityError);
  if (start.setExplicitError) std::printf("[GUI-THREAD]set explicit sched error %d\n", start.setExplicitError);
  if (!start.started) {
    std::printf("[GUI Thread] Error\n");
    return 0;
  }
  std::printf("[GUI-THREAD] Started>\n");
  int policy = 0;
  int priority = 0;
  platform::ThreadSchedule(thread, policy, priority);
  std::printf("[GUI-THREAD] policy:: %d pri :: %d\n", policy, priority);
  return 0;
}

}  // namespace

std::atomic<uxMessageBox*>& SplashSink() { return g_splash; }

void SetSplashEcho(void (*echo)(const char* line)) { g_splashEcho.store(echo); }

void SplashLine(const char* format, ...) {
  uxMessageBox* box = g_splash.load();
  if (box == nullptr) return;
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof(line), format, args);
  va_end(args);
  box->AddLine("%s", line);
  if (auto echo = g_splashEcho.load()) echo(line);
}

void OnEngineLog(unsigned short /*id*/, char* text) {
  if (text != nullptr) SplashLine("%s", text);
}

void SetSignalTarget(GUIManager* manager) { g_signalTarget.store(manager); }

void OnSigUsr1(int signal) {
  if (signal != SIGUSR1) return;
  GUIManager* gui = g_signalTarget.load();
  if (gui == nullptr) return;
  tagUX_Message msg{};
  msg.type = 283;
  gui->SendMessage(&msg, true);
}

int SynthcoreMain(const Platform& p) {
  // The audio thread prints; a pipe reader must see whole lines, never a full buffer.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  platform::SetDataRoot(p.dataRoot);
  if (p.canSockets != nullptr) platform::SetCanSockets(p.canSockets);
  SetSplashEcho(p.splashEcho);
  static Singletons s(p);

  // Every real-time thread below needs it; without it nothing may start.
  if (p.privileged && app::HasEffectiveCapability(CAP_SYS_NICE) != 1) {
    std::printf("Missing cpability CAP_SYS_NICE, Exiting.\n");
    return -1;
  }
  // A framebuffer that does not open leaves a context without layers, which draws nothing.
  s.dc.Init();
  s.gui.SetSplashSink(&g_splash);
  s.gui.ShowSplash();
  initMathTables();
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  // The FFT library before anything makes a plan (the engine, below).
  if (ne10_init() != NE10_OK) {
    std::printf("Failed to initialise Ne10.\n");
    return -2;
  }
  if (ne10_init_math(ne10_HasNEON()) != NE10_OK) {
    std::printf("Failed to initialise Ne10 math lib.\n");
    return -2;
  }
  s.pedal.SetPrivilegeCheck(p.privileged);
  if (s.pedal.Open(platform::DataPath(GPIOMem::kDevice), p.gpioOffset) < 0) {
    std::printf("failed to open PedalIO\n");
    return -3;
  }
  // The input ports open long before the parts are loaded: what a player sends meanwhile is
  // kept and plays once the instrument takes MIDI.
  GUIManager::HoldMidiUntilTarget();
  s.midi.SetCallback(&GUIManager::OnMidiMessage);
  // From here threads may run; a failure ends the process through Exit.
  if (s.midi.Open(platform::DataPath("/dev/serial0").c_str(), "SERIAL", false) != 0) {
    std::printf("Open MIDI [FAILED] <%s>\n", std::strerror(errno));
  } else {
    std::printf("Open MIDI [OK]\n");
  }
  SplashLine("%s KLT Synthesizer System Startup FW: %s Rev:%s", kModel, kFirmware, kRevision);
  const auto init = p.initAudioProcess != nullptr ? p.initAudioProcess : &InitAudioProcess;
  if (init(&s.audio, &OnEngineLog) != 0) {
    SplashLine("Init Audioprocess [ERROR]\n");
    sleep(3);
    Exit(-4);
  }
  SplashLine("Init Audioprocess [OK]\n");
  // Everything the audio thread reaches is handed over before the driver starts it.
  s.gui.SetAudioProcess(&s.audio);
  s.gui.SetMidiDevice(&s.midi);
  // Before the pages are built: the MIDI devices page opens the configured ports.
  s.gui.MidiPorts().SetCallback(&GUIManager::OnMidiMessage);
  if (p.pedalLevel != nullptr) {
    static StandInPedal standIn(s.pedal, *p.pedalLevel);
    s.gui.SetPedalPort(&standIn);
  } else {
    s.gui.SetPedalPort(&s.pedal);
  }
  s.gui.InstallAudioHooks();
  // The driver lives as long as the process.
  AudioDriver* driver = new AudioDriver();
  if (!p.pcmDevice.empty()) driver->SetDevice(p.pcmDevice.c_str());
  driver->SetFallbackReported(p.schedulingReported);
  if (const int err = OpenAudioDriver(driver, &s.audio); err != 0) {
    SplashLine("Init AudioDriver [FAILED]-> <%s>", snd_strerror(err));
    if (p.audioOpenFailed != nullptr) p.audioOpenFailed(driver->Device(), snd_strerror(err));
    sleep(3);
    Exit(-5);
  }
  SplashLine("Init AudioDriver [OK]\n");
  // The panel is optional: the instrument plays without it. The device goes to the core once
  // its socket is set, as the audio thread sends beat pulses through it.
  const bool canOpen = s.can.Open("can0") == 0;
  s.gui.SetCanDevice(&s.can);
  SplashLine(canOpen ? "Open CAN [OK]" : "Open CAN [FAILED]");
  sleep(1);
  SplashLine("Initial Load");
  s.gui.InitialLoad();
  SplashLine("load default Resources");
  s.gui.BuildPages();
  // Pages exist now; whatever is logged from here on has no box to go to.
  g_splash.store(nullptr);
  // Without a start-up song the arrangement's defaults stand and only the settings are written.
  if (s.gui.LoadSong("[default]", 0, 0) == 0) s.gui.StoreSong("[default]", 0);
  if (StartGuiThread(s.gui) != 0) Exit(-6);
  SetCanReceiver(&s.gui);
  CCANDev::SetMessageCallback(&OnCanMessage);
  // A known panel state: mode 1, part A, no focus, both volume displays at 0.
  const uint8_t mode[] = {0xA2, 0x01};
  const uint8_t part[] = {0xA0, 0x00};
  const uint8_t focus[] = {0xA1, 0xFF};
  const uint8_t zero[] = {0x00};
  s.can.SendRAW(40, mode, 2);
  s.can.SendRAW(40, part, 2);
  s.can.SendRAW(40, focus, 2);
  s.can.SendRAW(416, zero, 1);
  s.can.SendRAW(417, zero, 1);
  GUIManager::SetMidiTarget(&s.gui);
  s.host.SetListenAddress(p.hostAddress);
  s.host.init(&s.gui, p.hostPort);
  SetSignalTarget(&s.gui);
  struct sigaction action {};
  action.sa_handler = &OnSigUsr1;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGUSR1, &action, nullptr);
  if (p.run != nullptr) Exit(p.run(*driver));
  ProfilingBuffer::SetEnabled(true);
  static ProfilingDumper dumper(platform::DataPath(ProfilingDumper::kPath));
  dumper.Run();
}
