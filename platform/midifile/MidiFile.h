#pragma once
// Reader of Standard MIDI Files (formats 0, 1 and 2, ticks per quarter note): the tracks'
// events with absolute ticks, note pairing, track count and length. Anything it cannot
// read whole is a failed read, never a partial one; no exception leaves it, not even an
// allocation that fails.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "MidiEventList.h"

namespace smf {

class MidiFile {
 public:
  // The largest file read: as many bytes as the largest clip holds (8 MiB). The reader's
  // events take several times the file's size, so a larger file is refused unread.
  static constexpr std::size_t kMaxFileBytes = std::size_t{8} << 20;
  enum Error { kNoError, kCannotOpen, kTooLarge, kNotMidi, kOutOfMemory };

  // Each read starts from nothing: a reader is reused file after file. False when the
  // file cannot be opened or is not a Standard MIDI File this reader takes (also a
  // division of 0 or in SMPTE frames); the reader is then empty.
  bool read(const std::string& path);
  bool readBytes(const uint8_t* data, std::size_t size);
  bool status() const { return status_; }
  // Why the last read failed; kNoError after one that succeeded.
  Error error() const { return error_; }
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
  // Pairs notes in every track; returns the number of pairs, or -1 when there was no
  // memory for it (error() then says so; some notes may stay unpaired).
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
  Error error_ = kNoError;
};

}  // namespace smf
