// synthcore: the instrument on the board's own devices. No arguments, no environment.
#include "app/Startup.h"

int main() { return SynthcoreMain(Platform::Real()); }
