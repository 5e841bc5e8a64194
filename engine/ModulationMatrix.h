#pragma once
// Per-voice modulation matrix: named source and destination buffers and 24 routes, each adding
// a scaled, polarity-converted source into a destination once per block.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/PiMutex.h"

class ModulationMatrix {
 public:
  static constexpr int kDestinations = 46;
  static constexpr int kSources = 32;
  static constexpr int kRoutes = 24;
  static constexpr int kClearSlot = 255;  // as is -1
  static constexpr int kMaxName = 31;

  // Results of Connect / SetAmount besides success.
  static constexpr int kBadSource = -1;
  static constexpr int kBadDestination = -2;
  static constexpr int kBadSlot = -3;

  // Route modes.
  enum Mode : int { kOff = 0, kUnipolar = 1, kBipolar = 2 };

  ModulationMatrix();
  ~ModulationMatrix();
  ModulationMatrix(const ModulationMatrix&) = delete;
  ModulationMatrix& operator=(const ModulationMatrix&) = delete;

  // index 0..31; returns it, or -1. `bipolar` sources run -1..+1, others 0..1; a source
  // without `keep` is cleared whenever a route from it is installed.
  int AddSource(int index, const char* name, int length, float* buffer, uint8_t keep, uint8_t bipolar);
  // index 0..45; returns it, or -1. Null scale: routes into it use the default scale 1.0.
  int AddDestination(int index, const char* name, int length, float* buffer, float* scale);

  // Installs route slot 0..23, or clears every route for slot -1 or 255. Returns 0, or a
  // negative code and changes nothing.
  int Connect(int slot, int source, int destination, float amount, int mode);
  // Slot 0..23: returns the slot. Slot -1 or 255: returns 0 and changes nothing.
  int SetAmount(int slot, float amount);
  // First value of the route's destination (0 for an unused route or another slot). Reads
  // without the lock, for display.
  float GetRouteValue(int slot) const;

  // Evaluates every route for one block.
  void Process();

  // Owner thread, before Process: every value of the source is 0 in this block, so its
  // routes add only their converter's constant and its buffer is not read. Holds until
  // changed.
  void SetSilent(int source, bool silent) {
    if (source >= 0 && source < kSources) silent_[source] = silent ? 1 : 0;
  }
  // Whether Process starts the destination from 0 in each block (a route names it), or
  // leaves it alone.
  bool Routed(int destination) const {
    return destination >= 0 && destination < kDestinations &&
           (routed_.load(std::memory_order_relaxed) >> destination & 1u) != 0;
  }
  // Whether Process reads the source: a route takes it into a destination at an amount other
  // than 0 (a route at 0, or switched off, adds nothing).
  bool Reads(int source) const {
    return source >= 0 && source < kSources && (read_.load(std::memory_order_relaxed) >> source & 1u) != 0;
  }

  const char* SourceName(int index) const;
  const char* DestinationName(int index) const;

 private:
  enum class Converter : uint8_t { kZero, kToUnipolar, kToBipolar, kIdentity };

  struct Destination {
    char name[36];
    float* buffer;
    int32_t length;
    float* scale;
  };
  struct Source {
    char name[36];
    float* buffer;
    int32_t length;
    uint8_t keep;
    uint8_t bipolar;
  };
  struct Route {
    char sourceName[33];
    char destinationName[35];
    float* sourceBuffer;
    float* destinationBuffer;
    int32_t sourceLength;
    int32_t destinationLength;  // 0: unused
    float amount;
    float* scale;
    uint8_t keep;
    Converter converter;
    uint8_t source;
    uint8_t destination;
    // The first slot whose route writes the same buffer: the slots of one buffer share the
    // bit of that slot in Process's record of written buffers.
    uint8_t leader;
    // On a leader: the longest length its slots write, and whether they differ (that buffer
    // is then cleared as a whole before the routes add).
    int32_t groupLength;
    uint8_t mixedLengths;
  };

  static Converter ChooseConverter(uint8_t bipolarSource, int mode);
  // Each adds the route's values into its destination, or, the first to write it in a block,
  // stores 0 + them; false when the length rules give the destination nothing.
  template <bool kFirst>
  static bool Accumulate(const Route& r, float offset, float slope);
  template <bool kFirst>
  static bool AccumulateSilent(const Route& r, float offset, float slope);
  void UpdateMasks();

  Destination destinations_[kDestinations];
  Source sources_[kSources];
  Route routes_[kRoutes];
  using Lock = std::lock_guard<platform::PiMutex>;
  mutable platform::PiMutex mutex_;  // a render thread may wait on a parameter thread
  float defaultScale_ = 1.0f;
  uint8_t silent_[kSources] = {};
  std::atomic<uint64_t> routed_{0};  // bit d: destination d
  std::atomic<uint32_t> read_{0};    // bit s: source s
  // Route slots that lead the slots writing one buffer, and those whose slots write it with
  // different lengths (guarded by the lock, like the routes).
  uint32_t leaders_ = 0;
  uint32_t mixed_ = 0;
  static_assert(kDestinations <= 64 && kSources <= 32);
};
