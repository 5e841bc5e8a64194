#pragma once
// A memory framebuffer whose n-th step fails as the system call would, so each of the
// drawing context's start-up failures can be produced.
#include <sys/mman.h>

#include <cerrno>

#include "platform/MemoryFrameBuffer.h"

namespace toolkit_test {

class FailingFrameBuffer : public platform::MemoryFrameBuffer {
 public:
  enum Step { kOpen, kFixedInfo, kVariableInfo, kMap };
  explicit FailingFrameBuffer(Step failing) : failing_(failing) {}

  int Open() override {
    if (failing_ == kOpen) {
      errno = ENOENT;
      return -1;
    }
    return MemoryFrameBuffer::Open();
  }
  int GetFixedInfo(int fd, fb_fix_screeninfo* info) override {
    if (failing_ == kFixedInfo) return Fail(ENOTTY);
    return MemoryFrameBuffer::GetFixedInfo(fd, info);
  }
  int GetVariableInfo(int fd, fb_var_screeninfo* info) override {
    if (failing_ == kVariableInfo) return Fail(ENOTTY);
    return MemoryFrameBuffer::GetVariableInfo(fd, info);
  }
  void* Map(int fd, std::size_t bytes) override {
    if (failing_ == kMap) {
      errno = ENOMEM;
      return MAP_FAILED;
    }
    return MemoryFrameBuffer::Map(fd, bytes);
  }
  void Close(int fd) override {
    ++closes;
    MemoryFrameBuffer::Close(fd);
  }

  int closes = 0;

 private:
  static int Fail(int error) {
    errno = error;
    return -1;
  }
  Step failing_;
};

}  // namespace toolkit_test
