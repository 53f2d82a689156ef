// One running copy of the game per user: a named lock that a second copy
// cannot take. It is an exclusive lock on the file "<name>.lock" in the
// runtime folder ($XDG_RUNTIME_DIR, else /tmp with the user id in the name),
// held for as long as the object lives, and freed by the system if the
// process dies.
#pragma once

#include <string>
#include <string_view>

namespace plat {

class InstanceLock {
public:
    enum class State {
        Held,           // this copy is the only one
        AlreadyRunning, // another holder has it
        Unavailable,    // the lock file could not be made; nothing is known
    };

    explicit InstanceLock(std::string_view name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State GetState() const { return state_; }
    const std::string& Path() const { return path_; }

    // Lets go early; the destructor does the same.
    void Release();

    static std::string PathFor(std::string_view name);

private:
    int fd_ = -1;
    State state_ = State::Unavailable;
    std::string path_;
};

} // namespace plat
