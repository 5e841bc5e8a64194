// The value widgets and their records: the short enumeration entry, the value control, a
// value label's choice and the value label.

%{
#include "toolkit/uxValueCtrl.h"
#include "toolkit/uxValueLabel.h"
#include "BindingRecords.h"
%}

// The entry owns the copy its setter makes: a new text frees the one the setter made before,
// and so does deleting the entry.
%typemap(memberin, noblock=1) char const *text {
  delete[] $1;
  $1 = $input ? tovgui::CopyText($input) : nullptr;
}

typedef struct tagENUM {
  uint8_t val;
  char const *text;
} tENUM;
%clear char const *text;

// Texts the widgets copy, the messages they read and the list a label reads from: None is
// refused. The label's value text and caption stay as the toolkit has them, where None
// changes nothing; so does a choice text of the control, which it keeps as "".
%apply SWIGTYPE *NOT_NONE { tUX_Message *msg, vector< tEnumItem > *list };
%apply char *NOT_NONE { char *name, char *value, char *choice, char *grayed, char *factorText };
%apply char const *NOT_NONE { char const *caption, char const *format };

class uxValueCtrl : public uxBaseElement {
 public:
  // The kind is an int given as it is; its names are the module's constants.
  typedef int CtrlType;
  uxValueCtrl(GUIManager *manager, int id, uint32_t userValue, char const *caption, uxPOINT pos, int16_t w, int16_t h,
              uxValueCtrl::CtrlType kind, uxCOLOR label, uxCOLOR value, uxCOLOR background, char const *format);
  virtual ~uxValueCtrl();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  virtual bool SetValue(int);
  virtual void SetTextValue(char *value);
  virtual int GetIntValue();
  virtual char const *GetStringValue();
  virtual int GetMaxValue();
  virtual int GetMinValue();
  void SetMinMax(float minimum, float maximum);
  void SetEnumValue(uint8_t, char const *);
  virtual void SetScaleFactor(float);
  virtual float GetScaleFactor();
  virtual void Select(bool);
  virtual void Inverse(bool);
  void SetFormular(float (*)(int));
};

typedef struct enumItem {
  std::string text;
  uint32_t attr;
} tEnumItem;

// Declared in the order the constructor forms are listed and tried: without a name before
// with one, four colours before five, the flag (False when left out) deciding between an
// eleventh argument that is a bool and one that is a colour.
class uxValueLabel : public uxBaseElement {
 public:
  uxValueLabel(GUIManager *manager, int id, uint32_t userValue, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR background, uxCOLOR titleText, uxCOLOR text, uxCOLOR textAccent, bool midi = false);
  uxValueLabel(GUIManager *manager, int id, uint32_t userValue, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR background, uxCOLOR accentBorder, uxCOLOR titleText, uxCOLOR text, uxCOLOR textAccent,
               bool midi = false);
  uxValueLabel(GUIManager *manager, char *name, int id, uint32_t userValue, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR background, uxCOLOR titleText, uxCOLOR text, uxCOLOR textAccent, bool midi = false);
  uxValueLabel(GUIManager *manager, char *name, int id, uint32_t userValue, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR background, uxCOLOR accentBorder, uxCOLOR titleText, uxCOLOR text, uxCOLOR textAccent,
               bool midi = false);
  virtual ~uxValueLabel();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  virtual bool OnMidiCC(int, int, int, int);
  void setEnableMidiCC(bool);
  void EncoderStep(bool up);
  void SetLabelText(char *label, char *unit = 0, int font = 13);
  virtual void SetEnabled(bool, bool force = false);
  void SetActive(bool, bool force = false);
  virtual void SetTextValue(char *text, uint32_t flags = 7);
  virtual void SetIntValue(int, uint32_t flags = 7);
  virtual void SetFloatValue(float, uint32_t flags = 7);
  virtual void SetFloatRawValue(float);
  virtual float GetFloatRawValue();
  virtual float GetFloatValue();
  void set2nd(bool);
  void setGrayedText(char *grayed);
  %extend {
    // The toolkit's converter hands back a text it keeps; scripts know it by the mutable
    // spelling, and only a converter made in C can be given.
    void setConvertFunction(char *(*converter)(float, bool)) {
      $self->setConvertFunction(reinterpret_cast<uxConvertFn>(converter));
    }
  }
  float convert(float);
  char const *getText();
  void SetEnumRef(vector< tEnumItem > *list);
  void ClearEnums();
  void AddEnumText(char *choice, uint32_t attr = 0);
  void SetEncoderMode(int, int steps = 0);
  char const *getLabelText();
  char const *getUnitText();
  char const *getEnumText(int);
  uint32_t getEnumAttr(int);
  void setEncoderNotifications(int);
  void setEncoderFactor(float, char *factorText);
};
%clear tUX_Message *msg, vector< tEnumItem > *list;
%clear char *name, char *value, char *choice, char *grayed, char *factorText;
%clear char const *caption, char const *format;
