#include "tools/flasher/sim/SimBootloaderBoard.h"

#include <zlib.h>

#include <algorithm>

namespace flasher_sim {
namespace {

uint32_t GetBE(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
  return v;
}

can_frame Frame(canid_t id, std::initializer_list<uint8_t> bytes) {
  can_frame f{};
  f.can_id = id;
  f.can_dlc = static_cast<uint8_t>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), f.data);
  return f;
}

}  // namespace

SimBootloaderBoard::SimBootloaderBoard(uint8_t id, uint8_t fwMajor, uint8_t fwMinor, uint8_t blMajor,
                                       uint8_t blMinor)
    : id_(id), fwMajor_(fwMajor), fwMinor_(fwMinor), blMajor_(blMajor), blMinor_(blMinor) {}

void SimBootloaderBoard::Reply(std::vector<can_frame>& out, canid_t id, std::initializer_list<uint8_t> bytes) {
  out.insert(out.end(), faults_.noise.begin(), faults_.noise.end());
  out.push_back(Frame(id, bytes));
}

void SimBootloaderBoard::OnFrame(const can_frame& in, std::vector<can_frame>& out) {
  received_.push_back(in);
  swallowed_ = false;
  const canid_t flashId = 0x710u + id_;
  const canid_t replyId = 0x720u + id_;
  const uint8_t* d = in.data;
  const int dlc = in.can_dlc;
  if (dlc < 1) return;
  const bool toUs = in.can_id == 0x028 || in.can_id == 0x700 || in.can_id == flashId;
  if (!toUs) return;
  swallowed_ = faults_.silentTo.count(d[0]) != 0;
  if (swallowed_) return;

  if (in.can_id == 0x028) {
    if (dlc >= 2 && d[0] == 0xA3 && d[1] == id_ && !bootloader_) Reply(out, 0x3F0, {id_, fwMajor_, fwMinor_});
    return;
  }
  if (in.can_id == 0x700) {
    if (dlc < 2 || d[1] != id_) return;
    if (d[0] == 0xC0) {
      bootloader_ = true;
      Reply(out, 0x701, {0xA0, id_});
    } else if (d[0] == 0xC1 && bootloader_) {
      const auto named = static_cast<uint8_t>(faults_.versionAsBoard ? faults_.versionAsBoard : id_);
      Reply(out, 0x701, {0xA1, named, blMajor_, blMinor_});
    }
    return;
  }
  if (!bootloader_) return;
  switch (d[0]) {
    case 0xC2:
      if (dlc < 8) return;
      announcedWords_ = GetBE(d + 5, 3);
      flash_.assign(std::size_t{announcedWords_} * 4, 0);
      nextOffset_ = 0;
      receiving_ = true;
      accepted_ = false;
      Reply(out, replyId, {0xA2});
      return;
    case 0xC3: {
      if (dlc < 8 || !receiving_) return;
      const uint32_t offset = GetBE(d + 1, 3);
      uint32_t word = GetBE(d + 4, 4);
      if (faults_.strayBeforeAck) {
        out.push_back(Frame(replyId, {0xA2}));
        out.push_back(Frame(replyId, {0x00}));
      }
      if (offset != nextOffset_ || offset >= announcedWords_ || static_cast<int>(offset) == faults_.refuseSegment) {
        Reply(out, replyId, {0xF0});
        return;
      }
      if (static_cast<int>(offset) == faults_.corruptWord) word ^= 1u;
      for (int i = 0; i < 4; ++i) flash_[offset * 4 + i] = static_cast<uint8_t>(word >> (8 * i));
      ++nextOffset_;
      Reply(out, replyId, {0xF1});
      return;
    }
    case 0xC4: {
      if (dlc < 5 || !receiving_) return;
      receivedCrc_ = GetBE(d + 1, 4);
      const uLong own = ::crc32(::crc32(0L, Z_NULL, 0), flash_.data(), static_cast<uInt>(flash_.size()));
      accepted_ = !faults_.refuseCrc && nextOffset_ == announcedWords_ && own == receivedCrc_;
      receiving_ = false;
      Reply(out, replyId, {static_cast<uint8_t>(accepted_ ? 0xF1 : 0xF0)});
      return;
    }
    case 0xC5:
      if (dlc < 2 || d[1] != id_) return;
      ++launches_;
      bootloader_ = false;
      return;
    default:
      return;
  }
}

}  // namespace flasher_sim
