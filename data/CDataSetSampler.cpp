#include "data/CDataSetSampler.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "data/DocumentPath.h"
#include "data/Utf8Text.h"
#include "data/XmlWriter.h"
#include "platform/ArmConvert.h"
#include "platform/LogSink.h"

namespace {

constexpr char kFolder[] = "/var/lib/ruv/working/sampler/";
constexpr char kExtension[] = ".smpl";

// pad, VelAmt, Start, End, FadeOut, Level, Pan, Pitch, SideChainLevel, Trigger, Id, Sample
constexpr KitPadDef kDefaultKit[CDataSetSampler::kPads] = {
    {0, 100, 0, 100, 10, 80, 0, 0, 100, 76, 0, ""},
    {1, 100, 0, 100, 10, 80, 0, 0, 0, 96, 0, ""},
    {2, 100, 0, 100, 10, 80, 0, 0, 0, 97, 0, ""},
    {3, 100, 0, 100, 10, 80, 0, 0, 0, 98, 0, ""},
    {4, 100, 0, 100, 10, 80, 0, 0, 0, 72, 0, ""},
    {5, 100, 0, 100, 10, 80, 0, 0, 0, 73, 0, ""},
    {6, 100, 0, 100, 10, 80, 0, 0, 0, 74, 0, ""},
    {7, 100, 0, 100, 10, 80, 0, 0, 0, 75, 0, ""},
    {8, 100, 0, 100, 10, 80, 0, 0, 0, 60, 0, ""},
    {9, 100, 0, 100, 10, 80, 0, 0, 0, 61, 0, ""},
    {10, 100, 0, 100, 10, 80, 0, 0, 0, 84, 0, ""},
    {11, 100, 0, 100, 10, 80, 0, 0, 0, 85, 0, ""},
    {12, 100, 0, 100, 10, 80, 0, 0, 0, 12, 0, ""},
    {13, 100, 0, 100, 10, 80, 0, 0, 0, 29, 0, ""},
    {14, 100, 0, 100, 10, 80, 0, 0, 0, 39, 0, ""},
    {15, 100, 0, 100, 10, 80, 0, 0, 0, 48, 0, ""},
};

// The float fields SetPadParam reaches by ctrl.
struct PadField {
  uint32_t ctrl;
  float KitPad::*member;
};
constexpr PadField kPadFields[] = {
    {CDataSetSampler::kCtrlPitch, &KitPad::Pitch},
    {CDataSetSampler::kCtrlPan, &KitPad::Pan},
    {CDataSetSampler::kCtrlLevel, &KitPad::Level},
    {CDataSetSampler::kCtrlVelAmt, &KitPad::VelAmt},
    {CDataSetSampler::kCtrlStart, &KitPad::Start},
    {CDataSetSampler::kCtrlEnd, &KitPad::End},
    {CDataSetSampler::kCtrlFadeOut, &KitPad::FadeOut},
    {CDataSetSampler::kCtrlSideChainLevel, &KitPad::SideChainLevel},
};

void CopyName(char (&to)[KitPad::kSampleChars + 1], const char* from) {
  // Cut where no UTF-8 character is split.
  const std::size_t n = from ? utf8::CutLength(from, strnlen(from, KitPad::kSampleChars + 1), KitPad::kSampleChars) : 0;
  std::memcpy(to, from ? from : "", n);
  to[n] = 0;
}

std::string Int(long long v) { return std::to_string(v); }

std::string Fixed3(float v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(v));
  return text;
}

bool ValidPad(int pad) { return pad >= 0 && pad < CDataSetSampler::kPads; }

}  // namespace

CDataSetSampler::CDataSetSampler() { Reset(); }

const KitPadDef& CDataSetSampler::GetDefaultPad(int pad) { return kDefaultKit[ValidPad(pad) ? pad : kPads - 1]; }

void CDataSetSampler::Reset() {
  rowCount_ = 0;
  for (const KitPadDef& def : kDefaultKit) {
    KitPad& row = pads_[rowCount_++];
    row.pad = def.pad;
    row.VelAmt = def.VelAmt;
    row.Start = def.Start;
    row.End = def.End;
    row.FadeOut = def.FadeOut;
    row.Level = def.Level;
    row.Pan = def.Pan;
    row.Pitch = def.Pitch;
    row.SideChainLevel = def.SideChainLevel;
    row.Trigger = def.Trigger;
    row.Id = def.Id;
    CopyName(row.Sample, def.Sample);
  }
  parsedCount_ = 0;
}

void CDataSetSampler::SetPadSample(int pad, uint32_t ctrl, int id, const char* name) {
  if (ctrl != kCtrlSample || !ValidPad(pad)) return;
  CopyName(pads_[pad].Sample, name);
  pads_[pad].Id = static_cast<uint32_t>(id);
}

void CDataSetSampler::SetPadParam(int pad, uint32_t ctrl, float value) {
  if (!ValidPad(pad) || !std::isfinite(value)) return;
  KitPad& row = pads_[pad];
  if (ctrl == kCtrlTrigger) {
    row.Trigger = static_cast<uint32_t>(arm::ToInt32(value));
    return;
  }
  for (const PadField& f : kPadFields)
    if (f.ctrl == ctrl) row.*f.member = value;
}

void CDataSetSampler::OnInstrument(const KitInstrument& in) {
  if (!ValidPad(in.nr)) return;
  KitPad& row = pads_[in.nr];
  if (in.Has(KitInstrument::kId)) row.Id = static_cast<uint32_t>(in.id) - 1u;
  if (in.Has(KitInstrument::kTrigger)) row.Trigger = static_cast<uint32_t>(in.trigger);
  if (in.Has(KitInstrument::kVelAmt)) row.VelAmt = static_cast<float>(in.velAmt);
  if (in.Has(KitInstrument::kPitch)) row.Pitch = in.pitch;
  if (in.Has(KitInstrument::kLevel)) row.Level = in.level;
  if (in.Has(KitInstrument::kPan)) row.Pan = in.pan;
  if (in.Has(KitInstrument::kStart)) row.Start = in.start;
  if (in.Has(KitInstrument::kEnd)) row.End = in.end;
  if (in.Has(KitInstrument::kFadeOut)) row.FadeOut = in.fadeOut;
  if (in.Has(KitInstrument::kSideChainLevel)) row.SideChainLevel = in.sideChainLevel;
  if (in.Has(KitInstrument::kSample)) CopyName(row.Sample, in.sample);
  ++parsedCount_;
}

int CDataSetSampler::XMLLoadSampler(const char* name) {
  std::string path;
  if (!document_path::MakeRooted(kFolder, name, kExtension, path)) {
    // Refused before anything is reset: the kit stays as it is.
    platform::LogPrintf("XMLLoadSampler: <%s> refused name\r\n", name ? name : "");
    platform::LogPrintf("XMLLoadSampler: ERROR: %d\r\n", static_cast<int>(kUnreadable));
    return 0;
  }
  path_ = path;
  Reset();
  const int result = ParseFile(path_.c_str());
  if (result != kOk)
    platform::LogPrintf("XMLLoadSampler: ERROR: %d\r\n", result);
  else
    platform::LogPrintf("XMLLoadSampler: OK params:%d (parsed:%d)\r\n", rowCount_, parsedCount_);
  return parsedCount_;
}

int CDataSetSampler::XMLStoreSampler(const char* name) {
  if (name && name[0] != 0) {
    std::string path;
    if (!document_path::MakeRooted(kFolder, name, kExtension, path)) {
      platform::LogPrintf("XMLStoreSampler: <%s> refused name\r\n", name);
      return 0;
    }
    path_ = path;
  } else if (path_.empty()) {
    // No name and no kit file yet: an empty name would write the hidden file ".smpl".
    platform::LogWrite("XMLStoreSampler: no kit name, nothing stored\r\n");
    return 0;
  }
  XmlWriter w(path_);
  if (!w.IsOpen()) return 0;
  // The writer puts queued attributes out last-first.
  w.AddAttribute("Version", "1");
  w.AddAttribute("SynthType", "PX415");
  w.BeginElement("Sampler");
  w.WriteComment("Instrument Collection");
  w.BeginElement("KIT");
  for (const KitPad& row : pads_) {
    w.AddAttribute("SideChainLevel", Int(arm::ToInt32(row.SideChainLevel)));
    w.AddAttribute("FadeOut", Int(arm::ToInt32(row.FadeOut)));
    w.AddAttribute("End", Int(arm::ToInt32(row.End)));
    w.AddAttribute("Start", Int(arm::ToInt32(row.Start)));
    w.AddAttribute("VelAmt", Fixed3(row.VelAmt));
    w.AddAttribute("Pitch", Fixed3(row.Pitch));
    w.AddAttribute("Pan", Fixed3(row.Pan));
    w.AddAttribute("Level", Fixed3(row.Level));
    w.AddAttribute("Id", Int(static_cast<int32_t>(row.Id + 1u)));
    w.AddAttribute("Sample", row.Sample);
    w.AddAttribute("Trigger", Int(static_cast<int32_t>(row.Trigger)));
    w.AddAttribute("Nr", Int(row.pad));
    w.BeginElement("INSTRUMENT");
    w.EndElement();
  }
  w.EndAll();
  if (!w.Close()) {
    platform::LogPrintf("XMLStoreSampler: Error write file <%s>\r\n", path_.c_str());
    return 0;
  }
  return 1;
}
