#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/InstanceLock.h"
#include "tests/platform/TempFolder.h"

namespace fs = std::filesystem;
using State = plat::InstanceLock::State;

namespace {

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        hadRuntime_ = old != nullptr;
        oldRuntime_ = old ? old : "";
        ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    }
    void TearDown() override
    {
        if (hadRuntime_)
            ::setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }

    testfs::TempFolder folder_{"om_lock"};
    const fs::path& dir_ = folder_.Root();
    bool hadRuntime_ = false;
    std::string oldRuntime_;
};

TEST_F(InstanceLockTest, SecondHolderFailsAtOnceUntilTheFirstLetsGo)
{
    auto first = std::make_unique<plat::InstanceLock>("TESSARANGAME");
    ASSERT_EQ(first->GetState(), State::Held);
    EXPECT_EQ(first->Path(), (dir_ / "TESSARANGAME.lock").string());

    plat::InstanceLock second("TESSARANGAME");
    EXPECT_EQ(second.GetState(), State::AlreadyRunning);

    plat::InstanceLock other("SOMETHINGELSE");
    EXPECT_EQ(other.GetState(), State::Held);

    first.reset();
    plat::InstanceLock third("TESSARANGAME");
    EXPECT_EQ(third.GetState(), State::Held);
}

TEST_F(InstanceLockTest, AnotherProcessSeesTheGameRunning)
{
    plat::InstanceLock mine("TESSARANGAME");
    ASSERT_EQ(mine.GetState(), State::Held);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        plat::InstanceLock theirs("TESSARANGAME");
        ::_exit(theirs.GetState() == State::AlreadyRunning ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(InstanceLockTest, FallsBackToTmpPerUserAndReportsAnUnusableFolder)
{
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(plat::InstanceLock::PathFor("TESSARANGAME"),
              "/tmp/TESSARANGAME-" + std::to_string(::getuid()) + ".lock");

    ::setenv("XDG_RUNTIME_DIR", (dir_ / "missing").c_str(), 1);
    plat::InstanceLock lock("TESSARANGAME");
    EXPECT_EQ(lock.GetState(), State::Unavailable);
}

} // namespace
