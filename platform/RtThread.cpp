#include "platform/RtThread.h"

#include <sched.h>
#include <unistd.h>

#include <cerrno>

#include "platform/LogSink.h"

namespace platform {
namespace {

// A real-time thread's lines go through the log ring from its first instruction on.
struct RealTimeStart {
  void* (*entry)(void*);
  void* arg;
};

void* RealTimeEntry(void* start) {
  const RealTimeStart s = *static_cast<RealTimeStart*>(start);
  delete static_cast<RealTimeStart*>(start);
  DeferThreadLog();
  return s.entry(s.arg);
}

bool TryCreate(pthread_t& thread, const ThreadConfig& config, int policy, int priority,
               void* (*entry)(void*), void* arg, ThreadStart& report, int& error) {
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) {
    report.attrInitFailed = true;
    return false;
  }
  sched_param param{};
  if (int e = pthread_attr_getschedparam(&attr, &param)) report.getParamsError = e;
  if (int e = pthread_attr_setschedpolicy(&attr, policy)) report.setPolicyError = e;
  param.sched_priority = priority;
  if (int e = pthread_attr_setschedparam(&attr, &param)) report.setPriorityError = e;
  if (int e = pthread_attr_setinheritsched(&attr, PTHREAD_EXPLICIT_SCHED))
    report.setExplicitError = e;
  if (config.cpu >= 0) {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(MapCpu(config.cpu), &set);
    pthread_attr_setaffinity_np(&attr, sizeof set, &set);
  }
  error = pthread_create(&thread, &attr, entry, arg);
  pthread_attr_destroy(&attr);
  return error == 0;
}

}  // namespace

int MapCpu(int cpu) {
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? cpu % static_cast<int>(online) : 0;
}

ThreadStart StartThread(pthread_t& thread, const ThreadConfig& config, void* (*entry)(void*),
                        void* arg) {
  ThreadStart report;
  const bool idle = config.policy == SCHED_IDLE;
  const int policy = idle ? SCHED_OTHER : config.policy;
  const int priority = idle ? 0 : config.priority;
  int error = 0;
  const bool realTime = policy == SCHED_FIFO || policy == SCHED_RR;
  RealTimeStart* start = nullptr;
  if (realTime) {
    StartLogDrain();  // here, so the new thread does not start it
    start = new RealTimeStart{entry, arg};
    entry = &RealTimeEntry;
    arg = start;
  }
  if (TryCreate(thread, config, policy, priority, entry, arg, report, error)) {
    report.started = true;
  } else if (report.attrInitFailed) {
    delete start;
    return report;
  } else if ((error == EPERM || error == EINVAL) && policy != SCHED_OTHER) {
    // No right to real-time scheduling here (an unprivileged development machine): run the
    // same code at normal priority rather than not at all.
    ThreadStart retry;
    if (TryCreate(thread, config, SCHED_OTHER, 0, entry, arg, retry, error)) {
      report.started = true;
      report.fellBack = true;
    }
  }
  if (!report.started) {
    delete start;
    report.createError = error;
    return report;
  }
  if (idle) {
    sched_param param{};
    pthread_setschedparam(thread, SCHED_IDLE, &param);
  }
  if (config.name) pthread_setname_np(thread, config.name);
  return report;
}

void ThreadSchedule(pthread_t thread, int& policy, int& priority) {
  sched_param param{};
  if (pthread_getschedparam(thread, &policy, &param) != 0) {
    policy = -1;
    priority = -1;
    return;
  }
  priority = param.sched_priority;
}

}  // namespace platform
