#pragma once
// A front-panel board as the flasher sees it on the bus, written from the bootloader
// protocol's frame tables alone: the running firmware answers its version query and hands
// over to the bootloader; the bootloader answers its version, takes an image word by word
// into a flash buffer, checks each word's offset and the image's CRC (computed by zlib, not
// by the project's code), and launches the firmware. Fault switches make it misbehave the
// ways a real board or bus can. Used by the flasher's tests and benchmarks.
#include <linux/can.h>

#include <cstdint>
#include <set>
#include <vector>

namespace flasher_sim {

struct BoardFaults {
  std::set<uint8_t> silentTo;      // request codes (A3, C0, C1, C2, C3, C4) left unanswered
  int versionAsBoard = 0;          // non-zero: the bootloader version reply names this board
  int refuseSegment = -1;          // this word offset is refused (F0)
  int corruptWord = -1;            // this word is stored with a flipped bit, so the CRC fails
  bool refuseCrc = false;          // the CRC is refused whatever it is
  std::vector<can_frame> noise;    // sent before every reply
  bool strayBeforeAck = false;     // 0x720+b {A2} and {00} before every segment acknowledgement
};

class SimBootloaderBoard {
 public:
  explicit SimBootloaderBoard(uint8_t id, uint8_t fwMajor = 1, uint8_t fwMinor = 3, uint8_t blMajor = 2,
                              uint8_t blMinor = 7);

  BoardFaults& Faults() { return faults_; }
  // Takes one frame off the bus; the frames the board sends in answer are appended to `out`.
  void OnFrame(const can_frame& in, std::vector<can_frame>& out);

  uint8_t Id() const { return id_; }
  bool InBootloader() const { return bootloader_; }
  int Launches() const { return launches_; }
  // The image as received, as many bytes as the start request announced words.
  const std::vector<uint8_t>& Flash() const { return flash_; }
  uint32_t AnnouncedWords() const { return announcedWords_; }
  bool ImageAccepted() const { return accepted_; }
  // The CRC the host sent with the terminate request.
  uint32_t ReceivedCrc() const { return receivedCrc_; }
  // Every frame the board took off the bus, in order.
  const std::vector<can_frame>& Received() const { return received_; }
  // The last request went unanswered because of a silence switch.
  bool Swallowed() const { return swallowed_; }

 private:
  void Reply(std::vector<can_frame>& out, canid_t id, std::initializer_list<uint8_t> bytes);

  uint8_t id_;
  uint8_t fwMajor_, fwMinor_, blMajor_, blMinor_;
  BoardFaults faults_;
  bool bootloader_ = false;
  bool receiving_ = false;
  bool accepted_ = false;
  bool swallowed_ = false;
  int launches_ = 0;
  uint32_t announcedWords_ = 0;
  uint32_t nextOffset_ = 0;
  uint32_t receivedCrc_ = 0;
  std::vector<uint8_t> flash_;
  std::vector<can_frame> received_;
};

}  // namespace flasher_sim
