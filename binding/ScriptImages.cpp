#include "ScriptImages.h"

#include "toolkit/uxDC.h"

namespace tovgui {

ScriptImages& ScriptImages::Instance() {
  // Never destroyed: a record may be released while the interpreter finalises the module.
  static auto* instance = new ScriptImages;
  return *instance;
}

void ScriptImages::AddAllocated(const uint32_t* data, std::size_t pixels) {
  if (data) allocated_[data] = pixels;
}

bool ScriptImages::TakeAllocated(const uint32_t* data) { return allocated_.erase(data) == 1; }

bool ScriptImages::Fits(const tImage& image) const {
  if (!image.data) return true;
  const std::size_t wanted = std::size_t{image.width} * image.height;
  if (const auto it = allocated_.find(image.data); it != allocated_.end()) return wanted <= it->second;
  for (const uxDC* dc : contexts_) {
    for (const tImage& loaded : dc->Images()) {
      if (loaded.data == image.data) return wanted <= std::size_t{loaded.width} * loaded.height;
    }
  }
  return false;
}

}  // namespace tovgui
