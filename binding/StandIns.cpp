// The module's one door for tests: the devices it uses are the real ones, and nothing in it
// reads the environment. A test process calls this through ctypes (it is not a Python
// function of the module) before it makes its first context or device.
#include <memory>
#include <string>
#include <vector>

#include "platform/CanSocketOps.h"
#include "platform/FrameBufferDevice.h"
#include "platform/MemoryFrameBuffer.h"
#include "platform/Paths.h"
#include "platform/VirtualCanOps.h"

namespace {

// Contexts and devices made before a later call keep the stand-ins they were given, so none
// is ever freed.
struct StandIns {
  std::unique_ptr<platform::VirtualCanOps> can;
  std::unique_ptr<platform::MemoryFrameBuffer> screen;
};
std::vector<StandIns>& Installed() {
  static auto* installed = new std::vector<StandIns>;
  return *installed;
}

}  // namespace

// Puts every fixed path under `root`, CAN interfaces on the virtual bus whose hubs listen in
// `canDirectory` (root + "/run/can" when null or empty) and drawing contexts made without a
// device on an 800x480 memory framebuffer, shared through `screenFile` when that is neither
// null nor empty. Returns 0, or -1 (nothing changed) when the framebuffer cannot be made.
extern "C" __attribute__((visibility("default"))) int tovgui_install_stand_ins(const char* root,
                                                                               const char* canDirectory,
                                                                               const char* screenFile) {
  const std::string top = root ? root : "";
  auto screen = std::make_unique<platform::MemoryFrameBuffer>(screenFile ? screenFile : "");
  if (!screen->Valid()) return -1;
  const std::string can = canDirectory && *canDirectory ? canDirectory : top + "/run/can";
  StandIns& s = Installed().emplace_back(StandIns{std::make_unique<platform::VirtualCanOps>(can), std::move(screen)});
  platform::SetDataRoot(top);
  platform::SetCanSockets(s.can.get());
  platform::SetDefaultFrameBuffer(s.screen.get());
  return 0;
}
