// synthcore-sim: the instrument on a PC's stand-ins, for running it without the board and for
// end-to-end tests. Everything the board has at a fixed place comes from the command line.
#include <alsa/asoundlib.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/ProfilingDumper.h"
#if SYNTH_SIM_WINDOW
#include "programs/SimWindow.h"
#endif
#include "app/Startup.h"
#include "audio/AudioDriver.h"
#include "audio/CAudioProcess.h"
#include "audio/PcmBackend.h"
#include "engine/CSynthEngine.h"
#include "engine/Shaper.h"
#include "pages/StandardPages.h"
#include "platform/MemoryFrameBuffer.h"
#include "platform/Paths.h"
#include "platform/ProfilingBuffer.h"
#include "platform/VirtualCanOps.h"

namespace {

constexpr const char* kUsage =
    "usage: synthcore-sim --root DIR [--can-dir DIR] [--screen FILE] [--pcm NAME | --capture FILE]\n"
    "                     [--host-port N] [--host-address IPV4] [--profiling] [--self-test] [--no-window]\n"
    "                     [--fault audio-process] [--splash-echo]\n";

int FailingAudioProcess(CAudioProcess*, EngineLogFn) { return -1; }

bool g_profiling = false;
int g_stopPipe[2] = {-1, -1};
bool g_window = true;
const platform::MemoryFrameBuffer* g_screen = nullptr;
std::string g_canSocket;
std::string g_touchFifo;
// A PC has no expression pedal: this stands in for it, at full travel until the window moves
// it, so a part set to follow the pedal plays.
std::atomic<float> g_pedal{1.0f};

void OnStopSignal(int) {
  const char byte = 0;
  [[maybe_unused]] const ssize_t n = write(g_stopPipe[1], &byte, 1);
}

// ALSA's library reports a failed open in several lines of its own; the sim keeps the first
// (the cause) for its one line.
char g_alsaFirst[256];

void QuietAlsa(const char*, int, const char*, int, const char* format, ...) {
  if (g_alsaFirst[0] != '\0') return;
  va_list args;
  va_start(args, format);
  std::vsnprintf(g_alsaFirst, sizeof g_alsaFirst, format, args);
  va_end(args);
}

void OnAudioOpenFailed(const char* device, const char* reason) {
  if (g_alsaFirst[0] != '\0')
    std::fprintf(stderr, "synthcore-sim: the audio device \"%s\" cannot open: %s (%s)\n", device, reason, g_alsaFirst);
  else
    std::fprintf(stderr, "synthcore-sim: the audio device \"%s\" cannot open: %s\n", device, reason);
}

// Whether this process may use real-time scheduling: the calling thread tries it and goes back.
bool RealtimeGranted() {
  const int policy = sched_getscheduler(0);
  sched_param kept{};
  sched_getparam(0, &kept);
  sched_param fifo{};
  fifo.sched_priority = 1;
  if (sched_setscheduler(0, SCHED_FIFO, &fifo) != 0) return false;
  sched_setscheduler(0, policy, &kept);
  return true;
}

// The main thread once the instrument runs (its own lines go to stderr, which no half-printed
// line of the instrument's holds up): shows the window where there is a display, dumps
// profiling records when asked, and waits for SIGINT, SIGTERM or the window's closing; then
// stops the audio output, so a capture file gets its last periods.
int Run(AudioDriver& driver) {
  ProfilingBuffer::SetEnabled(g_profiling);
  std::unique_ptr<ProfilingDumper> dumper;
  if (g_profiling) dumper = std::make_unique<ProfilingDumper>(platform::DataPath(ProfilingDumper::kPath));
#if SYNTH_SIM_WINDOW
  std::unique_ptr<SimWindow> window;
  if (g_window) window = SimWindow::Open(*g_screen, {g_canSocket, g_touchFifo, &g_pedal});
#endif
  std::fprintf(stderr, "synthcore-sim: running\n");
  pollfd stop{g_stopPipe[0], POLLIN, 0};
  const int passMs = static_cast<int>(ProfilingDumper::kPassMicros / 1000);
  for (;;) {
    int waitMs = dumper ? passMs : -1;
#if SYNTH_SIM_WINDOW
    if (window) {
      if (!window->Step(driver, dumper ? passMs : 10)) break;
      waitMs = 0;
    }
#endif
    const int ready = poll(&stop, 1, waitMs);
    if (ready > 0) break;
    if (ready < 0 && errno != EINTR) break;
    if (dumper) dumper->Pass();
  }
  driver.Stop();
  std::fprintf(stderr, "synthcore-sim: stopped after %ld audio periods\n", driver.Periods());
  return 0;
}

void EchoSplash(const char* line) {
  const size_t n = std::strlen(line);
  std::printf("[splash] %.*s\n", static_cast<int>(n > 0 && line[n - 1] == '\n' ? n - 1 : n), line);
}

[[noreturn]] void Usage(const char* problem) {
  std::fprintf(stderr, "synthcore-sim: %s\n%s", problem, kUsage);
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  Platform p;
  std::string canDir;
  std::string screen;
  std::string capture;
  bool hostAddressSet = false;
  bool selfTest = false;
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') Usage(("missing value for " + opt).c_str());
      return argv[++i];
    };
    if (opt == "--root") {
      p.dataRoot = value();
    } else if (opt == "--can-dir") {
      canDir = value();
    } else if (opt == "--screen") {
      screen = value();
    } else if (opt == "--pcm") {
      p.pcmDevice = value();
    } else if (opt == "--capture") {
      capture = value();
    } else if (opt == "--host-port") {
      const std::string v = value();
      char* end = nullptr;
      const long port = std::strtol(v.c_str(), &end, 10);
      if (*end != '\0' || port <= 0 || port > 65535) Usage(("bad port " + v).c_str());
      p.hostPort = static_cast<int>(port);
    } else if (opt == "--host-address") {
      const std::string v = value();
      in_addr address{};
      if (inet_pton(AF_INET, v.c_str(), &address) != 1) Usage(("bad IPv4 address " + v).c_str());
      p.hostAddress = address.s_addr;
      hostAddressSet = true;
    } else if (opt == "--profiling") {
      g_profiling = true;
    } else if (opt == "--self-test") {
      selfTest = true;
    } else if (opt == "--no-window") {
      g_window = false;
    } else if (opt == "--fault") {
      const std::string v = value();
      if (v != "audio-process") Usage(("unknown fault " + v).c_str());
      p.initAudioProcess = &FailingAudioProcess;
    } else if (opt == "--splash-echo") {
      p.splashEcho = &EchoSplash;
    } else {
      Usage(("unknown option " + opt).c_str());
    }
  }
  if (p.dataRoot.empty()) Usage("--root is required");
  if (!capture.empty() && !p.pcmDevice.empty()) Usage("--pcm and --capture exclude each other");
  // A file PCM has no card behind it, so the audio thread keeps the period's pace itself.
  // It opens even where its file cannot be made and only fails at its first write: the sim
  // makes the file first and ends as a failed audio device would.
  if (!capture.empty()) {
    const int fd = open(capture.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
      std::fprintf(stderr, "synthcore-sim: the capture file \"%s\" cannot be written: %s\n", capture.c_str(),
                   std::strerror(errno));
      return 251;
    }
    close(fd);
    p.pcmDevice = AlsaFileDevice(capture);
  }
  if (p.pcmDevice.empty()) p.pcmDevice = "null";
  if (canDir.empty()) canDir = p.dataRoot + "/run/can";
  // Only this machine reaches the host link unless an address is given.
  if (!hostAddressSet) p.hostAddress = htonl(INADDR_LOOPBACK);
  p.privileged = false;
  if (!RealtimeGranted()) {
    std::fprintf(stderr, "synthcore-sim: real-time scheduling is not granted here; running with normal scheduling\n");
    p.schedulingReported = true;
  }
  Shaper::SetSelfTestLines(selfTest);
  // A shared machine stalls now and then; a slot that missed one deadline comes back after a
  // second of kept ones instead of waiting for the next part swap.
  CSynthEngine::SetSlotReturnUs(1'000'000);
  snd_lib_error_set_handler(&QuietAlsa);
  p.audioOpenFailed = &OnAudioOpenFailed;
  if (pipe2(g_stopPipe, O_CLOEXEC) != 0) {
    std::perror("synthcore-sim: pipe");
    return 1;
  }
  struct sigaction stop {};
  stop.sa_handler = &OnStopSignal;
  sigemptyset(&stop.sa_mask);
  stop.sa_flags = SA_RESTART;
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  p.run = &Run;

  static platform::VirtualCanOps sockets(canDir);
  static platform::MemoryFrameBuffer frameBuffer(screen);
  g_screen = &frameBuffer;
  g_canSocket = canDir + "/can0";
  g_touchFifo = p.dataRoot + "/dev/input/event0";
  p.canSockets = &sockets;
  p.frameBuffer = &frameBuffer;
  p.gpioOffset = 0;
  p.pedalLevel = &g_pedal;
  p.pages = &StandardPages();
  return SynthcoreMain(p);
}
