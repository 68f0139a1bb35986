#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>

#include <cstdlib>
#include <string>

#include "Commands.h"
#include "ResultDatabaseFixture.h"
#include "RunSession.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"

namespace kz7::app {
namespace {

// The session's messages, captured in memory (not a terminal: no bar).
class RunSessionTest : public ResultDatabaseFixture {
  protected:
    void SetUp() override {
        ResultDatabaseFixture::SetUp();
        messages = open_memstream(&buffer, &size);
    }
    void TearDown() override {
        std::fclose(messages);
        std::free(buffer);
        ResultDatabaseFixture::TearDown();
    }
    std::string Messages() {
        std::fflush(messages);
        return std::string(buffer, size);
    }
    std::string StatusAndNote() {
        ResultDatabase database(file, ResultDatabase::Access::ReadOnly);
        return Text(database.Connection(), "SELECT status || '|' || ifnull(note, '') FROM runs");
    }

    EngineState state;
    std::FILE* messages = nullptr;
    char* buffer = nullptr;
    size_t size = 0;
};

TEST_F(RunSessionTest, AFinishedRunStoresItsRecordsAndShowsTheMessages) {
    {
        ResultDatabase database(file);
        RunSession session(state, database, {"simulate", "cell.kz7", "london.epw"}, false,
                           messages);
        session.OnMessage("Reading weather");
        session.OnProgress(0.5f);
        session.OnRecord(2, 1, {"", "21.5"}, 37622.0);
        session.OnMessage("finished");
        EXPECT_EQ(session.Finish(), kExitOk);
        EXPECT_EQ(session.Run().RecordCount(), 1);
    }
    EXPECT_EQ(Messages(), "Reading weather\nfinished\n");
    EXPECT_EQ(StatusAndNote(), "finished|");
}

TEST_F(RunSessionTest, CtrlCCancelsTheEngineAtItsNextYieldAndTheRunEndsCancelled) {
    {
        ResultDatabase database(file);
        RunSession session(state, database, {"simulate", "cell.kz7", ""}, true, messages);
        state.yieldHandler = session.YieldHandler();
        session.OnRecord(2, 1, {"", "21.5"}, 37622.0);
        ASSERT_EQ(::raise(SIGINT), 0);
        state.Yield();
        EXPECT_TRUE(state.engine->Cancelled);
        EXPECT_EQ(session.Finish(), kExitCancelled);
        state.yieldHandler = nullptr;
    }
    EXPECT_EQ(StatusAndNote(), "cancelled|");
    EXPECT_EQ(Messages(), "");
}

// The engine cancels a run itself when its set-up fails: that is a failure,
// not the user's cancellation.
TEST_F(RunSessionTest, ARunTheEngineStoppedEndsFailedWithItsLastError) {
    {
        ResultDatabase database(file);
        RunSession session(state, database, {"simulate", "cell.kz7", "gone.epw"}, true, messages);
        state.errorHandler = session.ErrorHandler();
        state.ShowError("Error opening gone.epw");
        state.engine->Cancelled = true;
        EXPECT_EQ(session.Finish(), kExitFailed);
    }
    EXPECT_EQ(StatusAndNote(), "failed|Error opening gone.epw");
    EXPECT_EQ(Messages(), "Error: Error opening gone.epw\n");
}

TEST_F(RunSessionTest, AFailedRunKeepsItsReason) {
    {
        ResultDatabase database(file);
        RunSession session(state, database, {"heatgain", "cell.kz7", ""}, true, messages);
        EXPECT_EQ(session.Fail("cell.kz7: the model failed to read"), kExitFailed);
    }
    EXPECT_EQ(StatusAndNote(), "failed|cell.kz7: the model failed to read");
    EXPECT_EQ(Messages(), "cell.kz7: the model failed to read\n");
}

}  // namespace
}  // namespace kz7::app
