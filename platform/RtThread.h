#pragma once
// Starts the appliance's named worker threads with the scheduling they ask for: a policy and
// priority set explicitly (not inherited from the starter), optionally pinned to one CPU.
// The same code runs on the 4-core board and on development machines and CI with fewer or
// more cores, and without the right to real-time scheduling:
// - CPU n is taken modulo the online CPUs (identical on the board);
// - when the kernel refuses the real-time policy the thread still starts, as SCHED_OTHER
//   at priority 0;
// - SCHED_IDLE, which some libcs refuse as an attribute, is applied after creation.
#include <pthread.h>

namespace platform {

struct ThreadConfig {
  const char* name;  // at most 15 characters: the kernel's limit for a thread name
  int policy;        // SCHED_FIFO, SCHED_RR, SCHED_OTHER or SCHED_IDLE
  int priority;      // within the policy's range; 0 for SCHED_OTHER and SCHED_IDLE
  int cpu;           // -1: any CPU
};

// What happened while starting. Callers print the steps that failed in their own words;
// a failed attribute step other than the initialisation does not stop the start.
struct ThreadStart {
  bool started = false;
  bool attrInitFailed = false;  // nothing was started
  int createError = 0;          // pthread_create's error when nothing was started
  int getParamsError = 0;
  int setPolicyError = 0;
  int setPriorityError = 0;
  int setExplicitError = 0;
  bool fellBack = false;        // running as SCHED_OTHER 0 instead of the asked policy
};

ThreadStart StartThread(pthread_t& thread, const ThreadConfig& config, void* (*entry)(void*),
                        void* arg);

// The policy and priority a thread actually runs with.
void ThreadSchedule(pthread_t thread, int& policy, int& priority);

// Maps a CPU number of the board onto this machine's online CPUs.
int MapCpu(int cpu);

}  // namespace platform
