#include "pages/drum/appVA_DrumInstrument.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/PageServices.h"
#include "audio/IAudioProcess.h"
#include "data/CDataSetSampler.h"
#include "data/DirectoryListing.h"
#include "data/ParamTable.h"
#include "data/SampleFile.h"
#include "pages/widgets/NameRows.h"
#include "pages/widgets/uxScopeView.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr uint32_t kPadUid = 0x40000;
constexpr uint32_t kCtrlPlay = 0xA0C;
constexpr int kKitLoaded = 4;
constexpr int kDrumPart = 9;
constexpr int kPanelGroup = 1;
constexpr unsigned kFlagsFromKit = FLAG_REPAINT | FLAG_UPDATE_ENGINE_IM;
constexpr unsigned kFlagsFromPanel = FLAG_REPAINT | FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM;
constexpr int kViewWidth = 380;
constexpr float kBase = 0.25f;
constexpr float kScale = 0.6f;

struct LabelSpec {
  const char* caption;
  const char* unit;
  int slot;
  int x, y, h;
  uint32_t ctrl;  // 0: none
  int encoderMode;
};
constexpr LabelSpec kLabelSpecs[appVA_DrumInstrument::kLabels] = {
    {"FILTER", "", 2, 10, 270, 60, 0, 8},
    {"Sidechain", "%", 1, 10, 340, 70, CDataSetSampler::kCtrlSideChainLevel, 1},
    {"FadeOut", "ms", 0, 10, 420, 70, CDataSetSampler::kCtrlFadeOut, 1},
    {" START ", "%", 9, 210, 340, 70, CDataSetSampler::kCtrlStart, 1},
    {"END", "%", 8, 210, 420, 70, CDataSetSampler::kCtrlEnd, 1},
    {" KEY ", "key", 17, 410, 340, 70, CDataSetSampler::kCtrlTrigger, 8},
    {" PITCH ", "%", 16, 410, 420, 70, CDataSetSampler::kCtrlPitch, 2},
    {" PAN ", "%", 25, 610, 340, 70, CDataSetSampler::kCtrlPan, 2},
    {"LEVEL", "%", 24, 610, 420, 70, CDataSetSampler::kCtrlLevel, 1},
};

}  // namespace

std::string appVA_DrumInstrument::KeyChoiceText(int choice) {
  if (choice <= 0) return "---:0";
  static constexpr const char* kNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  const int key = 26 + choice;
  const char* name = kNames[key % 12];
  char text[32];
  std::snprintf(text, sizeof text, "%s%d%s:%d", name, key / 12 - 2, name[1] == '\0' ? " " : "", key);
  return text;
}

int appVA_DrumInstrument::KeyChoiceOf(int32_t key) { return key >= kFirstKey && key <= kLastKey ? key - 26 : 0; }

appVA_DrumInstrument::appVA_DrumInstrument(PageServices* services, int pad, const char* name, uxPOINT pos, int16_t w,
                                           int16_t h, uxCOLOR colour, const char* subFolder)
    : uxPanelCtrl(services, static_cast<uint32_t>(pad), name, pos, w, h, colour),
      services_(services),
      pad_(pad),
      subFolder_(subFolder != nullptr ? subFolder : "") {
  AddElement(new uxGroup(services, 0, "ENCODER A", uxPOINT(10, 270), 180, 220, 0x808080));
  AddElement(new uxGroup(services, 0, "ENCODER B", uxPOINT(210, 340), 180, 150, 0x808080));
  AddElement(new uxGroup(services, 0, "ENCODER C", uxPOINT(410, 340), 180, 150, 0x808080));
  AddElement(new uxGroup(services, 0, "ENCODER D", uxPOINT(610, 340), 180, 150, 0x808080));
  const uint32_t padUid = kPadUid | static_cast<uint32_t>(pad) << 12;
  for (int i = 0; i < kLabels; ++i) {
    const LabelSpec& s = kLabelSpecs[i];
    const int uid = s.ctrl != 0 ? static_cast<int>(padUid | s.ctrl) : -1;
    auto* l = new uxValueLabel(services, uid, static_cast<uint32_t>(s.slot), uxPOINT(s.x, s.y), 180,
                               static_cast<int16_t>(s.h), 0x202020, 0xC00000, 0xC0C0C0, 0xFFFFFF, 0xA4A4A4, true);
    l->SetLabelText(s.caption, s.unit);
    if (i == kKey)
      for (int c = 0; c <= kLastKey - 26; ++c) l->AddEnumText(KeyChoiceText(c).c_str());
    l->SetEncoderMode(s.encoderMode);
    l->SetChecked(true, false);
    labels_[i] = l;
    AddElement(l);
  }
  labels_[kKey]->SetFloatValue(0.0f, 0);
  labels_[kFadeOut]->SetFloatValue(12.0f, 0);
  labels_[kEnd]->SetFloatValue(100.0f, 0);
  labels_[kLevel]->SetFloatValue(80.0f, 0);

  table_ = new uxTableCtrl(services, static_cast<uint32_t>(pad), "SAMPLES", uxPOINT(10, 100), 390, 160, 4, 0x000000);
  AddElement(table_);
  for (int i = 0; i < 2; ++i) {
    uxPOINT at(410, i == 0 ? 100 : 205);
    views_[i] = new uxScopeView(services, 0, &at, kViewWidth, 91, 0x000000, 0xFF2020, this, false, 0, 0, false);
    AddElement(views_[i]);
  }
  info_ = new uxLabel(services, uxPOINT(410, 310), 380, 20, 0x303030, 0x303030, 0xFFFFFF, 11);
  info_->setText("");
  AddElement(info_);

  ScanKitFolders();
  DrawWaveform();
}

appVA_DrumInstrument::~appVA_DrumInstrument() = default;

int appVA_DrumInstrument::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

void appVA_DrumInstrument::ScanKitFolders() {
  kitFolders_ = GetDirectories(platform::DataPath(kWaveFolder));
  std::sort(kitFolders_.begin(), kitFolders_.end());
  uxValueLabel* filter = labels_[kFilter];
  filter->ClearEnums();
  filter->AddEnumText("---");
  for (const std::string& f : kitFolders_) filter->AddEnumText(f.c_str());
  filter->SetFloatValue(0.0f, FLAG_REPAINT);
  FillSampleList();
}

void appVA_DrumInstrument::FillSampleList() {
  entries_.clear();
  const int filter = static_cast<int>(labels_[kFilter]->GetFloatValue());
  for (std::size_t k = 0; k < kitFolders_.size(); ++k) {
    if (filter != 0 && filter != static_cast<int>(k) + 1) continue;
    const std::string sub = kitFolders_[k] + subFolder_ + "/";
    const std::string path = platform::DataPath(std::string(kWaveFolder) + sub);
    // A kit need not have every kind of sound; a kind it lacks lists nothing.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    for (const std::string& file : GetDirectoryFiles(path, "wav", true)) entries_.push_back(sub + file);
  }
  std::vector<std::string> shown;
  shown.reserve(entries_.size());
  for (std::string e : entries_) {
    if (const auto at = e.find(subFolder_); !subFolder_.empty() && at != std::string::npos)
      e.erase(at, subFolder_.size());
    shown.push_back(std::move(e));
  }
  name_rows::Fill(services_, table_, shown, 0xFFFFFF, "%02d");
  selected_ = -1;
}

bool appVA_DrumInstrument::ChooseSample(int row) {
  if (row < 0 || row >= static_cast<int>(entries_.size())) return false;
  const std::string& entry = entries_[static_cast<std::size_t>(row)];
  const std::string path = platform::DataPath(std::string(kWaveFolder) + entry + ".wav");
  const int next = 1 - current_;
  // The buffer the player holds is never the one loaded into; a failed load changes nothing.
  auto sample = std::make_unique<SampleFile>();
  if (!sample->Load(path)) {
    platform::LogPrintf("DRUM pad %d: cannot load <%s>\n", pad_ + 1, path.c_str());
    return false;
  }
  buffers_[next] = std::move(sample);
  current_ = next;
  given_ = true;
  selected_ = row;
  DrawWaveform();
  const uint32_t padUid = kPadUid | static_cast<uint32_t>(pad_) << 12;
  services_->SetPadSample(0, padUid | static_cast<uint32_t>(row), buffers_[current_].get());
  services_->Kit().SetPadSample(pad_, CDataSetSampler::kCtrlSample, row, entry.c_str());
  info_->setText(entry.c_str());
  return true;
}

void appVA_DrumInstrument::DrawWaveform() {
  const SampleFile* s = CurrentSample();
  const int frames = s != nullptr ? s->Frames() : 0;
  const float start = labels_[kStart]->GetFloatValue() / 100.0f * kViewWidth;
  const float end = labels_[kEnd]->GetFloatValue() / 100.0f * kViewWidth;
  for (int v = 0; v < 2; ++v) {
    uxScopeView* view = views_[v];
    view->ClearMarks();
    const int channel = s != nullptr && s->Channels() > 1 ? v : 0;
    uxScopeView::Point* points = view->Points();
    for (int j = 0; j < kPoints; ++j) {
      float value = 0.0f;
      if (frames > 0) {
        const auto frame = static_cast<int>(static_cast<float>(j) * (static_cast<float>(frames) / kPoints));
        value = s->Channel(channel)[std::min(frame, frames - 1)];
      }
      points[j].a = kBase + kScale * value;
      const auto x = static_cast<float>(j);
      points[j].marks[uxScopeView::kGreyMark] = x > start && x < end ? 1 : 0;
    }
    view->setRepaint();
  }
}

void appVA_DrumInstrument::ApplyKitRow(const KitPad& row) {
  labels_[kKey]->SetFloatValue(static_cast<float>(KeyChoiceOf(static_cast<int32_t>(row.Trigger))), kFlagsFromKit);
  const std::pair<int, float> values[] = {{kFadeOut, row.FadeOut}, {kSidechain, row.SideChainLevel},
                                          {kEnd, row.End},         {kStart, row.Start},
                                          {kPitch, row.Pitch},     {kLevel, row.Level},
                                          {kPan, row.Pan}};
  for (const auto& [label, value] : values) labels_[label]->SetFloatValue(value, kFlagsFromKit);
  const int at = static_cast<int>(std::find(entries_.begin(), entries_.end(), std::string(row.Sample)) - entries_.begin());
  if (at < static_cast<int>(entries_.size())) {
    table_->selectRow(at, true);
    table_->ScrollToSelected();
    ChooseSample(at);
  }
  DrawWaveform();
  services_->ValueChanged(kPadUid | static_cast<uint32_t>(pad_) << 12 | kCtrlPlay, FLAG_UPDATE_ENGINE_IM, 1.0f);
}

void appVA_DrumInstrument::Preview(tagUX_Message* msg) {
  const uxPOINT p(msg->m_x, msg->m_y);
  if (msg->m_evt_type == TYPE_RELEASE) {
    previewing_ = false;
    return;
  }
  if (msg->m_evt_type != TYPE_PRESS || previewing_) return;
  if (!views_[0]->intersect(p) && !views_[1]->intersect(p)) return;
  EngineEvent e{};
  e.type = kEventNoteOn;
  e.part = kDrumPart;
  e.first.note = static_cast<uint8_t>(pad_);
  e.second = 1.0f;
  services_->PostEvent(e);
  previewing_ = true;
}

void appVA_DrumInstrument::PanelValue(tagUX_Message* msg) {
  if (msg->pData == nullptr) return;
  const int canId = static_cast<int>(msg->param);
  const int ctrl = GetParamCtrlByCanId(canId, kPanelGroup);
  const int instance = GetParamInstanceByCanId(canId, kPanelGroup);
  float value;
  std::memcpy(&value, msg->pData, sizeof value);
  bool region = false;
  for (int i = 0; i < kLabels; ++i) {
    const auto uid = static_cast<uint32_t>(labels_[i]->GetID());
    if (kLabelSpecs[i].ctrl == 0 || static_cast<int>(uid & 0xFFF) != ctrl ||
        static_cast<int>((uid >> 12) & 15) != instance || ((uid >> 16) & 15) != msg->flag)
      continue;
    labels_[i]->SetFloatValue(value, kFlagsFromKit);
    labels_[i]->SetFloatValue(value, kFlagsFromPanel);
    region = region || i == kStart || i == kEnd;
  }
  if (region) DrawWaveform();
}

int appVA_DrumInstrument::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_TOUCH_EVENT:
      Preview(msg);
      break;
    case UX_MSG_VALUES_CHANGED:
      if (static_cast<int>(msg->param) != kKitLoaded) break;
      {
        const CDataSetSampler& kit = services_->Kit();
        bool found = false;
        for (int r = 0; r < CDataSetSampler::kPads; ++r) {
          const KitPad& row = kit.Pads()[r];
          if (static_cast<int>(row.pad) != pad_) continue;
          found = true;
          // The core took every pad's sample away before the kit loaded.
          given_ = false;
          table_->deselectRow();
          info_->setText("");
          ApplyKitRow(row);
        }
        if (!found) {
          const KitPadDef& d = CDataSetSampler::GetDefaultPad(pad_);
          KitPad row{};
          row.pad = d.pad;
          row.FadeOut = d.FadeOut;
          row.SideChainLevel = d.SideChainLevel;
          row.End = d.End;
          row.Start = d.Start;
          row.Pitch = d.Pitch;
          row.Level = d.Level;
          row.Pan = d.Pan;
          row.Trigger = d.Trigger;
          given_ = false;
          table_->deselectRow();
          info_->setText("");
          ApplyKitRow(row);
        }
      }
      break;
    case UX_MSG_TABLE_ITEM_SEL:
      // The message only names a table; it is compared, never read through.
      if (msg->pData == table_ || (msg->pData == nullptr && isFocus())) ChooseSample(table_->getSelection());
      break;
    case EN_MSG_SET_VALUE:
      PanelValue(msg);
      break;
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if ((msg->param & 7) == 0) FillSampleList();  // encoder A: FILTER
      if ((msg->param & 7) == 1) DrawWaveform();    // encoder B: START, END
      break;
    case APP_MSG_RESCAN_FILES:
      ScanKitFolders();
      break;
    default:
      break;
  }
  return result;
}
