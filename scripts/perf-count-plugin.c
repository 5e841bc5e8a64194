/* Instruction counter for qemu-arm (-plugin): counts the guest instructions executed
 * between calls of bench::CountBegin and bench::CountEnd (see bench/BenchPeriod.h), as
 * callgrind counts inside bench::CountedRegion on the host, and prints
 * "counted <instructions> <regions> <largest region>" at exit. Debian's qemu-user has plugin support but
 * ships neither plugins nor their header, so the few entry points used are declared here
 * (QEMU plugin API version 1, as in QEMU 7.2). A translated block is counted whole.
 *
 * With the argument "span=on" the count runs from the first CountBegin to the last CountEnd
 * over every thread, and "<regions>" is the number of regions in that span: the form for
 * work that other threads do in step with the counted one but not inside its regions (the
 * engine threads render the next period while the audio thread mixes this one). */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

typedef uint64_t qemu_plugin_id_t;
struct qemu_plugin_tb;
struct qemu_plugin_insn;
struct qemu_info_t;
enum { kCallbackNoRegisters = 0 };

extern void qemu_plugin_register_vcpu_tb_trans_cb(qemu_plugin_id_t, void (*)(qemu_plugin_id_t, struct qemu_plugin_tb*));
extern void qemu_plugin_register_vcpu_tb_exec_cb(struct qemu_plugin_tb*, void (*)(unsigned, void*), int, void*);
extern size_t qemu_plugin_tb_n_insns(const struct qemu_plugin_tb*);
extern struct qemu_plugin_insn* qemu_plugin_tb_get_insn(const struct qemu_plugin_tb*, size_t);
extern const char* qemu_plugin_insn_symbol(const struct qemu_plugin_insn*);
extern void qemu_plugin_register_atexit_cb(qemu_plugin_id_t, void (*)(qemu_plugin_id_t, void*), void*);
extern void qemu_plugin_outs(const char*);

__attribute__((visibility("default"))) int qemu_plugin_version = 1;

/* One thread opens and closes the counted region; blocks of every thread count while it is
 * open, so work the region's thread hands to others and waits for (the audio period's
 * engine threads) is counted with it. Guest threads run in parallel, hence the atomics. */
static int counting;
static int span;
static uint64_t counted;
static uint64_t counted_at_end;
static uint64_t regions;
static uint64_t regionStart;
static uint64_t largest;

static void OnBlock(unsigned vcpu, void* instructions) {
  (void)vcpu;
  if (__atomic_load_n(&counting, __ATOMIC_RELAXED))
    __atomic_fetch_add(&counted, (uintptr_t)instructions, __ATOMIC_RELAXED);
}
static void OnBegin(unsigned vcpu, void* unused) {
  (void)vcpu;
  (void)unused;
  __atomic_store_n(&counting, 1, __ATOMIC_RELAXED);
  __atomic_fetch_add(&regions, 1, __ATOMIC_RELAXED);
  regionStart = __atomic_load_n(&counted, __ATOMIC_RELAXED);
}
static void OnEnd(unsigned vcpu, void* unused) {
  (void)vcpu;
  (void)unused;
  const uint64_t now = __atomic_load_n(&counted, __ATOMIC_RELAXED);
  if (now - regionStart > largest) largest = now - regionStart;
  if (span)
    __atomic_store_n(&counted_at_end, now, __ATOMIC_RELAXED);
  else
    __atomic_store_n(&counting, 0, __ATOMIC_RELAXED);
}

static void OnTranslate(qemu_plugin_id_t id, struct qemu_plugin_tb* tb) {
  (void)id;
  const size_t n = qemu_plugin_tb_n_insns(tb);
  const char* symbol = n ? qemu_plugin_insn_symbol(qemu_plugin_tb_get_insn(tb, 0)) : NULL;
  if (symbol && strstr(symbol, "CountBegin")) qemu_plugin_register_vcpu_tb_exec_cb(tb, OnBegin, kCallbackNoRegisters, NULL);
  if (symbol && strstr(symbol, "CountEnd")) qemu_plugin_register_vcpu_tb_exec_cb(tb, OnEnd, kCallbackNoRegisters, NULL);
  qemu_plugin_register_vcpu_tb_exec_cb(tb, OnBlock, kCallbackNoRegisters, (void*)(uintptr_t)n);
}

static void OnExit(qemu_plugin_id_t id, void* unused) {
  (void)id;
  (void)unused;
  char line[96];
  snprintf(line, sizeof line, "counted %llu %llu %llu\n", (unsigned long long)(span ? counted_at_end : counted),
           (unsigned long long)regions, (unsigned long long)largest);
  qemu_plugin_outs(line);
}

__attribute__((visibility("default"))) int qemu_plugin_install(qemu_plugin_id_t id, const struct qemu_info_t* info,
                                                               int argc, char** argv) {
  (void)info;
  for (int i = 0; i < argc; ++i) span |= strcmp(argv[i], "span=on") == 0;
  qemu_plugin_register_vcpu_tb_trans_cb(id, OnTranslate);
  qemu_plugin_register_atexit_cb(id, OnExit, NULL);
  return 0;
}
