#pragma once
// Log lines printed on real-time paths keep their exact text but go through this sink, so
// tests can capture them and a deployment can move them off the real-time thread.
// Formatting uses a stack buffer: no allocation.
#include <cstdarg>

namespace platform {

using LogSinkFn = void (*)(const char* text, void* context);

// Installs a sink; nullptr restores the default (stdout, line buffered). Threads may log
// meanwhile: each line goes to the old sink or the new one, with that sink's own context.
// Returns once no thread is still inside the old sink, so its context may then be
// destroyed. Not to be called from inside a sink (it would wait for itself).
void SetLogSink(LogSinkFn fn, void* context);

// Formats like printf and hands the text, unchanged, to the sink. Lines longer than
// 1023 bytes are cut.
void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogVPrintf(const char* format, va_list args);
// Hands the text as it stands (no formatting) to the sink.
void LogWrite(const char* text);

// Real-time threads: from this call on, the calling thread's lines are queued in a lock-free
// ring and a background thread of normal priority hands them to the sink, in the order they
// were queued (the thread writes no file and flushes nothing itself). StartThread calls it
// for threads asked to run SCHED_FIFO or SCHED_RR. Starts the background thread on first use.
void DeferThreadLog();
// Starts the background thread (once), from a thread that is not real-time.
void StartLogDrain();
// Hands every queued line to the sink now, on the calling thread (not a real-time one).
// SetLogSink does this first, so queued lines reach the sink that was current when they
// were written.
void FlushLog();
// Lines refused because the ring was full.
unsigned long long LogLinesDropped();

}  // namespace platform
