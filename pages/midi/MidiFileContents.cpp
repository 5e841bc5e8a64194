#include "pages/midi/MidiFileContents.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>

#include "MidiFile.h"
#include "platform/LogSink.h"

namespace {

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The track whose events are imported: the first when it holds notes or controllers (a
// format-0 file), else the first that holds notes (format-1 files keep tempo and metre in a
// conductor track of their own).
int ChooseTrack(const smf::MidiFile& reader) {
  const int count = reader.getTrackCount();
  if (count == 0) return -1;
  const smf::MidiEventList& first = reader[0];
  for (int i = 0; i < first.size(); ++i)
    if (first[i].isNoteOn() || first[i].isController()) return 0;
  for (int t = 1; t < count; ++t)
    for (int i = 0; i < reader[t].size(); ++i)
      if (reader[t][i].isNoteOn()) return t;
  return 0;
}

}  // namespace

MidiFileContents MidiFileContents::Read(const std::string& path, int transpose, bool withPlayList) {
  MidiFileContents out;
  smf::MidiFile reader;
  if (!reader.read(path) || reader.linkNotePairs() < 0) {
    switch (reader.error()) {
      case smf::MidiFile::kTooLarge:
        platform::LogPrintf("MIDI file %s is larger than a clip holds\n", path.c_str());
        out.status = kTooLarge;
        break;
      case smf::MidiFile::kOutOfMemory:
        platform::LogPrintf("No memory for the MIDI file %s\n", path.c_str());
        out.status = kNoMemory;
        break;
      default:
        platform::LogPrintf("Error reading MIDI file %s\n", path.c_str());
        break;
    }
    return out;
  }
  out.trackCount = reader.getTrackCount();
  if (out.trackCount != 1) platform::LogPrintf("MIDI-Read: more then 1 track %d (assume track 1 \n", out.trackCount);

  const int tpq = reader.getTicksPerQuarterNote();  // the reader refuses 0
  const int length = reader.getFileDurationInTicks();
  out.quarters = length / tpq;
  // The clip plays 96 pulses a quarter note whatever the file counts in.
  auto pulses = [tpq](int tick) { return Saturate((int64_t{tick} * kSeqPulsesPerQuarter + tpq / 2) / tpq); };
  out.lengthPulses = pulses(length);
  const int chosen = ChooseTrack(reader);

  try {
    // Metre and name from the first track, then from the one imported, later ones winning.
    const int sources[] = {0, chosen};
    for (int k = 0; chosen >= 0 && k < (chosen > 0 ? 2 : 1); ++k) {
      const smf::MidiEventList& events = reader[sources[k]];
      for (int i = 0; i < events.size(); ++i) {
        const smf::MidiEvent& e = events[i];
        if (e.isTimeSignature()) {
          out.numerator = e[3];
          out.denominator = 1 << std::min(e[4], 6);
        } else if (e.isTrackName()) {
          out.trackName = e.getMetaContent();
        }
      }
    }

    if (chosen >= 0) {
      const smf::MidiEventList& events = reader[chosen];
      for (int i = 0; i < events.size(); ++i) {
        const smf::MidiEvent& e = events[i];
        if (!e.isNoteOn() && !e.isController()) continue;
        // A clip holds no more than the clip-set file and the host link carry: the rest of
        // a longer track is left out, and the page says so.
        if (out.events.size() >= static_cast<std::size_t>(kMaxClipEvents)) {
          out.cut = true;
          break;
        }
        if (e.isNoteOn()) {
          int end;
          if (const smf::MidiEvent* off = e.getLinkedEvent()) {
            platform::LogPrintf("Linked Midi Events key %d, on_tick:%d, off_tick:%d\n", e.getKeyNumber(), e.tick,
                                off->tick);
            end = off->tick;
          } else if (length > e.tick) {
            end = length;  // a note the file never ends lasts to the file's end
          } else {
            continue;
          }
          int key = transpose + e.getKeyNumber();
          while (key > 127) key -= 12;
          while (key < 0) key += 12;
          out.events.push_back({kSeqNote, pulses(e.tick), pulses(end), 0, static_cast<uint8_t>(key),
                                static_cast<uint8_t>(e.getVelocity())});
        } else {
          out.events.push_back({kSeqControl, pulses(e.tick), 0, 0, static_cast<uint8_t>(e.getControllerNumber()),
                                static_cast<uint8_t>(e.getControllerValue())});
        }
      }
    }
    // The reader's events take several times the file's size: freed before the list is built.
    reader.clear();
    if (withPlayList) out.playList = CInstrumentSeq::MakePlayList(out.events);
  } catch (const std::bad_alloc&) {
    platform::LogPrintf("No memory for the MIDI file %s\n", path.c_str());
    MidiFileContents none;
    none.status = kNoMemory;
    return none;
  }
  if (out.cut) platform::LogPrintf("MIDI file %s: events past the clip's %d left out\n", path.c_str(), kMaxClipEvents);
  out.status = kRead;
  return out;
}
