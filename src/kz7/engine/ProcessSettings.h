#pragma once
// Process-wide settings: the control's shared properties and the values the
// model document's option records set for the whole engine.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kz7 {

// Output selection of one output group: one flag per interval, 1 time step,
// 2 hour, 3 day, 4 month (index 0..3).
using OutputSelection = std::array<int16_t, 4>;
using ZoneOutputOptions = std::array<OutputSelection, 10>;
using PlantOutputOptions = std::array<OutputSelection, 3>;

struct ProcessSettings {
    std::string supportFilePath;
    // Keywords of records that the host reads from the model document itself;
    // the engine passes over them without a message.
    std::vector<std::string> hostKeywords;
    // Folder of the control's temporary files; empty means the system's.
    std::string temporaryFolder;

    // Output flags of the control.
    bool hourlyResults = false;
    bool halfHourlyResults = false;
    bool timeSteplyResults = false;
    bool dailyResults = false;
    bool generateWeatherDataEvents = false;

    int32_t scenario = 0;
    bool noGain = false;
    bool doShading = false;
    bool intermittent = false;
    float preheat = 0.0f;
    float startOcc = 0.0f;
    float endOcc = 0.0f;
    bool devRights = false;
    bool useOTE = false;
    bool useUAT = false;
    std::string sbemPath;
    std::string klimaPath;
    std::string klimaProgram;
    bool generateReport = false;
    bool includeCostOutputs = false;
    bool includeTableSizeHeaderReports = false;
    int32_t reportType = 0;
    std::string csvReportFilename;
    double gbpConversionRate = 1.0;
    std::string currencyCode;

    // Input-format switches (neither V5 nor V5_F set: version-4 layout).
    bool isV5 = false;
    bool isV5F = false;
    bool use300 = false;
    std::string diagnosticsFilename;

    // Values of the simulation and output option records.
    // Second single of "SimulationOptions": the control radiant fraction the
    // emitters and the preheat check mix air and radiant temperature with.
    float emitterControlValue = 0.0f;
    // Third single: the radiant weight of the comfort temperature alone.
    float resultStoreValue = 0.0f;
    int32_t outputDetailCode = 0;
    // Output selections of the default zone output options and of the plant
    // output options, as read (with the host's output flags forced in).
    ZoneOutputOptions zoneOutputOptions{};
    PlantOutputOptions plantOutputOptions{};

    // The location's exposure code and the outside convective coefficients
    // (W/m²K) it implies for walls and roofs. The construction readers use
    // them; the location record sets them. The defaults are those of a
    // normally exposed site.
    int32_t exposure = 2;
    float outsideConvectiveWall = 11.54f;
    float outsideConvectiveRoof = 19.87f;

    // Locale separators; a decimal "," implies the list separator ";".
    char decimalSeparator = '.';
    char listSeparator = ',';

    // Month lengths filled when a control is created, indexed 1..12.
    std::array<int32_t, 13> monthLengths{0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

    void SetDecimalSeparator(char separator) {
        decimalSeparator = separator;
        listSeparator = separator == ',' ? ';' : ',';
    }
};

}  // namespace kz7
