#pragma once
// What widget tests share: an initialised drawing context on a memory framebuffer, a
// recording host, an empty theme, and a child element that counts what its container does
// to it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/MemoryFrameBuffer.h"
#include "tests/support/LogCapture.h"
#include "tests/toolkit/support/DrawRecorder.h"
#include "tests/toolkit/support/FakeHost.h"
#include "toolkit/CTheme.h"
#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"

namespace toolkit_test {

class WidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CTheme::AppColors.clear();
    ASSERT_EQ(dc_.Init(), 0);
  }
  void TearDown() override { CTheme::AppColors.clear(); }

  // Calls of one kind, in order.
  std::vector<std::string> Calls(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& c : host_.calls)
      if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
    return out;
  }

  testing_support::LogCapture log_;
  platform::MemoryFrameBuffer fb_;
  uxDC dc_{&fb_};
  FakeHost host_{&dc_};
};

// A child that logs what happens to it into a shared journal ("paint a", "invalidate a",
// "message a 259/2", "delete a").
class Probe : public uxBaseElement {
 public:
  Probe(uxHost* host, std::string tag, std::vector<std::string>* journal)
      : uxBaseElement(host, -1, 0, tag.c_str()), tag_(std::move(tag)), journal_(journal) {}
  ~Probe() override { journal_->push_back("delete " + tag_); }
  int OnPaint() override {
    journal_->push_back("paint " + tag_);
    return 0;
  }
  void invalidate() override { journal_->push_back("invalidate " + tag_); }
  int OnMessage(tagUX_Message* msg) override {
    uxBaseElement::OnMessage(msg);
    journal_->push_back("message " + tag_ + " " + std::to_string(msg->type) + "/" + std::to_string(msg->param));
    return result;
  }
  void SetFocus(bool focus) override {
    uxBaseElement::SetFocus(focus);
    journal_->push_back(std::string("focus ") + tag_ + (focus ? " on" : " off"));
  }
  int result = 0;

 private:
  std::string tag_;
  std::vector<std::string>* journal_;
};

// Touch records as the managers deliver them.
inline tagUX_Message Touch(int x, int y, int type) { return tagUX_Message(UX_MSG_TOUCH_EVENT, x, y, type); }

}  // namespace toolkit_test
