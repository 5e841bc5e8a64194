// The toolkit's plain geometry records: the point and the rectangle. They are declared ahead
// of their classes in frame.i, where the base element already takes them.

%{
#include "toolkit/uxDefs.h"
%}

typedef struct tag_uxPOINT {
  int32_t x;
  int32_t y;
  tag_uxPOINT(tag_uxPOINT const &point);
  tag_uxPOINT(int32_t x, int32_t y);
  tag_uxPOINT();
} uxPOINT;

// width and height are stored, not computed; the setters write one member only.
typedef struct tag_uxRECT {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
  int32_t width;
  int32_t height;
  // A copy takes the corners only: width and height are worked out again, so a rectangle
  // whose width member was overwritten comes back whole.
  %extend {
    tag_uxRECT(tag_uxRECT const &rect) { return new tag_uxRECT(rect.left, rect.top, rect.right, rect.bottom); }
  }
  tag_uxRECT(int32_t left, int32_t top, int32_t right, int32_t bottom);
  tag_uxRECT();
  void setWidth(int w);
  void setHeight(int h);
  void size(int w, int h);
  void move(int dx, int dy);
} uxRECT;
