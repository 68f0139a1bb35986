// kz7 heatloss MODEL and kz7 heatgain MODEL: the heating and cooling design
// runs. Every record the run sends (SaveHLData / SaveHGData) is stored; each
// zone's design load is printed, and for heat gain the month of its peak.
#include <fmt/core.h>

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "JsonOutput.h"
#include "Commands.h"
#include "JsonNumber.h"
#include "ModelRun.h"
#include "ResultTables.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/output/ResultVariables.h"

namespace kz7::app {

namespace {

constexpr std::array<const char*, 13> kMonthNames{"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The design load of each zone: the zone summary's peak when the run sends
// one (heat gain: PeakCoolingLoad), else the largest time-step heating or
// cooling (kW) among the stored records; the month is that of the largest
// time-step value.
class DesignLoads {
  public:
    DesignLoads(ZoneVariable load, SummaryPosition peak)
        : load_(static_cast<size_t>(load)), peak_(static_cast<size_t>(peak)) {}

    void Add(const ResultRecord& record, int32_t month) {
        const int32_t zone = record.zone;
        if (record.interval == 6 && zone > 0 && peak_ < record.values.size()) {
            const double value = record.values[peak_];
            if (std::isfinite(value)) summaryPeaks_[zone] = value;
            return;
        }
        if (record.interval != 1 || zone <= 0 || load_ >= record.values.size()) return;
        const double value = record.values[load_];
        if (!std::isfinite(value)) return;
        Peak& peak = peaks_[zone];
        // A zone that never needs cooling (no cooler, or none called for) has
        // a load of 0 but no month of its peak.
        if (!peak.seen || value > peak.load) peak = {value, value > 0.0 ? month : 0, true};
    }

    struct Peak {
        double load = 0.0;
        int32_t month = 0;
        bool seen = false;
    };
    Peak At(int32_t zone) const {
        auto found = peaks_.find(zone);
        Peak peak = found == peaks_.end() ? Peak{} : found->second;
        auto summary = summaryPeaks_.find(zone);
        if (summary != summaryPeaks_.end()) {
            peak.load = summary->second;
            peak.seen = true;
        }
        return peak;
    }

  private:
    size_t load_;
    size_t peak_;
    std::map<int32_t, Peak> peaks_;
    std::map<int32_t, double> summaryPeaks_;
};

struct DesignOptions {
    ModelRunOptions run;
};

void PrintLoads(const DesignOptions& options, const std::vector<ZoneInfo>& zones,
                const DesignLoads& loads, bool withMonth, int64_t runId) {
    const char* loadName = withMonth ? "design_cooling_kw" : "design_heating_kw";
    if (options.run.json) {
        nlohmann::json list = nlohmann::json::array();
        double total = 0.0;
        for (const ZoneInfo& zone : zones) {
            const DesignLoads::Peak peak = loads.At(zone.zone);
            nlohmann::json entry = {{"zone", zone.zone}, {"key", zone.key}, {"name", zone.name}};
            entry[loadName] = peak.seen ? JsonNumber(peak.load) : nlohmann::json(nullptr);
            if (withMonth) entry["peak_month"] = peak.month;
            total += peak.load;
            list.push_back(std::move(entry));
        }
        nlohmann::json json = {{"run", runId},
                               {"database", options.run.db},
                               {"model", options.run.model},
                               {"status", "finished"},
                               {"zones", std::move(list)}};
        json["building"] = {{loadName, JsonNumber(total)}};
        fmt::print("{}\n", JsonText(json));
        return;
    }
    fmt::print("Run {} stored in {}\n\n", runId, options.run.db);
    fmt::print("{:<6} {:<24} {:>12}{}\n", "Zone", "Name", withMonth ? "Cooling kW" : "Heating kW",
               withMonth ? "  Month" : "");
    double total = 0.0;
    for (const ZoneInfo& zone : zones) {
        const DesignLoads::Peak peak = loads.At(zone.zone);
        total += peak.load;
        const std::string load = peak.seen ? fmt::format("{:.2f}", peak.load) : "-";
        const std::string month =
            withMonth && peak.seen && peak.month >= 1 && peak.month <= 12
                ? fmt::format("  {:>5}", kMonthNames[static_cast<size_t>(peak.month)])
                : (withMonth ? "      -" : "");
        fmt::print("{:<6} {:<24.24} {:>12}{}\n", zone.key, zone.name, load, month);
    }
    fmt::print("{:<6} {:<24} {:>12.2f}\n", "All", "Building (sum of zones)", total);
}

int RunDesign(const DesignOptions& options, bool heatGain) {
    DesignLoads loads(
        heatGain ? ZoneVariable::Cooling : ZoneVariable::Heating,
        heatGain ? SummaryPosition::PeakCoolingLoad : SummaryPosition::PeakHeatingLoad);
    std::vector<ZoneInfo> zones;
    EngineState* state = nullptr;
    ModelRun run;
    run.command = heatGain ? "heatgain" : "heatloss";
    // Time-step records carry the loads in kW.
    run.prepare = [](SimulateX& control) { control.SetTimeSteplyResults(true); };
    run.run = [&](SimulateX& control) {
        state = &control.State();
        zones = ZoneRows(*state);
        if (heatGain)
            control.HeatGain();
        else
            control.HeatLoss();
    };
    run.onRecord = [&](const ResultRecord& record) { loads.Add(record, state->clock.month); };
    run.report = [&](SimulateX&, const StoredRun& stored) {
        PrintLoads(options, zones, loads, heatGain, stored.runId);
    };
    return RunModel(options.run, run);
}

void RegisterDesignCommand(CLI::App& app, const char* name, const char* description,
                           bool heatGain) {
    auto options = std::make_shared<DesignOptions>();
    CLI::App* command = app.add_subcommand(name, description);
    AddModelRunOptions(*command, options->run);
    command->callback([options, heatGain] { SetExitCode(RunDesign(*options, heatGain)); });
}

}  // namespace

void RegisterDesignCommands(CLI::App& app) {
    RegisterDesignCommand(app, "heatloss",
                          "Run the heating design, store its records and print each zone's load",
                          false);
    RegisterDesignCommand(app, "heatgain",
                          "Run the cooling design, store its records and print each zone's "
                          "peak load and its month",
                          true);
}

}  // namespace kz7::app
