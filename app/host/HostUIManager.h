#pragma once
// The instrument's side of the remote host application: the clip grid for every client that
// connects, clip contents and settings on request, parameter values and the transport frame;
// and the host's clip edits, clip and scene commands and drum-kit values applied in the
// server thread.
//
// Everything that comes from the host is checked before a clip is touched: tracks 0-6 (256
// for all where a command allows it), clips and scenes 0-7, drum notes 0-127, counts against
// the payload, settings finite and within their range. Clips are read and changed under the
// clip master's lock, which is never held while a message goes to the page or the socket.
#include <cstdint>

#include "app/host/TCPMessageProvider.h"

class CClipCore;
class HostServices;

class HostUIManager : public TCPMessageProvider {
 public:
  static constexpr int kPort = 10000;
  static constexpr int kAllTracks = 256;

  // Sent message types and lengths.
  static constexpr uint32_t kTransportSize = 180;
  static constexpr uint32_t kValueSize = 20;
  static constexpr uint32_t kArpInfoSize = 80;
  static constexpr uint32_t kMidiInfoSize = 72;
  static constexpr uint32_t kTrigInfoSize = 56;
  static constexpr uint32_t kGridSize = 2020;
  // Records 9, 10 and 11: name at 4, track at 36, clip at 40, count at 44, items from 48.
  static constexpr uint32_t kRecordHeader = 48;
  static constexpr uint32_t kEventSize = 16;
  static constexpr uint32_t kArpStepSize = 9;
  static constexpr uint32_t kTrigRowSize = 516;
  // The arpeggiator record the host expects ends in three bytes more than its steps.
  static constexpr uint32_t kArpRecordTail = 3;

  HostUIManager() = default;
  ~HostUIManager() override;

  // Hands itself to the application, takes the clip launcher, registers the handlers and
  // starts the server on `port` (0: a free one; negative: no server, for feeding packets
  // straight into OnPacket or ReceiveStream).
  void init(HostServices* services, int port = kPort);

  void OnState(int state) override;

  // Received messages (server thread).
  void OnTransportCmd(int kind, int cmd, int index, int scene);
  void OnValue(int kind, int part, int ctrl, float value);
  void OnClipProperty(int kind, int track, int clip, int id, float value);
  void OnMidiClip(const uint8_t* payload, uint32_t size);
  void OnArpClip(const uint8_t* payload, uint32_t size);
  void OnTrigClip(const uint8_t* payload, uint32_t size);
  void OnClipCommand(int kind, int cmd, int track, int clip, const char* text);
  void OnCommand(const uint8_t* payload, uint32_t size);

  // Senders; each does nothing without a client. Call them without the clip master's lock.
  // The transport frame, from the audio-period tick: allocates nothing and never waits for
  // the socket; a frame that cannot go at once is dropped.
  void SendTransport(uint32_t step);
  void SendValue(int kind, int instance, int ctrl, float value);
  void SendMidiClip(int track, int clip);
  void SendArpClip(int track, int clip);
  void SendTrigClip(int track, int clip);
  void SendArpClipInfo(int track, int clip);
  void SendMidiClipInfo(int track, int clip);
  void SendMessage14(int track, int clip);
  void SendClipGrid();
  // The grid message as SendClipGrid sends it.
  void ClipGrid(uint8_t (&msg)[kGridSize]);

 private:
  // Message 281 for `track` to the page.
  void ClipChanged(int track);

  HostServices* services_ = nullptr;
  CClipCore* clips_ = nullptr;
};
