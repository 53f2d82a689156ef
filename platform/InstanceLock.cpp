#include "platform/InstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace plat {

std::string InstanceLock::PathFor(std::string_view name)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        return std::string(runtime) + "/" + std::string(name) + ".lock";
    }
    // /tmp is shared by every user; one user's game must not stop another's.
    return "/tmp/" + std::string(name) + "-" + std::to_string(::getuid()) + ".lock";
}

InstanceLock::InstanceLock(std::string_view name) : path_(PathFor(name))
{
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        return;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        state_ = State::Held;
        return;
    }
    state_ = errno == EWOULDBLOCK ? State::AlreadyRunning : State::Unavailable;
    ::close(fd_);
    fd_ = -1;
}

InstanceLock::~InstanceLock()
{
    Release();
}

void InstanceLock::Release()
{
    if (fd_ >= 0) {
        // The file stays: removing it would let a third copy lock a new file
        // while a second still waits on the old one.
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace plat
