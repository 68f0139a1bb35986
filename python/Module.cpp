// kz7._core: the engine's runs and the result database for Python. The
// pure-Python layer (kz7/__init__.py, kz7/results.py) turns what these
// functions give into pandas objects; nothing here knows pandas.
//
// Runs go through the command line's own run path (RunModel), with the GIL
// released while the engine computes. Ctrl-C is seen by Python's own signal
// handler; the run's yield callback asks Python about it now and then and
// cancels the run, which is then stored as 'cancelled', and the
// KeyboardInterrupt (or whatever the handler raised) comes out of the call.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "BatchComparison.h"
#include "BatchPlan.h"
#include "BatchRunner.h"
#include "Commands.h"
#include "HostShading.h"
#include "InspectCommand.h"
#include "ModelChecks.h"
#include "ModelMessages.h"
#include "ModelRun.h"
#include "ResultDatabase.h"
#include "ResultReader.h"
#include "RunCopy.h"
#include "SimulateCommand.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/weather/EnergyPlusWeather.h"

namespace py = pybind11;

namespace kz7::python {

using namespace kz7::app;

// What becomes kz7.Error in Python: the engine's or the database's message.
class Kz7Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

namespace {

// Python's pending signals, looked at from the engine's yield callback with
// the GIL taken for the moment; the raised exception is kept for the end of
// the call.
class PythonInterrupt {
  public:
    PythonInterrupt() = default;
    PythonInterrupt(const PythonInterrupt&) = delete;
    PythonInterrupt& operator=(const PythonInterrupt&) = delete;
    ~PythonInterrupt() {
        if (!type_) return;
        py::gil_scoped_acquire gil;
        Py_XDECREF(type_);
        Py_XDECREF(value_);
        Py_XDECREF(trace_);
    }

    // Called without the GIL. Signals are looked at every kInterval: taking
    // the GIL at every yield would cost more than the yield itself.
    bool operator()() {
        if (type_) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now < next_) return false;
        next_ = now + kInterval;
        py::gil_scoped_acquire gil;
        if (PyErr_CheckSignals() == 0) return false;
        PyErr_Fetch(&type_, &value_, &trace_);
        return type_ != nullptr;
    }

    // With the GIL: raises what the signal handler raised, if it did.
    void RaiseIfInterrupted() {
        if (!type_) return;
        PyErr_Restore(std::exchange(type_, nullptr), std::exchange(value_, nullptr),
                      std::exchange(trace_, nullptr));
        throw py::error_already_set();
    }

    static constexpr std::chrono::milliseconds kInterval{50};

  private:
    std::chrono::steady_clock::time_point next_{};
    PyObject* type_ = nullptr;
    PyObject* value_ = nullptr;
    PyObject* trace_ = nullptr;
};

struct RunRequest {
    std::string command;  // "simulate", "heatloss", "heatgain"
    std::string model, support, weather, db, interval, label;
    std::vector<std::string> parameters;  // "key=value"
    bool strict = false;                  // a model with errors is not run
};

Resolution ResolutionOf(const std::string& interval) {
    if (interval == "step") return Resolution::Timestep;
    if (interval == "hour") return Resolution::Hourly;
    if (interval == "day") return Resolution::Daily;
    throw py::value_error("interval must be \"step\", \"hour\" or \"day\", not \"" + interval +
                          "\"");
}

// Runs the request through the command line's run path; returns the run's
// number and the engine's messages.
py::dict Run(const RunRequest& request) {
    ModelRunOptions options;
    options.model = request.model;
    options.support = request.support;
    options.weather = request.weather;
    options.db = request.db;
    options.label = request.label;
    options.parameters = request.parameters;
    options.strict = request.strict;
    std::vector<std::string> messages, problems;
    PythonInterrupt interrupt;
    options.hooks.message = [&](std::string_view text) { messages.emplace_back(text); };
    options.hooks.problem = [&](std::string_view text) { problems.emplace_back(text); };
    options.hooks.interrupted = [&] { return interrupt(); };
    const bool simulate = request.command == "simulate";
    const Resolution resolution = simulate ? ResolutionOf(request.interval) : Resolution::Hourly;

    int exitCode = kExitFailed;
    int64_t runId = 0;
    {
        py::gil_scoped_release release;
        if (simulate) {
            const SimulateResult result = SimulateAndStore(options, resolution);
            exitCode = result.exitCode;
            runId = result.stored.runId;
        } else {
            // The design runs' loads travel in their time-step records.
            ModelRun run;
            run.command = request.command;
            run.prepare = [](SimulateX& control) { control.SetTimeSteplyResults(true); };
            run.run = [&](SimulateX& control) {
                if (request.command == "heatgain")
                    control.HeatGain();
                else
                    control.HeatLoss();
            };
            run.report = [&](SimulateX&, const StoredRun& stored) { runId = stored.runId; };
            exitCode = RunModel(options, run);
        }
    }
    interrupt.RaiseIfInterrupted();
    if (exitCode == kExitCancelled) throw Kz7Error(request.model + ": the run was cancelled");
    // A model with errors still runs, as on the command line; its messages
    // and their count are in the outcome's messages.
    if (exitCode != kExitOk && exitCode != kExitModelErrors) {
        std::string reason;
        for (const std::string& problem : problems)
            reason += (reason.empty() ? "" : "; ") + problem;
        // A run the engine stopped itself ends with its message "cancelled";
        // the reason is the error it showed before.
        constexpr std::string_view kError = "Error: ";
        for (auto message = messages.rbegin(); reason.empty() && message != messages.rend();
             ++message)
            if (message->starts_with(kError)) reason = message->substr(kError.size());
        throw Kz7Error(reason.empty() ? request.model + ": the run failed" : reason);
    }
    py::dict outcome;
    outcome["run"] = runId;
    outcome["messages"] = messages;
    return outcome;
}

// `kz7 inspect --json` as a JSON text, which the Python layer parses.
std::string InspectJson(const std::string& model, const std::string& support) {
    SimulateX control;
    ModelMessages messages;
    std::shared_ptr<const HostShading> shading;
    if (std::string problem = CheckModel(control, {model, support}, messages, &shading);
        !problem.empty())
        throw Kz7Error(problem);
    return ModelJson(control.State(), model, messages, shading.get())
        .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// Whether `message` is among `messages` already, or ends one of them after
// its place ("Zone "9" at line 196 of m.kz7: Zone 9 has no elements" says
// "zone 9 has no elements"), in either case.
bool AlreadySaid(const std::vector<std::string>& messages, const std::string& message) {
    const auto lower = [](std::string text) {
        std::ranges::transform(text, text.begin(), [](unsigned char c) { return std::tolower(c); });
        return text;
    };
    const std::string said = lower(message);
    return std::ranges::any_of(messages, [&](const std::string& earlier) {
        const std::string text = lower(earlier);
        return text == said || text.ends_with(": " + said);
    });
}

// The model's messages: the problems found while reading it and checking its
// references (as `kz7 inspect` lists them), then what makes it unfit for a
// run or for its Part L figures, then what a run would warn about; a
// problem the reading already reported, with its place, is not listed again.
std::vector<std::string> Check(const std::string& model, const std::string& support) {
    SimulateX control;
    ModelMessages read;
    if (std::string problem = CheckModel(control, {model, support}, read); !problem.empty())
        throw Kz7Error(problem);
    std::vector<std::string> messages;
    for (const ModelMessage& message : read.All()) messages.push_back(message.text);
    const EngineState& state = control.State();
    std::vector<std::string> warnings;
    std::vector<std::string> more = RunProblems(state, warnings);
    for (std::string& problem : ModelProblems(state)) more.push_back(std::move(problem));
    more.insert(more.end(), warnings.begin(), warnings.end());
    for (std::string& message : more)
        if (!AlreadySaid(messages, message)) messages.push_back(std::move(message));
    return messages;
}

// The hourly rows of an EPW file as the engine reads it: the rows' own dates
// (OLE, the end of each hour) and a (rows, 10) array of their values by
// weather-row position (position 0 empty).
py::tuple EpwHours(const std::string& path) {
    constexpr size_t kWidth = 10;
    std::vector<double> dates;
    std::vector<float> values;
    std::string lastError;
    bool read = false;
    {
        py::gil_scoped_release release;
        EngineState state;
        state.settings.generateWeatherDataEvents = true;
        state.errorHandler = [&lastError](const std::string& text) { lastError = text; };
        state.outputData.onRecord = [&](const ResultRecord& record) {
            if (record.interval != 2 || record.zone != -1) return;
            dates.push_back(record.date);
            for (size_t position = 0; position < kWidth; ++position)
                values.push_back(position > 0 && position < record.values.size()
                                     ? record.values[position]
                                     : std::numeric_limits<float>::quiet_NaN());
        };
        EnergyPlusWeather epw(state);
        read = epw.OpenFile(path);
    }
    if (!read)
        throw Kz7Error(path + ": the weather file could not be read" +
                       (lastError.empty() ? "" : ": " + lastError));
    py::array_t<float> rows({static_cast<py::ssize_t>(dates.size()), py::ssize_t{kWidth}},
                            values.data());
    return py::make_tuple(py::array_t<double>(static_cast<py::ssize_t>(dates.size()), dates.data()),
                          rows);
}

// OLE dates (days since 1899-12-30) as nanoseconds since 1970-01-01, to the
// nearest second as the database's time texts are; NaT where there is none.
py::array_t<int64_t> Nanoseconds(const std::vector<double>& times) {
    constexpr double kUnixEpochOle = 25569.0;
    constexpr double kLimitDays = 100000.0;  // within datetime64[ns]' range
    py::array_t<int64_t> out(static_cast<py::ssize_t>(times.size()));
    int64_t* data = out.mutable_data();
    for (size_t i = 0; i < times.size(); ++i) {
        const double days = times[i] - kUnixEpochOle;
        data[i] = std::isfinite(days) && std::fabs(days) < kLimitDays
                      ? static_cast<int64_t>(std::nearbyint(days * 86400.0)) * 1000000000
                      : std::numeric_limits<int64_t>::min();
    }
    return out;
}

py::tuple SeriesArrays(TimeSeries series) {
    py::array_t<float> values(static_cast<py::ssize_t>(series.values.size()), series.values.data());
    return py::make_tuple(Nanoseconds(series.times), values);
}

py::object Optional(const std::optional<double>& value) {
    return value ? py::object(py::float_(*value)) : py::object(py::none());
}

int16_t IntervalOf(const std::string& name) {
    const std::optional<int16_t> code = IntervalCode(name);
    if (!code) throw py::value_error("no interval \"" + name + "\"");
    return *code;
}

// A result database opened for reading, with ResultReader's questions.
class Database {
  public:
    explicit Database(const std::string& path)
        : database_(path, ResultDatabase::Access::ReadOnly), reader_(database_) {}

    std::string Path() const { return database_.File().string(); }

    py::list Runs() {
        py::list runs;
        for (const RunFacts& run : reader_.Runs()) {
            py::dict facts;
            facts["id"] = run.id;
            facts["command"] = run.command;
            facts["model"] = run.model;
            facts["weather"] = run.weather;
            facts["label"] = run.label;
            facts["model_sha256"] = run.modelSha256;
            facts["started_at"] = run.startedAt;
            facts["finished_at"] = run.finishedAt;
            facts["status"] = run.status;
            facts["engine_version"] = run.engineVersion;
            facts["floor_area"] = Optional(run.floorArea);
            facts["volume"] = Optional(run.volume);
            facts["note"] = run.note;
            py::dict parameters;
            for (const auto& [name, value] : run.parameters) parameters[py::str(name)] = value;
            facts["params"] = parameters;
            runs.append(facts);
        }
        return runs;
    }

    py::list Zones(int64_t run) {
        py::list zones;
        for (const ZoneInfo& zone : reader_.Zones(run))
            zones.append(
                py::make_tuple(zone.zone, zone.key, zone.name, zone.floorArea, zone.volume));
        return zones;
    }

    py::list Variables(int64_t run) {
        py::list variables;
        for (const VariableInfo& variable : reader_.Variables(run))
            variables.append(py::make_tuple(RecordKindText(variable.record), variable.position,
                                            variable.name, variable.unit, variable.aggregation));
        return variables;
    }

    py::list Summary(int64_t run) {
        py::list rows;
        for (const SummaryRow& row : reader_.Summary(run)) {
            py::list figures;
            for (const auto& [name, value] : row.figures)
                figures.append(py::make_tuple(name, Optional(value)));
            rows.append(py::make_tuple(row.zone, figures));
        }
        return rows;
    }

    py::array_t<int64_t> Times(int64_t run, const std::string& interval) {
        return Nanoseconds(reader_.Times(run, IntervalOf(interval)));
    }

    // The dates the engine sent with the steps (a weather file's own dates), as OLE dates.
    std::vector<double> SourceTimes(int64_t run, const std::string& interval) {
        return reader_.SourceTimes(run, IntervalOf(interval));
    }

    py::tuple Series(int64_t run, const std::string& interval, int32_t zone, int32_t position) {
        const int16_t code = IntervalOf(interval);
        TimeSeries series;
        {
            py::gil_scoped_release release;
            series = reader_.Series(run, code, zone, position);
        }
        return SeriesArrays(std::move(series));
    }

    // The values alone on `steps` steps: a frame reads its time axis once.
    py::array_t<float> Values(int64_t run, const std::string& interval, int32_t zone,
                              int32_t position, size_t steps) {
        const int16_t code = IntervalOf(interval);
        std::vector<float> values;
        {
            py::gil_scoped_release release;
            values = reader_.Values(run, code, zone, position, steps);
        }
        return py::array_t<float>(static_cast<py::ssize_t>(values.size()), values.data());
    }

    std::vector<int32_t> Positions(int64_t run, const std::string& interval, int32_t zone) {
        return reader_.Positions(run, IntervalOf(interval), zone);
    }

    std::vector<int32_t> ZonesWithValues(int64_t run, const std::string& interval) {
        return reader_.ZonesWithValues(run, IntervalOf(interval));
    }

  private:
    ResultDatabase database_;
    ResultReader reader_;
};

// A plan of `kz7 batch`, read as the command reads it; `support` (when not
// empty) in place of the plan's own, as --support.
BatchPlan LoadPlan(const std::string& plan, const std::string& support) {
    try {
        BatchPlan loaded = BatchPlan::Load(plan);
        if (!support.empty()) loaded.SetSupport(support);
        return loaded;
    } catch (const BatchPlanError& error) {
        throw Kz7Error(error.what());
    }
}

// What a client needs to hand out the plan's variants: their labels and the
// table's parameter columns.
py::dict PlanFacts(const std::string& plan, const std::string& support) {
    const BatchPlan loaded = LoadPlan(plan, support);
    std::vector<std::string> labels;
    for (const PlanVariant& variant : loaded.Variants()) labels.push_back(variant.label);
    py::dict facts;
    facts["labels"] = labels;
    facts["parameters"] = loaded.ParameterNames();
    facts["support"] = loaded.Support();
    return facts;
}

// Variant `index` of the plan run in this process into the database `db`,
// exactly as one worker thread of `kz7 batch` runs it.
py::dict RunPlanVariant(const std::string& plan, const std::string& support, size_t index,
                        const std::string& db) {
    const BatchPlan loaded = LoadPlan(plan, support);
    if (index >= loaded.Variants().size())
        throw py::index_error(plan + ": there is no variant " + std::to_string(index));
    VariantOutcome outcome;
    {
        py::gil_scoped_release release;
        ResultDatabase database(db);
        const std::atomic<bool> stop{false};
        outcome = RunVariant(loaded, index, database, stop);
    }
    py::dict result;
    result["index"] = outcome.index;
    result["run"] = outcome.runId;
    result["status"] = std::string(RunStatusText(outcome.status));
    result["message"] = outcome.message;
    result["seconds"] = outcome.run.wall;
    return result;
}

// Makes the result database `db` when missing, else checks that it is one.
void MakeDatabase(const std::string& db) { ResultDatabase database(db); }

// Copies run `run` of the database `source` into `db`; its number there.
int64_t CopyRunInto(const std::string& db, const std::string& source, int64_t run) {
    py::gil_scoped_release release;
    ResultDatabase target(db);
    return CopyRun(target, source, run);
}

// The comparison `kz7 batch --csv` prints, of `runs` of `db` in that order.
std::string ComparisonCsv(const std::string& db, const std::vector<int64_t>& runs,
                          const std::vector<std::string>& parameters) {
    ResultDatabase database(db, ResultDatabase::Access::ReadOnly);
    ResultReader reader(database);
    return BatchComparison::Read(reader, runs, parameters).Csv();
}

}  // namespace

}  // namespace kz7::python

PYBIND11_MODULE(_core, m) {
    using namespace kz7::python;
    m.doc() = "The kz7 engine and its result database (use the kz7 package, not this module)";
    py::register_exception<Kz7Error>(m, "Error", PyExc_RuntimeError);
    // The database's errors are kz7.Error too.
    py::register_exception_translator([](std::exception_ptr raised) {
        try {
            if (raised) std::rethrow_exception(raised);
        } catch (const kz7::app::ResultDatabaseError& failure) {
            const py::object type = py::module_::import("kz7._core").attr("Error");
            PyErr_SetString(type.ptr(), failure.what());
        }
    });

    m.def(
        "run",
        [](const std::string& command, const std::string& model, const std::string& support,
           const std::string& weather, const std::string& db, const std::string& interval,
           const std::string& label, const std::vector<std::string>& parameters, bool strict) {
            return Run({command, model, support, weather, db, interval, label, parameters, strict});
        },
        py::arg("command"), py::arg("model"), py::arg("support"), py::arg("weather"), py::arg("db"),
        py::arg("interval"), py::arg("label"), py::arg("parameters"), py::arg("strict"));
    m.def(
        "unit_at",
        [](const std::string& unit, const std::string& aggregation, const std::string& interval) {
            VariableInfo variable;
            variable.unit = unit;
            variable.aggregation = aggregation;
            return UnitAt(variable, IntervalOf(interval));
        },
        py::arg("unit"), py::arg("aggregation"), py::arg("interval"));
    m.def("inspect_json", &InspectJson, py::arg("model"), py::arg("support"));
    m.def("check", &Check, py::arg("model"), py::arg("support"));
    m.def("epw_hours", &EpwHours, py::arg("path"));
    m.def("plan_facts", &PlanFacts, py::arg("plan"), py::arg("support"));
    m.def("run_plan_variant", &RunPlanVariant, py::arg("plan"), py::arg("support"),
          py::arg("index"), py::arg("db"));
    m.def("make_database", &MakeDatabase, py::arg("db"));
    m.def("copy_run", &CopyRunInto, py::arg("db"), py::arg("source"), py::arg("run"));
    m.def("comparison_csv", &ComparisonCsv, py::arg("db"), py::arg("runs"),
          py::arg("parameters"));
    m.attr("interrupt_interval") = PythonInterrupt::kInterval.count() / 1000.0;

    py::class_<Database>(m, "Database")
        .def(py::init<const std::string&>(), py::arg("path"))
        .def_property_readonly("path", &Database::Path)
        .def("runs", &Database::Runs)
        .def("zones", &Database::Zones, py::arg("run"))
        .def("variables", &Database::Variables, py::arg("run"))
        .def("summary", &Database::Summary, py::arg("run"))
        .def("times", &Database::Times, py::arg("run"), py::arg("interval"))
        .def("source_times", &Database::SourceTimes, py::arg("run"), py::arg("interval"))
        .def("series", &Database::Series, py::arg("run"), py::arg("interval"), py::arg("zone"),
             py::arg("position"))
        .def("values", &Database::Values, py::arg("run"), py::arg("interval"), py::arg("zone"),
             py::arg("position"), py::arg("steps"))
        .def("positions", &Database::Positions, py::arg("run"), py::arg("interval"),
             py::arg("zone"))
        .def("zones_with_values", &Database::ZonesWithValues, py::arg("run"), py::arg("interval"));
}
