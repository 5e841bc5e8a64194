#pragma once
// Stand-in for the display: a framebuffer in memory with the device's format (800x480,
// 32 bpp XRGB, red/green/blue at bits 16/8/0), answering the screen-information queries the
// way the driver does. Backed by an anonymous memory file, or by a regular file mapped
// shared so another process can read the screen. Other formats (16 bpp, padded lines) are
// there to test how the drawing context treats them.
#include <cstdint>
#include <string>

#include "platform/FrameBufferDevice.h"

namespace platform {

class MemoryFrameBuffer : public FrameBufferDevice {
 public:
  struct Format {
    uint32_t xres = 800;
    uint32_t yres = 480;
    uint32_t bitsPerPixel = 32;
    uint32_t lineLength = 0;  // bytes per line; 0 gives xres * bytes per pixel
  };

  // An empty `path` keeps the screen in anonymous memory.
  explicit MemoryFrameBuffer(const std::string& path = "");
  MemoryFrameBuffer(Format format, const std::string& path = "");
  ~MemoryFrameBuffer() override;
  MemoryFrameBuffer(const MemoryFrameBuffer&) = delete;
  MemoryFrameBuffer& operator=(const MemoryFrameBuffer&) = delete;

  bool Valid() const { return pixels_ != nullptr; }
  const Format& format() const { return format_; }
  // The screen as the display would show it; a 32 bpp pixel is the word 0x00RRGGBB.
  uint32_t Pixel(uint32_t x, uint32_t y) const;
  void SetPixel(uint32_t x, uint32_t y, uint32_t colour);
  std::size_t Bytes() const { return bytes_; }
  // The whole screen memory (Bytes() long), for a viewer that shows it.
  const uint8_t* Data() const { return pixels_; }

  int Open() override;
  int GetFixedInfo(int fd, fb_fix_screeninfo* info) override;
  int GetVariableInfo(int fd, fb_var_screeninfo* info) override;
  void* Map(int fd, std::size_t bytes) override;
  void Unmap(void* address, std::size_t bytes) override;
  void Close(int fd) override;

 private:
  Format format_;
  int fd_ = -1;
  std::size_t bytes_ = 0;
  uint8_t* pixels_ = nullptr;
};

}  // namespace platform
