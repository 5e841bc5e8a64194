#include "toolkit/RepaintTree.h"

#include "toolkit/uxPanelCtrl.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"
#include "toolkit/uxTableRow.h"

void MarkTreeForRepaint(uxBaseElement* element) {
  if (element == nullptr) return;
  element->setRepaint();
  element->setRepaintCtrls();
  element->invalidate();
  if (auto* tabs = dynamic_cast<uxTabCtrl*>(element)) {
    for (int i = 0; i < tabs->GetTabCount(); ++i) MarkTreeForRepaint(tabs->GetTabItem(i));
  } else if (auto* tab = dynamic_cast<uxTabItemCtrl*>(element)) {
    for (int i = 0; i < tab->GetPanelCount(); ++i) MarkTreeForRepaint(tab->GetPanel(i));
  } else if (auto* panel = dynamic_cast<uxPanelCtrl*>(element)) {
    for (uxBaseElement* child : *panel->GetElementList()) MarkTreeForRepaint(child);
  } else if (auto* row = dynamic_cast<uxTableRow*>(element)) {
    for (int i = 0; i < row->getColumnCount(); ++i) MarkTreeForRepaint(row->getColumn(i));
  }
}
