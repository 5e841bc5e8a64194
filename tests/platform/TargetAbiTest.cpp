// Compile-time checks that a build produces the board's ABI: the armhf configuration must
// really be 32-bit ARMv7 with NEON and hard float, and every build treats char as unsigned
// as the board does. The shared records assert their own word layouts where they are
// declared; including them here checks those on every configuration.
#include <linux/can.h>
#include <linux/input.h>

#include <climits>

#include "audio/IAudioProcess.h"

static_assert(CHAR_MIN == 0, "char is unsigned on the board; build with -funsigned-char");

#if defined(__arm__)
#if !defined(__ARM_NEON) || !defined(__ARM_PCS_VFP) || __ARM_ARCH < 7
#error "the target build needs ARMv7, NEON and the hard-float calling convention"
#endif
static_assert(sizeof(void*) == 4 && sizeof(long) == 4, "the board has 32-bit pointers and longs");
static_assert(alignof(double) == 8 && alignof(long long) == 8, "AAPCS aligns 64-bit types to 8");
// The touch driver reads 16-byte input records on the board (24 bytes on x86_64).
static_assert(sizeof(struct input_event) == 16, "touch records are 16 bytes on the board");
#endif

// A classic CAN frame is 16 bytes on every platform: the panel link and the local bus
// stand-in move it as one datagram.
static_assert(sizeof(struct can_frame) == 16);
