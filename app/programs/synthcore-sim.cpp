// synthcore-sim: the instrument on a PC's stand-ins, for running it without the board and for
// end-to-end tests. Everything the board has at a fixed place comes from the command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/Startup.h"
#include "pages/StandardPages.h"
#include "audio/CAudioProcess.h"
#include "platform/MemoryFrameBuffer.h"
#include "platform/VirtualCanOps.h"

namespace {

constexpr const char* kUsage =
    "usage: synthcore-sim --root DIR [--can-dir DIR] [--screen FILE] [--pcm NAME | --capture FILE]\n"
    "                     [--host-port N] [--fault audio-process] [--splash-echo]\n";

int FailingAudioProcess(CAudioProcess*, EngineLogFn) { return -1; }

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
  if (!capture.empty()) p.pcmDevice = "file:'" + capture + "',raw";
  if (p.pcmDevice.empty()) p.pcmDevice = "null";
  if (canDir.empty()) canDir = p.dataRoot + "/run/can";

  static platform::VirtualCanOps sockets(canDir);
  static platform::MemoryFrameBuffer frameBuffer(screen);
  p.canSockets = &sockets;
  p.frameBuffer = &frameBuffer;
  p.gpioOffset = 0;
  p.pages = &StandardPages();
  return SynthcoreMain(p);
}
