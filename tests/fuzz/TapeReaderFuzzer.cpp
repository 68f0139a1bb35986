// The reduced weather tape reader: the input is a tape, then (after the first
// zero byte, when there is one) its day-count file.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "kz7/weather/ReducedTape.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kz7;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    std::istringstream tape(std::string(input.substr(0, split)));
    std::istringstream dayCounts(split == std::string_view::npos ? std::string()
                                                                 : std::string(input.substr(split + 1)));
    MonthHourTable table;
    DayCountTable counts{};
    std::string dayCountName, problem;
    ReadTapeTable(tape, table, dayCountName, problem);
    ReadDayCounts(dayCounts, counts, problem);
    return 0;
}
