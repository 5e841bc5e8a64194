// The toolkit's plain records: the message, the point, the rectangle and the icon pair.

%{
#include "toolkit/uxDefs.h"
#include "BindingRecords.h"
%}

// Declared in this order so the dispatcher's prototype list reads the same; trial goes by
// argument count, pointer forms before integer ones.
typedef struct tagUX_Message {
  uint32_t type;
  uint32_t param;
  uint32_t flag;
  uint32_t arg;
  void *pData;
  int32_t m_x;
  int32_t m_y;
  int32_t m_evt_type;
  tagUX_Message(int type);
  tagUX_Message(int type, int param, void *pData);
  tagUX_Message(int type, int param, void *pData, int flag);
  tagUX_Message(int type, int param, int flag);
  tagUX_Message(int type, int m_x, int m_y, int m_evt_type);
  tagUX_Message(int type, int param, int flag, void *pData);
  tagUX_Message();
} tUX_Message;

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

// A rectangle passed by value is rebuilt from its corners, as the copy form above: width and
// height are worked out again, so one whose width member went stale still means its corners.
%typemap(in, noblock=1) uxRECT (void *argp = 0, int res = 0) {
  res = SWIG_ConvertPtr($input, &argp, $&descriptor, 0);
  if (!SWIG_IsOK(res)) {
    SWIG_exception_fail(SWIG_ArgError(res), "in method '$symname', argument $argnum of type '$type'");
  }
  if (!argp) {
    SWIG_exception_fail(SWIG_ValueError, "invalid null reference in method '$symname', argument $argnum of type '$type'");
  }
  {
    const uxRECT& given = *static_cast<const uxRECT*>(argp);
    $1 = uxRECT(given.left, given.top, given.right, given.bottom);
  }
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER, noblock=1) uxRECT {
  void* vptr = 0;
  int res = SWIG_ConvertPtr($input, &vptr, $&descriptor, 0);
  $1 = SWIG_CheckState(res);
}

typedef struct tagStdIconItem {
  int index;
  int indexGreyed;
} tStdIconItem;
