#include "platform/LeakCheck.h"

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#if OM_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace plat {

namespace {

#if OM_LEAK_CHECK
// The forked copy's exit codes; anything else (the sanitizer's own fatal
// error, a signal) means the check itself failed and may be asked again.
constexpr int kCopyClean = 0;
constexpr int kCopyFoundLeaks = 42;
constexpr int kAttempts = 3;

int CountThreads()
{
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return -1;
    int count = 0;
    while (const dirent* entry = readdir(tasks))
        if (entry->d_name[0] != '.')
            ++count;
    closedir(tasks);
    return count;
}

LeakCheck CheckInForkedCopy()
{
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        std::fflush(nullptr); // the copy must not write our buffered output again
        const pid_t copy = fork();
        if (copy < 0)
            break;
        if (copy == 0)
            _exit(__lsan_do_recoverable_leak_check() ? kCopyFoundLeaks : kCopyClean);
        int status = 0;
        while (waitpid(copy, &status, 0) < 0) {
        }
        if (WIFEXITED(status) && WEXITSTATUS(status) == kCopyClean)
            return LeakCheck::kClean;
        if (WIFEXITED(status) && WEXITSTATUS(status) == kCopyFoundLeaks)
            return LeakCheck::kLeaks;
        std::fprintf(stderr, "The leak check failed to run (attempt %d of %d)%s\n", attempt, kAttempts,
                     attempt < kAttempts ? "; asking again" : "");
    }
    return LeakCheck::kCouldNotRun;
}
#endif

} // namespace

LeakCheck CheckLeaksNow()
{
#if OM_LEAK_CHECK
    if (CountThreads() == 1)
        return CheckInForkedCopy();
    // Other threads' stacks may hold the only pointer to a block: only the
    // process itself can see them. A leak here ends the process, as at exit.
    __lsan_do_leak_check();
#endif
    return LeakCheck::kClean;
}

int ExitCodeAfterLeakCheck(int code)
{
    return CheckLeaksNow() == LeakCheck::kClean ? code : 1;
}

} // namespace plat
