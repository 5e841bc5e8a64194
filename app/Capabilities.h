#pragma once
// The process's own capabilities, read from and lowered in the kernel.
#include <initializer_list>

namespace app {

// 1 when `capability` (CAP_SYS_NICE, CAP_SYS_RAWIO, ...) is in the effective set, 0 when it
// is not, -1 when the set cannot be read.
int HasEffectiveCapability(int capability);

// Lowers the calling thread's capabilities to those of `keep` it holds: the effective and
// permitted sets keep only those, the inheritable and ambient sets are emptied, and the
// bounding set loses every other capability (where CAP_SETPCAP allows it), so that no later
// exec regains them, even as root. Capabilities belong to each thread: threads started
// afterwards inherit the lowered sets, threads already running keep theirs. 0 on success,
// else the errno of the step that failed.
int KeepOnlyCapabilities(std::initializer_list<int> keep);

}  // namespace app
