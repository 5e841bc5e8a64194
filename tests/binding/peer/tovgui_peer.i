// A second module for the tests only, sharing the tovgui module's type records: it makes
// what scripts cannot make with tovgui's own functions (a list of choices a value label can
// be pointed at, converters and formulas written in C) and reads them back.

%module tovgui_peer

%{
#include <string>
#include <vector>

#include "toolkit/uxValueLabel.h"
using namespace std;

// The label calls these through its own converter type; the module hands them out under the
// script's spelling, which the label's wrapper turns back.
static const char* HzText(float, bool) { return "12.5 Hz"; }
static const char* NoNumber(float, bool) { return "abc"; }
// Tells by its text which flag the label passed: "1" when asked for a number to read back.
static const char* FlagText(float, bool flag) { return flag ? "1" : "0"; }
static float Doubled(int v) { return 2.0f * static_cast<float>(v); }

using ScriptConverter = char* (*)(float, bool);
static const ScriptConverter kConvertHz = reinterpret_cast<ScriptConverter>(HzText);
static const ScriptConverter kConvertNoNumber = reinterpret_cast<ScriptConverter>(NoNumber);
static const ScriptConverter kConvertFlag = reinterpret_cast<ScriptConverter>(FlagText);
%}

%include <stdint.i>

// Known by name only: the record is a class of tovgui, none is registered here.
typedef struct enumItem tEnumItem;

%constant char *(*CONVERT_HZ)(float, bool) = kConvertHz;
%constant char *(*CONVERT_NO_NUMBER)(float, bool) = kConvertNoNumber;
%constant char *(*CONVERT_FLAG)(float, bool) = kConvertFlag;
%constant float (*FORMULA_DOUBLED)(int) = Doubled;

%inline %{
vector< tEnumItem > *new_choices() { return new std::vector<tEnumItem>(); }
void delete_choices(vector< tEnumItem > *list) { delete list; }
void choices_add(vector< tEnumItem > *list, char const *text, uint32_t attr) {
  tEnumItem item;
  item.text = text;
  item.attr = attr;
  list->push_back(item);
}
int choices_size(vector< tEnumItem > *list) { return static_cast<int>(list->size()); }
char const *choices_text(vector< tEnumItem > *list, int i) { return (*list)[static_cast<std::size_t>(i)].text.c_str(); }
%}
