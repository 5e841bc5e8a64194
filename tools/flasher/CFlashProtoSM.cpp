#include "tools/flasher/CFlashProtoSM.h"

#include <cstring>

#include "platform/Crc32.h"
#include "platform/LogSink.h"
#include "tools/flasher/FlashDescr.h"

namespace flasher {
namespace {

// Requests, host to board. Identifiers of per-board requests are the base plus the board.
constexpr uint16_t kIdFirmwareQuery = 0x028;
constexpr uint16_t kIdBootloader = 0x700;
constexpr uint16_t kIdFlashBase = 0x710;

constexpr uint8_t kCmdFirmwareVersion = 0xA3;
constexpr uint8_t kCmdStartBootloader = 0xC0;
constexpr uint8_t kCmdBootloaderVersion = 0xC1;
constexpr uint8_t kCmdStartFlash = 0xC2;
constexpr uint8_t kCmdSegment = 0xC3;
constexpr uint8_t kCmdTerminate = 0xC4;
constexpr uint8_t kCmdLaunch = 0xC5;

constexpr uint8_t kAck = 0xF1;
constexpr uint8_t kNack = 0xF0;
constexpr int kAnyByte = -1;

void PutBE(uint8_t* p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * (bytes - 1 - i)));
}

}  // namespace

// One reply the protocol waits for: the identifier (plus the board for per-board replies),
// the first bytes that end the wait, how many bytes of it are read, whether other first
// bytes on that identifier pass for free, and the budget of fruitless polls.
struct ReplyWait {
  uint16_t id;
  bool perBoard;
  int first;
  int second;
  int bytesRead;
  bool othersFree;
  int budget;
};

namespace {
// clang-format off
constexpr ReplyWait kWaitListening{0x701, false, 0xA0,     kAnyByte, 2, false, 2000};
constexpr ReplyWait kWaitBlVersion{0x701, false, 0xA1,     kAnyByte, 4, false, 2000};
constexpr ReplyWait kWaitFwVersion{0x3F0, false, kAnyByte, kAnyByte, 3, false, 2000};
constexpr ReplyWait kWaitStart    {0x720, true,  0xA2,     kAnyByte, 1, false, 5000};
constexpr ReplyWait kWaitAck      {0x720, true,  kAck,     kNack,    1, true,  500};
constexpr ReplyWait kWaitVerdict  {0x720, true,  kAck,     kNack,    1, true,  100};
// clang-format on
}  // namespace

bool CFlashProtoSM::Await(const ReplyWait& wait, uint8_t board) {
  const canid_t id = wait.id + (wait.perBoard ? board : 0);
  // A board that keeps sending free frames must not hold the wait forever: once as many
  // have passed as the budget allows polls, further ones cost like any other.
  int freeLeft = wait.budget;
  for (;;) {
    const bool got = Receive(&m_frame) != 0;
    // The whole identifier is compared, so extended, remote and error frames never match.
    if (got && m_frame.can_id == id) {
      // The frame's length is not looked at: bytes beyond it read as zero, and the boards'
      // firmware may send replies shorter than the bytes read.
      const int first = m_frame.data[0];
      const bool awaited = wait.first == kAnyByte || first == wait.first || first == wait.second;
      if (awaited) return true;
      if (wait.othersFree && freeLeft > 0) {
        --freeLeft;
        continue;
      }
    }
    if (m_timeout == 0) return false;
    --m_timeout;
  }
}

void CFlashProtoSM::sendQuery(uint8_t board, bool bl) {
  const uint8_t data[2] = {bl ? kCmdBootloaderVersion : kCmdFirmwareVersion, board};
  SendRAW(bl ? kIdBootloader : kIdFirmwareQuery, data, 2);
}

void CFlashProtoSM::sendStartBL(uint8_t board) {
  const uint8_t data[2] = {kCmdStartBootloader, board};
  SendRAW(kIdBootloader, data, 2);
}

void CFlashProtoSM::sendStartFlash(uint8_t board, uint32_t start_adr, uint32_t size) {
  uint8_t data[8] = {kCmdStartFlash};
  PutBE(data + 1, start_adr, 4);
  PutBE(data + 5, size & 0xFFFFFFu, 3);
  SendRAW(static_cast<uint16_t>(kIdFlashBase + board), data, 8);
}

void CFlashProtoSM::sendSeqmentFlash(uint8_t board, uint32_t offset, uint32_t dword) {
  uint8_t data[8] = {kCmdSegment};
  PutBE(data + 1, offset & 0xFFFFFFu, 3);
  PutBE(data + 4, dword, 4);
  SendRAW(static_cast<uint16_t>(kIdFlashBase + board), data, 8);
}

void CFlashProtoSM::sendTerminateFlash(uint8_t board, uint32_t crc) {
  uint8_t data[5] = {kCmdTerminate};
  PutBE(data + 1, crc, 4);
  SendRAW(static_cast<uint16_t>(kIdFlashBase + board), data, 5);
}

void CFlashProtoSM::launch(uint8_t board) {
  const uint8_t data[2] = {kCmdLaunch, board};
  SendRAW(static_cast<uint16_t>(kIdFlashBase + board), data, 2);
}

int CFlashProtoSM::start_bootloader(int board_id) {
  const auto board = static_cast<uint8_t>(board_id);
  m_state = startBL;
  sendStartBL(board);
  m_state = handle_startBL;
  m_timeout = kWaitListening.budget;
  if (!Await(kWaitListening, board)) {
    m_error = err_timout_query;
    m_state = error;
    platform::LogPrintf("ERROR: start bootload timeout\n");
    return -4;
  }
  platform::LogPrintf("Bootload listen ID %d\n", m_frame.data[1]);
  m_error = ok;
  m_state = idle;
  return 0;
}

int CFlashProtoSM::query_bl_version(int board_id) {
  const auto board = static_cast<uint8_t>(board_id);
  m_state = query;
  sendQuery(board, true);
  m_state = handle_query;
  m_timeout = kWaitBlVersion.budget;
  if (!Await(kWaitBlVersion, board)) {
    m_error = err_timout_query;
    m_state = error;
    platform::LogPrintf("ERROR: Query bootloader version timeout\n");
    return -5;
  }
  if (m_frame.data[1] != board_id) {
    m_state = error;
    platform::LogPrintf("ERROR: Board ID:%d doesn't match given ID %d\n", m_frame.data[1], board_id);
    m_error = err_id_missmatch;
    return -6;
  }
  platform::LogPrintf("BOARD %d,Bootloader: Version: %d.%d\n", m_frame.data[1], m_frame.data[2], m_frame.data[3]);
  m_error = ok;
  m_state = idle;
  return 0;
}

int CFlashProtoSM::query_fw_version(int board_id) {
  const auto board = static_cast<uint8_t>(board_id);
  m_state = query;
  sendQuery(board, false);
  m_state = handle_query;
  m_timeout = kWaitFwVersion.budget;
  if (!Await(kWaitFwVersion, board)) {
    m_error = err_timout_query;
    m_state = error;
    platform::LogPrintf("ERROR: Query firmware version timeout\n");
    return -5;
  }
  platform::LogPrintf("BOARD %d,Firmware: Version: %d.%d\n", m_frame.data[0], m_frame.data[1], m_frame.data[2]);
  m_error = ok;
  m_state = idle;
  return 0;
}

int CFlashProtoSM::startFlash(uint8_t board, uint8_t* pData, int size) {
  // The descriptor is read and written below, and the 24-bit fields must hold the count.
  if (!pData || size < static_cast<int>(sizeof(tFlashDescr)) ||
      static_cast<int64_t>(size) > int64_t{kMaxImageWords} * 4) {
    platform::LogPrintf("ERROR: firmware image size %d out of range\n", size);
    return -1;
  }
  const uint32_t magic = LoadLE32(pData);
  if (magic != kFirmwareMagic) {
    platform::LogPrintf("ERROR: file magic number wrong (maybe a debug version) %08X\n", magic);
    return -1;
  }
  StoreLE32(pData + kDescrLengthOffset, static_cast<uint32_t>(size));
  m_segments = size / 4 + (size % 4 != 0 ? 1 : 0);

  // The last word of an image whose size is not a multiple of 4 is padded with zeros
  // instead of being read beyond the image.
  auto word = [&](int index) {
    uint8_t bytes[4] = {};
    const int start = index * 4;
    for (int i = 0; i < 4 && start + i < size; ++i) bytes[i] = pData[start + i];
    return LoadLE32(bytes);
  };

  m_state = invoke_start;
  m_error = ok;
  for (;;) {
    switch (m_state) {
      case invoke_start:
        // The board has its own flash address for the image; the field carries nothing.
        sendStartFlash(board, 0, static_cast<uint32_t>(m_segments));
        m_timeout = kWaitStart.budget;
        m_offset = 0;
        m_state = handle_start;
        break;
      case handle_start:
        if (Await(kWaitStart, board)) {
          platform::LogPrintf("START: size: %d (bytes) segments: %d\n", size, m_segments);
          m_state = send_seqment;
        } else {
          m_error = err_timout_start;
          m_state = error;
          platform::LogPrintf("ERROR: Start Flash timeout\n");
        }
        break;
      case send_seqment:
        sendSeqmentFlash(board, static_cast<uint32_t>(m_offset), word(m_offset));
        ++m_offset;
        m_timeout = kWaitAck.budget;
        m_state = wait_ack;
        platform::LogPrintf("segment %d\r", m_offset);
        break;
      case wait_ack:
        if (!Await(kWaitAck, board)) {
          m_error = err_timout_segment;
          m_state = error;
          platform::LogPrintf("ERROR: Flash Timeout segment\n");
        } else if (m_frame.data[0] == kAck) {
          m_state = m_offset < m_segments ? send_seqment : send_terminate;
        } else {
          m_error = err_segment_cnt;
          m_state = error;
          platform::LogPrintf("ERROR: Segment count wrong\n");
        }
        break;
      case send_terminate:
        sendTerminateFlash(board, platform::crc32(0, pData, static_cast<uint32_t>(size)));
        m_timeout = kWaitVerdict.budget;
        m_state = wait_terminate;
        break;
      case wait_terminate:
        if (!Await(kWaitVerdict, board)) {
          m_error = err_timout_terminate;
          m_state = error;
          platform::LogPrintf("ERROR: Flash Timeout\n");
        } else if (m_frame.data[0] == kAck) {
          m_error = ok;
          m_state = done;
          return 0;
        } else {
          m_error = err_crc_nack;
          platform::LogPrintf("ERROR: Flash Nak\n");
          m_state = error;
        }
        break;
      case error:
      default:
        m_state = error;
        return -7;
    }
  }
}

}  // namespace flasher
