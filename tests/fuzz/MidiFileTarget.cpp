#include "MidiFile.h"
#include "tests/fuzz/FuzzTargets.h"

namespace fuzz_targets {

bool MidiFileOne(const uint8_t* data, std::size_t size) {
  static smf::MidiFile reader;  // reused, as the page reuses its one reader
  if (!reader.readBytes(data, size)) return reader.getTrackCount() == 0 && reader.getFileDurationInTicks() == 0;
  ++AcceptedCount();
  reader.linkNotePairs();
  int longest = 0;
  for (int t = 0; t < reader.getTrackCount(); ++t) {
    const smf::MidiEventList& track = reader[t];
    for (int i = 0; i < track.size(); ++i) {
      const smf::MidiEvent& e = track[i];
      if (e.size() < 1 || e.tick < 0 || e.track != t) return false;
      if (i > 0 && e.tick < track[i - 1].tick) return false;
      // The sanitizers see a read past the event's bytes.
      volatile uint8_t last = e.data()[e.size() - 1];
      (void)last;
      if (e.isLinked()) {
        const smf::MidiEvent* other = e.getLinkedEvent();
        if (other->getLinkedEvent() != &e || other->track != t) return false;
        if (e.getChannel() != other->getChannel() || e.getKeyNumber() != other->getKeyNumber()) return false;
        if (e.isNoteOn() == other->isNoteOn()) return false;
        if (e.isNoteOn() && other->tick < e.tick) return false;
      }
      if (e.isMetaMessage() && e.getMetaContent().size() > static_cast<std::size_t>(e.size())) return false;
    }
    if (track.size() > 0 && track[track.size() - 1].tick > longest) longest = track[track.size() - 1].tick;
  }
  return reader.getFileDurationInTicks() == longest && reader.getTicksPerQuarterNote() > 0 &&
         reader.getTicksPerQuarterNote() < 0x8000;
}

}  // namespace fuzz_targets
