#pragma once
// Reader of the clip-set document (".launch"): hands every finished element of the twelve
// it knows to a callback with its attribute values converted. Elements end children
// first, so a clip's pattern arrives before the clip and the clips before their track.
// An attribute keeps its last value until the name occurs again, except SubType, which
// each CLIP clears.
#include "data/XmlReaderBase.h"

class CXMLParserClipLauncher : public XmlReaderBase {
 public:
  CXMLParserClipLauncher();

 protected:
  virtual void OnLauncher(const char* synth, const char* version) = 0;
  virtual void OnMaster(int bpm, int qn2c) = 0;
  virtual void OnInstrument(const char* type, int track) = 0;
  virtual void OnClip(const char* name, const char* subType, int nr, int qn) = 0;
  virtual void OnTrgSequence(const char* kit, int stepCount) = 0;
  virtual void OnTStep(int pos) = 0;
  virtual void OnTrigger(int index, int fire, int note, int accent, double pitch, double pan) = 0;
  virtual void OnArp(int nr, int restartMode, int keySubstitute, double gateWidth, int orderAlgo,
                     int opMode, int stepCount, int factor) = 0;
  virtual void OnArpStep(int pos, int key, int mode, int octave, int semitone, int velocity,
                         double cva, double cvb, double cvc) = 0;
  virtual void OnSeq(const char* imported, int pp, int loopPP, int lengthPP, int lengthQN,
                     int transpose, int numerator, int denominator) = 0;
  virtual void OnNote(int key, int start, int end, int velocity) = 0;
  virtual void OnControl(int control, int value, int tick) = 0;

 private:
  void OnElementEnd(uint32_t tag) override;
};
