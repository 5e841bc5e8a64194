#pragma once
// Names in a data directory for the pages that offer files to choose from: the entries with
// one extension, or the subdirectories, in the order the directory delivers them.
#include <string>
#include <vector>

// Regular files (or links to them) whose text after the last '.' equals `extension` exactly
// (given without its dot). With `strip` each name loses ".extension" and nothing else, so
// "Pad 1.5.preset" is listed as "Pad 1.5"; a name with no stem before ".extension" is left
// out then, since no file could be found again from it. Folders, pipes and devices are never
// listed: opening a pipe to read it would wait for a writer for ever.
std::vector<std::string> GetDirectoryFiles(const std::string& path, const std::string& extension, bool strip);
void GetDirectoryFiles(std::vector<std::string>& out, const std::string& path, const std::string& extension,
                       bool strip);

// `name` without its trailing ".extension"; empty when it does not end so or has nothing
// before it.
std::string StripExtension(const std::string& name, const std::string& extension);

// Subdirectories other than "." and "..".
std::vector<std::string> GetDirectories(const std::string& path);
void GetDirectories(std::vector<std::string>& out, const std::string& path);
