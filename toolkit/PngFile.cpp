#include "toolkit/PngFile.h"

#include <png.h>

#include <cstring>
#include <vector>

bool WritePngFile(const std::string& path, const uint32_t* pixels, int width, int height) {
  if (pixels == nullptr || width <= 0 || height <= 0) return false;
  // The top byte set: the words are then the simplified interface's BGRA on this byte order.
  std::vector<uint32_t> opaque(pixels, pixels + std::size_t(width) * height);
  for (uint32_t& p : opaque) p |= 0xFF000000u;
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(width);
  png.height = static_cast<png_uint_32>(height);
  png.format = PNG_FORMAT_BGRA;
  const bool written = png_image_write_to_file(&png, path.c_str(), 0, opaque.data(), 0, nullptr) != 0;
  png_image_free(&png);
  return written;
}
