// kz7 batch: the plan and its table, variants on worker threads into one
// database, failed variants, stopping, and the comparison of the runs.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "BatchComparison.h"
#include "BatchPlan.h"
#include "BatchRunner.h"
#include "CommandRun.h"
#include "ResultDatabaseFixture.h"
#include "ResultReader.h"
#include "SimulateCommand.h"
#include "Sqlite.h"
#include "TestSupport.h"
#include "kz7/input/LineReader.h"

namespace kz7::app {
namespace {

namespace fs = std::filesystem;

const std::string kExamples = KZ7_SOURCE_DIR "/examples";
const std::string kSupport = KZ7_SOURCE_DIR "/support";
const std::string kBoston =
    KZ7_SOURCE_DIR "/examples/weather/USA_MA_Boston-Logan.Intl.AP.725090_TMY3.epw";

// Every stored series of a run, bytes and all, in one comparable list.
std::vector<std::string> SeriesOf(const fs::path& file, int64_t run) {
    SqliteConnection db(file.string(), SQLITE_OPEN_READONLY);
    SqliteStatement select(db,
                           "SELECT interval, zone, position, first_step, steps, vals FROM series "
                           "WHERE run = ? ORDER BY interval, zone, position, first_step");
    select.Bind(1, run);
    std::vector<std::string> series;
    while (select.Step()) {
        const auto blob = select.ColumnBlob(5);
        series.push_back(select.ColumnText(0) + "/" + select.ColumnText(1) + "/" +
                         select.ColumnText(2) + "/" + select.ColumnText(3) + "/" +
                         select.ColumnText(4) + ":" +
                         std::string(reinterpret_cast<const char*>(blob.data()), blob.size()));
    }
    return series;
}

bool SameSummary(const std::vector<SummaryRow>& a, const std::vector<SummaryRow>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].zone != b[i].zone || a[i].figures != b[i].figures) return false;
    return true;
}

// One batch of the insulation study run once for the suite: 20 variants with
// rising wall insulation, one on other weather, four bad rows and one on a
// weather file of a single day.
class BatchRunTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "kz7-batch-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        // The example template, its weather named by absolute path.
        WriteFile(folder / "cell.kz7",
                  ReplaceAll(ReadFile(kExamples + "/insulation-study/cell.kz7"), "../weather/",
                             kExamples + "/weather/"));
        std::string table = "label,insulation,window,weather\n";
        for (int step = 1; step <= 20; ++step)
            table += "ins-" + std::to_string(step) + "," + std::to_string(0.02 * step) + ",12,\n";
        table += "bad-value,abc,12,\n";
        table += "short-row,0.1\n";
        table += "no-weather,0.1,12,missing.epw\n";
        table += "comma,\"0.1,5\",12,\n";
        table += "boston,0.1,12," + kBoston + "\n";
        // Boston's first day alone: the engine says so for every other hour.
        WriteFile(folder / "day.epw", test::EpwFirstDay(kBoston));
        table += "one-day,0.1,12," + (folder / "day.epw").string() + "\n";
        WriteFile(folder / "variants.csv", table);
        WriteFile(folder / "study.plan",
                  "template = cell.kz7\nvariants = variants.csv\nsupport = " + kSupport + "\n");
        plan = new BatchPlan(BatchPlan::Load(folder / "study.plan"));
        ResultDatabase database(folder / "batch.db");
        BatchRunner runner(*plan, folder / "batch.db", 2);
        outcomes = runner.Run([](const VariantOutcome&, const BatchProgress&) { ++ended; },
                              [] { return false; });
    }
    static void TearDownTestSuite() {
        delete plan;
        plan = nullptr;
        fs::remove_all(folder);
    }

    static const VariantOutcome& Outcome(const std::string& label) {
        for (size_t index = 0; index < plan->Variants().size(); ++index)
            if (plan->Variants()[index].label == label) return *outcomes.at(index);
        throw std::runtime_error("no variant " + label);
    }

    static inline fs::path folder;
    static inline BatchPlan* plan = nullptr;
    static inline std::vector<std::optional<VariantOutcome>> outcomes;
    static inline int ended = 0;
};

TEST_F(BatchRunTest, HeatingFallsAsInsulationRisesAndBadRowsFailAlone) {
    ASSERT_EQ(outcomes.size(), 26u);
    EXPECT_EQ(ended, 26);
    std::map<std::string, std::string> failures;
    for (const auto& outcome : outcomes) {
        ASSERT_TRUE(outcome.has_value());
        ASSERT_NE(outcome->runId, 0);
        if (outcome->status == RunStatus::Failed)
            failures[plan->Variants()[outcome->index].label] = outcome->message;
        else
            EXPECT_EQ(outcome->status, RunStatus::Finished) << outcome->message;
    }
    ASSERT_EQ(failures.size(), 5u);
    EXPECT_EQ(failures["bad-value"], "bad-value: OpaqueConstruction \"STUDY-WALL\" at line 28 of " +
                                         (folder / "cell.kz7").string() +
                                         ": \"abc\" is not a number; it is read as 0; 2 errors, "
                                         "0 warnings");
    EXPECT_NE(failures["short-row"].find("2 fields where the header has 4"), std::string::npos);
    EXPECT_NE(failures["no-weather"].find("weather file \"missing.epw\" not found; looked for"),
              std::string::npos);
    EXPECT_NE(failures["comma"].find("comma"), std::string::npos);
    // Run, and failed: its figures are not the study's.
    EXPECT_EQ(failures["one-day"].rfind("one-day: ", 0), 0u) << failures["one-day"];
    EXPECT_NE(failures["one-day"].find(" errors during the run, the first: "), std::string::npos)
        << failures["one-day"];

    // Read back: every variant is a run of its own with its label, parameters and status.
    ResultDatabase database(folder / "batch.db", ResultDatabase::Access::ReadOnly);
    ResultReader reader(database);
    ASSERT_EQ(reader.Runs().size(), 26u);
    const RunFacts bad = reader.Run(Outcome("bad-value").runId);
    EXPECT_EQ(bad.status, "failed");
    EXPECT_EQ(bad.label, "bad-value");
    EXPECT_EQ(bad.note, Outcome("bad-value").message);
    EXPECT_EQ(reader.Run(Outcome("boston").runId).weather, kBoston);

    std::vector<int64_t> runs;
    for (const auto& outcome : outcomes) runs.push_back(outcome->runId);
    BatchComparison comparison = BatchComparison::Read(reader, runs, plan->ParameterNames());
    comparison.SortBy("insulation");
    std::vector<double> heating;
    for (const ComparisonLine& line : comparison.Lines()) {
        if (line.label.starts_with("ins-")) heating.push_back(line.figures[1].value_or(-1.0));
    }
    ASSERT_EQ(heating.size(), 20u);
    for (size_t i = 1; i < heating.size(); ++i)
        EXPECT_LT(heating[i], heating[i - 1]) << "insulation step " << i + 1;
    EXPECT_GT(heating.back(), 0.0);
    // Other weather, other heating.
    EXPECT_FALSE(SameSummary(Outcome("boston").summary, Outcome("ins-5").summary));
}

TEST_F(BatchRunTest, StrictReadsEveryVariantFirstAndRunsNoneWhenOneCannotRun) {
    for (size_t index = 0; index < plan->Variants().size(); ++index) {
        const VariantOutcome& outcome = *outcomes.at(index);
        const std::string& label = plan->Variants()[index].label;
        // The check before running gives the failed run's very note; the
        // variant that fails only once it has run passes it.
        const bool failsBeforeRunning = outcome.status == RunStatus::Failed && label != "one-day";
        EXPECT_EQ(CheckVariant(*plan, index), failsBeforeRunning ? outcome.message : "") << label;
    }
    const fs::path db = folder / "strict.db";
    const auto strict =
        test::RunKz7("batch " + (folder / "study.plan").string() + " --strict --db " + db.string());
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_NE(strict.error.find("4 of 26 variants cannot run; none run (--strict)"),
              std::string::npos)
        << strict.error;
    EXPECT_FALSE(fs::exists(db));
}

TEST_F(BatchRunTest, ThreadsStoreBitForBitWhatSingleRunsStore) {
    for (const std::string label : {"ins-1", "ins-10", "ins-20"}) {
        const VariantOutcome& batched = Outcome(label);
        const PlanVariant& variant = plan->Variants()[batched.index];
        std::string problem;
        const fs::path model = folder / (label + ".kz7");
        WriteFile(model, plan->ModelText(variant, problem));
        ASSERT_TRUE(problem.empty()) << problem;
        ModelRunOptions options;
        options.model = model.string();
        options.support = kSupport;
        options.db = (folder / (label + ".db")).string();
        options.quiet = true;
        const SimulateResult single = SimulateAndStore(options, Resolution::Hourly);
        ASSERT_EQ(single.exitCode, 0);
        const std::vector<std::string> expected = SeriesOf(options.db, single.stored.runId);
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(SeriesOf(folder / "batch.db", batched.runId) == expected) << label;
        EXPECT_TRUE(SameSummary(batched.summary, single.summary->Rows())) << label;
    }
}

TEST_F(BatchRunTest, StopCancelsTheRunningVariantAndStartsNoOther) {
    ResultDatabase database(folder / "stopped.db");
    const std::atomic<bool> stop{true};
    const VariantOutcome cancelled = RunVariant(*plan, 0, database, stop);
    EXPECT_EQ(cancelled.status, RunStatus::Cancelled);
    ResultReader reader(database);
    EXPECT_EQ(reader.Run(cancelled.runId).status, "cancelled");

    BatchRunner runner(*plan, folder / "stopped.db", 2);
    const auto outcomes = runner.Run(nullptr, [] { return true; });
    for (const auto& outcome : outcomes) EXPECT_FALSE(outcome.has_value());
    EXPECT_EQ(reader.Runs().size(), 1u);
}

// Whoever writes the runs (the worker itself with one job, the writer thread
// with more), a run ends in the database as its outcome says: a write that
// fails fails its run with the reason, and stopping keeps every run begun.
TEST_F(BatchRunTest, EveryRunHandedToTheWriterEndsAsItsOutcomeSays) {
    std::string table = "label,insulation,window\n";
    for (int step = 1; step <= 4; ++step) table += fmt::format("v{},0.1,{}\n", step, 8 + step);
    BatchPlan small =
        BatchPlan::FromTexts(folder / "cell.kz7", ReadFile(folder / "cell.kz7"), "t.csv", table);
    small.SetSupport(kSupport);
    const auto statusOf = [](const fs::path& db, int64_t run) {
        SqliteConnection connection(db.string(), SQLITE_OPEN_READONLY);
        SqliteStatement select(connection,
                               "SELECT status, coalesce(note, '') FROM runs WHERE id = ?");
        select.Bind(1, run);
        return select.Step() ? select.ColumnText(0) + "|" + select.ColumnText(1) : "none";
    };
    for (const int jobs : {1, 2}) {
        const fs::path db = folder / fmt::format("failing{}.db", jobs);
        ResultDatabase(db).Connection().Execute(
            "CREATE TRIGGER no_room BEFORE INSERT ON runs WHEN NEW.label = 'v3' "
            "BEGIN SELECT RAISE(ABORT, 'no room for v3'); END;"
            "CREATE TRIGGER disk_full BEFORE INSERT ON series WHEN "
            "(SELECT label FROM runs WHERE id = NEW.run) = 'v2' "
            "BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
        const auto outcomes = BatchRunner(small, db, jobs).Run(nullptr, nullptr);
        for (const auto& outcome : outcomes) ASSERT_TRUE(outcome.has_value()) << jobs;
        const std::string prefix = "result database " + db.string() + ": ";
        EXPECT_EQ(outcomes[1]->message, "v2: " + prefix + "disk full") << jobs;
        EXPECT_EQ(statusOf(db, outcomes[1]->runId), "failed|" + outcomes[1]->message) << jobs;
        EXPECT_TRUE(SeriesOf(db, outcomes[1]->runId).empty());
        EXPECT_EQ(outcomes[2]->message, "v3: " + prefix + "no room for v3") << jobs;
        EXPECT_EQ(outcomes[2]->runId, 0);
        for (const size_t index : {0, 3}) {
            EXPECT_EQ(outcomes[index]->status, RunStatus::Finished) << jobs;
            EXPECT_EQ(statusOf(db, outcomes[index]->runId), "finished|") << jobs;
        }
    }

    // Stopped after the first run ends: the runs begun end 'cancelled' (or
    // finished), written, and none is left 'running'.
    const fs::path db = folder / "stopped-writer.db";
    bool stopped = false;
    const auto outcomes =
        BatchRunner(small, db, 2)
            .Run([&stopped](const VariantOutcome&, const BatchProgress&) { stopped = true; },
                 [&stopped] { return stopped; });
    size_t begun = 0;
    for (const auto& outcome : outcomes) {
        if (!outcome) continue;
        ++begun;
        EXPECT_NE(outcome->status, RunStatus::Failed) << outcome->message;
        EXPECT_EQ(statusOf(db, outcome->runId), std::string(RunStatusText(outcome->status)) + "|");
    }
    EXPECT_GE(begun, 1u);
    ResultDatabase stoppedDatabase(db, ResultDatabase::Access::ReadOnly);
    EXPECT_EQ(ResultReader(stoppedDatabase).Runs().size(), begun);
}

TEST(BatchPlanTest, ReadsTablesAndRefusesPlansThatCannotRun) {
    std::string problem;
    const auto rows = ParseCsv("\xEF\xBB\xBFlabel, a \r\n\r\n\"x, \"\"y\"\"\",\" 2\"\n,3", problem);
    ASSERT_TRUE(problem.empty());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].fields, (std::vector<std::string>{"label", "a"}));
    EXPECT_EQ(rows[1].fields, (std::vector<std::string>{"x, \"y\"", " 2"}));
    EXPECT_EQ(rows[1].line, 3u);
    EXPECT_EQ(rows[2].fields, (std::vector<std::string>{"", "3"}));
    ParseCsv("label\n\"open", problem);
    EXPECT_EQ(problem, "line 2: a quote is never closed");

    const BatchPlan plan =
        BatchPlan::FromTexts("m.kz7", "A,{{ a }}\nB,{{label}}\n", "t.csv", "label,a\n,1\nz,2,3\n");
    ASSERT_EQ(plan.Variants().size(), 2u);
    EXPECT_EQ(plan.Variants()[0].label, "line 2");
    EXPECT_EQ(plan.ModelText(plan.Variants()[0], problem), "A,1\nB,line 2\n");
    EXPECT_EQ(plan.Variants()[1].problem, "line 3 of t.csv: 3 fields where the header has 2");

    const auto refused = [](const std::string& model, const std::string& table) {
        try {
            BatchPlan::FromTexts("m.kz7", model, "t.csv", table);
        } catch (const BatchPlanError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refused("{{b}}", "label,a\nx,1\n"),
              "m.kz7: line 1: placeholder {{b}} has no column in t.csv");
    EXPECT_EQ(refused("A\n{{a\n}}", "label,a\nx,1\n"), "m.kz7: line 2: \"{{\" without \"}}\"");
    EXPECT_EQ(refused("", "name,a\nx,1\n"), "t.csv: the header has no \"label\" column");
    EXPECT_EQ(refused("", "label,a,a\nx,1,2\n"), "t.csv: column \"a\" is given twice");
    EXPECT_EQ(refused("", "label,a\n"), "t.csv: the table has no variants");
}

TEST(BatchComparisonTest, SortsMissingLastAndWritesEveryFormat) {
    const auto line = [](int64_t run, std::string label, std::string size,
                         std::optional<double> heating) {
        ComparisonLine entry{run,
                             std::move(label),
                             heating ? "finished" : "failed",
                             heating ? "" : "bad, very",
                             {{"size", std::move(size)}},
                             std::vector<std::optional<double>>(BatchComparison::Figures().size())};
        entry.figures[1] = heating;
        return entry;
    };
    BatchComparison comparison({line(1, "a", "9", static_cast<double>(300.1f)),
                                line(2, "b", "10", std::nullopt), line(3, "c,d", "100", 100.0)},
                               {"size"});
    const auto order = [&] {
        std::vector<int64_t> runs;
        for (const ComparisonLine& entry : comparison.Lines()) runs.push_back(entry.run);
        return runs;
    };
    comparison.SortBy("heating_kwh");
    EXPECT_EQ(order(), (std::vector<int64_t>{3, 1, 2}));
    comparison.SortBy("-heating_kwh");
    EXPECT_EQ(order(), (std::vector<int64_t>{1, 3, 2}));
    comparison.SortBy("-size");  // as numbers, not texts
    EXPECT_EQ(order(), (std::vector<int64_t>{3, 2, 1}));
    EXPECT_TRUE(BatchComparison::IsSortKey("-size", {"size"}));
    EXPECT_FALSE(BatchComparison::IsSortKey("heat", {"size"}));

    const std::string csv = comparison.Csv();
    EXPECT_EQ(csv.substr(0, csv.find('\r')),
              "run,label,status,size,floor_area_m2,heating_kwh,heating_kwh_m2,cooling_kwh,"
              "cooling_kwh_m2,peak_heating_kw,peak_heating_w_m2,peak_cooling_kw,"
              "peak_cooling_w_m2,hours_above_25,hours_above_28,note");
    EXPECT_NE(csv.find("\r\n3,\"c,d\",finished,100,,100,,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",\"bad, very\"\r\n"), std::string::npos);
    // A single's value without the noise of its double, as every command prints it.
    EXPECT_NE(csv.find("\r\n1,a,finished,9,,300.1,"), std::string::npos) << csv;
    const nlohmann::json json = comparison.Json();
    EXPECT_EQ(json["runs"][2]["heating_kwh"].get<double>(), 300.1);
    EXPECT_TRUE(json["runs"][1]["heating_kwh"].is_null());
    EXPECT_EQ(json["runs"][1]["parameters"]["size"], "10");
    EXPECT_NE(comparison.Text().find("run 2 (b), failed: bad, very"), std::string::npos);
}

TEST(BatchCommandTest, RunsThePlanAndPrintsTheSortedTable) {
    const test::ScratchFolder scratch("kz7-batch");
    const fs::path db = scratch.Path() / "r.db";
    const std::string plan = kExamples + "/insulation-study/study.plan";
    const auto run = test::RunKz7("batch " + plan + " --db " + db.string() +
                                  " --jobs 2 --json --sort=-insulation");
    EXPECT_EQ(run.exitCode, 0) << run.error;
    const nlohmann::json json = nlohmann::json::parse(run.output);
    ASSERT_EQ(json["runs"].size(), 4u);
    EXPECT_EQ(json["runs"][3]["label"], "thin");
    EXPECT_GT(json["runs"][3]["heating_kwh"], json["runs"][0]["heating_kwh"]);

    EXPECT_EQ(test::RunKz7("batch " + plan + " --db " + db.string() + " --sort heat").exitCode, 2);
    const auto missing = test::RunKz7("batch nowhere.plan --db " + db.string());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.error, "kz7: nowhere.plan: plan file not found\n");

    // A plan named from another folder: a relative weather cell is the file
    // in the plan's folder; one not there is looked for as the engine looks.
    const fs::path study = scratch.Path() / "st";
    fs::create_directory(study);
    fs::copy_file(kBoston, study / "bos.epw");
    fs::copy_file(kExamples + "/insulation-study/cell.kz7", study / "cell.kz7");
    scratch.Write("st/p.plan", "template = cell.kz7\nvariants = v.csv\nsupport = " + kSupport);
    scratch.Write("st/v.csv",
                  "label,insulation,window,weather\nhere,0.1,12,bos.epw\n"
                  "elsewhere,0.1,12,none.epw\n");
    const auto relative = test::RunKz7("batch st/p.plan --db st/s.db --quiet --jobs 1 --json",
                                       "-C " + scratch.Path().string());
    EXPECT_EQ(relative.exitCode, 1) << relative.error;
    const nlohmann::json runs = nlohmann::json::parse(relative.output)["runs"];
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0]["status"], "finished") << runs[0]["note"];
    EXPECT_EQ(runs[1]["note"], "elsewhere: weather file \"none.epw\" not found; looked for " +
                                   kSupport + "/none.epw, st/none.epw");
    ResultDatabase stored(study / "s.db", ResultDatabase::Access::ReadOnly);
    EXPECT_EQ(ResultReader(stored).Run(1).weather, (study / "bos.epw").string());
}

}  // namespace
}  // namespace kz7::app
