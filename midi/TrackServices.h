#pragma once
// What the clip tracks play into: the application core routes a track's notes to its synth
// part, the drum player or an external MIDI port, and offers pad-controller input the
// launcher does not use to its own controller handlers. Tests stand in a recorder.
class TrackServices {
 public:
  virtual ~TrackServices() = default;

  // cv1-cv3 follow the note as controllers 117-119 on the internal parts.
  virtual void TrackNoteOn(int track, int key, int velocity, int cv1, int cv2, int cv3) = 0;
  virtual void TrackNoteOff(int track, int key) = 0;
  virtual void TrackControlChange(int part, int controller, int value) = 0;
  // Resets the part's voices; a number that is no synth part reaches nothing.
  virtual void SendPartStop(int part) = 0;
  // `velocity` in percent; `step` is for display only.
  virtual void TriggerDrumNote(int step, int note, int velocity) = 0;
  virtual int DispatchMidiCC(int port, int channel, int data1, int data2) = 0;
  // The semitones a key played live into the track is moved by before the track records or
  // plays it (the octave setting of the track's MIDI input): a clip holds keys so moved, so a
  // key that comes from elsewhere (a MIDI file) is moved by as much to sound as it would live.
  virtual int TrackKeyOffset(int /*track*/) { return 0; }
};

// Tracks that play nothing, for clip sets that are only written, read or timed.
class SilentTrackServices : public TrackServices {
 public:
  void TrackNoteOn(int, int, int, int, int, int) override {}
  void TrackNoteOff(int, int) override {}
  void TrackControlChange(int, int, int) override {}
  void SendPartStop(int) override {}
  void TriggerDrumNote(int, int, int) override {}
  int DispatchMidiCC(int, int, int, int) override { return 0; }
};
