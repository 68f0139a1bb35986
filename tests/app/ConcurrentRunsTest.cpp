// Several kz7 processes storing runs into one database at once, as a batch
// of simulations does: on a file none of them finds, and on one that exists.
// Every run that says it is stored must be there, finished and complete.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ResultDatabase.h"
#include "ResultDatabaseFixture.h"
#include "ResultReader.h"
#include "Sqlite.h"

namespace kz7::app {
namespace {

namespace fs = std::filesystem;

constexpr int kProcesses = 8;
constexpr int kRounds = 20;

class ConcurrentRunsTest : public ResultDatabaseFixture {
  protected:
    void SetUp() override {
        ResultDatabaseFixture::SetUp();
        // The test cell over two days of January: a run is mostly starting
        // up and storing, which is what may collide.
        std::string text = ReadFile(KZ7_SOURCE_DIR "/examples/test-cell.kz7");
        const std::string period = "15,1,1,31,12,";
        text.replace(text.find(period), period.size(), "15,1,1,2,1,");
        const std::string weather = "weather/USA_CO";
        text.replace(text.find(weather), weather.size(), KZ7_SOURCE_DIR "/examples/weather/USA_CO");
        model = (folder / "cell.kz7").string();
        WriteFile(model, text);
    }

    // Starts kProcesses runs on `db` together; returns, by label, the run
    // number each printed ("Run N stored in ...") or -1, and -exit code for a
    // process that failed.
    std::map<std::string, int64_t> RunTogether(const fs::path& db, int round) {
        std::vector<std::pair<pid_t, std::string>> children;
        for (int k = 0; k < kProcesses; ++k) {
            const std::string label = fmt::format("r{}p{}", round, k);
            const std::string out = (folder / fmt::format("{}.out", label)).string();
            const std::string param = fmt::format("process={}", k);
            const pid_t child = fork();
            if (child == 0) {
                std::freopen(out.c_str(), "w", stdout);
                std::freopen("/dev/null", "w", stderr);
                // --param before the model: it takes one pair, not the model too.
                execl(KZ7_BINARY, KZ7_BINARY, "simulate", "--param", param.c_str(), model.c_str(),
                      "--support", KZ7_SOURCE_DIR "/support", "--db", db.c_str(), "--quiet",
                      "--label", label.c_str(), static_cast<char*>(nullptr));
                _exit(127);
            }
            children.emplace_back(child, label);
        }
        std::map<std::string, int64_t> printed;
        for (const auto& [child, label] : children) {
            int status = 0;
            waitpid(child, &status, 0);
            const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            long long run = -1;
            std::sscanf(ReadFile(folder / fmt::format("{}.out", label)).c_str(), "Run %lld stored",
                        &run);
            printed[label] = code == 0 ? run : -code;
        }
        return printed;
    }

    // Every printed run is in `db`, finished, with its label and parameter,
    // and as complete as `reference` (the values of the cell's first run).
    void ExpectStored(const fs::path& db, const std::map<std::string, int64_t>& printed,
                      std::vector<float>& reference) {
        ResultDatabase database(db, ResultDatabase::Access::ReadOnly);
        ResultReader reader(database);
        EXPECT_EQ(Text(database.Connection(), "PRAGMA integrity_check"), "ok");
        std::map<int64_t, RunFacts> runs;
        for (RunFacts& run : reader.Runs()) runs[run.id] = run;
        for (const auto& [label, run] : printed) {
            ASSERT_GT(run, 0) << label << " failed with exit code " << -run;
            ASSERT_EQ(runs.count(run), 1u) << label << " printed run " << run << ", not stored";
            const RunFacts& facts = runs[run];
            EXPECT_EQ(facts.status, "finished") << label;
            EXPECT_EQ(facts.label, label);
            ASSERT_EQ(facts.parameters.size(), 1u);
            EXPECT_EQ(
                fmt::format("{}p{}", label.substr(0, label.find('p')), facts.parameters[0].second),
                label);
            const std::vector<float> air = reader.Series(run, 2, 1, "AirTemperature").values;
            if (reference.empty()) reference = air;
            EXPECT_EQ(air, reference) << label;
        }
    }

    std::string model;
};

TEST_F(ConcurrentRunsTest, EveryRunStoredTogetherIsThereFinishedAndComplete) {
    std::vector<float> reference;
    for (int round = 0; round < kRounds; ++round) {
        const fs::path db = folder / fmt::format("round{}.db", round);
        ExpectStored(db, RunTogether(db, round), reference);            // a new file
        ExpectStored(db, RunTogether(db, round + kRounds), reference);  // the file they made
        ResultDatabase database(db, ResultDatabase::Access::ReadOnly);
        EXPECT_EQ(database.Connection().QueryInteger("SELECT count(*) FROM runs"), 2 * kProcesses);
        if (HasFailure()) break;
    }
    EXPECT_EQ(reference.size(), 48u);
}

}  // namespace
}  // namespace kz7::app
