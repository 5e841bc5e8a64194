#pragma once
// The drum kit: the settings of the sixteen pads of the drum player and the names of their
// samples, read from and written to ".smpl" documents in the sampler folder. The application
// core keeps it inside the arrangement and pushes its values to the drum player.
#include <cstdint>
#include <string>

#include "data/CXMLParserSampler.h"

// A row of the built-in kit.
struct KitPadDef {
  uint32_t pad;
  float VelAmt;
  float Start;
  float End;
  float FadeOut;
  float Level;
  float Pan;
  float Pitch;
  float SideChainLevel;
  uint32_t Trigger;  // MIDI note
  uint32_t Id;
  const char* Sample;
};

// A pad of the kit: the fields of KitPadDef with the sample name held in place.
struct KitPad {
  static constexpr int kSampleChars = 31;

  uint32_t pad;
  float VelAmt;
  float Start;
  float End;
  float FadeOut;
  float Level;
  float Pan;
  float Pitch;
  float SideChainLevel;
  uint32_t Trigger;
  uint32_t Id;
  char Sample[kSampleChars + 1];
};

class CDataSetSampler : public CXMLParserSampler {
 public:
  static constexpr int kPads = 16;
  // Pad fields as the drum player numbers its parameters.
  static constexpr uint32_t kCtrlSample = 0xA01;
  static constexpr uint32_t kCtrlPitch = 0xA02;
  static constexpr uint32_t kCtrlPan = 0xA03;
  static constexpr uint32_t kCtrlLevel = 0xA04;
  static constexpr uint32_t kCtrlVelAmt = 0xA05;
  static constexpr uint32_t kCtrlTrigger = 0xA06;
  static constexpr uint32_t kCtrlStart = 0xA08;
  static constexpr uint32_t kCtrlEnd = 0xA09;
  static constexpr uint32_t kCtrlFadeOut = 0xA0A;
  static constexpr uint32_t kCtrlSideChainLevel = 0xA0B;

  CDataSetSampler();

  // Built-in row of pad 0-15; any other number gives the row of pad 15.
  static const KitPadDef& GetDefaultPad(int pad);

  // ctrl 0xA01 only: the pad's sample name (cut to 31 characters) and identifier. Pads outside
  // 0-15 are ignored.
  void SetPadSample(int pad, uint32_t ctrl, int id, const char* name);
  // One pad field by ctrl 0xA02-0xA0B (Trigger takes the whole part of the value). Other ctrls,
  // pads outside 0-15 and values that are not finite change nothing.
  void SetPadParam(int pad, uint32_t ctrl, float value);

  // Resets every pad to the built-in kit, then reads "<name>.smpl" from the sampler folder;
  // pads the file does not name keep their defaults. Returns the number of pads read.
  int XMLLoadSampler(const char* name);
  // Writes the kit to "<name>.smpl" and keeps that path; without a name (null or empty) to the
  // path kept from the last load or store. 1 when the whole file was stored; 0 when it was not
  // or there was nowhere to store it (the previous file is kept).
  int XMLStoreSampler(const char* name);

  // The rows, pad 0 first.
  const KitPad* Pads() const { return pads_; }
  int RowCount() const { return rowCount_; }
  int ParsedCount() const { return parsedCount_; }
  const std::string& Path() const { return path_; }

  void OnInstrument(const KitInstrument& in) override;

 private:
  void Reset();

  KitPad pads_[kPads];
  int rowCount_ = 0;
  int parsedCount_ = 0;
  std::string path_;
};
