#pragma once
// The host side of the panel boards' bootloader protocol: start a board's bootloader, ask
// the bootloader or the running firmware for its version, send an image word by word with
// an acknowledgement for each, close the transfer with the image's CRC-32 and launch the
// firmware. Every request is followed by a wait that polls Receive and counts fruitless
// polls against a budget; every operation runs to completion and prints its own result.
#include <linux/can.h>

#include <cstdint>

#include "tools/flasher/CCANDev.h"

namespace flasher {

struct ReplyWait;

class CFlashProtoSM : public CCANDev {
 public:
  enum eFlashState {
    idle = 0,
    startBL = 1,
    query = 2,
    handle_query = 3,
    handle_startBL = 4,
    invoke_start = 5,
    handle_start = 6,
    send_seqment = 7,
    wait_ack = 8,
    send_terminate = 9,
    wait_terminate = 10,
    error = 11,
    done = 12,
  };
  enum eErrorCodes {
    ok = 0,
    err_timout_query = 1,
    err_timout_start = 2,
    err_timout_segment = 3,
    err_timout_terminate = 4,
    err_segment_cnt = 5,
    err_crc_nack = 6,
    err_id_missmatch = 7,
  };

  using CCANDev::CCANDev;

  void sendQuery(uint8_t board, bool bl);
  void sendStartBL(uint8_t board);
  void sendStartFlash(uint8_t board, uint32_t start_adr, uint32_t size);
  void sendSeqmentFlash(uint8_t board, uint32_t offset, uint32_t dword);
  void sendTerminateFlash(uint8_t board, uint32_t crc);
  void launch(uint8_t board);

  // 0, or -4 when no bootloader answers.
  int start_bootloader(int board_id);
  // 0, -5 on time-out, -6 when the bootloader of another board answers.
  int query_bl_version(int board_id);
  // 0, or -5 on time-out.
  int query_fw_version(int board_id);
  // Sends the `size` bytes at `pData` (the descriptor's length field is rewritten to
  // `size`): 0 when the board accepted the image, -1 for an image it must not get (wrong
  // magic, shorter than the descriptor, more words than the 24-bit fields count), -7 when
  // the transfer failed. Nothing is sent after a failure.
  int startFlash(uint8_t board, uint8_t* pData, int size);

  eFlashState State() const { return m_state; }
  eErrorCodes Error() const { return m_error; }

 private:
  // Polls until the awaited reply is in m_frame (true) or the budget is spent (false).
  bool Await(const ReplyWait& wait, uint8_t board);

  eFlashState m_state = idle;
  int m_timeout = 0;
  int m_segments = 0;
  int m_offset = 0;
  can_frame m_frame{};
  eErrorCodes m_error = ok;
};

}  // namespace flasher
