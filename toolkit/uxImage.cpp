#include "toolkit/uxImage.h"

uxImage::uxImage(uxHost* manager, uxPOINT pos, const char* file, const std::string& directory)
    : uxBaseElement(manager, -1, 0, "Image") {
  Place(pos, dc_ ? dc_->loadImage(file, directory) : -1);
}

uxImage::uxImage(uxHost* manager, uxPOINT pos, const char* file) : uxBaseElement(manager, -1, 0, "Image") {
  Place(pos, dc_ ? dc_->loadImage(file) : -1);
}

void uxImage::Place(uxPOINT pos, int index) {
  images_.push_back(index);
  if (dc_) dc_->getImageRef(index, &shown_);
  rect_ = uxRECT(pos.x, pos.y, pos.x + shown_.width, pos.y + shown_.height, shown_.width, shown_.height);
  repaint_ = true;
  enabled_ = true;
}

int uxImage::addImage(const char* file) {
  const int index = dc_ ? dc_->loadImage(file) : -1;
  if (index == -1) return -1;
  images_.push_back(index);
  return static_cast<int>(images_.size() - 1);
}

void uxImage::showImage(int n) {
  // Compared unsigned, so a negative n is beyond the list as well.
  if (static_cast<std::size_t>(static_cast<unsigned>(n)) >= images_.size()) return;
  if (!dc_ || !dc_->getImageRef(images_[n], &shown_)) {
    shown_.data = nullptr;
    shown_.width = shown_.height = 0;
  }
  shownIndex_ = n;
  repaint_ = true;
}

int uxImage::OnPaint() {
  if (!enabled_ || !repaint_ || !dc_) return 0;
  dc_->BeginPaint(static_cast<int16_t>(rect_.left), static_cast<int16_t>(rect_.top),
                  static_cast<int16_t>(rect_.width), static_cast<int16_t>(rect_.height));
  dc_->DrawImage(0, 0, &shown_);
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}
