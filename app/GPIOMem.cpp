#include "app/GPIOMem.h"

#include "app/Capabilities.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void SleepMicros(long us) {
  timespec t{0, us * 1000};
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

}  // namespace

GPIOMem::~GPIOMem() {
  if (regs_ != nullptr) munmap(const_cast<uint32_t*>(regs_), kBlockBytes);
}

int GPIOMem::Open(const std::string& path, off_t offset) {
  if (privilegeCheck_ && app::HasEffectiveCapability(CAP_SYS_RAWIO) != 1 && geteuid() != 0) {
    std::fprintf(stderr, "GPIOMem: Nedded capabilities not set and no root user rights for /dev/mem - uid: %d\n",
                 static_cast<int>(getuid()));
    return -3;
  }
  const int fd = open(path.c_str(), O_RDWR | O_SYNC | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "GPIOMem: Error on open /dev/mem: %s\n", std::strerror(errno));
    return -1;
  }
  void* block = mmap(nullptr, kBlockBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
  close(fd);
  if (block == MAP_FAILED) return -2;
  if (regs_ != nullptr) munmap(const_cast<uint32_t*>(regs_), kBlockBytes);
  regs_ = static_cast<volatile uint32_t*>(block);
  return 0;
}

uint32_t GPIOMem::Load(int word) { return regs_ != nullptr ? regs_[word] : 0; }

void GPIOMem::Store(int word, uint32_t value) {
  if (regs_ != nullptr) regs_[word] = value;
}

void GPIOMem::SetFunction(int pin, int function) {
  const int word = kFunctionSelect + pin / 10;
  const int shift = 3 * (pin % 10);
  const uint32_t v = (Load(word) & ~(7u << shift)) | ((static_cast<uint32_t>(function) & 7u) << shift);
  Store(word, v);
}

void GPIOMem::SetPull(int pin, int mode) {
  // The pull setting latches on the clock pulse; the controller needs the 10 us on each side.
  Store(kPullControl, static_cast<uint32_t>(mode));
  SleepMicros(10);
  Store(kPullClock + pin / 32, 1u << (pin % 32));
  SleepMicros(10);
  Store(kPullControl, 0);
  Store(kPullClock + pin / 32, 0);
}

void GPIOMem::Write(int pin, bool level) {
  Store((level ? kOutputSet : kOutputClear) + pin / 32, 1u << (pin % 32));
}

int GPIOMem::Read(int pin) { return (Load(kLevel + pin / 32) >> (pin % 32)) & 1u; }
