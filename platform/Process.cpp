#include "platform/Process.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

namespace plat {

void UseCLocale()
{
    std::setlocale(LC_ALL, "C");
    std::setlocale(LC_NUMERIC, "C");
}

namespace {

constexpr const char* kOpener = "xdg-open";

// The opener's full path from PATH, or empty when it is not installed.
std::string FindOnPath(std::string_view program)
{
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        std::string candidate = std::string(folder.empty() ? "." : folder) + "/" + std::string(program);
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

} // namespace

OpenResult OpenWithDesktop(const std::string& document, const std::string& folder)
{
    const std::string opener = FindOnPath(kOpener);
    if (opener.empty()) {
        return OpenResult::kNoOpener;
    }
    // Two forks: the middle process exits at once, so the opener is nobody's
    // child here and leaves no zombie, however long it runs.
    const pid_t middle = fork();
    if (middle < 0) {
        return OpenResult::kFailed;
    }
    if (middle == 0) {
        if (fork() == 0) {
            setsid();
            if (!folder.empty() && chdir(folder.c_str()) != 0) {
                _exit(127);
            }
            execl(opener.c_str(), kOpener, document.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(middle, &status, 0) < 0) {
        if (errno != EINTR) {
            return OpenResult::kFailed;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? OpenResult::kStarted : OpenResult::kFailed;
}

} // namespace plat
