#pragma once
// A mutex with priority inheritance, for locks that real-time threads take: a render thread
// waiting for a lower-priority thread (GUI, loader) lends it its priority until the lock is
// released. BasicLockable, so std::lock_guard works with it.
#include <pthread.h>

namespace platform {

class PiMutex {
 public:
  PiMutex() {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setprotocol(&attr, PTHREAD_PRIO_INHERIT);
    pthread_mutex_init(&mutex_, &attr);
    pthread_mutexattr_destroy(&attr);
  }
  ~PiMutex() { pthread_mutex_destroy(&mutex_); }
  PiMutex(const PiMutex&) = delete;
  PiMutex& operator=(const PiMutex&) = delete;

  void lock() { pthread_mutex_lock(&mutex_); }
  void unlock() { pthread_mutex_unlock(&mutex_); }

 private:
  pthread_mutex_t mutex_;
};

}  // namespace platform
