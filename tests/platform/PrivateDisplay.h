// An X server of a test's own, for tests that change what a server holds (its
// keyboard layout) or take the focus (the game full screen): on the shared
// display they would touch what other tests type on. The server picks a free
// display number itself and writes it down once it takes connections (so
// parallel runs never meet on one number), and does not reset when its last
// client leaves (a layout set by one client outlives it; the game reconnects
// during start-up). The wait for it has a limit, so a server that cannot start
// fails the test with what it printed rather than holding it until the suite's
// limit.
#pragma once

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace testwin {

// The whole of a text file; empty when it cannot be read.
inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class PrivateDisplay {
public:
    // screen: Xvfb's "WIDTHxHEIGHTxDEPTH" of screen 0.
    explicit PrivateDisplay(const std::string& screen)
    {
        char logName[] = "/tmp/om-xvfb-XXXXXX";
        const int log = mkstemp(logName);
        int ready[2];
        if (log < 0 || pipe(ready) != 0)
            return;
        m_logName = logName;
        const std::string fd = std::to_string(ready[1]); // made before the fork: the child only execs
        m_pid = fork();
        if (m_pid == 0) {
            close(ready[0]);
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0",
                   screen.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(log);
        close(ready[1]);
        std::string number;
        char c = 0;
        pollfd wait{ready[0], POLLIN, 0};
        while (m_pid > 0 && poll(&wait, 1, 60000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(ready[0]);
        if (c == '\n' && !number.empty())
            m_name = ":" + number;
    }
    ~PrivateDisplay()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (!m_logName.empty())
            unlink(m_logName.c_str());
    }
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // The DISPLAY value (":N"); empty when the server did not start.
    const std::string& Name() const { return m_name; }

    // What the server printed, for a failure message.
    std::string Log() const { return ReadText(m_logName); }

private:
    pid_t m_pid = -1;
    std::string m_name;
    std::string m_logName;
};

} // namespace testwin
