#pragma once
// The run clock: run state written by the engine object (and, where said, by
// the weather source) and read by every calculation.
#include <cstdint>
#include <string>

namespace kz7 {

struct SimulationPeriod {
    int32_t startDay = 1;
    int32_t startMonth = 1;
    int32_t startYear = 0;
    int32_t endDay = 31;
    int32_t endMonth = 12;
    int32_t endYear = 0;
};

struct RunClock {
    bool heatLossRun = false;
    bool heatGainRun = false;
    bool warmUp = false;
    int32_t runKind = 2;
    int32_t weatherType = 3;  // 2, 4: full-year hourly; 3: reduced tape

    int32_t year = 2003;
    int32_t month = 1;
    int32_t day = 1;
    int32_t dayType = 1;  // 1 Monday ... 7 Sunday
    double date = 0.0;    // OLE date of the current day
    int32_t hour = 1;     // 1..24
    float decimalHour = 0.0f;

    int32_t timeStep = 60;  // minutes
    double timeStepSeconds = 3600.0;

    int32_t numberOfDays = 365;
    int32_t warmUpDays = 0;
    int32_t heatGainDesignDays = 15;
    int32_t heatLossDesignDays = 50;
    float initialTemperature = 15.0f;

    SimulationPeriod period;
    float totalFloorArea = 0.0f;
    std::string programFolder;
    bool programFolderSet = false;

    // Calendar values the weather source sets when it opens its data.
    int32_t yearJan1 = 0;
    int32_t yearSimStart = 0;
    int32_t siteRecordSimStart = 0;

    void SetTimeStep(int32_t minutes) {
        timeStep = minutes;
        timeStepSeconds = static_cast<double>(minutes) * 60.0;
    }
};

}  // namespace kz7
