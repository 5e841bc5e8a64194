#include "data/DirectoryListing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TestPaths.h"

namespace {

using Names = std::vector<std::string>;

Names Sorted(Names v) {
  std::sort(v.begin(), v.end());
  return v;
}

class DirectoryListing : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = root_.MakeDir("/var/lib/ruv/working/presets");
    for (const char* f : {"a.preset", "b.preset.bak", "c.PRESET", "x.y.preset", ".preset", "noext", "d.reverbfx"})
      std::ofstream(dir_ + "/" + f) << "x";
    for (const char* d : {"folder", "old.preset", ".hidden"}) ::mkdir((dir_ + "/" + d).c_str(), 0755);
  }
  testing_support::TempDataRoot root_;
  std::string dir_;
};

TEST_F(DirectoryListing, FilesMatchTheExtensionAfterTheLastDotExactly) {
  struct Case {
    const char* extension;
    bool strip;
    Names expected;
  };
  const Case cases[] = {
      {"preset", false, {".preset", "a.preset", "old.preset", "x.y.preset"}},
      {"preset", true, {"a", "old", "x"}},
      {"PRESET", false, {"c.PRESET"}},
      {"reverbfx", true, {"d"}},
      {"noext", false, {"noext"}},  // a name without a dot is its own extension
      {"bak", true, {"b"}},
      {"wav", false, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Sorted(GetDirectoryFiles(dir_, c.extension, c.strip)), c.expected) << c.extension << " " << c.strip;
}

TEST_F(DirectoryListing, DirectoriesLeaveOutFilesAndTheDotEntries) {
  EXPECT_EQ(Sorted(GetDirectories(dir_)), (Names{".hidden", "folder", "old.preset"}));
  Names out{"stale"};
  GetDirectories(out, dir_ + "/folder");
  EXPECT_TRUE(out.empty());
}

TEST_F(DirectoryListing, AMissingDirectoryPrintsTheErrorAndGivesAnEmptyList) {
  const std::string missing = dir_ + "/nothere";
  testing::internal::CaptureStdout();
  const Names files = GetDirectoryFiles(missing, "preset", false);
  Names dirs{"stale"};
  GetDirectories(dirs, missing);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(files.empty());
  EXPECT_TRUE(dirs.empty());
  const std::string line = "Error opening : No such file or directory" + missing + "\n";
  EXPECT_EQ(printed, line + line);
}

}  // namespace
