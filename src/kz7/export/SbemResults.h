#pragma once
// The SBEM tool's "_sim.csv" result file, read as sections: a line starting
// with "REPORT-" heads a section, and the comma-separated lines after it, up
// to the next heading, are its rows.
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "kz7/control/OutputData.h"

#include "kz7/output/ResultVariables.h"

namespace kz7 {

inline constexpr std::string_view kInternalGainsHeading =
    "REPORT- LD-I Details of Internal heat production for zone: ";
inline constexpr std::string_view kCoolingDemandHeading = "REPORT- LD-C Details of Cooling demand for zone: ";
inline constexpr std::string_view kHeatingDemandHeading = "REPORT- LD-H Details of Heating demand for zone: ";
inline constexpr std::string_view kPrimaryEnergyHeading =
    "REPORT- PEPS Project Energy Performance. Primary energy consumption";

using SbemRow = std::vector<std::string>;

class SbemSimResults {
  public:
    // Reads the file; nothing when it cannot be read.
    static std::optional<SbemSimResults> Load(const std::filesystem::path& file);
    // Splits `text` into its sections.
    static SbemSimResults Parse(std::string_view text);

    // The rows of the section headed exactly `heading` (trailing blanks and
    // commas of the heading line ignored); nullptr when there is none.
    const std::vector<SbemRow>* Section(std::string_view heading) const;

    // A zone's monthly record values, month 1..12 at index 0..11: internal
    // heat production, cooling demand and heating demand of the month (the
    // last figure of the month's row in each of the three sections). Nothing
    // when the file holds none of the zone's sections.
    std::optional<std::array<ValueArray, 12>> ZoneMonths(std::string_view zoneName) const;
    // The primary energy figures: every field after the first of every row
    // of the primary-energy section; empty when the section is absent.
    ValueArray PrimaryEnergy() const;

  private:
    std::unordered_map<std::string, std::vector<SbemRow>> sections_;
};

// The month (1..12) a row's first field names: "Jan".."Dec" (any case, also
// spelled out) or a number 1..12; 0 for any other field.
int32_t MonthOfRow(std::string_view field);

}  // namespace kz7
