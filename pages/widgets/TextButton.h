#pragma once
// The white-lettered, centred push buttons of the browsing pages (SAVE, SAVE AS, DELETE, ...).
#include "toolkit/uxDefs.h"

class uxButton;
class uxHost;
class uxPanelCtrl;

namespace text_button {

// A new button showing `text`, made one of `page`'s elements.
uxButton* Add(uxHost* host, uxPanelCtrl* page, unsigned id, const char* text, int x, int y, int w, int h,
              uxCOLOR background, uxCOLOR frame);

}  // namespace text_button
