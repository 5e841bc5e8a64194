#pragma once
// One of several images from the image directory, shown at a fixed place. The images stay
// in the drawing context; the element keeps their indexes and the record of the one shown.
#include <string>
#include <vector>

#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"

class uxImage : public uxBaseElement {
 public:
  uxImage(uxHost* manager, uxPOINT pos, const char* file, const std::string& directory);
  uxImage(uxHost* manager, uxPOINT pos, const char* file);

  int OnPaint() override;

  // The image's position in this element's list, or -1 when it cannot be loaded.
  int addImage(const char* file);
  void showImage(int n);
  // The position in the list of the image shown last (0 at start).
  int shownImage() const { return shownIndex_; }

 private:
  void Place(uxPOINT pos, int index);

  std::vector<int32_t> images_;
  tImage shown_;
  int shownIndex_ = 0;
};
