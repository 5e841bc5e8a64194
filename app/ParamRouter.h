#pragma once
// Parameter routing: a UID names a data object, the audio process's target and the panel and
// host mirrors; the caller's flags pick which of them hear about a change.
//
// Threads: any. ValueChanged runs on the MIDI threads (controller map) as well as in page
// code, so the router allocates nothing, touches no page and takes no lock of its own: the
// settings, the data sets' values, the audio process and the CAN device serialise their own
// work. Its collaborators are fixed before the threads start (AppLinks).
#include <cstdint>

#include "app/AppLinks.h"

class CArranger;
class CDataSets;
class CSettings;
class MultiWaveReader;
class WaveTable;

class ParamRouter {
 public:
  // GetSampleName writes at most this many bytes, the terminating zero included.
  static constexpr int kSampleNameSize = 64;

  ParamRouter(const AppLinks& links, CArranger& arranger, CSettings& settings);

  void ValueChanged(uint32_t uid, unsigned flags, float value);
  void SetParamById(int uid, float value);
  void SetEngineParam(int uid, float value);
  float GetParamById(int uid);
  void* GetParamEntry(int uid);
  float GetSetting(unsigned uid);
  uint8_t* GetLfoStepData(int uid);
  void SetLfoStepData(int id, int uid, const uint8_t* bytes, int length);
  void ClearWaveData(int uid, int flag);
  void SetWavetableData(int uid, int n, WaveTable* wavetable);
  void SetSampleData(int uid, int n, const char* name, MultiWaveReader* wave);
  void GetSampleName(int uid, char* name);
  void SetSampleName(int uid, const char* name, int flag);

 private:
  CDataSets* DataSet(int part);
  void StoreSetting(uint32_t ctrl, int instance, float value);
  void SendValueFrame(int canId, int part, int kind, float value);

  const AppLinks& links_;
  CArranger& arranger_;
  CSettings& settings_;
};
