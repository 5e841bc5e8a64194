#include "app/Capabilities.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace app {

namespace {

bool Read(__user_cap_data_struct (&data)[_LINUX_CAPABILITY_U32S_3]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return syscall(SYS_capget, &header, data) == 0;
}

}  // namespace

int HasEffectiveCapability(int capability) {
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
  if (!Read(data)) return -1;
  if (capability < 0 || capability >= 32 * _LINUX_CAPABILITY_U32S_3) return 0;
  return (data[capability / 32].effective >> (capability % 32)) & 1u ? 1 : 0;
}

int KeepOnlyCapabilities(std::initializer_list<int> keep) {
  uint32_t mask[_LINUX_CAPABILITY_U32S_3] = {};
  for (const int c : keep) {
    if (c >= 0 && c < 32 * _LINUX_CAPABILITY_U32S_3) mask[c / 32] |= 1u << (c % 32);
  }
  // The bounding set first: dropping from it needs CAP_SETPCAP, which the capset below
  // removes. Without CAP_SETPCAP (an unprivileged start) nothing can be regained anyway.
  const bool mayBound = HasEffectiveCapability(CAP_SETPCAP) == 1;
  for (int c = 0; c < 32 * _LINUX_CAPABILITY_U32S_3; ++c) {
    if ((mask[c / 32] >> (c % 32)) & 1u) continue;
    const int held = prctl(PR_CAPBSET_READ, c, 0, 0, 0);
    if (held < 0) break;  // past the kernel's last capability
    if (held == 1 && mayBound && prctl(PR_CAPBSET_DROP, c, 0, 0, 0) != 0) return errno;
  }
  // Ambient capabilities exist since Linux 4.3; an older kernel has none to clear.
  if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 && errno != EINVAL) return errno;
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
  if (!Read(data)) return errno;
  for (int i = 0; i < _LINUX_CAPABILITY_U32S_3; ++i) {
    data[i].permitted &= mask[i];
    data[i].effective &= mask[i];
    data[i].inheritable = 0;
  }
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  if (syscall(SYS_capset, &header, data) != 0) return errno;
  return 0;
}

}  // namespace app
