// The program's process keeps its memory out of core files.
#include "ProcessGuard.h"

#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(ProcessGuard, TheProcessIsNotDumpableAndWritesNoCore) {
    // In a child, so that the test program itself stays as it was.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool done = quorvane::ForbidCoreDumps();
        rlimit core{};
        getrlimit(RLIMIT_CORE, &core);
        const int status = done && prctl(PR_GET_DUMPABLE) == 0 && core.rlim_cur == 0 ? 0 : 1;
        _exit(status);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
