#pragma once
// The contents of one clip of a track: an arpeggiator pattern, a MIDI sequence and a
// trigger (drum) pattern side by side; the scene's kind says which one plays. The clip-set
// file reads and writes these fields as they stand.
#include <cstdint>
#include <string>
#include <vector>

constexpr int kClipSteps = 64;     // arpeggiator steps and trigger rows
constexpr int kRowTriggers = 32;   // triggers in one trigger row
constexpr int kSeqPulsesPerQuarter = 96;
// The most events one clip holds: what the largest host upload (8 MiB) carries.
constexpr int kMaxClipEvents = ((8 << 20) - 48) / 16;
// Transposition of a MIDI sequence in semitones, either way.
constexpr int kMaxTranspose = 127;

enum ClipKind : int32_t {
  kClipNone = 0,
  kClipArpeggiator = 1,
  kClipMidiSeq = 2,
  kClipTrigger = 3,
};

struct ArpStep {
  uint8_t Pos;
  uint8_t Mode;      // 1 play, 2 tie into this step, 3 legato; others skip the step
  uint8_t Key;       // 0 chord, 1-5 fifth..first key of the order, 6 rest
  uint8_t Velocity;
  uint8_t Semitone;
  int8_t Octave;     // the octave shift negated: the note is key + Semitone - 12 x Octave
  uint8_t CVA;
  uint8_t CVB;
  uint8_t CVC;
};
static_assert(sizeof(ArpStep) == 9);

enum SeqEventType : int32_t { kSeqNote = 0, kSeqControl = 1 };

struct SeqEvent {
  int32_t type;      // SeqEventType
  int32_t time;      // note start or controller tick, 96 pulses a quarter note
  int32_t end;       // note end; equal to time for a controller
  uint8_t reserved;
  uint8_t key;       // or the controller number
  uint8_t velocity;  // or the controller value
};

struct Trigger {
  uint8_t Fire;
  uint8_t hold;      // a held trigger does not sound
  uint8_t Accent;    // the velocity, percent
  uint8_t Note;
  float Pitch;
  float Pan;
};

struct TriggerRow {
  int32_t row;
  Trigger triggers[kRowTriggers];
};

struct ClipData {
  ClipData() { SetDefaults(); }
  // The values of a freshly made clip; steps and rows numbered 0-63, no events.
  void SetDefaults();

  std::string name;
  int32_t Numerator;
  int32_t Denominator;

  // Arpeggiator
  int32_t Factor;       // clock ticks per step
  int32_t StepCount;    // also the length of a trigger pattern
  float GateWidth;      // percent of a step
  int32_t KeySubstitute;
  int32_t OrderAlgo;
  int32_t RestartMode;  // kept for the file; playback does not use it
  int32_t OpMode;
  ArpStep steps[kClipSteps];

  // MIDI sequence, times in pulses (96 a quarter note)
  std::string Imported;
  std::vector<SeqEvent> events;
  int32_t Length_PP;
  int32_t Length_QN;
  int32_t Loop_PP;
  int32_t Transpose;

  int32_t position;     // the playback position, for display

  TriggerRow rows[kClipSteps];
};
