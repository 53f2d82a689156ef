// The leak check of a sanitizer build, run at the end of main rather than at
// exit. LeakSanitizer's own check at exit stops the process with a tracer
// thread that now and then crashes on a busy machine ("Tracer caught signal
// 11") after everything passed, and a crashed check cannot be asked again.
// Run in a forked copy of the process, it can.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define OM_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OM_LEAK_CHECK 1
#endif
#endif
#ifndef OM_LEAK_CHECK
#define OM_LEAK_CHECK 0
#endif

namespace plat {

// The outcome of the check: clean also when the build has no leak checker
// or leak detection is switched off.
enum class LeakCheck { kClean, kLeaks, kCouldNotRun };

// Checks for leaks now, in a forked copy of the process (asked again, up to
// three times, when its tracer crashes), or in the process itself when other
// threads are still running, whose stacks a copy would not have. The report
// of any leak goes to standard error as usual.
LeakCheck CheckLeaksNow();

// What main returns: its own code when the check is clean, 1 otherwise.
int ExitCodeAfterLeakCheck(int code);

} // namespace plat

// The file that holds main includes this once: the check at exit is then
// left to CheckLeaksNow, which main calls last.
#if OM_LEAK_CHECK && defined(OM_LEAK_CHECK_IN_MAIN)
extern "C" const char* __lsan_default_options()
{
    return "leak_check_at_exit=0";
}
#endif
