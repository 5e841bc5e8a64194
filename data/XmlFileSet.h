#pragma once
// Documents that belong together (a song's arrangement, clips, settings, kit and presets) go
// in place together or not at all. While a set is open on a thread, every XmlWriter that the
// thread closes leaves its finished temporary file beside the target instead of renaming it;
// Commit renames them all when every document of the set was written, and otherwise removes
// them, so a store that runs out of room part-way leaves the previous files as they were.
#include <string>
#include <utility>
#include <vector>

class XmlFileSet {
 public:
  XmlFileSet();
  // A set neither committed nor discarded is discarded.
  ~XmlFileSet();
  XmlFileSet(const XmlFileSet&) = delete;
  XmlFileSet& operator=(const XmlFileSet&) = delete;

  // True when every document of the set was written and every one is now in place. With
  // `othersOk` false (a part of the store that failed before any document was opened) the
  // set is discarded as after a failed write.
  bool Commit(bool othersOk = true);
  void Discard();

  // The set open on the calling thread, or null: XmlWriter's side.
  static XmlFileSet* Active();
  void Add(const std::string& tempPath, const std::string& target);
  void Fail() { failed_ = true; }
  bool Failed() const { return failed_; }

 private:
  void Finish();

  XmlFileSet* outer_;
  bool failed_ = false;
  bool open_ = true;
  std::vector<std::pair<std::string, std::string>> files_;  // temporary path, target
};
