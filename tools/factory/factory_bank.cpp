// factory-bank ROOT
//
// Writes what a fresh data tree starts with under ROOT (the board's layout below it), through
// the instrument's own writers, so that a first start sounds at once and every page shows its
// pictures: the sounds and the documents a start reads, the reverb presets, the demo song and
// the pictures of the pages. Every sound and picture is computed here; nothing binary is kept
// in the source tree. Existing files are overwritten.
#include <cstdio>

#include "platform/LogSink.h"
#include "platform/Paths.h"
#include "tools/factory/FactoryBank.h"

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "usage: factory-bank ROOT\n");
    return 2;
  }
  platform::SetDataRoot(argv[1]);
  // The writers' own progress lines are of no interest here.
  platform::SetLogSink([](const char*, void*) {}, nullptr);
  if (!FactoryBank::Write()) return 1;
  std::printf("factory-bank: the factory data written under %s\n", platform::DataPath("/").c_str());
  return 0;
}
