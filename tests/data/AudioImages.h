#pragma once
// Hand-built WAV, AIFF and MSWF byte images for the codec tests and the fuzz driver: every
// field written explicitly, so a test can damage exactly the one it is about.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace audio_images {

using Bytes = std::vector<uint8_t>;

inline void Le16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Le32(Bytes& b, uint32_t v) {
  Le16(b, v & 0xFFFF);
  Le16(b, v >> 16);
}
inline void Be16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}
inline void Be32(Bytes& b, uint32_t v) {
  Be16(b, v >> 16);
  Be16(b, v & 0xFFFF);
}
inline void Id(Bytes& b, const char* id) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(id[i]));
}
inline void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
inline void PutLe32At(Bytes& b, std::size_t at, uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t Le32At(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

struct Chunk {
  std::string id;
  Bytes payload;
  // Sizes written as stored (override lets a test lie about it).
  bool overrideSize = false;
  uint32_t size = 0;
};

// "RIFF" size "WAVE" then the chunks; odd payloads get a pad byte when `pad` is set.
inline Bytes Riff(const std::vector<Chunk>& chunks, bool pad = false) {
  Bytes b;
  Id(b, "RIFF");
  Le32(b, 0);
  Id(b, "WAVE");
  for (const Chunk& c : chunks) {
    Id(b, c.id.c_str());
    Le32(b, c.overrideSize ? c.size : static_cast<uint32_t>(c.payload.size()));
    Append(b, c.payload);
    if (pad && (c.payload.size() & 1)) b.push_back(0);
  }
  PutLe32At(b, 4, static_cast<uint32_t>(b.size() - 8));
  return b;
}

inline Bytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  Bytes b;
  Le16(b, tag);
  Le16(b, channels);
  Le32(b, rate);
  Le32(b, rate * channels * bits / 8);
  Le16(b, static_cast<uint16_t>(channels * bits / 8));
  Le16(b, bits);
  return b;
}

// WAVE_FORMAT_EXTENSIBLE with the SubFormat's first word `sub` (1 PCM, 3 float).
inline Bytes FmtExtensible(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t sub) {
  Bytes b = Fmt(0xFFFE, channels, rate, bits);
  Le16(b, 22);
  Le16(b, bits);
  Le32(b, 0);
  static const uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  Le16(b, sub);
  b.insert(b.end(), kGuidTail, kGuidTail + 14);
  return b;
}

inline Bytes Wav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& data,
                 std::vector<Chunk> extra = {}) {
  std::vector<Chunk> chunks{{"fmt ", Fmt(tag, channels, rate, bits)}, {"data", data}};
  for (auto& c : extra) chunks.push_back(std::move(c));
  return Riff(chunks);
}

// A "smpl" payload with the given loops (start, end pairs).
inline Bytes Smpl(const std::vector<std::pair<uint32_t, uint32_t>>& loops, uint32_t unityNote = 60) {
  Bytes b;
  for (uint32_t w : {0u, 0u, 22675u, unityNote, 0u, 0u, 0u}) Le32(b, w);
  Le32(b, static_cast<uint32_t>(loops.size()));
  Le32(b, 0);
  uint32_t cue = 0;
  for (auto [start, end] : loops) {
    for (uint32_t w : {cue++, 0u, start, end, 0u, 0u}) Le32(b, w);
  }
  return b;
}

// The 80-bit extended form of an integer rate, as AIFF stores it.
inline Bytes Extended(uint32_t rate) {
  Bytes b;
  int top = 31;
  while (((rate >> top) & 1u) == 0) --top;
  Be16(b, static_cast<uint32_t>(16383 + top));
  const uint64_t mantissa = static_cast<uint64_t>(rate) << (63 - top);
  for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(mantissa >> (56 - 8 * i)));
  return b;
}

// "FORM" size type then the chunks (big-endian sizes, padded when asked).
inline Bytes Form(const char* type, const std::vector<Chunk>& chunks, bool pad = true) {
  Bytes b;
  Id(b, "FORM");
  Be32(b, 0);
  Id(b, type);
  for (const Chunk& c : chunks) {
    Id(b, c.id.c_str());
    Be32(b, c.overrideSize ? c.size : static_cast<uint32_t>(c.payload.size()));
    Append(b, c.payload);
    if (pad && (c.payload.size() & 1)) b.push_back(0);
  }
  const uint32_t size = static_cast<uint32_t>(b.size() - 8);
  b[4] = static_cast<uint8_t>(size >> 24);
  b[5] = static_cast<uint8_t>(size >> 16);
  b[6] = static_cast<uint8_t>(size >> 8);
  b[7] = static_cast<uint8_t>(size);
  return b;
}

inline Bytes Comm(uint16_t channels, uint32_t frames, uint16_t bits, uint32_t rate, const char* compression = nullptr) {
  Bytes b;
  Be16(b, channels);
  Be32(b, frames);
  Be16(b, bits);
  Append(b, Extended(rate));
  if (compression) {
    Id(b, compression);
    b.push_back(0);  // empty pascal-string name, padded
    b.push_back(0);
  }
  return b;
}

inline Bytes Ssnd(const Bytes& data, uint32_t offset = 0) {
  Bytes b;
  Be32(b, offset);
  Be32(b, 0);
  b.insert(b.end(), offset, 0xEE);
  Append(b, data);
  return b;
}

inline Bytes Aiff(uint16_t channels, uint32_t frames, uint16_t bits, uint32_t rate, const Bytes& data) {
  return Form("AIFF", {{"COMM", Comm(channels, frames, bits, rate)}, {"SSND", Ssnd(data)}});
}

// An "MSWF" container: 16-byte header, the 52-byte regions, then the items. Region i points
// at item min(i, items - 1); every region spans all keys.
inline Bytes Mswf(const std::vector<Bytes>& items, uint32_t regions) {
  Bytes b;
  Id(b, "MSWF");
  Le32(b, regions * 52 + 4);
  Le32(b, regions);
  Le32(b, static_cast<uint32_t>(items.size()));
  const std::size_t tableAt = b.size();
  b.resize(tableAt + regions * 52u, 0);
  std::vector<uint32_t> offsets;
  for (const Bytes& item : items) {
    offsets.push_back(static_cast<uint32_t>(b.size()));
    Append(b, item);
  }
  for (uint32_t r = 0; r < regions; ++r) {
    const std::size_t at = tableAt + r * 52u;
    const std::size_t item = items.empty() ? 0 : std::min<std::size_t>(r, items.size() - 1);
    PutLe32At(b, at, 52);
    if (!items.empty()) {
      PutLe32At(b, at + 4, offsets[item]);
      PutLe32At(b, at + 8, static_cast<uint32_t>(items[item].size()));
    }
    PutLe32At(b, at + 12, static_cast<uint32_t>(item));
    b[at + 44] = static_cast<uint8_t>(r * 10);
    b[at + 45] = static_cast<uint8_t>(r * 10 + 9);
    b[at + 46] = 60;
    b[at + 48] = 127;
    b[at + 51] = 0xAB;  // the loader overwrites it with the region index
  }
  return b;
}

}  // namespace audio_images
