#pragma once
// Names in a data directory for the pages that offer files to choose from: the entries with
// one extension, or the subdirectories, in the order the directory delivers them.
#include <string>
#include <vector>

// Entries whose text after the last '.' equals `extension` exactly (given without its dot);
// with `strip` each name is cut at its first '.', and names that become empty are left out.
std::vector<std::string> GetDirectoryFiles(const std::string& path, const std::string& extension, bool strip);
void GetDirectoryFiles(std::vector<std::string>& out, const std::string& path, const std::string& extension,
                       bool strip);

// Subdirectories other than "." and "..".
std::vector<std::string> GetDirectories(const std::string& path);
void GetDirectories(std::vector<std::string>& out, const std::string& path);
