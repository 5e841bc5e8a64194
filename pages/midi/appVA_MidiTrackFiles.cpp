#include "pages/midi/appVA_MidiTrackFiles.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <new>
#include <optional>

#include "app/PageServices.h"
#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr const char* kMidiFolder = "/var/lib/ruv/working/midifiles/";
const uxPOINT kTablePos{410, 100};
constexpr int kRowHeight = 40;
constexpr uxCOLOR kValueBackground = 0x404040;
constexpr uxCOLOR kWhite = 0xFFFFFF;
// LOOP and TEMPO stand for the clip's length and the launcher's tempo, no parameter of a part:
// they only show what the page stores itself.
constexpr unsigned kLabelFlags = FLAG_REPAINT;
constexpr int kTransposeEncoder = 1 * 8;  // encoder B
constexpr int kTransposeMode = 8;

// A metre without a numerator (none given, or a file's 0) counts bars of four quarters.
int BarQuarters(int numerator) { return numerator > 0 ? numerator : 4; }

// Shown in place of the chosen file's name.
constexpr const char* kTooLargeText = "FILE TOO LARGE";
constexpr const char* kNoMemoryText = "NO MEMORY FOR FILE";
constexpr const char* kCutText = "CUT TO CLIP'S LIMIT";
// The progress popup's title and text while a job runs.
constexpr const char* kScanTitle = "SCAN MIDI FILES";
constexpr const char* kScanText = "midifiles";
constexpr const char* kReadTitle = "LOAD MIDI FILE";

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

appVA_MidiTrackFiles::appVA_MidiTrackFiles(uxHost* manager, int track, const char* name, uxPOINT pos, int16_t w,
                                           int16_t h, uxCOLOR colour, CClipCore* clips, MidiTrackLabels labels,
                                           PageServices* services)
    : uxPanelCtrl(manager, static_cast<uint32_t>(track), name, pos, w, h, "midifile_bkg.png"),
      clips_(clips),
      labels_(labels),
      track_(track),
      folder_(platform::DataPath(kMidiFolder)),
      services_(services) {
  table_ = new uxTableCtrl(manager, 0, "MidiFiles", kTablePos, 380, 280, 7, colour);
  chosen_ = new uxLabel(manager, {80, 100}, 310, 40, 0x808080, 0x303030, kWhite, 11);
  chosen_->setText("---");
  import_ = new uxButton(manager, "IMPORT", kImportButton, {10, 320}, 120, 60, 0x802020, 0xFF0000, kWhite);
  import_->SetText("IMPORT");

  auto caption = [&](const char* text, int16_t y, int16_t height) {
    auto* label = new uxLabel(manager, {80, y}, 100, height, colour, colour, kWhite, 10);
    label->setText(text);
    AddElement(label);
  };
  auto value = [&](int16_t y) {
    auto* label = new uxLabel(manager, {190, y}, 200, 40, kValueBackground, kValueBackground, kWhite, 10);
    label->setText("--");
    AddElement(label);
    return label;
  };
  caption("  Name:", 150, 40);
  name_ = value(150);
  caption("Length:", 200, 40);
  length_ = value(200);
  caption("Tracks:", 250, 50);
  tracks_ = value(250);

  transpose_ = new uxValueLabel(manager, -1, kTransposeEncoder, {210, 320}, 180, 70, kValueBackground, 0x808080,
                                kWhite, kWhite, 0xFFC000, false);
  transpose_->SetLabelText("TRANSPOSE", "oct");
  for (const char* choice : {"0", "+1", "+2", "+3"}) transpose_->AddEnumText(choice);
  transpose_->SetEncoderMode(kTransposeMode);
  transpose_->SetFloatRawValue(0.0f);
  transpose_->SetFloatValue(0.0f, FLAG_REPAINT);
  transpose_->SetChecked(true);

  AddElement(chosen_);
  AddElement(import_);
  AddElement(transpose_);
  AddElement(table_);
  FillFileList();
  repaint_ = true;
}

const char* appVA_MidiTrackFiles::ChosenText() const { return chosen_->getText(); }
const char* appVA_MidiTrackFiles::NameText() const { return name_->getText(); }
const char* appVA_MidiTrackFiles::LengthText() const { return length_->getText(); }
const char* appVA_MidiTrackFiles::TracksText() const { return tracks_->getText(); }

int appVA_MidiTrackFiles::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int appVA_MidiTrackFiles::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_TABLE_ITEM_SEL:
      // A posted choice carries no table (pData is null): the selected row is read here.
      if (isFocus() && msg->flag == 0) OnFileChosen(false);
      break;
    case UX_MSG_ENCODER_EVENT:
      if (msg->param == kFileEncoder) {
        tagUX_Message again(UX_MSG_TABLE_ITEM_SEL);
        if (manager_) manager_->SendMessage(&again, true);
      }
      break;
    case UX_MSG_TICK_EVENT:
      TakeFileWork();
      if (MidiFiles::IsImportFolderLinked(folder_) != importLinked_) {
        importLinked_ = !importLinked_;
        FillFileList();
      }
      if (import_->isChecked()) {
        if (importLamp_ == 0)
          import_->SetChecked(false, true);
        else
          --importLamp_;
      }
      break;
    case UX_MSG_ON_BUTTON:
      if (isFocus() && msg->param == kImportButton) {
        importLamp_ = kImportLampTicks;
        import_->SetChecked(true, true);
        OnFileChosen(true);
      }
      break;
    case UX_MSG_FOCUS:
      if (msg->param == 1) {
        RefreshTrackLabels();
        FillFileList();
      }
      break;
    case kMsgRescan:
      FillFileList();
      break;
    default:
      break;
  }
  return result;
}

void appVA_MidiTrackFiles::RefreshTrackLabels() {
  if (!clips_) return;
  const int track = track_;
  int bpm = 0;
  int bars = -1;  // -1: no edit clip, the LOOP label stays
  {
    ClipMaster& master = clips_->Master();
    auto lock = master.Lock();
    bpm = master.bpm.load(std::memory_order_relaxed);
    const int clip = clips_->EditClip(track);
    if (clip >= 0) {
      bars = 0;
      if (auto* seq = dynamic_cast<CInstrumentSeq*>(master.Track(track)); seq && seq->IsSequence() == 1) {
        const ClipData& c = seq->Clip(clip);
        bars = c.Loop_PP / kSeqPulsesPerQuarter / BarQuarters(c.Numerator);
      }
    }
  }
  if (labels_.tempo) {
    labels_.tempo->SetFloatRawValue(static_cast<float>(bpm));
    labels_.tempo->SetFloatValue(static_cast<float>(bpm), kLabelFlags);
  }
  if (labels_.loop && bars >= 0) {
    labels_.loop->SetFloatRawValue(MidiTrackLabels::LoopChoice(bars));
    labels_.loop->SetFloatValue(MidiTrackLabels::LoopChoice(bars), kLabelFlags);
  }
}

void appVA_MidiTrackFiles::FillFileList() {
  worker_.Scan(folder_);
  busyTicks_ = 0;
}

void appVA_MidiTrackFiles::ShowFileList(const MidiFileIndex& index) {
  table_->Clear();
  index_ = index;
  int i = 0;
  for (const auto& [shown, path] : index_) {
    const uxPOINT at{kTablePos.x, static_cast<int16_t>(kTablePos.y + kRowHeight * i)};
    auto* row = new uxTableRow(table_, i + 1, 0, kRowHeight, "ROW");
    auto* number = new uxButton(manager_, static_cast<unsigned>(-1), at, 40, 40, 0x808080, 0x545454, 0x000000);
    char text[16];
    std::snprintf(text, sizeof text, "%03d", i + 1);
    number->SetText(text);
    auto* cell = new uxButton(manager_, static_cast<unsigned>(-1), {static_cast<int16_t>(at.x + 40), at.y}, 310, 40,
                              i % 2 ? 0x000000 : 0x202020, 0x545454, kWhite);
    cell->SetText(shown.c_str());
    row->addColumn(number);
    row->addColumn(cell);
    table_->addRow(row);
    ++i;
  }
  table_->setRepaint();
}

void appVA_MidiTrackFiles::OnFileChosen(bool import) {
  uxTableRow* row = table_->getSelectedRow();
  if (!row) return;
  const auto* cell = dynamic_cast<const uxButton*>(row->getColumn(1));
  if (!cell) return;
  const std::string shown = cell->GetText();
  const auto found = index_.find(shown);
  if (found == index_.end()) return;
  worker_.Read({folder_ + found->second, found->second, shown, Transposition(), import});
  busyTicks_ = 0;
  readName_ = shown;
}

void appVA_MidiTrackFiles::TakeFileWork() {
  if (std::optional<MidiFileIndex> index = worker_.TakeScan()) ShowFileList(*index);
  for (MidiFileWorker::ReadResult& r : worker_.TakeReads()) {
    const int read = ShowRead(r.request.relativePath, r.contents, r.request.import);
    // A person sees why a file was refused or shortened where its name would stand.
    if (!message_.empty())
      chosen_->setText(message_.c_str());
    else if (read)
      chosen_->setText(r.request.shown.c_str());
  }
  if (!services_) return;
  if (worker_.Busy()) {
    // A job done within a tick or two shows no popup, so a focus does not flash one; a rescan
    // reaches every track's page, and only the one shown tells.
    if (!progressShown_ && isFocus() && ++busyTicks_ >= kProgressAfterTicks)
      progressShown_ = worker_.Reading() ? services_->ShowProgress(kReadTitle, readName_.c_str())
                                         : services_->ShowProgress(kScanTitle, kScanText);
  } else if (progressShown_) {
    services_->HideProgress();
    progressShown_ = false;
  }
}

void appVA_MidiTrackFiles::CompleteFileWork() {
  worker_.WaitIdle();
  TakeFileWork();
}

int appVA_MidiTrackFiles::Transposition() const {
  return 12 * std::clamp(static_cast<int>(transpose_->GetFloatValue()), 0, 3) +
         (clips_ ? clips_->Services().TrackKeyOffset(track_) : 0);
}

int appVA_MidiTrackFiles::ReadMidiFile(const std::string& relativePath, bool import) {
  MidiFileContents contents = MidiFileContents::Read(folder_ + relativePath, Transposition(), import);
  return ShowRead(relativePath, contents, import);
}

int appVA_MidiTrackFiles::ShowRead(const std::string& relativePath, MidiFileContents& contents, bool import) {
  message_.clear();
  switch (contents.status) {
    case MidiFileContents::kRead:
      break;
    case MidiFileContents::kTooLarge:
      message_ = kTooLargeText;
      return 0;
    case MidiFileContents::kNoMemory:
      message_ = kNoMemoryText;
      return 0;
    default:
      return 0;
  }
  try {
    events_ = contents.events;
  } catch (const std::bad_alloc&) {
    platform::LogPrintf("No memory to import %s\n", relativePath.c_str());
    std::vector<SeqEvent>().swap(events_);
    message_ = kNoMemoryText;
    return 0;
  }
  if (contents.cut) message_ = kCutText;

  if (import) ImportInto(relativePath, contents);

  char text[32];
  std::snprintf(text, sizeof text, "%d Quater", contents.quarters);
  length_->setText(text);
  if (labels_.loop)
    labels_.loop->SetFloatValue(MidiTrackLabels::LoopChoice(BarsOf(contents.quarters, contents.numerator)),
                                kLabelFlags);
  name_->setText(contents.trackName.c_str());
  std::snprintf(text, sizeof text, "%d", contents.trackCount);
  tracks_->setText(text);
  return 1;
}

int appVA_MidiTrackFiles::BarsOf(int quarters, int numerator) const {
  const int n = BarQuarters(numerator);
  return quarters / n + (quarters % n != 0);
}

void appVA_MidiTrackFiles::ImportInto(const std::string& relativePath, MidiFileContents& contents) {
  if (!clips_) return;
  // The events and their sorted play list were built before the lock (on the worker) and are
  // swapped in under it, so the clock waits for the swap only; the old ones are freed after
  // the lock.
  std::vector<SeqEvent> events = std::move(contents.events);
  std::vector<CInstrumentSeq::PlayEntry> list = std::move(contents.playList);
  ClipMaster& master = clips_->Master();
  auto lock = master.Lock();
  const int track = track_;
  const int clip = clips_->EditClip(track);
  auto* seq = dynamic_cast<CInstrumentSeq*>(master.Track(track));
  if (clip < 0 || !seq || seq->IsSequence() != 1) return;
  ClipData& c = seq->Clip(clip);
  c.Length_PP = contents.lengthPulses;
  c.Length_QN = contents.quarters;
  c.Imported = relativePath;
  c.name = contents.trackName;
  c.Numerator = contents.numerator;
  c.Denominator = contents.denominator;
  c.Loop_PP = Saturate(int64_t{BarsOf(contents.quarters, contents.numerator)} * BarQuarters(contents.numerator) *
                       kSeqPulsesPerQuarter);
  seq->SwapEvents(clip, events, list);
}
