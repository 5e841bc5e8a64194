#pragma once
// The pictures the pages load from the image folder, drawn in the instrument's own look (the
// theme's colours, the toolkit's fonts) through its drawing context, on a screen in memory,
// and written as PNG files.
#include <cstddef>

class uxDC;

class FactoryPictures {
 public:
  struct Picture {
    const char* name;  // the file name the pages ask for
    int width;
    int height;
    void (*draw)(uxDC& dc, int width, int height);
  };
  static constexpr std::size_t kCount = 39;
  static const Picture kPictures[kCount];

  // Draws every picture into "/usr/share/ruv/gui/" under the data root; false (after a line
  // on stderr) when one could not be drawn or written.
  static bool Write();
};
