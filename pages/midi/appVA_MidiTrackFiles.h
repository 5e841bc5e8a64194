#pragma once
// The "MIDI-FILE" tab of a MIDI track page: the Standard MIDI Files of the MIDI-file folder
// in a list; choosing one shows its name, length and track count, and IMPORT copies its
// notes and controllers into the clip the track edits. The folder is scanned and the file
// read on the page's worker thread; the tick takes the results and shows them, with the
// progress popup while a job outlasts a tick.
#include <string>
#include <vector>

#include "midi/ClipData.h"
#include "pages/midi/MidiFileContents.h"
#include "pages/midi/MidiFileIndex.h"
#include "pages/midi/MidiFileWorker.h"
#include "pages/midi/MidiTrackLabels.h"
#include "toolkit/uxPanelCtrl.h"

class CClipCore;
class PageServices;
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

  static constexpr int kProgressAfterTicks = 2;

  // `track` (0-6) is also the page's element id; without `services` no progress is shown.
  appVA_MidiTrackFiles(uxHost* manager, int track, const char* name, uxPOINT pos, int16_t w, int16_t h,
                       uxCOLOR colour, CClipCore* clips, MidiTrackLabels labels, PageServices* services = nullptr);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // Asks the worker for a scan of the folder; the list changes when the tick takes it.
  void FillFileList();
  // Asks the worker to read (and with `import` to import) the file of the selected row.
  void OnFileChosen(bool import);
  // Reads, shows and imports a file on the calling thread; non-zero when it was read.
  int ReadMidiFile(const std::string& relativePath, bool import);
  // Waits for the worker's jobs and shows their results (tests).
  void CompleteFileWork();

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
  // Shows what the worker has finished, and the progress popup while it works.
  void TakeFileWork();
  void ShowFileList(const MidiFileIndex& index);
  // Keys are moved by TRANSPOSE and by as much as the track's live input moves them.
  int Transposition() const;
  // Shows a file read (and imports it); non-zero when it was read.
  int ShowRead(const std::string& relativePath, MidiFileContents& contents, bool import);
  void ImportInto(const std::string& relativePath, MidiFileContents& contents);
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
  std::vector<SeqEvent> events_;
  uxLabel* name_;
  uxLabel* length_;
  uxLabel* tracks_;
  std::string folder_;
  std::string message_;  // why the last file was refused or cut; empty when it was not
  PageServices* services_;
  int busyTicks_ = 0;
  bool progressShown_ = false;
  std::string readName_;  // the file asked for last, for the progress popup
  MidiFileWorker worker_;  // last: its thread ends before the rest goes
};
