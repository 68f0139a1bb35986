// The EnergyPlus weather reader: header, hourly records and the weather rows
// it sends for a whole file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "kz7/engine/EngineState.h"
#include "kz7/weather/EnergyPlusWeather.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kz7;
    EngineState state;
    state.errorHandler = [](const std::string&) {};
    state.message.onText = [](std::string&) {};
    state.settings.generateWeatherDataEvents = true;
    EnergyPlusWeather weather(state);
    weather.OpenFile(fuzz::WriteInput(".epw", data, size));
    return 0;
}
