#pragma once
// Small file helpers for the document tests: whole-file text, existence, and every regular
// file below a directory (to show that nothing was written where it must not be).
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace document_files {

inline std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void Write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

inline std::vector<std::string> FilesBelow(const std::string& dir) {
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file()) files.push_back(it->path().string());
  return files;
}

inline int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace document_files
