#include "data/DirectoryListing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
    for (const char* f : {"a.preset", "b.preset.bak", "c.PRESET", "x.y.preset", ".preset", "noext", "d.reverbfx",
                          "reverbfx", "preset", "Pad 1.5.preset", "a.b.preset", "e..preset"})
      std::ofstream(dir_ + "/" + f) << "x";
    std::ofstream(dir_ + "/" + longName_) << "x";
    for (const char* d : {"folder", "old.preset", ".hidden"}) ::mkdir((dir_ + "/" + d).c_str(), 0755);
    ::mkfifo((dir_ + "/pipe.preset").c_str(), 0644);
    ::symlink("a.preset", (dir_ + "/linked.preset").c_str());
    ::symlink("nowhere", (dir_ + "/dangling.preset").c_str());
  }
  // The longest name a folder holds.
  const std::string longName_ = std::string(255 - 7, 'L') + ".preset";
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
      // Regular files and links to them only: a folder is no preset, and a pipe would hold
      // the reader for ever.
      {"preset", false,
       {".preset", "Pad 1.5.preset", "a.b.preset", "a.preset", "e..preset", "linked.preset", longName_, "preset",
        "x.y.preset"}},
      // Only ".preset" goes: every file keeps a name of its own that finds it again. A name
      // with nothing before the extension ("preset", ".preset") cannot be found again.
      {"preset", true, {"Pad 1.5", "a", "a.b", "e.", "linked", longName_.substr(0, 248), "x.y"}},
      {"PRESET", false, {"c.PRESET"}},
      {"reverbfx", true, {"d"}},
      {"reverbfx", false, {"d.reverbfx", "reverbfx"}},
      {"noext", false, {"noext"}},  // a name without a dot is its own extension
      {"bak", true, {"b.preset"}},
      {"wav", false, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Sorted(GetDirectoryFiles(dir_, c.extension, c.strip)), Sorted(c.expected))
        << c.extension << " " << c.strip;
}

TEST(DirectoryListingStrip, OnlyTheTrailingExtensionGoes) {
  struct Case {
    const char* name;
    const char* extension;
    const char* stem;
  } const cases[] = {
      {"Pad 1.5.preset", "preset", "Pad 1.5"}, {"a.preset", "preset", "a"},   {"reverbfx", "reverbfx", ""},
      {".reverbfx", "reverbfx", ""},           {"a.wav.bak", "wav", ""},      {"xpreset", "preset", ""},
      {"a..wav", "wav", "a."},                 {"", "wav", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(StripExtension(c.name, c.extension), c.stem) << c.name;
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
