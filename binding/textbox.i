// The text box: lines of text added as they are.

%{
#include "toolkit/uxTextBox.h"
%}

%apply SWIGTYPE *NOT_NONE { tUX_Message *msg };
%apply char *NOT_NONE { char *name, char *line };
%apply char const *NOT_NONE { char const *format };

class uxTextBox : public uxBaseElement {
 public:
  uxTextBox(GUIManager *manager, char *name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR second,
            uxCOLOR textColour, int font);
  virtual ~uxTextBox();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  // A script's line is added as it is; the formatted form is listed but never reached.
  void AddLine(char *line);
  %warnfilter(509) AddLine;
  void AddLine(char const *format, ...);
  void Clear();
};
%clear tUX_Message *msg;
%clear char *name, char *line;
%clear char const *format;
