#include "tests/support/LogCapture.h"

#include <cstring>

#include "platform/LogSink.h"

namespace testing_support {

LogCapture::LogCapture() { platform::SetLogSink(&LogCapture::Sink, this); }

LogCapture::~LogCapture() { platform::SetLogSink(nullptr, nullptr); }

void LogCapture::Sink(const char* text, void* self) {
  auto* c = static_cast<LogCapture*>(self);
  const std::size_t n = std::strlen(text);
  const std::size_t room = kCapacity - c->length_;
  const std::size_t take = n < room ? n : room;
  std::memcpy(c->buffer_ + c->length_, text, take);
  c->length_ += take;
}

std::string LogCapture::Text() const { return std::string(buffer_, length_); }

void LogCapture::Clear() { length_ = 0; }

}  // namespace testing_support
