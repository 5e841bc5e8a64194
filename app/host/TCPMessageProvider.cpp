#include "app/host/TCPMessageProvider.h"

#include <cstring>

#include "data/Utf8Text.h"

namespace {

struct Layout {
  uint32_t type;
  uint32_t minSize;  // bytes of the payload the handler reads at least
};

// Records 9, 10 and 11 hold track, clip and count at 36-47 before their items.
constexpr Layout kLayouts[] = {
    {4, 20},
    {5, 20},
    {6, 24},
    {9, 48},
    {10, 48},
    {11, 48},
    {15, 20},
    {17, 4},
};

int32_t Word(const uint8_t* p, int index) {
  int32_t v;
  std::memcpy(&v, p + 4 * index, 4);
  return v;
}

float Real(const uint8_t* p, int index) {
  float v;
  std::memcpy(&v, p + 4 * index, 4);
  return v;
}

}  // namespace

TCPMessageProvider::~TCPMessageProvider() { Stop(); }

void TCPMessageProvider::OnPacket(const uint8_t* p, uint32_t size) {
  if (size < 4) return;
  const uint32_t type = static_cast<uint32_t>(Word(p, 0));
  const Layout* layout = nullptr;
  for (const Layout& l : kLayouts)
    if (l.type == type) layout = &l;
  if (!layout || size < layout->minSize) return;
  switch (type) {
    case 4:
      if (handlers.transportCmd) handlers.transportCmd(Word(p, 1), Word(p, 2), Word(p, 3), Word(p, 4));
      break;
    case 5:
      if (handlers.value) handlers.value(Word(p, 1), Word(p, 2), Word(p, 3), Real(p, 4));
      break;
    case 6:
      if (handlers.clipProperty) handlers.clipProperty(Word(p, 1), Word(p, 2), Word(p, 3), Word(p, 4), Real(p, 5));
      break;
    case 9:
      if (handlers.midiClip) handlers.midiClip(p, size);
      break;
    case 10:
      if (handlers.arpClip) handlers.arpClip(p, size);
      break;
    case 11:
      if (handlers.trigClip) handlers.trigClip(p, size);
      break;
    case 15:
      if (handlers.clipCommand) {
        // The text need not be terminated within the payload.
        char text[kMaxText + 1] = {};
        const uint32_t room = size - 20 < kMaxText ? size - 20 : kMaxText;
        uint32_t length = 0;
        while (length < size - 20 && length <= kMaxText && p[20 + length]) ++length;
        // Cut where no UTF-8 character is split.
        length = static_cast<uint32_t>(utf8::CutLength(reinterpret_cast<const char*>(p + 20), length, room));
        std::memcpy(text, p + 20, length);
        handlers.clipCommand(Word(p, 1), Word(p, 2), Word(p, 3), Word(p, 4), text);
      }
      break;
    case 17:
      if (handlers.command) handlers.command(p, size);
      break;
    default:
      break;
  }
}
