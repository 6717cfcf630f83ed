#pragma once
// Runs one piece of script-engine work under a CPU-time budget.
//
// The engine (Debian's Duktape build) has no interrupt hook, so a script such
// as "while(1){}" could otherwise never be stopped. The guard arms a per-thread
// CPU-time timer whose signal leaves the work by siglongjmp, but only when the
// interrupted instruction lies inside the engine's own code: the engine holds
// no locks and calls back into nothing of ours there, so leaving it is sound,
// whereas an instruction in the C library or in our allocator could hold a
// lock or be halfway through a list update. When the signal lands elsewhere
// it simply returns, and the timer fires again two milliseconds later.
//
// Work that was left part-way leaves its engine heap in an unknown state: the
// caller must never use that heap again and releases its memory wholesale
// (HeapMemory::releaseAll). The same exit serves the engine's fatal-error
// handler through abandon().
//
// Where the timer cannot be had (another user of the signal, an unknown CPU,
// a statically linked engine) work runs without a time limit.
#include <chrono>

namespace velmora {

class ExecutionGuard {
 public:
  enum class Outcome { Finished, OutOfTime, Abandoned };

  // Runs work(context). Work must not keep objects with destructors alive
  // across engine calls, because an early exit skips them. Runs do not nest:
  // a run started inside another one goes without a limit of its own.
  static Outcome run(std::chrono::milliseconds budget, void (*work)(void*), void* context);

  // Leaves the running work at once with Outcome::Abandoned; aborts the
  // process when no guarded work is running on this thread (the engine was
  // then used outside a guard, which is a programming error).
  [[noreturn]] static void abandon();

  // True when run() can enforce its budget on this thread.
  static bool timeLimitAvailable();
};

}  // namespace velmora
