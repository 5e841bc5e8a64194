#include "engine/PartNoteStack.h"

#include <cmath>

void PartNoteStack::Clear() {
  count_ = 0;
  head_ = 0;
  for (Cell& c : cells_) c = Cell{};
  for (uint8_t& a : ascending_) a = 0;
}

int32_t PartNoteStack::Find(uint8_t note) const {
  for (int32_t i = 1; i <= kCapacity; ++i)
    if (cells_[i].note == note) return i;
  return 0;
}

float PartNoteStack::HeadVelocity() const { return static_cast<float>(cells_[head_].velocity) / 127.0f; }

void PartNoteStack::Push(uint8_t note, float velocity) {
  if (note == kEmpty) return;
  if (Find(note) != 0) Remove(note);
  if (count_ >= kCapacity) {
    // The oldest key is the end of the chain.
    for (int32_t i = 1; i <= kCapacity; ++i) {
      if (cells_[i].note != kEmpty && cells_[i].next == 0) {
        Remove(cells_[i].note);
        break;
      }
    }
  }
  int32_t cell = 0;
  for (int32_t i = 1; i <= kCapacity && cell == 0; ++i)
    if (cells_[i].note == kEmpty) cell = i;
  if (cell == 0) return;
  const float v = std::isfinite(velocity) ? std::fmin(std::fmax(velocity, 0.0f), 1.0f) : 0.0f;
  cells_[cell] = Cell{note, static_cast<uint8_t>(std::lround(v * 127.0f)), head_};
  head_ = static_cast<uint8_t>(cell);
  int32_t at = 0;
  while (at < count_ && cells_[ascending_[at]].note < note) ++at;
  for (int32_t i = count_; i > at; --i) ascending_[i] = ascending_[i - 1];
  ascending_[at] = static_cast<uint8_t>(cell);
  ++count_;
}

void PartNoteStack::Remove(uint8_t note) {
  const int32_t cell = note == kEmpty ? 0 : Find(note);
  if (cell == 0) return;
  if (head_ == cell) {
    head_ = cells_[cell].next;
  } else {
    for (int32_t i = head_; i != 0; i = cells_[i].next) {
      if (cells_[i].next == cell) {
        cells_[i].next = cells_[cell].next;
        break;
      }
    }
  }
  int32_t at = 0;
  while (at < count_ && ascending_[at] != cell) ++at;
  for (int32_t i = at; i + 1 < count_; ++i) ascending_[i] = ascending_[i + 1];
  if (at < count_) ascending_[count_ - 1] = 0;
  cells_[cell] = Cell{};
  --count_;
}
