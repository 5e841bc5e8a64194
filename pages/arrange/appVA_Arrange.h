#pragma once
// The "ARRANGER" page: stored arrangements, their loading and storing, drum level, master
// tune and panel tracking. For now the bare panel with its background image.
#include "toolkit/uxPanelCtrl.h"

class PageServices;

class appVA_Arrange : public uxPanelCtrl {
 public:
  explicit appVA_Arrange(PageServices* services);
  ~appVA_Arrange() override;

 private:
  PageServices* services_;
};
