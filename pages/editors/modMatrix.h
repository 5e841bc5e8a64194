#pragma once
// The modulation matrix of one part: 24 routes from a source to a destination with an
// amount and a polarity, the three macro values, the live value of every route, and the
// front panel's source and destination keys.
#include <cstdint>
#include <string>

#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxBarCtrl;
class uxButton;
class uxTableCtrl;
class uxValueLabel;

class modMatrix : public uxPanelCtrl {
 public:
  static constexpr int kRows = 24;
  static constexpr int kSources = 26;
  static constexpr int kDestinations = 46;
  enum Cell { kNumber, kSource, kBar, kGroup, kPolarity, kDestination, kCells };
  enum Label { kSrc, kAmount, kDst, kMacro1, kMacro2, kMacro3, kLabels };

  struct Record {
    int source = 0;
    std::string sourceName;
    int destination = 0;
    std::string destinationName;
    float amount = 0.0f;
    int group = 0;
    int polarity = 0;
    uint8_t changed = 0;
  };

  modMatrix(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
            uxCOLOR colour);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int port, int channel, int controller, int value) override;

  void SendRoute(int row, int amountOnly);
  void SetRoute(int row, int source, int destination, float amount);
  void ResetRoutes();
  void LoadRoutes();
  void LoadRowIntoLabels();
  void ApplyValue(int slot, bool fromEncoder, float value);
  void AssignSource(int key, int withRow);
  void AssignDestination(int key, float amount);

  static const char* SourceName(int source);
  static const char* DestinationName(int destination);
  static const char* PolarityName(int polarity);

  const Record& Route(int row) const { return records_[row]; }
  int SelectedRow() const { return selected_; }
  uxTableCtrl* Table() const { return table_; }
  uxValueLabel* ValueLabel(int index) const { return labels_[index]; }
  uxBaseElement* CellOf(int row, int cell) const;
  const char* CellText(int row, int cell) const;
  uxBarCtrl* Bar(int row) const;

 private:
  void ComputeGroups();
  void SetCellText(int row, int cell, const char* text);
  void SetCellColour(int row, int cell, uxCOLOR colour);
  uint32_t MacroUid(int k) const;

  PageServices* services_;
  int part_;
  int selected_ = -1;
  unsigned paints_ = 0;
  Record records_[kRows];
  uxTableCtrl* table_ = nullptr;
  uxValueLabel* labels_[kLabels] = {};
  uxButton* buttons_[2] = {};
};
