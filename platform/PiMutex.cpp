#include "platform/PiMutex.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace platform {

PiMutex::PiMutex(Kind kind) {
  pthread_mutexattr_t attr;
  if (const int err = pthread_mutexattr_init(&attr)) Fail(err, "pthread_mutexattr_init");
  int err = pthread_mutexattr_setprotocol(&attr, PTHREAD_PRIO_INHERIT);
  if (err == 0 && kind == kRecursive) err = pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  if (err == 0) err = pthread_mutex_init(&mutex_, &attr);
  pthread_mutexattr_destroy(&attr);
  if (err) Fail(err, "pthread_mutex_init with priority inheritance");
}

PiMutex::~PiMutex() {
  if (const int err = pthread_mutex_destroy(&mutex_)) {
    std::fprintf(stderr, "PiMutex: pthread_mutex_destroy: %s\n", std::strerror(err));
    std::abort();
  }
}

void PiMutex::Fail(int err, const char* call) { throw std::system_error(err, std::generic_category(), call); }

}  // namespace platform
