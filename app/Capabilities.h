#pragma once
// The process's own effective capabilities, read from the kernel.
namespace app {

// 1 when `capability` (CAP_SYS_NICE, CAP_SYS_RAWIO, ...) is in the effective set, 0 when it
// is not, -1 when the set cannot be read.
int HasEffectiveCapability(int capability);

}  // namespace app
