// ruv-canhub IFNAME DIR [SECONDS]: the hub of a virtual CAN bus for programs in separate
// processes. It listens at DIR/IFNAME, prints one ready line, and runs until SIGTERM or
// SIGINT, or for at most SECONDS so a hub left behind by a failed test goes away by itself.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/VirtualCanHub.h"
#include "platform/VirtualCanOps.h"

namespace {

platform::VirtualCanHub* g_hub = nullptr;

void OnSignal(int) {
  if (g_hub) g_hub->RequestStop();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: ruv-canhub IFNAME DIR [SECONDS]\n");
    return 2;
  }
  const int seconds = argc == 4 ? std::atoi(argv[3]) : 0;
  platform::VirtualCanHub hub(platform::VirtualCanOps::HubPath(argv[2], argv[1]));
  const int result = hub.Listen();
  if (result != 0) {
    std::fprintf(stderr, "ruv-canhub: %s: %s\n", hub.Path().c_str(), std::strerror(-result));
    return 1;
  }
  g_hub = &hub;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGALRM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
  if (seconds > 0) alarm(static_cast<unsigned>(seconds));
  std::printf("ruv-canhub: %s ready\n", hub.Path().c_str());
  std::fflush(stdout);
  hub.Run();
  g_hub = nullptr;
  hub.Stop();
  return 0;
}
