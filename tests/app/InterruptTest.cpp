#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Interrupt.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"

namespace kz7::app {
namespace {

TEST(InterruptTest, CtrlCSetsCancelledAtTheNextYieldAndTheHandlerIsRestored) {
    // What SIGINT did before: the default, or ignored when the tests were
    // started in the background.
    struct sigaction before {};
    ASSERT_EQ(sigaction(SIGINT, nullptr, &before), 0);
    EngineState state;
    {
        InterruptHandler interrupt;
        state.yieldHandler = CancelOnInterrupt(state, interrupt);
        state.Yield();
        EXPECT_FALSE(state.engine->Cancelled);
        ASSERT_EQ(::raise(SIGINT), 0);  // the test goes on: only the flag is set
        EXPECT_TRUE(interrupt.Requested());
        EXPECT_FALSE(state.engine->Cancelled) << "cancelled before the engine yielded";
        state.Yield();
        EXPECT_TRUE(state.engine->Cancelled);
        state.yieldHandler = nullptr;
    }
    struct sigaction current {};
    ASSERT_EQ(sigaction(SIGINT, nullptr, &current), 0);
    EXPECT_EQ(current.sa_handler, before.sa_handler);

    InterruptHandler fresh;
    EXPECT_FALSE(fresh.Requested());
}

TEST(InterruptTest, ASecondCtrlCEndsTheProcess) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        InterruptHandler interrupt;
        ::raise(SIGINT);
        if (!interrupt.Requested()) ::_exit(3);
        ::raise(SIGINT);
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit code " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGINT);
}

}  // namespace
}  // namespace kz7::app
