#pragma once
// The descriptor at the start of every panel-board firmware image: five little-endian
// 32-bit words. The board checks the magic and reads `length` to know how much was sent.
#include <cstddef>
#include <cstdint>

namespace flasher {

struct tagFlashDescr {
  uint32_t magic;
  uint32_t length;   // bytes sent; rewritten in memory before the transfer
  uint32_t vectors;
  uint32_t entry;    // the firmware's entry address on the board
  uint32_t sw_rev;   // board id in bits 24-31, major 8-15, minor 0-7
};
using tFlashDescr = tagFlashDescr;
using FLASH_FW_DESCR = tagFlashDescr;
static_assert(sizeof(tFlashDescr) == 20);

constexpr uint32_t kFirmwareMagic = 0xAA551234u;
constexpr std::size_t kDescrLengthOffset = offsetof(tFlashDescr, length);
constexpr std::size_t kDescrSwRevOffset = offsetof(tFlashDescr, sw_rev);
// The start-flash request and the segments carry word counts and indices in 24 bits.
constexpr uint32_t kMaxImageWords = 0xFFFFFFu;

// Image bytes are little-endian whatever the host.
inline uint32_t LoadLE32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline void StoreLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline int BoardOf(uint32_t swRev) { return static_cast<int>(swRev >> 24); }
inline int MajorOf(uint32_t swRev) { return static_cast<int>((swRev >> 8) & 0xFFu); }
inline int MinorOf(uint32_t swRev) { return static_cast<int>(swRev & 0xFFu); }

}  // namespace flasher
