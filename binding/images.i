// The picture record. The drawing context's own image operations are in dc.i, the image
// widget in widgets.i.

%{
#include "toolkit/uxDC.h"
#include "ScriptImages.h"
%}

struct tImage {
  std::string name;
  uint32_t *data;
  uint16_t width;
  uint16_t height;
  %extend {
    ~tImage() {
      tovgui::ScriptImages::Instance().ReleaseRecord($self);
      delete $self;
    }
  }
};
