// Lettering: the font record with its glyph size, which scripts only pass on.

%{
#include "toolkit/uxDC.h"
%}

// A font's glyph width and height stay opaque: scripts only pass a size on. It is no class
// of the module, so its results are plain pointer objects that free their record through
// the destroy function the module's start installs for this type (below).
%typemap(out, noblock=1) tFontSize {
  $result = SWIG_NewPointerObj(new tFontSize($1), $&descriptor, SWIG_POINTER_OWN | SWIG_POINTER_NOSHADOW);
}

%header %{
// The destroy function of an owned size object: it gets the pointer object itself.
static PyObject* tovgui_free_font_size(PyObject*, PyObject* object) {
  delete static_cast<tFontSize*>(reinterpret_cast<SwigPyObject*>(object)->ptr);
  Py_RETURN_NONE;
}
static PyMethodDef tovgui_free_font_size_def = {"tovgui_free_font_size", tovgui_free_font_size, METH_O, nullptr};
%}

%init %{
  // Without a destroy function a released size would leak and print so. Results carry no
  // proxy class (SWIG_POINTER_NOSHADOW), so the destroy function is all the record holds. It
  // stays for the life of the process: a size may outlive the module's own teardown.
  if (!SWIGTYPE_p_tFontSize->clientdata) {
    auto* data = static_cast<SwigPyClientData*>(calloc(1, sizeof(SwigPyClientData)));
    if (data) {
      data->destroy = PyCFunction_New(&tovgui_free_font_size_def, nullptr);
      SWIGTYPE_p_tFontSize->clientdata = data;
    }
  }
%}

typedef struct tagFONT {
  unsigned char *p;
  uint16_t index;
  tFontSize fontsize;
  int16_t char_h_space;
  int16_t char_v_space;
  // A script's own record starts at zero throughout; a context's font keeps one pixel
  // between lines.
  %extend {
    tagFONT() {
      auto* font = new tagFONT();
      font->char_v_space = 0;
      return font;
    }
  }
} uxFONT;
