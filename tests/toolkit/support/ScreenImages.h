#pragma once
// PNG files of what the drawing context holds: a snapshot of any layer or of the screen for
// a person to look at, and exact comparison against committed golden images.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class uxDC;

namespace toolkit_test {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB
  uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

enum class Source { Screen, NormalLayer, ExclusiveLayer };

// The rectangle (x, y, w, h) of a layer or the screen.
Picture Snapshot(const uxDC& dc, Source source, int x, int y, int w, int h);
bool WritePng(const std::string& path, const Picture& picture);
bool ReadPng(const std::string& path, Picture* picture);

// Compares with tests/toolkit/golden/<name>.png. On a difference it writes <name>.actual.png
// and <name>.diff.png (differing pixels white) to the test output directory and says where.
// With SYNTH_TOOLKIT_REGOLDEN=1 in the environment it writes the golden image instead.
::testing::AssertionResult MatchesGolden(const std::string& name, const Picture& picture);
// The same against <folder>/<name>.png, for golden images kept beside other tests.
::testing::AssertionResult MatchesGolden(const std::string& folder, const std::string& name, const Picture& picture);

}  // namespace toolkit_test
