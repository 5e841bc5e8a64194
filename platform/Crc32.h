#pragma once
// CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320, initial value and final complement
// 0xFFFFFFFF), as checked by the panel boards' bootloader and by the host link.
#include <cstdint>

namespace platform {

// A seed of 0 gives the standard CRC of the buffer; passing a previous result as the seed
// continues the checksum over further data as if both pieces had been given at once.
uint32_t crc32(uint32_t crc, const void* buf, uint32_t size);

}  // namespace platform
