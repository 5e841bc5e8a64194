#include "ScriptImages.h"

#include "toolkit/uxDC.h"

namespace tovgui {

ScriptImages& ScriptImages::Instance() {
  // Never destroyed: a record may be released while the interpreter finalises the module.
  static auto* instance = new ScriptImages;
  return *instance;
}

void ScriptImages::AddAllocated(const uint32_t* data, std::size_t pixels, const tImage* owner) {
  if (!data) return;
  allocated_[data] = Allocation{pixels, owner};
  if (owner) owned_[owner] = data;
}

bool ScriptImages::TakeAllocated(const uint32_t* data) {
  const auto it = allocated_.find(data);
  if (it == allocated_.end()) return false;
  if (it->second.owner) owned_.erase(it->second.owner);
  allocated_.erase(it);
  return true;
}

void ScriptImages::ReleaseRecord(const tImage* record) {
  const auto it = owned_.find(record);
  if (it == owned_.end()) return;
  const uint32_t* data = it->second;
  owned_.erase(it);
  allocated_.erase(data);
  delete[] data;
}

bool ScriptImages::Fits(const tImage& image) const {
  if (!image.data) return true;
  const std::size_t wanted = std::size_t{image.width} * image.height;
  if (const auto it = allocated_.find(image.data); it != allocated_.end()) return wanted <= it->second.pixels;
  for (const uxDC* dc : contexts_) {
    for (const tImage& loaded : dc->Images()) {
      if (loaded.data == image.data) return wanted <= std::size_t{loaded.width} * loaded.height;
    }
  }
  return false;
}

}  // namespace tovgui
