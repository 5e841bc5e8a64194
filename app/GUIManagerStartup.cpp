// The start-up's splash, shown before any page exists.
#include "app/GUIManager.h"
#include "toolkit/uxMessageBox.h"
#include "toolkit/uxPanelCtrl.h"

void GUIManager::ShowSplash() {
  splashPanel_ = new uxPanelCtrl(this, 0, "SplashScreen", uxPOINT{0, 0}, 800, 480, "SplashScreen.png");
  splashPanel_->SetEnabled(true);
  splashPanel_->OnPaint();
  splashBox_ = new uxMessageBox(this, "Splash", 780, 300, 0x000000, 0xFFFFFF, 0xFFFFFF, 7);
  splashBox_->show(uxPOINT{10, 10}, "INITIALIZE");
  if (splashSink_ != nullptr) splashSink_->store(splashBox_);
}
