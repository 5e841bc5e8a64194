#include "pages/midi/MidiFileIndex.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <set>
#include <utility>

#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace MidiFiles {
namespace {

// A link to a folder above would lead the scan round for ever; each folder is entered once,
// and never deeper than this.
constexpr int kMaxDepth = 8;

struct Visited {
  std::set<std::pair<dev_t, ino_t>> folders;
  bool full = false;  // the index holds kMaxListedFiles; said once
};

void Scan(MidiFileIndex& index, const std::string& top, const std::string& folder, const std::string& prefix,
          Visited& visited, int depth) {
  struct stat self;
  if (stat(folder.c_str(), &self) == 0 && !visited.folders.insert({self.st_dev, self.st_ino}).second) return;
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    platform::LogPrintf("MidiFiles::ScanForMidiFiles open dir failed on path %s\n", folder.c_str());
    return;
  }
  while (!visited.full) {
    const dirent* entry = readdir(dir);
    if (!entry) break;
    const std::string name = entry->d_name;
    const std::string path = folder + "/" + name;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
      platform::LogPrintf("MidiFiles::ScanForMidiFiles stat failed on path %s\n", path.c_str());
      continue;
    }
    if (S_ISREG(st.st_mode)) {
      const std::size_t dot = name.rfind('.');
      if (dot == std::string::npos) continue;
      std::string extension = name.substr(dot + 1);
      for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (extension != "mid") continue;
      if (index.size() >= kMaxListedFiles) {
        // The list numbers its rows with three digits; a folder of thousands of files would
        // also take seconds to list on every focus.
        platform::LogPrintf("MidiFiles::ScanForMidiFiles more than %zu files, the rest not listed\n",
                            kMaxListedFiles);
        visited.full = true;
        break;
      }
      const std::string shown = DisplayName(index, name, !prefix.empty());
      index[shown] = prefix + name;
    } else if (S_ISDIR(st.st_mode) && name != "." && name != ".." && depth < kMaxDepth) {
      Scan(index, top, top + prefix + name + "/", prefix + name + "/", visited, depth + 1);
    }
  }
  closedir(dir);
}

}  // namespace

std::string DisplayName(const MidiFileIndex& index, const std::string& fileName, bool inSubFolder) {
  std::string name = fileName.substr(0, fileName.rfind('.'));
  if (inSubFolder) name = "(E) " + name;
  name = name.substr(0, 25);
  if (!index.count(name)) return name;
  for (int n = 1;; ++n) {
    const std::string candidate = name.substr(0, n < 10 ? 23 : 22) + "_" + std::to_string(n);
    if (!index.count(candidate)) return candidate;
  }
}

void ScanForMidiFiles(MidiFileIndex& index, const std::string& folder, const std::string& prefix) {
  Visited visited;
  // Sub-folders are entered from the folder above the prefix, which is the top one.
  std::string top = folder;
  if (!prefix.empty() && top.size() >= prefix.size() &&
      top.compare(top.size() - prefix.size(), prefix.size(), prefix) == 0)
    top.erase(top.size() - prefix.size());
  if (!top.empty() && top.back() != '/') top += '/';
  Scan(index, top, folder, prefix, visited, 0);
}

bool IsImportFolderLinked(const std::string& midiFolder) {
  const std::string path = midiFolder + "import";
  struct stat link, target;
  return lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && stat(path.c_str(), &target) == 0 &&
         S_ISDIR(target.st_mode);
}

}  // namespace MidiFiles
