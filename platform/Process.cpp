#include "platform/Process.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>
#include <sys/stat.h>
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

} // namespace

std::string FindProgram(std::string_view name)
{
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        std::string candidate = std::string(folder.empty() ? "." : folder) + "/" + std::string(name);
        if (IsProgram(candidate)) {
            return candidate;
        }
    }
    return {};
}

bool IsProgram(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

OpenResult OpenWithDesktop(const std::string& document, const std::string& folder)
{
    const std::string opener = FindProgram(kOpener);
    if (opener.empty()) {
        return OpenResult::kNoOpener;
    }
    return StartProgram(opener, {document}, folder);
}

OpenResult StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& folder)
{
    // The argument list is built before forking: the child only calls what
    // is safe there.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    // Two forks: the middle process exits at once, so the program is nobody's
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
            execv(program.c_str(), argv.data());
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
