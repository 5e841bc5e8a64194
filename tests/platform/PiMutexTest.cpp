#include <gtest/gtest.h>

#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/PiMutex.h"

namespace {

// Unlocking a mutex this thread does not hold is a fault the caller must hear of.
TEST(PiMutex, UnlockWithoutTheLockIsReported) {
  platform::PiMutex mutex;
  EXPECT_THROW(mutex.unlock(), std::system_error);
  {
    std::lock_guard<platform::PiMutex> lock(mutex);
  }
  EXPECT_THROW(mutex.unlock(), std::system_error);
}

TEST(PiMutexDeathTest, DestroyingALockedMutexEndsTheProcess) {
  EXPECT_DEATH(
      {
        auto* mutex = new platform::PiMutex;
        mutex->lock();
        delete mutex;
      },
      "pthread_mutex_destroy");
}

// A plain counter under the lock: a lost update (or, under ThreadSanitizer, a race report)
// shows a lock that did not exclude.
TEST(PiMutexThreads, ExcludesOtherThreads) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 5000;
  platform::PiMutex mutex;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        std::lock_guard<platform::PiMutex> lock(mutex);
        ++counter;
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(counter, static_cast<long>(kThreads) * kRounds);
}

}  // namespace
