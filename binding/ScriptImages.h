#pragma once
// Which pixel buffers a script's image records may point at. A script can copy a record's
// pointer, change its size, keep it past freeImage or past its drawing context, or hand a
// context's own picture to freeImage; the toolkit trusts every record it is given. The
// module asks here first, so a record is drawn, filled or freed only while its pixels are
// alive and large enough for its size.
//
// Used from wrappers only, which all run under the interpreter lock: no lock of its own.
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>

class uxDC;
struct tImage;

namespace tovgui {

class ScriptImages {
 public:
  static ScriptImages& Instance();

  // Contexts made by scripts; their loaded pictures are valid pixels while they live.
  void AddContext(const uxDC* dc) { contexts_.insert(dc); }
  void RemoveContext(const uxDC* dc) { contexts_.erase(dc); }

  // Pixels allocImage made for a script, `pixels` words long, in the record `owner` that
  // allocImage returned.
  void AddAllocated(const uint32_t* data, std::size_t pixels, const tImage* owner);
  // True when `data` is a live buffer of allocImage, which is then forgotten: the caller
  // frees it.
  bool TakeAllocated(const uint32_t* data);
  // The record is released: the pixels allocImage made in it are freed, unless freeImage
  // freed them before.
  void ReleaseRecord(const tImage* record);

  // True when `image` may be read or written: no pixels at all, or a live buffer (allocated,
  // or a picture loaded by a live context) holding at least width x height words.
  bool Fits(const tImage& image) const;

 private:
  std::unordered_set<const uxDC*> contexts_;
  struct Allocation {
    std::size_t pixels;
    const tImage* owner;
  };
  std::unordered_map<const uint32_t*, Allocation> allocated_;
  std::unordered_map<const tImage*, const uint32_t*> owned_;
};

}  // namespace tovgui
