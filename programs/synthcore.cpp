// synthcore: the instrument on the board's own devices. No arguments, no environment.
#include "app/Startup.h"
#include "pages/StandardPages.h"

int main() {
  Platform p = Platform::Real();
  p.pages = &StandardPages();
  return SynthcoreMain(p);
}
