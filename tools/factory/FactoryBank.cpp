#include "tools/factory/FactoryBank.h"

#include "tools/factory/DemoSong.h"
#include "tools/factory/FactoryPictures.h"
#include "tools/factory/FactorySounds.h"
#include "tools/factory/ReverbPresets.h"

bool FactoryBank::Write() {
  return FactorySounds::Write() && ReverbPresets::Write() && DemoSong::Write() && FactoryPictures::Write();
}
