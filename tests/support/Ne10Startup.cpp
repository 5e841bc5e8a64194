// The application core initialises Ne10 once at start-up, before any FFT is prepared. Test
// binaries of code that prepares FFTs add this file to start the same way; the others leave
// it out, so that the FFT stand-in's refusal before initialisation stays testable.
#include <gtest/gtest.h>

#include "NE10.h"

namespace {

class Ne10Startup : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(ne10_init(), NE10_OK); }
};

const auto* const kStartup = ::testing::AddGlobalTestEnvironment(new Ne10Startup);

}  // namespace
