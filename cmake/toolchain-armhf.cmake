# The appliance's target: 32-bit ARMv7 with NEON and hard float (Debian armhf), built with
# Debian's cross compiler. Target libraries come from Debian multiarch packages (":armhf",
# installed under /usr/lib/arm-linux-gnueabihf); the C and C++ runtimes from the cross
# toolchain under /usr/arm-linux-gnueabihf. Test binaries run on the host through qemu-arm.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)

set(SYNTH_TARGET_TRIPLE arm-linux-gnueabihf)
set(SYNTH_DEBIAN_ARCH armhf)
set(CMAKE_C_COMPILER ${SYNTH_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${SYNTH_TARGET_TRIPLE}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${SYNTH_TARGET_TRIPLE})

# The board's CPU. -Wno-psabi: GCC otherwise notes on every std::vector<double> call that
# the AAPCS argument passing of such types changed in GCC 7.1, which concerns nobody here
# (everything is built by one compiler).
set(CMAKE_C_FLAGS_INIT "-march=armv7-a -mfpu=neon -mfloat-abi=hard -Wno-psabi")
set(CMAKE_CXX_FLAGS_INIT "-march=armv7-a -mfpu=neon -mfloat-abi=hard -Wno-psabi")

# Multiarch: the host root is the sysroot; CMAKE_LIBRARY_ARCHITECTURE keeps the searches in
# the armhf library directory. pkg-config likewise reads only the armhf .pc files.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${SYNTH_TARGET_TRIPLE}/pkgconfig:/usr/share/pkgconfig")

find_program(SYNTH_QEMU_ARM qemu-arm REQUIRED)
# The tests run against the multiarch runtime (libc6:armhf, libstdc++6:armhf, pulled in by
# the armhf -dev packages) under /. The cross toolchain's own copy under
# /usr/arm-linux-gnueabihf is an older libc build; mixed with the multiarch one that the
# loader also finds, any program that starts a thread crashes.
set(CMAKE_CROSSCOMPILING_EMULATOR ${SYNTH_QEMU_ARM} -L /)
