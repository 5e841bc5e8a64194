#pragma once
// The display's framebuffer as the drawing context uses it: open, the two screen-information
// queries, map, unmap, close. The real device is "/dev/fb0"; the stand-in is a memory
// framebuffer of the same format. Each step reports failure as the system call does
// (-1 or MAP_FAILED with errno set).
#include <linux/fb.h>

#include <cstddef>

namespace platform {

class FrameBufferDevice {
 public:
  virtual ~FrameBufferDevice() = default;
  virtual int Open() = 0;
  virtual int GetFixedInfo(int fd, fb_fix_screeninfo* info) = 0;
  virtual int GetVariableInfo(int fd, fb_var_screeninfo* info) = 0;
  virtual void* Map(int fd, std::size_t bytes) = 0;
  virtual void Unmap(void* address, std::size_t bytes) = 0;
  virtual void Close(int fd) = 0;
};

// "/dev/fb0" under the data root.
class LinuxFrameBuffer : public FrameBufferDevice {
 public:
  int Open() override;
  int GetFixedInfo(int fd, fb_fix_screeninfo* info) override;
  int GetVariableInfo(int fd, fb_var_screeninfo* info) override;
  void* Map(int fd, std::size_t bytes) override;
  void Unmap(void* address, std::size_t bytes) override;
  void Close(int fd) override;
};

// The device a drawing context made without one uses: "/dev/fb0", until a start-up picks a
// stand-in. `device` must outlive every context made while it is set; nullptr restores the
// real device.
FrameBufferDevice& DefaultFrameBuffer();
void SetDefaultFrameBuffer(FrameBufferDevice* device);

}  // namespace platform
