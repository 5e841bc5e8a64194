#pragma once
// A mutex with priority inheritance, for locks that real-time threads take: a render thread
// waiting for a lower-priority thread (GUI, loader) lends it its priority until the lock is
// released. BasicLockable, so std::lock_guard works with it.
//
// Failures are not ignored: a mutex that could not be made, locked or unlocked protects
// nothing. Construction and lock() throw std::system_error as std::mutex does; an unlock
// by a thread that does not hold the lock throws too; destroying a locked mutex ends the
// process, since a thread is then inside the critical section of an object being freed.
#include <pthread.h>

#include <cerrno>

namespace platform {

class PiMutex {
 public:
  // A recursive mutex may be taken again by the thread that holds it (code that can be
  // reached both from inside and from outside the lock).
  enum Kind { kNormal, kRecursive };
  explicit PiMutex(Kind kind = kNormal);
  ~PiMutex();
  PiMutex(const PiMutex&) = delete;
  PiMutex& operator=(const PiMutex&) = delete;

  void lock() {
    if (const int err = pthread_mutex_lock(&mutex_)) Fail(err, "pthread_mutex_lock");
  }
  // Never waits: false while another thread holds the lock (a real-time thread that must
  // not be held up skips its work instead).
  bool try_lock() {
    const int err = pthread_mutex_trylock(&mutex_);
    if (err == EBUSY) return false;
    if (err) Fail(err, "pthread_mutex_trylock");
    return true;
  }
  void unlock() {
    if (const int err = pthread_mutex_unlock(&mutex_)) Fail(err, "pthread_mutex_unlock");
  }

 private:
  [[noreturn]] static void Fail(int err, const char* call);

  pthread_mutex_t mutex_;
};

}  // namespace platform
