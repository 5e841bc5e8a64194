#include "platform/MemoryFrameBuffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

MemoryFrameBuffer::MemoryFrameBuffer(const std::string& path) : MemoryFrameBuffer(Format{}, path) {}

MemoryFrameBuffer::MemoryFrameBuffer(Format format, const std::string& path) : format_(format) {
  if (format_.lineLength == 0) format_.lineLength = format_.xres * (format_.bitsPerPixel / 8);
  bytes_ = std::size_t{format_.lineLength} * format_.yres;
  fd_ = path.empty() ? ::memfd_create("framebuffer", MFD_CLOEXEC)
                     : ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0 || ::ftruncate(fd_, static_cast<off_t>(bytes_)) != 0) return;
  void* p = ::mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (p != MAP_FAILED) pixels_ = static_cast<uint8_t*>(p);
}

MemoryFrameBuffer::~MemoryFrameBuffer() {
  if (pixels_) ::munmap(pixels_, bytes_);
  if (fd_ >= 0) ::close(fd_);
}

uint32_t MemoryFrameBuffer::Pixel(uint32_t x, uint32_t y) const {
  uint32_t v = 0;
  if (pixels_ && x < format_.xres && y < format_.yres && format_.bitsPerPixel == 32) {
    std::memcpy(&v, pixels_ + std::size_t{y} * format_.lineLength + x * 4u, 4);
  }
  return v;
}

void MemoryFrameBuffer::SetPixel(uint32_t x, uint32_t y, uint32_t colour) {
  if (pixels_ && x < format_.xres && y < format_.yres && format_.bitsPerPixel == 32) {
    std::memcpy(pixels_ + std::size_t{y} * format_.lineLength + x * 4u, &colour, 4);
  }
}

int MemoryFrameBuffer::Open() {
  if (!pixels_) {
    errno = ENODEV;
    return -1;
  }
  return ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
}

int MemoryFrameBuffer::GetFixedInfo(int, fb_fix_screeninfo* info) {
  std::memset(info, 0, sizeof *info);
  std::strncpy(info->id, "memoryfb", sizeof info->id - 1);
  info->smem_len = static_cast<uint32_t>(bytes_);
  info->type = FB_TYPE_PACKED_PIXELS;
  info->visual = FB_VISUAL_TRUECOLOR;
  info->line_length = format_.lineLength;
  return 0;
}

int MemoryFrameBuffer::GetVariableInfo(int, fb_var_screeninfo* info) {
  std::memset(info, 0, sizeof *info);
  info->xres = info->xres_virtual = format_.xres;
  info->yres = info->yres_virtual = format_.yres;
  info->bits_per_pixel = format_.bitsPerPixel;
  if (format_.bitsPerPixel == 32) {
    info->red = {16, 8, 0};
    info->green = {8, 8, 0};
    info->blue = {0, 8, 0};
  } else {
    info->red = {11, 5, 0};
    info->green = {5, 6, 0};
    info->blue = {0, 5, 0};
  }
  return 0;
}

void* MemoryFrameBuffer::Map(int fd, std::size_t bytes) {
  if (bytes > bytes_) {
    errno = EINVAL;
    return MAP_FAILED;
  }
  return ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
}

void MemoryFrameBuffer::Unmap(void* address, std::size_t bytes) { ::munmap(address, bytes); }

void MemoryFrameBuffer::Close(int fd) { ::close(fd); }

}  // namespace platform
