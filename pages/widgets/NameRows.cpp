#include "pages/widgets/NameRows.h"

#include <algorithm>
#include <cstdio>

#include "data/DirectoryListing.h"
#include "platform/Paths.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"

namespace name_rows {

namespace {

constexpr int kRowHeight = 40;
constexpr int kNumberWidth = 40;
constexpr int kNameWidth = 310;
// Centred: right-aligned text ends on the button's last column, where the drawing context
// wraps the last character onto a new line.
constexpr int16_t kAlign = 1;
constexpr unsigned kNoId = static_cast<unsigned>(-1);

uxButton* NameButton(uxTableCtrl* table, int index) {
  uxTableRow* row = table != nullptr ? table->getRow(index) : nullptr;
  return row != nullptr ? dynamic_cast<uxButton*>(row->getColumn(1)) : nullptr;
}

}  // namespace

void Fill(uxHost* host, uxTableCtrl* table, const std::vector<std::string>& names, uxCOLOR nameText,
          const char* numberFormat) {
  table->Clear();
  const uxRECT& area = *table->getClientRect();
  for (std::size_t i = 0; i < names.size(); ++i) {
    const int n = static_cast<int>(i) + 1;
    const int y = area.top + kRowHeight * static_cast<int>(i);
    auto* row = new uxTableRow(table, n, 0, kRowHeight, "ROW");
    auto* number = new uxButton(host, kNoId, uxPOINT(area.left, y), kNumberWidth, kRowHeight, 0x808080, 0x545454,
                                0x000000, true, kAlign);
    char text[16];
    std::snprintf(text, sizeof text, numberFormat, n);
    number->SetText(text);
    const uxCOLOR background = n % 2 == 1 ? 0x202020 : 0x000000;
    auto* name = new uxButton(host, kNoId, uxPOINT(area.left + kNumberWidth, y), kNameWidth, kRowHeight, background,
                              0x545454, nameText, true, kAlign);
    name->setMode(BtnModeSelectable);
    name->SetText(names[i].c_str());
    row->addColumn(number);
    row->addColumn(name);
    table->addRow(row);
  }
  table->setRepaint();
  table->setRepaintCtrls();
}

std::string NameAt(uxTableCtrl* table, int index) {
  const uxButton* b = NameButton(table, index);
  return b != nullptr ? b->GetText() : std::string();
}

int Find(uxTableCtrl* table, const std::string& name) {
  for (int i = 0; table != nullptr && i < table->getRowCount(); ++i)
    if (NameAt(table, i) == name) return i;
  return -1;
}

int Select(uxTableCtrl* table, const std::string& name) {
  const int row = Find(table, name);
  if (row < 0) return -1;
  table->selectRow(row, true);
  table->ScrollToSelected();
  return row;
}

std::vector<std::string> ListFiles(uxHost* host, uxTableCtrl* table, const char* dir, const char* ext) {
  std::vector<std::string> names = GetDirectoryFiles(platform::DataPath(dir), ext, true);
  std::sort(names.begin(), names.end());
  Fill(host, table, names, 0xFFFFFF);
  return names;
}

bool UsableName(const std::string& name) {
  if (name.empty() || name[0] == '<' || name[0] == '[') return false;
  if (name.find('/') != std::string::npos || name.find("..") != std::string::npos) return false;
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

}  // namespace name_rows
