#include "app/ProgramLoader.h"

#include <linux/capability.h>

#include <mutex>

#include "app/Capabilities.h"

ProgramLoader::ProgramLoader(Job job) : job_(std::move(job)), thread_([this] { Run(); }) {}

ProgramLoader::~ProgramLoader() { Stop(); }

void ProgramLoader::Request(int part, int program) {
  if (part < 0 || part >= kParts) return;
  {
    std::lock_guard<platform::PiMutex> lock(mutex_);
    if (stop_) return;
    pending_[part] = program;
  }
  wake_.notify_one();
}

void ProgramLoader::WaitIdle() {
  std::unique_lock<platform::PiMutex> lock(mutex_);
  idle_.wait(lock, [this] {
    if (running_) return false;
    for (int program : pending_)
      if (program >= 0) return false;
    return true;
  });
}

void ProgramLoader::Stop() {
  {
    std::lock_guard<platform::PiMutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ProgramLoader::Run() {
  // Capabilities are each thread's own and this thread starts with the instrument's objects,
  // before start-up lowers the main thread's: it keeps no more than every later thread does.
  app::KeepOnlyCapabilities({CAP_SYS_NICE});
  std::unique_lock<platform::PiMutex> lock(mutex_);
  for (;;) {
    int part = -1;
    wake_.wait(lock, [&] {
      if (stop_) return true;
      // The parts take turns from the one after the last served, so a stream of changes
      // on one part never keeps another part's change waiting.
      for (int k = 1; k <= kParts && part < 0; ++k) {
        const int p = (last_ + k) % kParts;
        if (pending_[p] >= 0) part = p;
      }
      return part >= 0;
    });
    if (stop_) break;
    last_ = part;
    const int program = pending_[part];
    pending_[part] = -1;
    running_ = true;
    lock.unlock();
    job_(part, program);
    lock.lock();
    running_ = false;
    idle_.notify_all();
  }
  for (int& program : pending_) program = -1;
  running_ = false;
  idle_.notify_all();
}
