#include "pages/drum/appVA_DrumKit.h"

#include "app/PageServices.h"
#include "pages/widgets/NameRows.h"
#include "pages/widgets/TextButton.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxSelectCtrl.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr int kLightTicks = 7;
constexpr int kFocusShown = 1;
constexpr int kFocusHidden = 2;
constexpr int kFocusKeyboardClosed = 3;
// The keyboard locks the page when it opens (4) and hands back its text when it closes (3).
constexpr int kFocusKeyboardOpen = 4;
constexpr int kLevelsChanged = 5;
constexpr int kPanelEncoderPush = 148;
constexpr int kEncoderPush = 132;

}  // namespace

appVA_DrumKit::appVA_DrumKit(PageServices* services, const char* name, uxPOINT pos, int16_t w, int16_t h,
                             const char* image)
    : uxPanelCtrl(services, 0, name, pos, w, h, image), services_(services) {
  level_ = new uxValueLabel(services, kDrumLevelUid, 0, uxPOINT(10, 420), 180, 70, 0x202020, 0xC00000, 0xC0C0C0,
                            0xFFFFFF, 0xA4A4A4, true);
  level_->SetLabelText("LEVEL", "%");
  level_->SetEncoderMode(1);
  level_->SetChecked(true, false);
  AddElement(level_);
  second_ = new uxValueLabel(services, kSecondUid, 8, uxPOINT(210, 420), 180, 70, 0x202020, 0xC00000, 0xC0C0C0,
                             0xFFFFFF, 0xA4A4A4, false);
  second_->SetLabelText("", "");
  second_->SetActive(false);
  AddElement(second_);

  nameLabel_ = new uxLabel(services, uxPOINT(80, 100), 310, 40, 0x808080, 0x303030, 0xFFFFFF, 11);
  nameLabel_->setText("---");
  AddElement(nameLabel_);

  auto button = [&](unsigned id, const char* text, int x, int y, int bw, int bh, uxCOLOR bg, uxCOLOR frame) {
    return text_button::Add(services, this, id, text, x, y, bw, bh, bg, frame);
  };
  saveAs_ = button(kSaveAs, "SAVE_AS", 10, 220, 120, 100, 0x802020, 0xFF0000);
  save_ = button(kSave, "SAVE", 140, 220, 120, 100, 0x802020, 0xC00000);
  muteDrum_ = button(kMuteDrum, "MUTE DRUM", 10, 340, 180, 70, 0x202020, 0x0000C0);

  storeAs_.Init(services, this);

  table_ = new uxTableCtrl(services, 0, "Kit", uxPOINT(410, 100), 380, 360, 9, 0x000000);
  ScanKits();
  AddElement(table_);
}

appVA_DrumKit::~appVA_DrumKit() = default;

int appVA_DrumKit::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

uxButton* appVA_DrumKit::Button(int id) const {
  switch (id) {
    case kSave:
      return save_;
    case kSaveAs:
      return saveAs_;
    case kMuteDrum:
      return muteDrum_;
    default:
      return nullptr;
  }
}

void appVA_DrumKit::ScanKits() {
  names_ = name_rows::ListFiles(services_, table_, kKitFolder, "smpl");
  selectedRow_ = -1;
}

void appVA_DrumKit::SelectName(const std::string& name) {
  if (const int row = name_rows::Select(table_, name); row >= 0) selectedRow_ = row;
}

void appVA_DrumKit::LoadSelectedKit() {
  selectedRow_ = table_->getSelection();
  const std::string name = name_rows::NameAt(table_, selectedRow_);
  if (name.empty() || name == kitName_) return;
  if (services_->LoadKit(name.c_str()) == 0) return;
  kitName_ = name;
  nameLabel_->setText(name.c_str());
}

int appVA_DrumKit::OnMidiCC(int port, int /*channel*/, int controller, int value) {
  if (level_->OnMidiCC(port, 0, controller, value) == 0) return 0;
  const float v = level_->GetFloatValue();
  level_->SetFloatRawValue(v);
  services_->SetParamById(kDrumLevelUid, v);
  return 1;
}

void appVA_DrumKit::EnableControls(bool enabled) {
  if (enabled) SetFocus(true);
  saveAs_->SetEnabled(enabled);
  save_->SetEnabled(enabled);
  muteDrum_->SetEnabled(enabled);
  table_->SetEnabled(enabled);
  level_->SetEnabled(enabled, false);
  second_->SetEnabled(enabled, false);
  SetEnabled(enabled);
  setRepaint();
}

void appVA_DrumKit::Stored(uxButton* lit) {
  lit->SetChecked(true);
  lamp_.Light(kLightTicks);
}

void appVA_DrumKit::OnButton(int id) {
  switch (id) {
    case kSave: {
      const std::string name = name_rows::NameAt(table_, selectedRow_);
      if (selectedRow_ < 0 || name.empty()) {
        save_->SetChecked(false);
        return;
      }
      if (name[0] != '[' && services_->StoreKit(name.c_str()) == 0) {
        lamp_.Fail(services_, save_, name);
        return;
      }
      kitName_ = name;
      Stored(save_);
      return;
    }
    case kSaveAs:
      storeAs_.Open(kitName_);
      saveAs_->SetChecked(false);
      return;
    case kMuteDrum:
      services_->SetParamById(kDrumMuteUid, muteDrum_->isChecked() ? 1.0f : 0.0f);
      return;
    default:
      return;
  }
}

void appVA_DrumKit::FinishStoreAs() {
  const std::string text = storeAs_.Close();
  if (text.empty()) return;
  // Names in brackets are the application's own ("[default]"): never written.
  if (text[0] != '[' && services_->StoreKit(text.c_str()) == 0) {
    lamp_.Fail(services_, saveAs_, text);
    return;
  }
  kitName_ = text;
  nameLabel_->setText(text.c_str());
  Stored(saveAs_);
  ScanKits();
  SelectName(text);
}

int appVA_DrumKit::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_TABLE_ITEM_SEL:
      // pData only names the table: a queued selection carries none.
      if (isFocus() && msg->flag == 0 && (msg->pData == nullptr || msg->pData == table_)) LoadSelectedKit();
      break;
    case UX_MSG_ENCODER_EVENT:
      if (msg->param == kPanelEncoderPush && msg->flag == kEncoderPush) {
        tagUX_Message select(UX_MSG_TABLE_ITEM_SEL, 0, 0);
        services_->SendMessage(&select, true);
      }
      break;
    case UX_MSG_TICK_EVENT:
      lamp_.Tick(save_, saveAs_);
      if (const bool muted = services_->GetSetting(kDrumMuteUid) != 0.0f; muted != muteDrum_->isChecked())
        muteDrum_->SetChecked(muted);
      break;
    case UX_MSG_ON_BUTTON:
      if (isFocus()) OnButton(static_cast<int>(msg->param));
      break;
    case UX_MSG_VALUES_CHANGED:
      if (static_cast<int>(msg->param) == kLevelsChanged) {
        kitName_ = services_->KitName();
        nameLabel_->setText(kitName_.c_str());
        const float v = services_->GetSetting(kDrumLevelUid);
        level_->SetFloatRawValue(v);
        level_->SetFloatValue(v, FLAG_REPAINT);
      }
      break;
    case UX_MSG_FOCUS:
      switch (msg->param) {
        case kFocusKeyboardClosed:
          SetFocus(true);
          FinishStoreAs();
          EnableControls(true);
          second_->SetActive(true);
          break;
        case kFocusKeyboardOpen:
          saveAs_->SetEnabled(false);
          save_->SetEnabled(false);
          muteDrum_->SetEnabled(false);
          level_->SetEnabled(false, false);
          SetEnabled(false);
          break;
        case kFocusShown: {
          kitName_ = services_->KitName();
          if (!kitName_.empty()) nameLabel_->setText(kitName_.c_str());
          SelectName(kitName_);
          const float v = services_->GetSetting(kDrumLevelUid);
          level_->SetFloatRawValue(v);
          level_->SetFloatValue(v, FLAG_REPAINT);
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
      ScanKits();
      break;
    default:
      break;
  }
  return result;
}
