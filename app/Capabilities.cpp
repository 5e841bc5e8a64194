#include "app/Capabilities.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace app {

int HasEffectiveCapability(int capability) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
  if (syscall(SYS_capget, &header, data) != 0) return -1;
  if (capability < 0 || capability >= 32 * _LINUX_CAPABILITY_U32S_3) return 0;
  return (data[capability / 32].effective >> (capability % 32)) & 1u ? 1 : 0;
}

}  // namespace app
