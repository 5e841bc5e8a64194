#pragma once
// Records the drawing calls a widget makes, so layout checks can name coordinates, fonts and
// colours rather than pixels: attach with uxDC::SetDrawObserver, then look the calls up by name.
#include <string>
#include <vector>

#include "toolkit/uxDC.h"

namespace toolkit_test {

class DrawRecorder : public uxDrawObserver {
 public:
  explicit DrawRecorder(uxDC& dc) : dc_(dc) { dc_.SetDrawObserver(this); }
  ~DrawRecorder() override { dc_.SetDrawObserver(nullptr); }
  DrawRecorder(const DrawRecorder&) = delete;
  DrawRecorder& operator=(const DrawRecorder&) = delete;

  void OnDraw(const uxDrawCall& call) override { calls.push_back(call); }
  std::vector<uxDrawCall> Named(const std::string& op) const {
    std::vector<uxDrawCall> out;
    for (const uxDrawCall& c : calls)
      if (op == c.op) out.push_back(c);
    return out;
  }

  std::vector<uxDrawCall> calls;

 private:
  uxDC& dc_;
};

}  // namespace toolkit_test
