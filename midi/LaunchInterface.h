#pragma once
// Holds the driver of the pad controller the clip launcher found; null when there is none.
#include <memory>

#include "midi/LaunchCtrl.h"

class LaunchInterface {
 public:
  LaunchCtrl* Ctrl() const { return ctrl_.get(); }

 protected:
  std::unique_ptr<LaunchCtrl> ctrl_;
};
