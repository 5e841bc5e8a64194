#include "data/XmlFileSet.h"

#include <unistd.h>

#include <cstdio>

namespace {

thread_local XmlFileSet* active = nullptr;

}  // namespace

XmlFileSet::XmlFileSet() : outer_(active) { active = this; }

XmlFileSet::~XmlFileSet() { Discard(); }

XmlFileSet* XmlFileSet::Active() { return active; }

void XmlFileSet::Add(const std::string& tempPath, const std::string& target) { files_.emplace_back(tempPath, target); }

void XmlFileSet::Finish() {
  if (!open_) return;
  open_ = false;
  active = outer_;
}

bool XmlFileSet::Commit(bool othersOk) {
  if (!open_) return false;
  if (!othersOk) failed_ = true;
  Finish();
  if (failed_) {
    for (const auto& file : files_) ::unlink(file.first.c_str());
    files_.clear();
    return false;
  }
  // Renaming within a folder needs no room, so past this point only a vanished folder fails.
  bool ok = true;
  for (const auto& [temp, target] : files_) {
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
      ::unlink(temp.c_str());
      ok = false;
    }
  }
  files_.clear();
  return ok;
}

void XmlFileSet::Discard() {
  if (!open_) return;
  Commit(false);
}
