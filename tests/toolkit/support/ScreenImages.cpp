#include "tests/toolkit/support/ScreenImages.h"

#include <png.h>

#include <cstdlib>
#include <cstring>

#include "toolkit/uxDC.h"

namespace toolkit_test {

Picture Snapshot(const uxDC& dc, Source source, int x0, int y0, int w, int h) {
  Picture p;
  p.width = w;
  p.height = h;
  p.pixels.resize(std::size_t(w) * h);
  const int sw = dc.ScreenRect().width;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int X = x0 + x, Y = y0 + y;
      uint32_t v = 0;
      if (source == Source::Screen) {
        v = dc.ScreenPixel(X, Y);
      } else if (dc.IsInitialised() && X >= 0 && Y >= 0 && X < sw && Y < dc.ScreenRect().height) {
        const uint32_t* layer = source == Source::NormalLayer ? dc.NormalLayer() : dc.ExclusiveLayer();
        v = layer[std::size_t(Y) * sw + X];
      }
      p.pixels[std::size_t(y) * w + x] = v;
    }
  }
  return p;
}

bool WritePng(const std::string& path, const Picture& picture) {
  std::vector<uint32_t> bgra(picture.pixels.size());
  for (std::size_t i = 0; i < bgra.size(); ++i) bgra[i] = picture.pixels[i] | 0xFF000000u;
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(picture.width);
  png.height = static_cast<png_uint_32>(picture.height);
  png.format = PNG_FORMAT_BGRA;
  const bool ok = png_image_write_to_file(&png, path.c_str(), 0, bgra.data(), 0, nullptr) != 0;
  png_image_free(&png);
  return ok;
}

bool ReadPng(const std::string& path, Picture* picture) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
  png.format = PNG_FORMAT_BGRA;
  picture->width = static_cast<int>(png.width);
  picture->height = static_cast<int>(png.height);
  picture->pixels.assign(std::size_t(png.width) * png.height, 0);
  const bool ok = png_image_finish_read(&png, nullptr, picture->pixels.data(), 0, nullptr) != 0;
  png_image_free(&png);
  for (uint32_t& v : picture->pixels) v &= 0xFFFFFFu;
  return ok;
}

::testing::AssertionResult MatchesGolden(const std::string& name, const Picture& picture) {
  return MatchesGolden(std::string(SYNTH_TOOLKIT_SOURCE_DIR) + "/golden", name, picture);
}

::testing::AssertionResult MatchesGolden(const std::string& folder, const std::string& name, const Picture& picture) {
  const std::string golden = folder + "/" + name + ".png";
  const char* regolden = std::getenv("SYNTH_TOOLKIT_REGOLDEN");
  if (regolden && std::strcmp(regolden, "1") == 0) {
    return WritePng(golden, picture) ? ::testing::AssertionSuccess() << "rewrote " << golden
                                     : ::testing::AssertionFailure() << "cannot write " << golden;
  }
  Picture expected;
  if (!ReadPng(golden, &expected)) return ::testing::AssertionFailure() << "cannot read " << golden;
  if (expected.width == picture.width && expected.height == picture.height && expected.pixels == picture.pixels) {
    return ::testing::AssertionSuccess();
  }
  const std::string out = ::testing::TempDir() + name;
  WritePng(out + ".actual.png", picture);
  if (expected.width == picture.width && expected.height == picture.height) {
    Picture diff = picture;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < diff.pixels.size(); ++i) {
      const bool d = picture.pixels[i] != expected.pixels[i];
      differing += d;
      diff.pixels[i] = d ? 0xFFFFFF : 0;
    }
    WritePng(out + ".diff.png", diff);
    return ::testing::AssertionFailure() << differing << " pixels differ from " << golden << "; see " << out
                                         << ".actual.png and .diff.png";
  }
  return ::testing::AssertionFailure() << "size " << picture.width << "x" << picture.height << " differs from "
                                       << golden << "; see " << out << ".actual.png";
}

}  // namespace toolkit_test
