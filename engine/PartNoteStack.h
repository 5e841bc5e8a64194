#pragma once
// The keys a part holds in mono play: a chain from the most recently pressed key back to the
// oldest, and the same keys in ascending order. Sixteen at most; a seventeenth key pushes
// out the oldest.
#include <cstdint>

class PartNoteStack {
 public:
  static constexpr int32_t kCapacity = 16;
  static constexpr uint8_t kEmpty = 255;

  PartNoteStack() { Clear(); }

  void Clear();
  // A key already held moves to the top (with the new velocity, 0..1).
  void Push(uint8_t note, float velocity);
  // A key that is not held changes nothing.
  void Remove(uint8_t note);

  int32_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  // The most recently pressed key still held, and its velocity; kEmpty and 0 when none.
  uint8_t HeadNote() const { return cells_[head_].note; }
  float HeadVelocity() const;
  // The i-th held key in ascending order, i < Count().
  uint8_t Ascending(int32_t i) const { return cells_[ascending_[i]].note; }

 private:
  struct Cell {
    uint8_t note = kEmpty;
    uint8_t velocity = 0;  // 0..127: a 0..1 velocity kept as a byte would be 0 or 1
    uint8_t next = 0;      // 0 ends the chain
  };

  int32_t Find(uint8_t note) const;

  uint8_t count_ = 0;
  Cell cells_[kCapacity + 1];  // cell 0 stays empty: index 0 means "none"
  uint8_t head_ = 0;
  uint8_t ascending_[kCapacity] = {};
};
