#include "json/ExecutionGuard.h"

#include <link.h>
#include <setjmp.h>
#include <signal.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace velmora {

namespace {

// After the budget is spent the timer keeps firing at this interval until the
// signal lands inside the engine's code.
constexpr std::chrono::milliseconds kRetryInterval{2};

// The executable segments of the engine's shared library.
struct EngineCode {
  struct Range {
    std::uintptr_t begin = 0;
    std::uintptr_t end = 0;
  };
  static constexpr int kMaxRanges = 8;
  Range ranges[kMaxRanges];
  int count = 0;

  bool contains(std::uintptr_t address) const {
    for (int i = 0; i < count; ++i) {
      if (address >= ranges[i].begin && address < ranges[i].end) return true;
    }
    return false;
  }
};

int collectEngineCode(dl_phdr_info* info, std::size_t, void* data) {
  auto* code = static_cast<EngineCode*>(data);
  if (info->dlpi_name == nullptr || std::strstr(info->dlpi_name, "libduktape") == nullptr) return 0;
  for (int i = 0; i < info->dlpi_phnum && code->count < EngineCode::kMaxRanges; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD || (segment.p_flags & PF_X) == 0) continue;
    const std::uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
    code->ranges[code->count++] = {begin, begin + segment.p_memsz};
  }
  return 1;
}

#if defined(__x86_64__) || defined(__i386__) || defined(__aarch64__)
constexpr bool kKnownCpu = true;
#else
constexpr bool kKnownCpu = false;
#endif

std::uintptr_t interruptedInstruction(void* context) {
  const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
  return static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
  return static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
  return static_cast<std::uintptr_t>(uc->uc_mcontext.pc);
#else
  (void)uc;
  return 0;  // unknown CPU: never inside the engine, so never interrupted
#endif
}

// What the signal handler may read: set once by the process-wide set-up
// before the handler is installed, never changed afterwards.
struct SignalSetup {
  int signal = 0;
  bool ready = false;
  EngineCode engine;
};

const SignalSetup& signalSetup();

// Per-thread state the handler reads. Constant-initialised and trivially
// destructible, so the handler's access to it needs no lazy set-up.
thread_local sigjmp_buf* activeJump = nullptr;
thread_local ExecutionGuard::Outcome exitOutcome = ExecutionGuard::Outcome::Finished;
thread_local timer_t activeTimer{};

itimerspec timerValue(std::chrono::nanoseconds first, std::chrono::nanoseconds interval) {
  itimerspec value{};
  value.it_value.tv_sec = static_cast<time_t>(first.count() / 1000000000);
  value.it_value.tv_nsec = static_cast<long>(first.count() % 1000000000);
  value.it_interval.tv_sec = static_cast<time_t>(interval.count() / 1000000000);
  value.it_interval.tv_nsec = static_cast<long>(interval.count() % 1000000000);
  return value;
}

void onTimer(int, siginfo_t* info, void* context) {
  if (info->si_code != SI_TIMER) return;
  sigjmp_buf* jump = activeJump;
  if (jump == nullptr) return;
  // A signal still queued from an earlier run finds the timer freshly armed
  // with most of its budget left: only a timer in its retry phase counts.
  itimerspec left{};
  if (timer_gettime(activeTimer, &left) != 0) return;
  const auto remaining = std::chrono::seconds(left.it_value.tv_sec) + std::chrono::nanoseconds(left.it_value.tv_nsec);
  if (left.it_interval.tv_sec == 0 && left.it_interval.tv_nsec == 0) return;
  if (remaining > kRetryInterval) return;
  if (!signalSetup().engine.contains(interruptedInstruction(context))) return;
  activeJump = nullptr;
  exitOutcome = ExecutionGuard::Outcome::OutOfTime;
  siglongjmp(*jump, 1);
}

const SignalSetup& signalSetup() {
  static const SignalSetup setup = [] {
    SignalSetup result;
    dl_iterate_phdr(collectEngineCode, &result.engine);
    if (result.engine.count == 0 || !kKnownCpu) return result;
    // A real-time signal nobody else in the process has claimed.
    for (int candidate = SIGRTMAX - 3; candidate > SIGRTMIN + 2; --candidate) {
      struct sigaction previous {};
      if (sigaction(candidate, nullptr, &previous) != 0) continue;
      const bool unclaimed = (previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler == SIG_DFL;
      if (!unclaimed) continue;
      result.signal = candidate;
      break;
    }
    return result;
  }();
  return setup;
}

// Installs the handler once per process.
bool installHandler() {
  static const bool installed = [] {
    const SignalSetup& setup = signalSetup();
    if (setup.signal == 0) return false;
    struct sigaction action {};
    action.sa_sigaction = onTimer;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    return sigaction(setup.signal, &action, nullptr) == 0;
  }();
  return installed;
}

// The calling thread's CPU-time timer, created on first use and deleted when
// the thread ends.
class ThreadTimer {
 public:
  ThreadTimer() {
    if (!installHandler()) return;
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = signalSetup().signal;
    event._sigev_un._tid = gettid();
    ready_ = timer_create(CLOCK_THREAD_CPUTIME_ID, &event, &timer_) == 0;
  }
  ~ThreadTimer() {
    if (ready_) timer_delete(timer_);
  }
  ThreadTimer(const ThreadTimer&) = delete;
  ThreadTimer& operator=(const ThreadTimer&) = delete;

  bool ready() const { return ready_; }
  timer_t id() const { return timer_; }

  void arm(std::chrono::milliseconds budget) {
    const auto first = std::max<std::chrono::nanoseconds>(budget, std::chrono::milliseconds(1));
    const itimerspec value = timerValue(first, kRetryInterval);
    timer_settime(timer_, 0, &value, nullptr);
  }
  void disarm() {
    const itimerspec value{};
    timer_settime(timer_, 0, &value, nullptr);
  }

 private:
  timer_t timer_{};
  bool ready_ = false;
};

ThreadTimer* threadTimer() {
  thread_local ThreadTimer timer;
  return timer.ready() ? &timer : nullptr;
}

}  // namespace

ExecutionGuard::Outcome ExecutionGuard::run(std::chrono::milliseconds budget, void (*work)(void*),
                                            void* context) {
  ThreadTimer* const timer = threadTimer();
  if (activeJump != nullptr) {
    work(context);
    return Outcome::Finished;
  }
  sigjmp_buf jump;
  if (sigsetjmp(jump, 1) != 0) {
    if (timer != nullptr) timer->disarm();
    return exitOutcome;
  }
  exitOutcome = Outcome::Finished;
  if (timer != nullptr) activeTimer = timer->id();
  activeJump = &jump;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (timer != nullptr) timer->arm(budget);
  work(context);
  if (timer != nullptr) timer->disarm();
  std::atomic_signal_fence(std::memory_order_seq_cst);
  activeJump = nullptr;
  return Outcome::Finished;
}

void ExecutionGuard::abandon() {
  sigjmp_buf* jump = activeJump;
  if (jump == nullptr) std::abort();
  activeJump = nullptr;
  exitOutcome = Outcome::Abandoned;
  siglongjmp(*jump, 1);
}

bool ExecutionGuard::timeLimitAvailable() { return threadTimer() != nullptr; }

}  // namespace velmora
