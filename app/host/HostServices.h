#pragma once
// What the host link needs of the rest of the instrument. The application core implements
// it; tests stand in a recorder.
#include "toolkit/uxDefs.h"

class CClipCore;
class HostUIManager;

class HostServices {
 public:
  virtual ~HostServices() = default;

  // Hands the link to the parameter routing, which mirrors values to the host through it.
  virtual void SetHostLink(HostUIManager* link) = 0;
  // The clip launcher; it outlives the link.
  virtual CClipCore* ClipLauncher() = 0;
  // Gives `msg` to the active page at once, in the calling thread (not queued).
  virtual void SendMessage(tagUX_Message& msg) = 0;
  // A note-on of drum `note` (0-127) on the drum player, `velocity` in percent.
  virtual void TriggerDrum(int note, int velocity) = 0;
};
