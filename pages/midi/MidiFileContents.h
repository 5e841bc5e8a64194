#pragma once
// What an import takes from a Standard MIDI File: the notes and controllers of one track in
// clip pulses, with its metre, name and length. Reading touches no page and no clip, so it
// runs on the MIDI-file page's worker thread; the page shows and imports the result.
#include <string>
#include <vector>

#include "midi/CInstrumentSeq.h"
#include "midi/ClipData.h"

struct MidiFileContents {
  enum Status { kRead, kUnreadable, kTooLarge, kNoMemory };

  // `path` is the file's full path; `transpose` is added to every key (then folded into
  // 0-127 by octaves). With `withPlayList` the events' sorted play list is built as well, so
  // an import swaps it in without sorting.
  static MidiFileContents Read(const std::string& path, int transpose, bool withPlayList);

  Status status = kUnreadable;
  bool cut = false;  // the track held more events than a clip holds; the rest left out
  std::vector<SeqEvent> events;
  std::vector<CInstrumentSeq::PlayEntry> playList;
  std::string trackName;
  int trackCount = 0;
  int lengthPulses = 0;
  int quarters = 0;
  int numerator = 4;  // a file without a time signature is in 4/4, as a new clip
  int denominator = 4;
};
