#pragma once
// Reader of Standard MIDI Files (formats 0, 1 and 2, ticks per quarter note): the tracks'
// events with absolute ticks, note pairing, track count and length. Anything it cannot
// read whole is a failed read, never a partial one; no exception leaves it.
#include <cstdint>
#include <string>
#include <vector>

#include "MidiEventList.h"

namespace smf {

class MidiFile {
 public:
  // Each read starts from nothing: a reader is reused file after file. False when the
  // file cannot be opened or is not a Standard MIDI File this reader takes (also a
  // division of 0 or in SMPTE frames); the reader is then empty.
  bool read(const std::string& path);
  bool readBytes(const uint8_t* data, std::size_t size);
  bool status() const { return status_; }
  void clear();

  int getTrackCount() const { return static_cast<int>(tracks_.size()); }
  int getNumTracks() const { return getTrackCount(); }
  int getFormat() const { return format_; }
  int getTicksPerQuarterNote() const { return tpq_; }
  int getTPQ() const { return tpq_; }
  MidiEventList& operator[](int track) { return tracks_[static_cast<std::size_t>(track)]; }
  const MidiEventList& operator[](int track) const { return tracks_[static_cast<std::size_t>(track)]; }

  // Ticks are absolute from the start; kept for callers written for delta ticks.
  void makeAbsoluteTicks() {}
  // Pairs notes in every track; returns the number of pairs.
  int linkNotePairs();
  // The latest tick of any track's last event; 0 without events.
  int getFileDurationInTicks() const;
  double getFileDurationInQuarters() const;

 private:
  bool parse(const uint8_t* data, std::size_t size);
  bool parseTrack(const uint8_t* p, std::size_t n, int track, MidiEventList& out);

  std::vector<MidiEventList> tracks_;
  int format_ = 0;
  int tpq_ = 0;
  bool status_ = false;
};

}  // namespace smf
