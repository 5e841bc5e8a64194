#pragma once
// The step pages of the sequencer page: one bank of eight steps of the track's edit clip as
// eight columns, each a list of the choices for one byte of that step. Touching a choice
// stores it into the step at once; the header of the step that plays is lit.
//
// The eight pages are one family and differ only in the byte they edit, their rows and the
// mapping between a row and the stored value (StepFamily); each member is its own type so
// the sequencer page and its tests can name it.
#include <cstddef>
#include <cstdint>

#include "pages/seq/SeqClips.h"
#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxButton;
class uxTableCtrl;

struct StepFamily {
  const char* columnName;
  int16_t columnHeight;
  int visibleRows;
  int rows;        // choice rows below the header
  int16_t rowHeight;
  std::size_t field;  // offset of the byte in ArpStep
  bool isSigned;
  bool radio;          // one choice at a time, chosen again to keep it
  bool keepsHeaders;   // showing a bank leaves the lit header alone
  bool reportsBank;    // every choice reports the bank to the core
  int (*store)(int row);    // row 1..rows to the stored value
  int (*mark)(int value);   // stored value to its row; a row outside 1..rows marks none
  void (*caption)(int row, char* text, std::size_t size);  // null: rows without captions
};

class appVA_SeqStep : public uxPanelCtrl {
 public:
  static constexpr int kColumns = 8;
  static constexpr int kBankReportId = 0x0F8;

  appVA_SeqStep(const StepFamily& family, PageServices* services, int track, const char* name, uxPOINT pos,
                int16_t w, int16_t h, uxCOLOR colour, CClipCore* clips, seq::Labels labels);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // Loads the columns with steps 8 x bank + 1 .. 8 x bank + 8 of the edit clip.
  void ShowBank(int bank);
  // Lights the header of the playing step's column.
  void ShowPlayStep(unsigned step);
  void SetEncoderValue(int slot, bool fromLabel, float value);

  uxTableCtrl* Column(int i) const { return columns_[i]; }
  uxButton* Header(int i) const { return headers_[i]; }
  int Bank() const { return bank_; }
  const StepFamily& Family() const { return family_; }

 private:
  // A column's choice unchecks its header row with the others: the lit header comes back.
  void Relight();

  const StepFamily& family_;
  PageServices* services_;
  uxTableCtrl* columns_[kColumns] = {};
  uxButton* headers_[kColumns] = {};
  CClipCore* clips_;
  seq::Labels labels_;
  int bank_ = 0;
  int lastStep_ = -1;  // the step last lit, -1 for none
  int litColumn_ = -1;  // the column whose header is lit, -1 for none
  int track_;
  int editClip_ = -1;
};

// The members of the family, as the sequencer page's tabs hold them.
extern const StepFamily kStepAssign, kStepMode, kStepSemi, kStepOctave, kStepVelocity, kStepCVA, kStepCVB, kStepCVC;

template <const StepFamily& kFamily>
class SeqStepPage final : public appVA_SeqStep {
 public:
  SeqStepPage(PageServices* services, int track, const char* name, uxPOINT pos, int16_t w, int16_t h,
              uxCOLOR colour, CClipCore* clips, seq::Labels labels)
      : appVA_SeqStep(kFamily, services, track, name, pos, w, h, colour, clips, labels) {}
};

using appVA_SeqAssign = SeqStepPage<kStepAssign>;
using appVA_SeqMode = SeqStepPage<kStepMode>;
using appVA_SeqSemi = SeqStepPage<kStepSemi>;
using appVA_SeqOctave = SeqStepPage<kStepOctave>;
using appVA_SeqVelocity = SeqStepPage<kStepVelocity>;
using appVA_SeqCVA = SeqStepPage<kStepCVA>;
using appVA_SeqCVB = SeqStepPage<kStepCVB>;
using appVA_SeqCVC = SeqStepPage<kStepCVC>;
