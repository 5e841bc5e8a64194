#include "pages/part/appVA_Part.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/PageServices.h"
#include "data/DirectoryListing.h"
#include "data/DocumentPath.h"
#include "data/ParamTable.h"
#include "pages/widgets/NameRows.h"
#include "pages/widgets/TextButton.h"
#include "pages/widgets/StepTables.h"
#include "pages/widgets/ValueFormatters.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxPopupValue.h"
#include "toolkit/uxSelectCtrl.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr char kPresetDir[] = "/var/lib/ruv/working/presets/";
constexpr char kPresetExt[] = ".preset";
constexpr char kDefaultName[] = "[default]";
constexpr std::size_t kMinRows = 8;
constexpr int kSaveTicks = 7;
constexpr int kDeleteTicks = 500;
constexpr int kValuePopupTicks = 100;
constexpr int kPanelGroup = 1;
constexpr uxCOLOR kNameBackground = 0x202020;
constexpr uxCOLOR kNameText = 0xFFFFFF;
constexpr uxCOLOR kDeletedText = 0xFF0000;
constexpr uxCOLOR kCategoryRowText = 0x969696;
constexpr uxCOLOR kPresetRowText = 0xFFFFFF;
constexpr int kFocusShown = 1;
constexpr int kFocusHidden = 2;
constexpr int kFocusKeyboardClosed = 3;
constexpr int kFocusKeyboardOpen = 4;
constexpr int kPanelEncoderPush = 148;
constexpr int kEncoderPush = 132;
static_assert(appVA_Part::kTimeSteps == step_tables::kEntries);

struct LabelSpec {
  const char* text;
  const char* unit;
  int param;
  int slot;
  int encoderMode;
  const char* choices[5];
  bool checked;
  int pickup;
  int x, y;
};

// Member order; the first two groups on encoders A and B, KBD-MODE and TUNE on the page.
constexpr LabelSpec kLabelSpecs[appVA_Part::kLabels] = {
    {" PORTAMENTO ", nullptr, 1, 0, 8, {"OFF", "TIME", "FREQ"}, true, 0, 10, 420},
    {" TIME ", "s", 2, 1, 10, {}, false, 1, 10, 260},
    {" RATE ", "%", 3, 2, 1, {}, false, 1, 10, 340},
    {" DETUNE ", "cent", 10, 9, 2, {}, false, 1, 210, 340},
    {"VOICE-MODE", nullptr, 4, 8, 8, {"MONO", "POLY", "UNI2", "UNI3", "UNI4"}, true, 0, 210, 420},
    {"KBD-MODE", nullptr, 7, 16, 8, {"NORM", "LEGATO", "GLIDE_LEG"}, true, 0, 410, 420},
    {" TUNE ", "cent", 0, 24, 2, {}, true, 0, 610, 420},
};

void SortAndPad(std::vector<std::string>& names, bool pad) {
  std::sort(names.begin(), names.end());  // byte-wise: std::string compares chars as unsigned
  if (pad && names.size() < kMinRows) names.resize(kMinRows);
}

}  // namespace

float appVA_Part::TimeEntry(int index) { return step_tables::Entry(step_tables::Id::kTime, static_cast<float>(index)); }

int appVA_Part::TimeIndex(float seconds) { return step_tables::PositionOf(step_tables::Id::kTime, seconds); }

appVA_Part::appVA_Part(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                       uxCOLOR /*colour*/)
    : uxPanelCtrl(services, id, name, pos, w, h, "part_bkg.png"), services_(services),
      part_(static_cast<int>((id >> 16) & 15)) {
  groupA_ = new uxGroup(services, 0, "ENCODER A", uxPOINT(10, 260), 180, 230);
  groupB_ = new uxGroup(services, 0, "ENCODER B", uxPOINT(210, 340), 180, 150);
  AddElement(groupA_);
  AddElement(groupB_);
  for (int i = 0; i < kLabels; ++i) {
    const LabelSpec& s = kLabelSpecs[i];
    const bool grouped = s.slot < 16;
    const uint32_t uid = id + static_cast<uint32_t>(s.param);
    auto* label = grouped ? new uxValueLabel(services, static_cast<int>(uid), static_cast<uint32_t>(s.slot),
                                             uxPOINT(s.x, s.y), 180, 70, 0x303030, 0xC00000, 0xC0C0C0, 0xFFFFFF,
                                             0xA4A4A4, false)
                          : new uxValueLabel(services, static_cast<int>(uid), static_cast<uint32_t>(s.slot),
                                             uxPOINT(s.x, s.y), 180, 70, 0x303030, 0xC0C0C0, 0x808080, 0xFFFFFF,
                                             0xA4A4A4, false);
    const bool hasChoices = s.choices[0] != nullptr;
    label->SetLabelText(s.text, s.unit, hasChoices ? 12 : 13);
    for (const char* choice : s.choices)
      if (choice != nullptr) label->AddEnumText(choice);
    label->SetEncoderMode(s.encoderMode);
    if (i == kTime) label->setConvertFunction(value_format::Function(Formatter::kTime));
    label->SetFloatValue(0.0f, 0);
    label->SetChecked(s.checked, false);
    pickup_[i] = s.pickup;
    labels_[i] = label;
    if (s.slot < 8)
      groupA_->AddElement(label);
    else if (s.slot < 16)
      groupB_->AddElement(label);
    else
      AddElement(label);
  }

  loadedCategory_ = new uxLabel(services, uxPOINT(75, 60), 315, 40, 0x808080, 0x303030, 0xFFFFFF, 11);
  presetName_ = new uxLabel(services, uxPOINT(75, 100), 315, 40, 0x202020, 0x303030, 0xFFFFFF, 11);
  presetName_->setText("---");
  category_ = new uxLabel(services, uxPOINT(455, 60), 330, 40, 0x808080, 0x303030, 0xFFFFFF, 11);
  AddElement(loadedCategory_);
  AddElement(presetName_);
  AddElement(category_);

  auto button = [&](unsigned bid, const char* text, int x, int y, int bw, int bh, uxCOLOR bg, uxCOLOR frame) {
    return text_button::Add(services, this, bid, text, x, y, bw, bh, bg, frame);
  };
  saveAs_ = button(kSaveAs, "SAVE AS", 10, 160, 120, 80, 0x802020, 0xFF0000);
  save_ = button(kSave, "SAVE", 140, 160, 120, 80, 0x802020, 0xC00000);
  delete_ = button(kDelete, "DELETE", 270, 160, 120, 80, 0x202020, 0xC00000);
  categoryButton_ = button(kCategory, "CATEGORY", 270, 260, 120, 60, 0x802020, 0xC00000);

  storeAs_.Init(services, this);

  table_ = new uxTableCtrl(services, 0, "Preset", uxPOINT(410, 100), 380, 280, 7, 0x000000);
  ListCategories();
  categoryButton_->SetChecked(true, false);
  AddElement(table_);
}

appVA_Part::~appVA_Part() = default;

int appVA_Part::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

uxButton* appVA_Part::Button(int id) const {
  switch (id) {
    case kSave:
      return save_;
    case kSaveAs:
      return saveAs_;
    case kCategory:
      return categoryButton_;
    case kDelete:
      return delete_;
    default:
      return nullptr;
  }
}

int appVA_Part::LabelBySlot(int slot) const {
  for (int i = 0; i < kLabels; ++i)
    if (kLabelSpecs[i].slot == slot) return i;
  return -1;
}

std::string appVA_Part::PathOf(const std::string& name) const {
  const std::string category = category_->getText();
  return category.empty() ? name : category + "/" + name;
}

void appVA_Part::Relist(std::vector<std::string>& names, uxCOLOR text) {
  SortAndPad(names, true);
  name_rows::Fill(services_, table_, names, text);
}

void appVA_Part::ListCategories() {
  categories_ = GetDirectories(platform::DataPath(kPresetDir));
  Relist(categories_, kCategoryRowText);
}

void appVA_Part::ListPresets() {
  const std::string category = category_->getText();
  const std::string dir = category.empty() ? std::string(kPresetDir) : kPresetDir + category + "/";
  presets_ = GetDirectoryFiles(platform::DataPath(dir), "preset", true);
  Relist(presets_, kPresetRowText);
}

void appVA_Part::SelectCategory() {
  category_->setText(name_rows::NameAt(table_, table_->getSelection()).c_str());
  ListPresets();
  categoryButton_->SetChecked(false);
}

void appVA_Part::RefreshList() {
  const bool isDefault = std::strcmp(presetName_->getText(), kDefaultName) == 0;
  if (isDefault)
    ListCategories();
  else
    ListPresets();
  categoryButton_->SetChecked(isDefault);
}

void appVA_Part::SelectName(const std::string& name) {
  // Padding rows show no name: an empty name selects none of them.
  if (!name.empty()) name_rows::Select(table_, name);
}

bool appVA_Part::PopupBusy(int except) const {
  for (int popup : {popupValue, popupMsg, popupDel, popupWT})
    if (popup != except && services_->PopupTimer(popup).load() != 0) return true;
  return except != -1 && services_->ProgressShown();
}

void appVA_Part::LoadSelectedPreset(bool force) {
  const std::string name = name_rows::NameAt(table_, table_->getSelection());
  if (name.empty()) return;
  if (name != kDefaultName && name == presetName_->getText() && !force) return;
  const std::string path = PathOf(name);
  presetName_->setText(name.c_str());
  services_->ShowProgress("LOAD PRESET", name.c_str());
  if (services_->LoadPreset(part_, path.c_str(), 1, 1) != 0)
    presetName_->setText(name.c_str(), kNameText, kNameBackground);
  else
    presetName_->setText("<FILE ERROR>");
  loadedCategory_->setText(category_->getText());
  services_->HideProgress();
}

bool appVA_Part::StoreCurrentPreset(const std::string& name, const std::string& path) {
  services_->ShowProgress("STORE PRESET", name.c_str());
  bool stored = false;
  // The reserved forms stand for no file ("<FILE ERROR>", "[default]"), also under a
  // category, where the path itself starts with the category's name.
  const bool reserved = path.empty() || path[0] == '<' || path[0] == '[' || name.empty() || name[0] == '<' ||
                        name[0] == '[';
  if (reserved) {
    platform::LogPrintf("[PART:%d] skipped store preset <%s>\n", part_ + 1, path.c_str());
  } else if (!name_rows::UsableName(name)) {
    platform::LogPrintf("[PART:%d] refused preset name <%s>\n", part_ + 1, name.c_str());
  } else {
    stored = services_->StorePreset(part_, path.c_str()) != 0;
  }
  services_->HideProgress();
  return stored;
}

void appVA_Part::SetLabelRaw(int slot, float value) {
  const int i = LabelBySlot(slot);
  if (i < 0) return;
  labels_[i]->SetFloatRawValue(i == kTime ? static_cast<float>(TimeIndex(value)) : value);
}

void appVA_Part::OnLabelChanged(int slot, bool changed, float value) {
  const int i = LabelBySlot(slot);
  if (i < 0) return;
  if (!changed) {
    SetLabelRaw(slot, value);
    return;
  }
  if (i == kVoiceMode) services_->SendPartStop(part_);
}

void appVA_Part::ApplyPanelValue(int index, float value) {
  SetLabelRaw(kLabelSpecs[index].slot, value);
  labels_[index]->SetFloatValue(value, FLAG_REPAINT);
  services_->SetParamById(labels_[index]->GetID(), value);
}

void appVA_Part::ShowValuePopup(int index, float target, float first, float second) {
  if (PopupBusy(popupValue)) return;
  uxPopupValue* popup = services_->PopupValue();
  if (popup == nullptr) return;
  uxValueLabel* label = labels_[index];
  popup->setValues(0.0f, 100.0f, part_, target, first, second, label->getUnitText(), label->getLabelText());
  popup->show();
  services_->PopupTimer(popupValue).store(kValuePopupTicks);
}

void appVA_Part::OnPanelValue(int index, float value) {
  if (index < 0 || index >= kLabels) return;
  const float first = index == kTime ? static_cast<float>(TimeIndex(value)) : value;
  const float raw = labels_[index]->GetFloatRawValue();
  const bool tracking = services_->getPanelMode() == 0;
  bool quiet = false;
  if (!tracking) {
    ApplyPanelValue(index, value);
  } else {
    switch (pickup_[index]) {
      case kPickupArmed:
        pickup_[index] = first < raw ? kPickupBelow : kPickupAbove;
        break;
      case kPickupBelow:
        if (first >= raw) pickup_[index] = kPickupCaught;
        break;
      case kPickupAbove:
        if (first <= raw) pickup_[index] = kPickupCaught;
        break;
      default:
        quiet = pickup_[index] == kPickupNone;
        ApplyPanelValue(index, value);
        break;
    }
  }
  if ((index == kTime || index == kRate || index == kDetune) && !quiet)
    ShowValuePopup(index, raw, first, value);
}

void appVA_Part::EnableControls(bool enabled) {
  if (enabled) SetFocus(true);
  for (uxBaseElement* e : {static_cast<uxBaseElement*>(saveAs_), static_cast<uxBaseElement*>(save_),
                           static_cast<uxBaseElement*>(categoryButton_), static_cast<uxBaseElement*>(table_),
                           static_cast<uxBaseElement*>(presetName_), static_cast<uxBaseElement*>(category_)})
    e->SetEnabled(enabled);
  for (uxValueLabel* label : labels_) label->SetEnabled(enabled, false);
  SetEnabled(enabled);
  setRepaint();
}

void appVA_Part::Reload() {
  for (int i = 0; i < kLabels; ++i) {
    uxValueLabel* label = labels_[i];
    const float value = services_->GetParamById(label->GetID());
    if (pickup_[i] != kPickupNone) pickup_[i] = value < label->GetFloatRawValue() ? kPickupBelow : kPickupAbove;
    SetLabelRaw(kLabelSpecs[i].slot, value);
    label->SetFloatValue(value, FLAG_REPAINT | FLAG_SEND_CAN);
  }
  const std::string current = services_->PresetName(part_);
  const std::size_t first = current.find('/');
  const std::size_t last = current.rfind('/');
  const std::string category = first == std::string::npos ? std::string() : current.substr(0, first);
  const std::string name = last == std::string::npos ? current : current.substr(last + 1);
  category_->setText(category.c_str());
  loadedCategory_->setText(category.c_str());
  presetName_->setText(name.c_str(), kNameText, kNameBackground);
  RefreshList();
  SelectName(name);
}

void appVA_Part::OnButton(int id) {
  switch (id) {
    case kSave: {
      const std::string name = presetName_->getText();
      if (name.empty()) {
        save_->SetChecked(false);
        return;
      }
      const std::string path = PathOf(name);
      presetName_->setText(name.c_str(), kNameText, kNameBackground);
      const bool stored = StoreCurrentPreset(name, path);
      ListPresets();
      SelectName(name);
      if (stored)
        lamp_.Light(kSaveTicks);
      else
        lamp_.Fail(services_, save_, name);
      return;
    }
    case kSaveAs:
      storeAs_.Open(presetName_->getText());
      ListPresets();
      saveAs_->SetChecked(false);
      return;
    case kCategory:
      if (categoryButton_->isChecked()) {
        ListCategories();
        category_->setText("");
      } else {
        ListPresets();
      }
      return;
    case kDelete: {
      const std::string name = presetName_->getText();
      if (!name.empty()) {
        const std::string shown = PathOf(name);
        std::string path;
        // A name that cannot be a file ("<FILE ERROR>", "..") leaves nothing to delete.
        if (document_path::MakeRooted(kPresetDir, shown.c_str(), kPresetExt, path)) {
          deletePath_ = path;
          if (!PopupBusy(popupDel) && services_->PopupDelete() != nullptr) {
            services_->PopupDelete()->Message("DELETE", shown.c_str(), "Press Enter");
            services_->PopupDelete()->show();
            services_->PopupTimer(popupDel).store(kDeleteTicks);
          }
        }
      }
      delete_->SetChecked(false);
      return;
    }
    default:
      return;
  }
}

void appVA_Part::FinishStoreAs() {
  const std::string text = storeAs_.Close();
  if (text.empty()) return;
  if (!name_rows::UsableName(text)) {
    platform::LogPrintf("[PART:%d] refused preset name <%s>\n", part_ + 1, text.c_str());
    lamp_.Fail(services_, saveAs_, text);
    return;
  }
  // The shown name stays the one last loaded or stored until the new file exists.
  const bool stored = StoreCurrentPreset(text, PathOf(text));
  ListPresets();
  if (!stored) {
    lamp_.Fail(services_, saveAs_, text);
    SelectName(presetName_->getText());
    return;
  }
  presetName_->setText(text.c_str(), kNameText, kNameBackground);
  saveAs_->SetChecked(true);
  lamp_.Light(kSaveTicks);
  SelectName(text);
}

void appVA_Part::DeleteConfirmed() {
  if (deletePath_.empty()) return;
  if (std::remove(deletePath_.c_str()) == 0)
    platform::LogPrintf("[PART:%d] deleted preset <%s>\n", part_ + 1, deletePath_.c_str());
  else
    platform::LogPrintf("[PART:%d] delete preset <%s> failed: %s\n", part_ + 1, deletePath_.c_str(),
                        std::strerror(errno));
  presetName_->setText(presetName_->getText(), kDeletedText, kNameBackground);
  deletePath_.clear();
  ListPresets();
  table_->selectRow(-1, true);
}

int appVA_Part::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_TABLE_ITEM_SEL:
      if (!isFocus()) break;
      if (msg->flag == 0) {
        if (categoryButton_->isChecked())
          SelectCategory();
        else
          LoadSelectedPreset(true);
      }
      services_->HideDeletePopup();
      break;
    case UX_MSG_ENCODER_EVENT:
      if (msg->param == kPanelEncoderPush && msg->flag == kEncoderPush) {
        tagUX_Message select(UX_MSG_TABLE_ITEM_SEL, 0, 0);
        services_->SendMessage(&select, true);
      } else {
        services_->HideDeletePopup();
      }
      break;
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (int i = 0; i < kLabels; ++i) {
        uxValueLabel* label = labels_[i];
        if (kLabelSpecs[i].slot / 8 != static_cast<int>(msg->param & 3) || !label->isChecked()) continue;
        OnLabelChanged(kLabelSpecs[i].slot, true, label->GetFloatValue());
        if (pickup_[i] != kPickupNone)
          pickup_[i] = label->GetFloatValue() < label->GetFloatRawValue() ? kPickupBelow : kPickupAbove;
        if (i == kPortamento) pickup_[kTime] = pickup_[kRate] = kPickupArmed;
      }
      break;
    case UX_MSG_TICK_EVENT:
      lamp_.Tick(save_, saveAs_);
      break;
    case UX_MSG_KEY:
      if (!isFocus() || services_->PopupTimer(popupDel).load() == 0) break;
      if (static_cast<int>(msg->param) == UX_PARAM_ENTER) DeleteConfirmed();
      services_->HideDeletePopup();
      break;
    case UX_MSG_ON_BUTTON:
      if (isFocus()) OnButton(static_cast<int>(msg->param));
      break;
    case EN_MSG_SET_VALUE: {
      if (msg->pData == nullptr || static_cast<int>(msg->flag) != part_) break;
      const int canId = static_cast<int>(msg->param);
      const int ctrl = GetParamCtrlByCanId(canId, kPanelGroup);
      float value;
      std::memcpy(&value, msg->pData, sizeof value);
      for (int i = 0; i < kLabels; ++i)
        if (ctrl == (labels_[i]->GetID() & 0xFF)) OnPanelValue(i, value);
      break;
    }
    case UX_MSG_PART_CHANGED:
      pickup_[kTime] = pickup_[kRate] = pickup_[kDetune] = kPickupArmed;
      break;
    case UX_MSG_VALUES_CHANGED:
      if (static_cast<int>(msg->param) == -1 || static_cast<int>(msg->param) == part_) Reload();
      break;
    case UX_MSG_FOCUS:
      switch (msg->param) {
        case kFocusKeyboardClosed:
          FinishStoreAs();
          EnableControls(true);
          break;
        case kFocusKeyboardOpen:
          EnableControls(false);
          break;
        case kFocusShown:
          SelectName(presetName_->getText());
          storeAs_.Select()->SetEnabled(true);
          break;
        case kFocusHidden:
          storeAs_.Select()->SetEnabled(false);
          break;
        default:
          break;
      }
      break;
    case UX_MSG_CLOSE_PANEL:
      if (!isFocus()) break;
      services_->HideDeletePopup();
      deletePath_.clear();
      break;
    case APP_MSG_RESCAN_FILES:
      // The table goes on showing what it showed: categories while CATEGORY is lit.
      if (categoryButton_->isChecked())
        ListCategories();
      else
        ListPresets();
      break;
    default:
      break;
  }
  return result;
}
