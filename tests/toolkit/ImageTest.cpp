// Images: PNG loading checked against pictures written by an encoder independent of libpng,
// drawing and reading back, the caller-owned image records, and the screen dump read by an
// independent decoder.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <zlib.h>

#include "platform/MemoryFrameBuffer.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxDC.h"

namespace {

const std::string kTool = std::string("python3 ") + SYNTH_TOOLKIT_SOURCE_DIR + "/png_tool.py";

class Images : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(dc_.Init(), 0);
    dir_ = root_.MakeDir(PATH_IMAGES);
  }

  // Writes a fixture picture into the image directory; returns its pixels as R,G,B,A words.
  std::vector<uint32_t> Fixture(const std::string& name, const std::string& kind) {
    const auto out = testing_support::RunCommand(kTool + " fixture " + dir_ + name + " " + kind);
    EXPECT_EQ(out.status, 0) << out.text;
    std::vector<uint32_t> words;
    std::istringstream in(out.text);
    std::string hex;
    while (in >> hex) {
      const uint32_t rgba = static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
      // bytes R, G, B, A in memory order
      words.push_back(((rgba >> 24) & 0xFF) | ((rgba >> 8) & 0xFF00) | ((rgba << 8) & 0xFF0000) | (rgba << 24));
    }
    return words;
  }

  testing_support::TempDataRoot root_;
  testing_support::LogCapture log_;
  platform::MemoryFrameBuffer fb_;
  uxDC dc_{&fb_};
  std::string dir_;
};

// 16-bit pictures without a gAMA chunk are sRGB like every other picture here: they come in
// with each sample rounded to 8 bits, not gamma-encoded as if they were linear light.
TEST_F(Images, LoadsEveryColourTypeAsRgbaBytes) {
  for (const char* kind : {"rgba", "rgb", "palette", "greyalpha", "rgba16", "rgb16", "grey16"}) {
    SCOPED_TRACE(kind);
    const std::string name = std::string(kind) + ".png";
    const std::vector<uint32_t> expected = Fixture(name, kind);
    ASSERT_EQ(expected.size(), 15u);
    const int index = dc_.loadImage(name.c_str());
    ASSERT_GE(index, 0);
    tImage img;
    ASSERT_TRUE(dc_.getImageRef(index, &img));
    EXPECT_EQ(img.name, name);
    EXPECT_EQ(img.width, 5);
    EXPECT_EQ(img.height, 3);
    EXPECT_EQ(std::vector<uint32_t>(img.data, img.data + 15), expected);
  }
}

TEST_F(Images, SameNameIsLoadedOnce) {
  Fixture("a.png", "rgb");
  Fixture("b.png", "rgba");
  EXPECT_EQ(dc_.loadImage("a.png"), 0);
  EXPECT_EQ(dc_.loadImage("b.png"), 1);
  std::filesystem::remove(dir_ + "a.png");
  EXPECT_EQ(dc_.loadImage("a.png"), 0) << "answered from the list, not the file";
  EXPECT_EQ(dc_.Images().size(), 2u);
  // another directory
  const std::string other = root_.MakeDir("/elsewhere/");
  testing_support::RunCommand(kTool + " fixture " + other + "c.png palette");
  EXPECT_EQ(dc_.loadImage("c.png", other), 2);
}

TEST_F(Images, BrokenFilesAreRefusedAndAddNothing) {
  Fixture("good.png", "rgba");
  std::string bytes;
  {
    std::ifstream in(dir_ + "good.png", std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  auto write = [&](const std::string& name, const std::string& content) {
    std::ofstream(dir_ + name, std::ios::binary) << content;
  };
  write("truncated.png", bytes.substr(0, bytes.size() / 2));
  std::string badCrc = bytes;
  const std::size_t idat = badCrc.find("IDAT");
  badCrc[idat + 6] ^= 0x55;  // a byte of the compressed data; the chunk's CRC no longer fits
  write("badcrc.png", badCrc);
  write("empty.png", "");
  write("text.png", "not a picture at all");
  // A valid header claiming 60000 x 60000 pixels (14 GB decoded), then nothing.
  std::string huge = bytes.substr(0, 33);
  for (int at : {16, 20}) huge[at] = 0, huge[at + 1] = 0, huge[at + 2] = char(0xEA), huge[at + 3] = 0x60;
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(huge.data() + 12), 17);
  for (int i = 0; i < 4; ++i) huge[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
  write("huge.png", huge);
  for (const char* name : {"missing.png", "truncated.png", "badcrc.png", "empty.png", "text.png", "huge.png"}) {
    EXPECT_EQ(dc_.loadImage(name), -1) << name;
  }
  EXPECT_TRUE(dc_.Images().empty());
  EXPECT_EQ(dc_.loadImage("good.png"), 0);
}

// Loaded pictures are kept for good, so what one may cost is bounded: four screens.
TEST_F(Images, PicturesBeyondFourScreensAreRefused) {
  const struct {
    int width, height;
    bool loads;
  } cases[] = {{1600, 960, true}, {1601, 960, false}, {800, 1921, false}, {4096, 4096, false}, {65535, 1, true}};
  for (const auto& c : cases) {
    const std::string name = std::to_string(c.width) + "x" + std::to_string(c.height) + ".png";
    const auto out = testing_support::RunCommand(kTool + " blank " + dir_ + name + " " + std::to_string(c.width) +
                                                 " " + std::to_string(c.height));
    ASSERT_EQ(out.status, 0) << out.text;
    EXPECT_EQ(dc_.loadImage(name.c_str()) >= 0, c.loads) << name;
  }
}

TEST_F(Images, DrawImageTurnsRgbaIntoScreenColoursAndClips) {
  const std::vector<uint32_t> px = Fixture("p.png", "rgba");
  tImage img;
  ASSERT_TRUE(dc_.getImageRef(dc_.loadImage("p.png"), &img));
  auto screen = [&](int x, int y) {
    const uint32_t w = px[y * 5 + x];
    return ((w & 0xFF) << 16) | (w & 0xFF00) | ((w >> 16) & 0xFF);
  };
  dc_.BeginPaint(0, 0, 800, 480);
  dc_.FillFrame(0, 0, 99, 99, 0xEEEEEE);
  dc_.BeginPaint(10, 10, 4, 2);  // smaller than the picture: clipped to it
  dc_.DrawImage(0, 0, &img);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const uint32_t v = dc_.NormalLayer()[(10 + y) * 800 + 10 + x];
      EXPECT_EQ(v, x < 4 && y < 2 ? screen(x, y) : 0xEEEEEEu) << x << "," << y;
    }
  }
  // The six-argument form: columns from srcX, so many columns and rows; source pixels
  // beyond the picture are skipped.
  dc_.BeginPaint(20, 20, 50, 50);
  dc_.DrawImage(0, 0, &img, 3, 4, 5);
  EXPECT_EQ(dc_.NormalLayer()[20 * 800 + 20], screen(3, 0));
  EXPECT_EQ(dc_.NormalLayer()[22 * 800 + 21], screen(4, 2));
  EXPECT_EQ(dc_.NormalLayer()[20 * 800 + 22], 0xEEEEEEu);
  EXPECT_EQ(dc_.NormalLayer()[23 * 800 + 20], 0xEEEEEEu);
  dc_.DrawImage(0, 0, nullptr);
  dc_.DrawImage(0, 0, nullptr, 0, 1, 1);
}

TEST_F(Images, GetImageReadsBackWithRedAndBlueExchanged) {
  dc_.BeginPaint(0, 0, 800, 480);
  dc_.FillFrame(0, 0, 799, 479, 0);
  dc_.FillFrame(3, 4, 3, 4, 0x112233);
  dc_.FillFrame(5, 6, 5, 6, 0xAABBCC);
  tImage img = dc_.allocImage(uxRECT(3, 4, 6, 7), "grab");
  dc_.GetImage(uxRECT(3, 4, 6, 7), &img);
  EXPECT_EQ(img.data[0], 0x00332211u);
  EXPECT_EQ(img.data[2 * 3 + 2], 0x00CCBBAAu);
  // A size that does not match the rectangle leaves the image alone.
  img.data[0] = 7;
  dc_.GetImage(uxRECT(3, 4, 7, 7), &img);
  EXPECT_EQ(img.data[0], 7u);
  dc_.freeImage(&img);
  EXPECT_EQ(img.data, nullptr);
  EXPECT_EQ(img.width, 0);
  EXPECT_EQ(img.height, 0);
  EXPECT_EQ(img.name, "");
}

TEST_F(Images, ImageRecordsAndTheirLimits) {
  tImage img = dc_.allocImage(uxRECT(0, 0, 7, 3), "seven");
  EXPECT_EQ(img.name, "seven");
  EXPECT_EQ(img.width, 7);
  EXPECT_EQ(img.height, 3);
  dc_.freeImage(&img);
  EXPECT_THROW(dc_.allocImage(uxRECT(0, 0, -1, 10), "neg"), std::bad_array_new_length);
  EXPECT_THROW(dc_.allocImage(uxRECT(0, 0, 0x10000, 0x2000), "big"), std::bad_array_new_length);

  tImage out;
  out.name = "kept";
  out.width = 9;
  EXPECT_FALSE(dc_.getImageRef(-1, &out));
  EXPECT_EQ(out.name, "kept");
  EXPECT_EQ(out.data, nullptr);
  EXPECT_EQ(out.width, 0);
  EXPECT_FALSE(dc_.getImageRef(5, &out)) << "an index past the list is refused, not read";
  dc_.deleteImage(0);
}

TEST_F(Images, ScreenDumpIsAPngOfTheScreen) {
  // A file-backed screen, so the independent decoder can compare with it.
  const std::string raw = root_.Root() + "/screen.raw";
  platform::MemoryFrameBuffer fb(raw);
  uxDC dc(&fb);
  ASSERT_EQ(dc.Init(), 0);
  dc.FillScreen(0x102030);
  dc.BeginPaint(100, 50, 300, 200);
  dc.FillCircle(150, 100, 90, 0xFF8000);
  dc.FontSelect(13);
  dc.SetForecolor(0xFFFFFF);
  dc.SetBackcolor(0x000080);
  dc.PutString(10, 10, "Dump");
  dc.EndPaint();
  // A popup on screen: the dump shows it and the layer under it is kept.
  dc.BeginPaint(0, 0, 50, 50, EXCLUSIVE_REGION);
  dc.FillFrame(0, 0, 49, 49, 0x00FF00);
  dc.EndPaint();
  log_.Clear();
  dc.saveScreen("screen_save0");
  EXPECT_EQ(log_.Text(), "Screen Saved\n");
  const std::string png = dir_ + "screen_save0.png";
  const auto out = testing_support::RunCommand(kTool + " compare " + png + " " + raw + " 800 480");
  EXPECT_EQ(out.text, "match\n");
  // And back in through the loader: the same colours, opaque.
  tImage back;
  ASSERT_TRUE(dc.getImageRef(dc.loadImage("screen_save0.png"), &back));
  ASSERT_EQ(back.width, 800);
  ASSERT_EQ(back.height, 480);
  for (int y = 0; y < 480; y += 7) {
    for (int x = 0; x < 800; x += 3) {
      const uint32_t c = fb.Pixel(x, y);
      const uint32_t rgba = ((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16) | 0xFF000000u;
      ASSERT_EQ(back.data[y * 800 + x], rgba) << x << "," << y;
    }
  }
  EXPECT_EQ(dc.NormalLayer()[10 * 800 + 10], 0u) << "the normal layer keeps what lies under the popup";
  dc.restoreExlusiveRegion();
  EXPECT_EQ(fb.Pixel(10, 10), 0u);
}

TEST_F(Images, ScreenDumpIsRefusedWhereItCannotBeMade) {
  // No image directory.
  std::filesystem::remove_all(dir_);
  dc_.saveScreen("x");
  EXPECT_FALSE(std::filesystem::exists(dir_ + "x.png"));
  // A screen smaller than the dump's fixed size.
  root_.MakeDir(PATH_IMAGES);
  platform::MemoryFrameBuffer small(platform::MemoryFrameBuffer::Format{640, 480, 32, 0});
  uxDC dc(&small);
  ASSERT_EQ(dc.Init(), 0);
  dc.saveScreen("y");
  EXPECT_FALSE(std::filesystem::exists(dir_ + "y.png"));
  // Before the display started.
  uxDC idle(&small);
  idle.saveScreen("z");
  EXPECT_FALSE(std::filesystem::exists(dir_ + "z.png"));
  EXPECT_EQ(log_.Text().find("Screen Saved"), std::string::npos);
}

}  // namespace
