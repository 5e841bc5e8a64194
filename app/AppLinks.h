#pragma once
// The devices and links the start-up hands the application core after constructing it. They
// are set before the threads that use them start and only read afterwards, so the core's
// components share one copy and read it without a lock.
class CAudioProcess;
class CCANDev;
class CMidiDev;
class HostUIManager;
class PedalPort;

struct AppLinks {
  CAudioProcess* audio = nullptr;
  CCANDev* can = nullptr;
  HostUIManager* host = nullptr;
  CMidiDev* midi = nullptr;
  PedalPort* pedal = nullptr;
};
