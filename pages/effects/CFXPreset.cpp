#include "pages/effects/CFXPreset.h"

void CFXPreset::OnParameter(int nr, const char* name, float value) {
  if (count_ >= kMaxEntries) return;
  Entry& e = entries_[count_++];
  e.nr = nr;
  e.value = value;
  e.name = name != nullptr ? name : "";
}

int CFXPreset::Load(const std::string& path) {
  count_ = 0;
  return ParseFile(path.c_str());
}
