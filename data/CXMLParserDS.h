#pragma once
// Reader of ".preset" documents: walks the elements of a part's sound and hands each
// parameter, step table, modulation route and embedded wavetable or sample to a callback.
// The data set derives from it and keeps what the callbacks deliver.
#include <cstdint>
#include <vector>

#include "data/XmlReaderBase.h"

class CXMLParserDS : public XmlReaderBase {
 public:
  CXMLParserDS();

  // 0 success, 1 unreadable (logged), 2 syntax error or a document cut short, 3 bad tag.
  int ParseFile(const char* path);

  // Callbacks, each run while the document is read: a callback copies what it keeps. All are
  // called at the element's end unless noted.
  virtual void OnProgram(const char* /*synthType*/, const char* /*version*/) {}
  // (1, 0) at the start of the voice section, (0, Variant) at its end.
  virtual void OnSynthVoice(int /*start*/, int /*variant*/) {}
  // End of a module element with its name and Nr; "FILTER" for the voice-level section and
  // "EFFECT" for the effect section.
  virtual void OnModule(const char* /*name*/, int /*nr*/) {}
  // 1 at the start of the modulation matrix, 0 at its end.
  virtual void OnModMatrix(int /*start*/) {}
  virtual void OnByteArray(int /*nr*/, const char* /*name*/, int /*index*/, int /*elements*/, const char* /*array*/) {}
  virtual void OnParameter(int /*variant*/, const char* /*name*/, int /*index*/, int /*nr*/, int /*one*/,
                           float /*value*/) {}
  // A route without a polarity, and one with its polarity.
  virtual void OnItem(int /*variant*/, int /*nr*/, int /*src*/, float /*amount*/, float /*curve*/, int /*dst*/) {}
  virtual void OnItemPolarity(int /*variant*/, int /*nr*/, int /*src*/, float /*amount*/, float /*curve*/,
                              int /*dst*/, int /*polarity*/) {}
  virtual void OnEffectParam(int /*variant*/, const char* /*name*/, int /*index*/, int /*nr*/, int /*one*/,
                             float /*value*/) {}
  // Embedded data: the decoded bytes of the element's own Base64 "Data" (empty when it had
  // none); the callback may take them over. Called only once the document has had a "Data"
  // attribute.
  virtual void OnWavetable(int /*nr*/, const char* /*name*/, const char* /*encoding*/,
                           std::vector<uint8_t>&& /*data*/) {}
  virtual void OnWave(const char* /*name*/, const char* /*encoding*/, std::vector<uint8_t>&& /*data*/) {}
  virtual void OnAttribute(const char* /*name*/, const char* /*value*/) {}
  virtual void OnTag(const char* /*value*/) {}

 protected:
  void OnElementStart(uint32_t tag) override;
  void OnElementEnd(uint32_t tag) override;
  void OnAttributeValue(size_t slot) override;

 private:
  int Nr() const;
  float Real(size_t slot) const;

  bool nrIsOne_ = false;       // the voice-level section numbers its parameters 1 until a new Nr
  bool dataSeen_ = false;      // a "Data" attribute has occurred in this document
  std::vector<uint8_t> data_;  // bytes of the latest "Data" not yet handed to a callback
};
