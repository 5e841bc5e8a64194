#include "data/DirectoryListing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

using DirectoryStream = std::shared_ptr<DIR>;

DirectoryStream OpenDirectory(const std::string& path) {
  DIR* dir = ::opendir(path.c_str());
  if (!dir) {
    std::printf("Error opening : %s%s\n", std::strerror(errno), path.c_str());
    return nullptr;
  }
  return DirectoryStream(dir, [](DIR* d) { ::closedir(d); });
}

// File systems that do not fill in the entry type (some network and FAT mounts) leave
// DT_UNKNOWN; ask the file itself then.
bool IsDirectory(const std::string& path, const dirent& entry) {
  if (entry.d_type != DT_UNKNOWN) return entry.d_type == DT_DIR;
  struct stat st {};
  const std::string full = path + "/" + entry.d_name;
  return ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A link is followed: a preset linked from elsewhere is as good as one copied in.
bool IsRegularFile(const std::string& path, const dirent& entry) {
  if (entry.d_type == DT_REG) return true;
  if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return false;
  struct stat st {};
  const std::string full = path + "/" + entry.d_name;
  return ::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

void GetDirectoryFiles(std::vector<std::string>& out, const std::string& path, const std::string& extension,
                       bool strip) {
  out.clear();
  DirectoryStream dir = OpenDirectory(path);
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    const std::size_t lastDot = name.rfind('.');
    const std::string ext = lastDot == std::string::npos ? name : name.substr(lastDot + 1);
    if (ext != extension || !IsRegularFile(path, *entry)) continue;
    if (!strip) {
      out.push_back(name);
      continue;
    }
    std::string stem = StripExtension(name, extension);
    if (!stem.empty()) out.push_back(std::move(stem));
  }
}

std::string StripExtension(const std::string& name, const std::string& extension) {
  const std::size_t cut = extension.size() + 1;
  if (name.size() <= cut || name.compare(name.size() - cut, 1, ".") != 0 ||
      name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
    return std::string();
  return name.substr(0, name.size() - cut);
}

std::vector<std::string> GetDirectoryFiles(const std::string& path, const std::string& extension, bool strip) {
  std::vector<std::string> out;
  GetDirectoryFiles(out, path, extension, strip);
  return out;
}

void GetDirectories(std::vector<std::string>& out, const std::string& path) {
  out.clear();
  DirectoryStream dir = OpenDirectory(path);
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    if (IsDirectory(path, *entry)) out.push_back(entry->d_name);
  }
}

std::vector<std::string> GetDirectories(const std::string& path) {
  std::vector<std::string> out;
  GetDirectories(out, path);
  return out;
}
