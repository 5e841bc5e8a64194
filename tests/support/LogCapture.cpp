#include "tests/support/LogCapture.h"

#include <cstring>

#include "platform/LogSink.h"

namespace testing_support {

LogCapture::LogCapture() { platform::SetLogSink(&LogCapture::Sink, this); }

LogCapture::~LogCapture() { platform::SetLogSink(nullptr, nullptr); }

// Several threads (the two engine threads) may log at once: each claims its span first.
void LogCapture::Sink(const char* text, void* self) {
  auto* c = static_cast<LogCapture*>(self);
  const std::size_t n = std::strlen(text);
  const std::size_t at = c->length_.fetch_add(n, std::memory_order_relaxed);
  if (at >= kCapacity) return;
  std::memcpy(c->buffer_ + at, text, n < kCapacity - at ? n : kCapacity - at);
}

std::string LogCapture::Text() const {
  platform::FlushLog();  // lines real-time threads queued
  const std::size_t n = length_.load(std::memory_order_relaxed);
  return std::string(buffer_, n < kCapacity ? n : kCapacity);
}

void LogCapture::Clear() { length_.store(0, std::memory_order_relaxed); }

}  // namespace testing_support
