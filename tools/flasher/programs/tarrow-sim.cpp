// tarrow-sim -can-dir DIR ARGS...: tarrow on the virtual CAN bus whose hubs listen in DIR,
// for end-to-end tests on a PC. Everything after the directory is tarrow's own command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/VirtualCanOps.h"
#include "tools/flasher/TarrowMain.h"

int main(int argc, char** argv) {
  if (argc < 3 || std::strcmp(argv[1], "-can-dir") != 0) {
    std::fprintf(stderr, "usage: tarrow-sim -can-dir DIR [tarrow arguments]\n");
    return 2;
  }
  static platform::VirtualCanOps sockets(argv[2]);
  std::vector<const char*> args{argv[0]};
  for (int i = 3; i < argc; ++i) args.push_back(argv[i]);
  std::exit(flasher::RunTarrow(static_cast<int>(args.size()), args.data(), sockets));
}
