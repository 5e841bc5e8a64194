#pragma once
// Splits the host link's packets by message type (the payload's first word) and hands them
// to the handler registered for the type. Payloads shorter than their type's layout are
// ignored, so a handler never reads past the end of what arrived.
#include <cstdint>
#include <functional>

#include "app/host/TCPCommServer.h"

class TCPMessageProvider : public TCPCommServer {
 public:
  // The longest text a message carries, without its terminating zero.
  static constexpr uint32_t kMaxText = 31;

  // Types 4: kind, cmd, index, scene.
  using CommandHandler = std::function<void(int32_t, int32_t, int32_t, int32_t)>;
  // Type 5: kind, part, ctrl, value.
  using ValueHandler = std::function<void(int32_t, int32_t, int32_t, float)>;
  // Type 6: kind, track, clip, id, value.
  using PropertyHandler = std::function<void(int32_t, int32_t, int32_t, int32_t, float)>;
  // Type 15: kind, cmd, track, clip and the text (at most kMaxText characters).
  using TextHandler = std::function<void(int32_t, int32_t, int32_t, int32_t, const char*)>;
  // Types 9, 10, 11, 17: the whole payload, at least as long as the record's fixed part.
  using RecordHandler = std::function<void(const uint8_t*, uint32_t)>;

  // One slot per received type; an empty slot ignores its type.
  struct Handlers {
    CommandHandler transportCmd;  // 4
    ValueHandler value;           // 5
    PropertyHandler clipProperty; // 6
    RecordHandler midiClip;       // 9
    RecordHandler arpClip;        // 10
    RecordHandler trigClip;       // 11
    TextHandler clipCommand;      // 15
    RecordHandler command;        // 17
  };

  ~TCPMessageProvider() override;

  void OnPacket(const uint8_t* payload, uint32_t size) override;

  // Set before Start; the server thread reads them.
  Handlers handlers;
};
