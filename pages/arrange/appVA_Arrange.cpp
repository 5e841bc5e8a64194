#include "pages/arrange/appVA_Arrange.h"

#include "app/PageServices.h"
#include "pages/widgets/NameRows.h"
#include "pages/widgets/TextButton.h"
#include "platform/LogSink.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxSelectCtrl.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr char kArrangementDir[] = "/var/lib/ruv/working/arrangments/";
constexpr int kSaveTicks = 7;
constexpr int kFocusShown = 1;
constexpr int kFocusHidden = 2;
constexpr int kFocusKeyboardClosed = 3;
constexpr int kFocusKeyboardOpen = 4;
constexpr int kLevelsChanged = 5;
constexpr int kPanelEncoderPush = 148;
constexpr int kEncoderPush = 132;
// Panel modes: values jump to the labels, or are picked up where the labels stand.
constexpr int kPanelJumps = 1;
constexpr int kPanelPicksUp = 0;

}  // namespace

appVA_Arrange::appVA_Arrange(PageServices* services)
    : uxPanelCtrl(services, 0, "PANEL_SONG", uxPOINT(0, 40), 800, 440, "song_bkg.png"), services_(services) {
  drumLevel_ = new uxValueLabel(services, kDrumLevelUid, 0, uxPOINT(10, 420), 180, 70, 0x202020, 0xC00000, 0xC0C0C0,
                                0xFFFFFF, 0xA4A4A4, true);
  drumLevel_->SetLabelText("DRUMs", "%");
  drumLevel_->SetEncoderMode(1);
  drumLevel_->SetFloatValue(0.0f, 0);
  drumLevel_->SetChecked(true, false);
  AddElement(drumLevel_);

  masterTune_ = new uxValueLabel(services, kMasterTuneUid, 8, uxPOINT(210, 420), 180, 70, 0x202020, 0xC0C0C0,
                                 0x808080, 0xFFFFFF, 0xA4A4A4, false);
  masterTune_->SetLabelText(" M-TUNE ", "cent");
  masterTune_->SetEncoderMode(2);
  masterTune_->SetFloatValue(0.0f, 0);
  masterTune_->SetChecked(true, false);
  AddElement(masterTune_);

  for (int i = 0; i < 2; ++i) {
    auto* label = new uxValueLabel(services, -1, static_cast<uint32_t>(16 + 8 * i), uxPOINT(410 + 200 * i, 420), 180,
                                   70, 0x202020, 0xC00000, 0xC0C0C0, 0xFFFFFF, 0xA4A4A4, false);
    label->SetLabelText("", "");
    label->SetEncoderMode(0);
    label->SetActive(false);
    unused_[i] = label;
    AddElement(label);
  }

  nameLabel_ = new uxLabel(services, uxPOINT(80, 60), 310, 40, 0x808080, 0x303030, 0xFFFFFF, 11);
  nameLabel_->setText("---");
  AddElement(nameLabel_);

  auto button = [&](unsigned id, const char* text, int x, int y, int w, int h, uxCOLOR bg, uxCOLOR frame) {
    return text_button::Add(services, this, id, text, x, y, w, h, bg, frame);
  };
  saveAs_ = button(kSaveAs, "SAVE AS", 10, 160, 120, 80, 0x802020, 0xFF0000);
  save_ = button(kSave, "SAVE", 140, 160, 120, 80, 0x802020, 0xC00000);
  saveAll_ = button(kSaveAll, "SAVE ALL", 270, 160, 120, 80, 0x802020, 0xC00000);
  tracking_ = button(kTracking, "TRACKING", 210, 260, 180, 70, 0x202020, 0x0000C0);
  muteDrum_ = button(kMuteDrum, "MUTE DRUM", 10, 340, 180, 70, 0x202020, 0x0000C0);

  storeAs_.Init(services, this);

  // TRACKING starts off: panel values jump until it is switched on.
  services_->setPanelMode(kPanelJumps);

  table_ = new uxTableCtrl(services, 0, "Song", uxPOINT(410, 60), 380, 320, 8, 0x000000);
  ScanArrangements();
  AddElement(table_);
  services_->AddControllerListener(this);
}

appVA_Arrange::~appVA_Arrange() {
  services_->RemoveControllerListener(this);
}

int appVA_Arrange::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

uxButton* appVA_Arrange::Button(int id) const {
  switch (id) {
    case kSave:
      return save_;
    case kSaveAs:
      return saveAs_;
    case kSaveAll:
      return saveAll_;
    case kMuteDrum:
      return muteDrum_;
    case kTracking:
      return tracking_;
    default:
      return nullptr;
  }
}

void appVA_Arrange::ScanArrangements() {
  names_ = name_rows::ListFiles(services_, table_, kArrangementDir, "arr");
}

void appVA_Arrange::SelectName(const std::string& name) {
  if (const int row = name_rows::Select(table_, name); row >= 0) selectedRow_ = row;
}

void appVA_Arrange::LoadArrangement() {
  selectedRow_ = table_->getSelection();
  const std::string name = name_rows::NameAt(table_, selectedRow_);
  if (name.empty() || name == currentName_) return;
  if (services_->LoadSong(name.c_str(), 0, 1) == 0) return;
  currentName_ = name;
  nameLabel_->setText(name.c_str());
}

void appVA_Arrange::ReloadLevels() {
  for (auto [label, uid] : {std::pair{drumLevel_, kDrumLevelUid}, std::pair{masterTune_, kMasterTuneUid}}) {
    const float v = services_->GetSetting(static_cast<unsigned>(uid));
    label->SetFloatRawValue(v);
    label->SetFloatValue(v, FLAG_UPDATE_ENGINE);
  }
}

int appVA_Arrange::CommitValue() {
  const float v = drumLevel_->GetFloatValue();
  drumLevel_->SetFloatRawValue(v);
  services_->SetParamById(kDrumLevelUid, v);
  return 1;
}

int appVA_Arrange::OnMidiCC(int port, int /*channel*/, int controller, int value) {
  if (drumLevel_->OnMidiCC(port, 0, controller, value) != 0) CommitValue();
  return 1;
}

void appVA_Arrange::EnableControls(bool enabled) {
  if (enabled) SetFocus(true);
  saveAs_->SetEnabled(enabled);
  save_->SetEnabled(enabled);
  saveAll_->SetEnabled(enabled);
  tracking_->SetEnabled(enabled);
  muteDrum_->SetEnabled(enabled);
  table_->SetEnabled(enabled);
  drumLevel_->SetEnabled(enabled, false);
  masterTune_->SetEnabled(enabled, false);
  SetEnabled(enabled);
  setRepaint();
}

void appVA_Arrange::OnButton(int id) {
  switch (id) {
    case kSave:
    case kSaveAll: {
      uxButton* button = id == kSave ? save_ : saveAll_;
      const std::string name = name_rows::NameAt(table_, selectedRow_);
      if (selectedRow_ < 0 || name.empty()) {
        button->SetChecked(false);
        return;
      }
      if (services_->StoreSong(name.c_str(), id == kSaveAll ? 1 : 0) == 0) {
        lamp_.Fail(services_, button, name);
        return;
      }
      currentName_ = name;
      lamp_.Light(kSaveTicks);
      return;
    }
    case kSaveAs:
      selectedRow_ = table_->getSelection();
      storeAs_.Open(nameLabel_->getText());
      ScanArrangements();
      saveAs_->SetChecked(false);
      return;
    case kMuteDrum:
      services_->SetParamById(kDrumMuteUid, muteDrum_->isChecked() ? 1.0f : 0.0f);
      return;
    case kTracking:
      services_->setPanelMode(tracking_->isChecked() ? kPanelPicksUp : kPanelJumps);
      return;
    default:
      return;
  }
}

void appVA_Arrange::FinishStoreAs() {
  const std::string text = storeAs_.Close();
  if (text.empty()) return;
  if (!name_rows::UsableName(text)) {
    platform::LogPrintf("refused arrangement name <%s>\n", text.c_str());
    lamp_.Fail(services_, saveAs_, text);
    return;
  }
  const bool stored = services_->StoreSong(text.c_str(), 0) != 0;
  ScanArrangements();
  if (!stored) {
    lamp_.Fail(services_, saveAs_, text);
    SelectName(currentName_);
    return;
  }
  currentName_ = text;
  nameLabel_->setText(text.c_str());
  saveAs_->SetChecked(true);
  lamp_.Light(kSaveTicks);
  SelectName(text);
}

int appVA_Arrange::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_TABLE_ITEM_SEL:
      if (isFocus() && msg->flag == 0) LoadArrangement();
      break;
    case UX_MSG_ENCODER_EVENT:
      if (msg->param == kPanelEncoderPush && msg->flag == kEncoderPush) {
        tagUX_Message select(UX_MSG_TABLE_ITEM_SEL, 0, 0);
        services_->SendMessage(&select, true);
      }
      break;
    case UX_MSG_TICK_EVENT:
      lamp_.Tick(save_, saveAs_, {saveAll_});
      if (const bool muted = services_->GetSetting(kDrumMuteUid) != 0.0f; muted != muteDrum_->isChecked())
        muteDrum_->SetChecked(muted);
      break;
    case UX_MSG_ON_BUTTON:
      if (isFocus()) OnButton(static_cast<int>(msg->param));
      break;
    case UX_MSG_OFF_BUTTON:
      if (isFocus() && static_cast<int>(msg->param) == kSaveAll) saveAll_->SetChecked(false);
      break;
    case UX_MSG_VALUES_CHANGED:
      if (static_cast<int>(msg->param) == kLevelsChanged) {
        ReloadLevels();
        currentName_ = services_->SongName();
        nameLabel_->setText(currentName_.c_str());
      }
      break;
    case UX_MSG_FOCUS:
      switch (msg->param) {
        case kFocusKeyboardClosed:
          SetFocus(true);
          FinishStoreAs();
          EnableControls(true);
          break;
        case kFocusKeyboardOpen:
          saveAs_->SetEnabled(false);
          drumLevel_->SetEnabled(false, false);
          masterTune_->SetEnabled(false, false);
          SetEnabled(false);
          break;
        case kFocusShown: {
          // The start-up song is loaded after the pages are built: the first showing names it.
          if (currentName_.empty()) {
            currentName_ = services_->SongName();
            if (!currentName_.empty()) nameLabel_->setText(currentName_.c_str());
          }
          SelectName(currentName_);
          const float v = services_->GetSetting(kDrumLevelUid);
          drumLevel_->SetFloatRawValue(v);
          drumLevel_->SetFloatValue(v, FLAG_UPDATE_ENGINE);
          storeAs_.Select()->SetEnabled(true);
          break;
        }
        case kFocusHidden:
          storeAs_.Select()->SetEnabled(false);
          break;
        default:
          break;
      }
      break;
    case APP_MSG_RESCAN_FILES:
      ScanArrangements();
      break;
    default:
      break;
  }
  return result;
}
