// The drawing context: the framebuffer, the paint region, clipping, panning, the exclusive
// region of popups, the built-in fonts, the loaded pictures and the drawing primitives.
// Coordinate forms come before record forms, so the dispatchers list them in that order.

%{
#include <stdexcept>
#include <string>

#include "toolkit/uxDC.h"
#include "ScriptImages.h"
%}

// Texts and records the toolkit reads without a check.
%apply char *NOT_NONE { char *text, char *name, char *file };
%apply char const *NOT_NONE { char const *name };
%apply SWIGTYPE *NOT_NONE { tImage *out, tImage *allocated, uxRECT *rect };

// An index that names no picture would be read past the context's list.
%exception uxDC::getImageRef {
  if (arg2 != -1 && (arg2 < 0 || std::size_t(arg2) >= arg1->Images().size())) {
    PyErr_Format(PyExc_IndexError, "in method 'uxDC_getImageRef', image index %d is neither -1 nor a loaded image", arg2);
    SWIG_fail;
  }
  $action
}

// Only pixels allocImage made, once each: a context's own picture would be freed again when
// the context goes, and a second record sharing freed pixels would free them twice.
%exception uxDC::freeImage {
  if (arg2->data && !tovgui::ScriptImages::Instance().TakeAllocated(arg2->data)) {
    PyErr_SetString(PyExc_ValueError,
                    "in method 'uxDC_freeImage', argument 2: the image's pixels were not made by allocImage or are freed");
    SWIG_fail;
  }
  $action
}

// A record whose pixels were freed, or whose width and height were set larger than its
// pixels, would be read or written past them.
%exception uxDC::DrawImage {
  if (arg4 && !tovgui::ScriptImages::Instance().Fits(*arg4)) {
    PyErr_SetString(PyExc_ValueError,
                    "in method 'uxDC_DrawImage', argument 4: the image's pixels are freed or smaller than its size");
    SWIG_fail;
  }
  $action
}
%exception uxDC::GetImage {
  if (arg3 && !tovgui::ScriptImages::Instance().Fits(*arg3)) {
    PyErr_SetString(PyExc_ValueError,
                    "in method 'uxDC_GetImage', argument 3: the image's pixels are freed or smaller than its size");
    SWIG_fail;
  }
  $action
}

%newobject uxDC::allocImage;
TOVGUI_REFUSES_TWICE(uxDC::allocImage)

class uxDC {
 public:
  // The module keeps count of the contexts scripts made: their pictures are the pixels a
  // script's record may point at.
  %extend {
    uxDC() {
      auto* dc = new uxDC();
      tovgui::ScriptImages::Instance().AddContext(dc);
      return dc;
    }
    // Managers made with the context keep it until they end (lifetime.i).
    ~uxDC() { tovgui_life::Drop($self, &tovgui_life::FinishContext); }
  }
  int Init();
  tFontSize getFontSize(int font);
  void saveScreen(char const *name);
  int loadImage(char *file, std::string directory);
  int loadImage(char *file);
  void deleteImage(int index);
  bool getImageRef(int index, tImage *out);
  void DrawImage(int16_t x, int16_t y, tImage const *image, int offset, int width, int rows = 0);
  void DrawImage(int16_t x, int16_t y, tImage const *image);
  %extend {
    // The pixels belong to the record made here: freed by freeImage or with the record,
    // whichever comes first.
    tImage *allocImage(uxRECT rect, char *name) {
      if (rect.width < 0 || rect.height < 0)
        throw std::invalid_argument("in method 'uxDC_allocImage', argument 2: the size " + std::to_string(rect.width) +
                                    " x " + std::to_string(rect.height) + " is negative");
      auto* image = new tImage($self->allocImage(rect, name));
      tovgui::ScriptImages::Instance().AddAllocated(image->data, std::size_t(rect.width) * std::size_t(rect.height), image);
      return image;
    }
  }
  void freeImage(tImage *allocated);
  void GetImage(uxRECT rect, tImage *image);
  bool BeginPaint(int16_t x, int16_t y, int16_t w, int16_t h, bool exclusive = false, bool direct = false);
  void EndPaint();
  void resetExclusiveRegion();
  void restoreExlusiveRegion();
  uxFONT FontSelect(uint16_t font);
  void FillScreen(uxCOLOR colour);
  void FillFrame(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uxCOLOR colour);
  void FillFrame(uxRECT rect, uxCOLOR colour);
  void FillRoundFrame(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t radius, uxCOLOR colour);
  void FillRoundFrame(uxRECT rect, int16_t radius, uxCOLOR colour);
  void DrawMesh(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uxCOLOR colour);
  void DrawMesh(uxRECT rect, uxCOLOR colour);
  void DrawFrame(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uxCOLOR colour);
  void DrawFrame(uxRECT rect, uxCOLOR colour);
  void DrawRoundFrame(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t radius, uxCOLOR colour);
  void DrawRoundFrame(uxRECT rect, int16_t radius, uxCOLOR colour);
  void DrawPixel(int16_t x, int16_t y, uxCOLOR colour);
  void DrawPixel(uxPOINT point, uxCOLOR colour);
  void DrawCircle(int16_t x, int16_t y, int16_t radius, uxCOLOR colour);
  void DrawCircle(uxPOINT point, int16_t radius, uxCOLOR colour);
  void FillCircle(int16_t x, int16_t y, int16_t radius, uxCOLOR colour);
  void FillCircle(uxPOINT point, int16_t radius, uxCOLOR colour);
  void DrawArc(int16_t x, int16_t y, int16_t radius, uint8_t quarters, uxCOLOR colour);
  void DrawArc(uxPOINT point, int16_t radius, uint8_t quarters, uxCOLOR colour);
  void DrawLine(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uxCOLOR colour);
  void DrawLine(uxPOINT point1, uxPOINT point2, uxCOLOR colour);
  void DrawDottedLine(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int spacing, uxCOLOR colour);
  void DrawDottedLine(uxPOINT point1, uxPOINT point2, int spacing, uxCOLOR colour);
  void PutString(int16_t x, int16_t y, char *text);
  void PutString(uxPOINT point, char *text);
  void PutChar(char ch, int16_t x, int16_t y, uxCOLOR fore, uxCOLOR back);
  void PutChar(char ch, uxPOINT point, uxCOLOR fore, uxCOLOR back);
  void SetForecolor(uxCOLOR colour);
  void SetBackcolor(uxCOLOR colour);
  void FontSetHSpace(uint16_t space);
  void FontSetVSpace(uint16_t space);
  void Test();
  uxCOLOR getSelectColor();
  %extend {
    // The one record the context changes: the script's rectangle moves by the pan offset.
    void AdjustPanning(uxRECT *rect) { $self->AdjustPanning(*rect); }
  }
  void StartPanning(uxPOINT point);
  void ReleasePanning();
  void SetClippingRegion(uxRECT rect);
  void ReleaseClippingRegion();
};

%clear char *text, char *name, char *file, char const *name;
%clear tImage *out, tImage *allocated, uxRECT *rect;
