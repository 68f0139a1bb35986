#include <gtest/gtest.h>

#include <vector>
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
        session.OnMessage("Setting up KZ7 circuits");  // once per zone: shown once
        session.OnMessage("Setting up KZ7 circuits");
        session.OnProgress(0.5f);
        const std::vector<float> values{21.5f};
        session.OnRecord({2, 1, values, 37622.0, 37622.0});
        // Errors that differ only in their numbers are one kind: the first
        // few are shown, the rest counted at the end.
        for (int hour = 1; hour <= 5; ++hour)
            session.OnError("No weather data for " + std::to_string(hour) + ":00 1/1");
        session.OnError("Error opening shade.csv");
        session.OnMessage("finished");
        EXPECT_EQ(
            session.Finish("the model: 1 error, 0 warnings, the first: Zone 9 has no elements"),
            kExitOk);
        EXPECT_EQ(session.Run().RecordCount(), 1);
        EXPECT_EQ(session.ErrorCount(), 6);
    }
    EXPECT_EQ(Messages(),
              "Reading weather\nSetting up KZ7 circuits\n"
              "Error: No weather data for 1:00 1/1\nError: No weather data for 2:00 1/1\n"
              "Error: No weather data for 3:00 1/1\nError: Error opening shade.csv\nfinished\n"
              "kz7: 2 more errors like \"No weather data for 4:00 1/1\" were not shown\n");
    // Finished, with the model's errors and the run's in the note.
    EXPECT_EQ(StatusAndNote(),
              "finished|the model: 1 error, 0 warnings, the first: Zone 9 has no elements; "
              "6 errors during the run, the first: No weather data for 1:00 1/1");
}

// The engine cancels a run itself when its set-up fails: that is a failure
// with the engine's last error as its note, not the user's cancellation. A
// failure the host finds keeps its own reason.
TEST_F(RunSessionTest, FailedRunsKeepTheirReason) {
    ResultDatabase database(file);
    {
        RunSession stopped(state, database, {"simulate", "cell.kz7", "gone.epw"}, true, messages);
        state.errorHandler = stopped.ErrorHandler();
        state.ShowError("Error opening gone.epw");
        state.engine->Cancelled = true;
        EXPECT_EQ(stopped.Finish(), kExitFailed);
        state.errorHandler = nullptr;
    }
    {
        RunSession failed(state, database, {"heatgain", "cell.kz7", ""}, true, messages);
        EXPECT_EQ(failed.Fail("cell.kz7: the model failed to read"), kExitFailed);
    }
    EXPECT_EQ(
        Text(database.Connection(), "SELECT group_concat(status || '|' || note, ',') FROM runs"),
        "failed|Error opening gone.epw,failed|cell.kz7: the model failed to read");
    EXPECT_EQ(Messages(),
              "Error: Error opening gone.epw\nkz7: cell.kz7: the model failed to read\n");
}

}  // namespace
}  // namespace kz7::app
