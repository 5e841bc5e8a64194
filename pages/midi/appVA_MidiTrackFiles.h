#pragma once
// The "MIDI-FILE" tab of a MIDI track page: the Standard MIDI Files of the MIDI-file folder
// in a list; choosing one shows its name, length and track count, and IMPORT copies its
// notes and controllers into the clip the track edits.
#include <string>
#include <vector>

#include "MidiFile.h"
#include "midi/ClipData.h"
#include "pages/midi/MidiFileIndex.h"
#include "pages/midi/MidiTrackLabels.h"
#include "toolkit/uxPanelCtrl.h"

class CClipCore;
class uxButton;
class uxLabel;
class uxTableCtrl;
class uxValueLabel;

class appVA_MidiTrackFiles : public uxPanelCtrl {
 public:
  static constexpr int kImportButton = 120;
  static constexpr int kFileEncoder = 148;  // the fifth panel encoder
  static constexpr int kImportLampTicks = 7;
  static constexpr uint32_t kMsgRescan = 283;  // the folder changed (SIGUSR1)

  // `track` (0-6) is also the page's element id.
  appVA_MidiTrackFiles(uxHost* manager, int track, const char* name, uxPOINT pos, int16_t w, int16_t h,
                       uxCOLOR colour, CClipCore* clips, MidiTrackLabels labels);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  void FillFileList();
  void OnFileChosen(bool import);
  // Non-zero when the file was read.
  int ReadMidiFile(const std::string& relativePath, bool import);

  const MidiFileIndex& Index() const { return index_; }
  const std::vector<SeqEvent>& Events() const { return events_; }
  uxTableCtrl* Table() const { return table_; }
  uxButton* ImportButton() const { return import_; }
  uxValueLabel* Transpose() const { return transpose_; }
  const char* ChosenText() const;
  const char* NameText() const;
  const char* LengthText() const;
  const char* TracksText() const;

 private:
  // TEMPO from the clip launcher, LOOP in bars from the edit clip.
  void RefreshTrackLabels();
  // The track whose events are imported: the first when it holds notes or controllers
  // (a format-0 file), else the first that holds notes (format-1 files keep tempo and metre
  // in a conductor track of their own).
  int ChooseTrack() const;
  void ImportInto(const std::string& relativePath, int length, int quarters, int numerator, int denominator,
                  const std::string& trackName);
  int BarsOf(int quarters, int numerator) const;

  uxTableCtrl* table_;
  uxLabel* chosen_;
  uxButton* import_;
  CClipCore* clips_;
  MidiTrackLabels labels_;
  int track_;
  bool importLinked_ = false;
  MidiFileIndex index_;
  uxValueLabel* transpose_;
  int importLamp_ = 0;
  smf::MidiFile reader_;
  std::vector<SeqEvent> events_;
  uxLabel* name_;
  uxLabel* length_;
  uxLabel* tracks_;
  std::string folder_;
  std::string message_;  // why the last file was refused or cut; empty when it was not
};
