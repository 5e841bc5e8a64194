#pragma once
// How the core gets its pages without knowing them: the program hands the GUIManager a
// factory (the instrument's is pages/StandardPages.h), and the page build asks it for the
// page of each main tab. A tab whose page the factory does not make gets a bare panel with
// the page's name, so the core also runs with no pages at all.
#include <cstdint>

#include "toolkit/uxDefs.h"

class PageServices;
class WaveTable;
class uxHost;
class uxPanelCtrl;
class uxPopup;
class uxTabCtrl;

// The pages of the main tabs, in the order the core builds them.
enum class PageId : uint8_t { kArrange, kMaster, kDrum, kClips, kMidi, kDiag };

// Where a page sits and how it looks when it has nothing of its own to show.
struct PageFrame {
  const char* name;
  uxPOINT pos;
  int16_t width;
  int16_t height;
  uxCOLOR colour;
};

class PageFactory {
 public:
  virtual ~PageFactory() = default;
  // Called under the UI mutex while the page tree is built. `mainMenu` is for pages that
  // add tabs of their own (the Master page adds the per-part tabs). Null: a bare panel.
  virtual uxPanelCtrl* MakePage(PageId page, const PageFrame& frame, PageServices& services,
                                uxTabCtrl* mainMenu) const = 0;
  // The popup that shows a whole wavetable, made with the other popups when the core is
  // built. Null: a plain popup frame.
  virtual uxPopup* MakeWavetablePopup(uxHost* host, const char* name, uxPOINT pos, int16_t width, int16_t height,
                                      uxCOLOR background, uxCOLOR text) const = 0;
  // Gives that popup a title and a table to draw (none: the title alone).
  virtual void SetWavetablePopup(uxPopup* popup, const char* title, const WaveTable* table) const = 0;
};
