#include "platform/FrameBufferDevice.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>

#include "platform/Paths.h"

namespace platform {

int LinuxFrameBuffer::Open() { return ::open(DataPath("/dev/fb0").c_str(), O_RDWR | O_CLOEXEC); }

int LinuxFrameBuffer::GetFixedInfo(int fd, fb_fix_screeninfo* info) { return ::ioctl(fd, FBIOGET_FSCREENINFO, info); }

int LinuxFrameBuffer::GetVariableInfo(int fd, fb_var_screeninfo* info) {
  return ::ioctl(fd, FBIOGET_VSCREENINFO, info);
}

void* LinuxFrameBuffer::Map(int fd, std::size_t bytes) {
  return ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
}

void LinuxFrameBuffer::Unmap(void* address, std::size_t bytes) { ::munmap(address, bytes); }

void LinuxFrameBuffer::Close(int fd) { ::close(fd); }

namespace {
LinuxFrameBuffer g_linuxFrameBuffer;
std::atomic<FrameBufferDevice*> g_defaultFrameBuffer{&g_linuxFrameBuffer};
}  // namespace

FrameBufferDevice& DefaultFrameBuffer() { return *g_defaultFrameBuffer.load(std::memory_order_acquire); }

void SetDefaultFrameBuffer(FrameBufferDevice* device) {
  g_defaultFrameBuffer.store(device ? device : &g_linuxFrameBuffer, std::memory_order_release);
}

}  // namespace platform
