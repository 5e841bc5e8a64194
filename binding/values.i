// The records of the value widgets: the short enumeration entry and a value label's choice.

%{
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

typedef struct enumItem {
  std::string text;
  uint32_t attr;
} tEnumItem;
