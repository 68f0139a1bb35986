#pragma once
// Event source of result records: one call per zone, building-and-plant,
// weather or summary record (interval codes 1..6).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kz7 {

using ValueArray = std::vector<std::string>;

class OutputData {
public:
    using SaveHandler =
        std::function<void(int16_t& interval, int32_t& zone, ValueArray& values, double& date)>;
    using EraseHandler = std::function<void(int16_t& interval, int32_t& zone)>;

    void SaveData(int16_t interval, int32_t zone, ValueArray& values, double date) {
        if (onSave) onSave(interval, zone, values, date);
    }
    void EraseData(int16_t interval, int32_t zone) {
        if (onErase) onErase(interval, zone);
    }

    SaveHandler onSave;
    EraseHandler onErase;
};

}  // namespace kz7
