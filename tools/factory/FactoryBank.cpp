#include "tools/factory/FactoryBank.h"

#include "tools/factory/FactorySounds.h"

bool FactoryBank::Write() { return FactorySounds::Write(); }
