#pragma once
// The container every page, group, keyboard and table derives from: a rectangle with a
// background colour or image, an optional 40-pixel caption with name, type name, icon and
// close box, and an ordered list of children it owns, paints after itself and messages.
#include <mutex>
#include <string>
#include <vector>

#include "toolkit/uxBaseElement.h"

class uxPanelCtrl : public uxBaseElement {
 public:
  uxPanelCtrl(uxHost* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
              uxCOLOR background, int options = 0);
  // A panel that shows one image from the image directory and nothing else.
  uxPanelCtrl(uxHost* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, const char* image);
  ~uxPanelCtrl() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  void SetFocus(bool focus) override;
  virtual void Clear();

  // The panel owns e from now on.
  void AddElement(uxBaseElement* e) { elements_.push_back(e); }
  std::vector<uxBaseElement*>* GetElementList() { return &elements_; }
  void SetTypeName(const char* text, bool repaintCaption = false);
  void SetCaptionIcon(const char* image, uxPOINT pos, bool repaintCaption = false);
  void SetActive(int) {}
  void Close(bool sendFocus = true);

 protected:
  uxCOLOR background_ = 0;
  int captionIcon_ = -1;
  int captionIconX_ = 0;
  int captionIconY_ = 0;
  std::vector<uxBaseElement*> elements_;
  std::string typeName_;
  int backgroundImage_ = -1;
  int options_ = 0;
  bool captionRepaint_ = false;
  // Recursive, so that a page clearing itself from inside a child's paint cannot deadlock.
  std::recursive_mutex elementLock_;

 private:
  void PaintBackground();
  void PaintCaption();
  void DrawImageAt(int index, int x, int y);
};
