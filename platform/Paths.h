#pragma once
// Every fixed absolute path of the system ("/var/lib/ruv/working/...", "/dev/serial0",
// "/tmp/profiling2.data", ...) is formed here as root + path. The deliverables keep the
// empty root; tests and the simulator point it at a directory mirroring the layout.
#include <string>

namespace platform {

void SetDataRoot(std::string root);
const std::string& DataRoot();

// root + absolutePath, e.g. DataPath("/var/lib/ruv/working/presets/").
std::string DataPath(const std::string& absolutePath);

}  // namespace platform
