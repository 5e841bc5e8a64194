// tarrow: flashes the front-panel boards and reports their versions over "can0".
#include <cstdlib>

#include "platform/CanSocketOps.h"
#include "tools/flasher/TarrowMain.h"

int main(int argc, char** argv) { std::exit(flasher::RunTarrow(argc, argv, platform::CanSockets())); }
