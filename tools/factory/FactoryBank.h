#pragma once
// Everything a fresh data tree gets, under the data root the process has set
// (platform::SetDataRoot): the sounds and start documents, the reverb presets, the demo song
// and the pages' pictures.
class FactoryBank {
 public:
  // False (after a line on stderr) when a part could not be written.
  static bool Write();
};
