#include "MidiEvent.h"

namespace smf {

std::string MidiEvent::getMetaContent() const {
  if (!isMetaMessage()) return {};
  // The length is a variable-length number; what follows it is bounded by the event.
  int i = 2;
  while (i < size() && (data_[i] & 0x80)) ++i;
  ++i;
  if (i >= size()) return {};
  return std::string(reinterpret_cast<const char*>(data_ + i), static_cast<std::size_t>(size() - i));
}

void MidiEvent::linkEvent(MidiEvent* other) {
  unlinkEvent();
  if (!other) return;
  other->unlinkEvent();
  linked_ = other;
  other->linked_ = this;
}

void MidiEvent::unlinkEvent() {
  if (linked_ && linked_->linked_ == this) linked_->linked_ = nullptr;
  linked_ = nullptr;
}

}  // namespace smf
