#include "tests/support/RealMidiFiles.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"

namespace testing_support {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> MidFiles(const std::string& dir) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec))
    if (entry.path().extension() == ".mid") out.push_back(entry.path().string());
  std::sort(out.begin(), out.end());
  return out;
}

std::string PlanetblupiDir() {
  static const std::string dir = [] {
    const std::string installed = "/usr/share/planetblupi/music";
    if (fs::is_directory(installed)) return installed;
    const char* tmp = std::getenv("TMPDIR");
    const std::string cache = std::string(tmp && *tmp ? tmp : "/tmp") + "/synth-planetblupi-music";
    const std::string music = cache + "/root/usr/share/planetblupi/music";
    if (!fs::is_directory(music))
      RunCommand("mkdir -p '" + cache + "' && cd '" + cache +
                 "' && apt-get download -q planetblupi-music-midi >/dev/null 2>&1 && "
                 "dpkg -x planetblupi-music-midi_*.deb root");
    return fs::is_directory(music) ? music : std::string();
  }();
  return dir;
}

}  // namespace

std::vector<std::string> RealMidiFiles() {
  std::vector<std::string> files = MidFiles("/usr/share/games/openttd/baseset/openmsx");
  const std::string blupi = PlanetblupiDir();
  if (!blupi.empty())
    for (const std::string& f : MidFiles(blupi)) files.push_back(f);
  return files;
}

std::string LargestRealMidiFile() {
  const std::string blupi = PlanetblupiDir();
  const std::string path = blupi + "/music009.mid";
  return !blupi.empty() && fs::exists(path) ? path : std::string();
}

std::string MidiOracleCommand() {
  static const std::string command = [] {
    if (RunCommand("/usr/bin/python3 -c 'import mido' 2>/dev/null").status != 0) return std::string();
    return "/usr/bin/python3 " + SourceDir() + "/tests/support/midi_oracle.py";
  }();
  return command;
}

}  // namespace testing_support
