#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/InstanceLock.h"
#include "testing/ScratchDir.h"

using State = plat::InstanceLock::State;

namespace {

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_RUNTIME_DIR", m_folder.Path().c_str(), 1); }
    void TearDown() override
    {
        if (m_old)
            ::setenv("XDG_RUNTIME_DIR", m_old->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }

    ScratchDir m_folder{ScratchDir::kStayOutside};
    const char* m_set = std::getenv("XDG_RUNTIME_DIR");
    std::optional<std::string> m_old = m_set ? std::optional<std::string>(m_set) : std::nullopt;
};

TEST_F(InstanceLockTest, ASecondGameFailsAtOnceUntilTheFirstLetsGo)
{
    auto first = std::make_unique<plat::InstanceLock>("TESSARANGAME");
    ASSERT_EQ(first->GetState(), State::Held);
    EXPECT_EQ(first->Path(), m_folder.File("TESSARANGAME.lock"));
    EXPECT_EQ(plat::InstanceLock("TESSARANGAME").GetState(), State::AlreadyRunning);
    EXPECT_EQ(plat::InstanceLock("SOMETHINGELSE").GetState(), State::Held);
    // Another process sees the game running too.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(plat::InstanceLock("TESSARANGAME").GetState() == State::AlreadyRunning ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    first.reset();
    EXPECT_EQ(plat::InstanceLock("TESSARANGAME").GetState(), State::Held);
}

TEST_F(InstanceLockTest, WithoutARuntimeFolderTheLockIsInTmpPerUser)
{
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(plat::InstanceLock::PathFor("TESSARANGAME"), "/tmp/TESSARANGAME-" + std::to_string(::getuid()) + ".lock");
}

TEST_F(InstanceLockTest, ARuntimeFolderThatCannotBeUsedIsReported)
{
    ::setenv("XDG_RUNTIME_DIR", m_folder.File("missing").c_str(), 1);
    EXPECT_EQ(plat::InstanceLock("TESSARANGAME").GetState(), State::Unavailable);
}

} // namespace
