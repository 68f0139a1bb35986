#pragma once
// The result variables a host receives: the 54 zone variables of every zone
// record (and of positions 1..54 of the building-and-plant record) and the
// plant values at positions 66..125 of the building-and-plant record.
//
// Each list below is the one table of its variables: the position constants
// and the tables read by the result stores and the host are generated from it,
// so a position, its name, unit, aggregation and output group cannot drift
// apart. docs/results.md describes every entry for the host.
#include <array>
#include <cstdint>
#include <string_view>

#include "kz7/output/EnergySlots.h"

namespace kz7 {

// How a variable's step values become an interval value: averaged variables
// give the mean over the interval's steps; summed variables (kW) give the
// hour's mean power (= kWh) per hour and the sum of hourly values per day
// and month.
enum class Aggregation : char { Averaged = 'A', Summed = 'S' };

// A value that cannot be given, and its text in the records.
constexpr float kMissingValue = -32768.0f;
inline constexpr const char* kMissingText = "-32768";

// X(position, name, unit, aggregation, group)
#define KZ7_ZONE_VARIABLES(X)                              \
    /* Group 1: temperatures */                            \
    X(1, AirTemperature, "°C", Averaged, 1)                \
    X(2, RadiantTemperature, "°C", Averaged, 1)            \
    X(3, ComfortTemperature, "°C", Averaged, 1)            \
    X(4, EnvironmentalTemperature, "°C", Averaged, 1)      \
    X(5, MassTemperature, "°C", Averaged, 1)               \
    X(6, ThirdMassTemperature, "°C", Averaged, 1)          \
    X(7, OutsideAirTemperature, "°C", Averaged, 1)         \
    /* Group 2: heating and cooling delivered */           \
    X(8, Heating, "kWh", Summed, 2)                        \
    X(9, Cooling, "kWh", Summed, 2)                        \
    X(10, SecondaryHeating, "kWh", Summed, 2)              \
    X(11, SecondaryCooling, "kWh", Summed, 2)              \
    X(12, HeatingDuty, "-", Averaged, 2)                   \
    X(13, CoolingDuty, "-", Averaged, 2)                   \
    /* Group 3: solar gains */                             \
    X(14, SolarGain, "kWh", Summed, 3)                     \
    X(15, TransmittedSolar, "kWh", Summed, 3)              \
    X(16, OpaqueSurfaceSolar, "kWh", Summed, 3)            \
    /* Group 4: internal gains by gain output name */      \
    X(17, OccupantGains, "kWh", Summed, 4)                 \
    X(18, LightingGains, "kWh", Summed, 4)                 \
    X(19, EquipmentGains, "kWh", Summed, 4)                \
    X(20, ProcessGains, "kWh", Summed, 4)                  \
    X(21, CateringGains, "kWh", Summed, 4)                 \
    X(22, OtherGains, "kWh", Summed, 4)                    \
    X(23, InternalGains, "kWh", Summed, 4)                 \
    /* Group 5: fabric heat flows by element type */       \
    X(24, WallHeatFlow, "kWh", Summed, 5)                  \
    X(25, GlazingHeatFlow, "kWh", Summed, 5)               \
    X(26, RoofHeatFlow, "kWh", Summed, 5)                  \
    X(27, RooflightHeatFlow, "kWh", Summed, 5)             \
    X(28, CeilingHeatFlow, "kWh", Summed, 5)               \
    X(29, FloorHeatFlow, "kWh", Summed, 5)                 \
    X(30, GroundFloorHeatFlow, "kWh", Summed, 5)           \
    X(31, ExternalFloorHeatFlow, "kWh", Summed, 5)         \
    X(32, DoorHeatFlow, "kWh", Summed, 5)                  \
    X(33, PartitionHeatFlow, "kWh", Summed, 5)             \
    X(34, OpeningHeatFlow, "kWh", Summed, 5)               \
    X(35, FabricHeatFlow, "kWh", Summed, 5)                \
    /* Group 6: air-flow heat */                           \
    X(36, InfiltrationHeatFlow, "kWh", Summed, 6)          \
    X(37, NaturalVentilationHeatFlow, "kWh", Summed, 6)    \
    X(38, MechanicalVentilationHeatFlow, "kWh", Summed, 6) \
    X(39, InterzoneAirflowHeatFlow, "kWh", Summed, 6)      \
    X(40, AirExchangeHeatFlow, "kWh", Summed, 6)           \
    X(41, AirMassFlow, "kg/s", Averaged, 6)                \
    /* Group 7: moisture */                                \
    X(42, MoistureContent, "g/kg", Averaged, 7)            \
    X(43, RelativeHumidity, "%", Averaged, 7)              \
    X(44, OutsideMoistureContent, "g/kg", Averaged, 7)     \
    X(45, LatentGain, "kWh", Summed, 7)                    \
    /* Group 8: occupancy and comfort */                   \
    X(46, OccupiedHours, "h", Summed, 8)                   \
    X(47, OccupiedAirTemperature, "°C", Averaged, 8)       \
    X(48, OccupiedComfortTemperature, "°C", Averaged, 8)   \
    X(49, HoursAboveComfortRange, "h", Summed, 8)          \
    X(50, HoursBelowComfortRange, "h", Summed, 8)          \
    /* Group 9: energy used in the zone */                 \
    X(51, GainsEnergyUse, "kWh", Summed, 9)                \
    X(52, FanElectricity, "kWh", Summed, 9)                \
    /* Group 10: emitter operation */                      \
    X(53, HeatingHours, "h", Summed, 10)                   \
    X(54, CoolingHours, "h", Summed, 10)

// Where a plant value comes from: a fixed slot of the building energy store,
// or the fuel slot of the k-th boiler or chiller (whose slot depends on the
// number of boilers).
enum class PlantSource { Slot, BoilerFuel, ChillerFuel };

// X(position, name, unit, group, source, slot or item number)
#define KZ7_PLANT_VARIABLES(X)                                                     \
    /* Plant group 1: heating and cooling */                                       \
    X(66, HeatingDelivered, "kWh", 1, Slot, EnergySlot::kHeatingDelivered)         \
    X(67, CoolingDelivered, "kWh", 1, Slot, EnergySlot::kCoolingDelivered)         \
    X(68, NetHeatingDelivered, "kWh", 1, Slot, EnergySlot::kNetHeating)            \
    X(69, BoilerOutput, "kWh", 1, Slot, EnergySlot::kBoilerOutput)                 \
    X(70, ChillerOutput, "kWh", 1, Slot, EnergySlot::kChillerOutput)               \
    /* Plant group 2: energy and carbon */                                         \
    X(71, SystemFanElectricity, "kWh", 2, Slot, EnergySlot::kFanElectricity)       \
    X(72, AuxiliaryElectricity, "kWh", 2, Slot, EnergySlot::kAuxiliaryElectricity) \
    X(73, ElectricityUse, "kWh", 2, Slot, EnergySlot::FuelUse(1))                  \
    X(74, Fuel2Use, "kWh", 2, Slot, EnergySlot::FuelUse(2))                        \
    X(75, Fuel3Use, "kWh", 2, Slot, EnergySlot::FuelUse(3))                        \
    X(76, Fuel4Use, "kWh", 2, Slot, EnergySlot::FuelUse(4))                        \
    X(77, Fuel5Use, "kWh", 2, Slot, EnergySlot::FuelUse(5))                        \
    X(78, Fuel6Use, "kWh", 2, Slot, EnergySlot::FuelUse(6))                        \
    X(79, GainsElectricityUse, "kWh", 2, Slot, EnergySlot::GainsFuelUse(1))        \
    X(80, GainsFuel2Use, "kWh", 2, Slot, EnergySlot::GainsFuelUse(2))              \
    X(81, GainsFuel3Use, "kWh", 2, Slot, EnergySlot::GainsFuelUse(3))              \
    X(82, GainsFuel4Use, "kWh", 2, Slot, EnergySlot::GainsFuelUse(4))              \
    X(83, GainsFuel5Use, "kWh", 2, Slot, EnergySlot::GainsFuelUse(5))              \
    X(84, GainsFuel6Use, "kWh", 2, Slot, EnergySlot::GainsFuelUse(6))              \
    X(85, CarbonDioxide, "kg", 2, Slot, EnergySlot::kCarbonDioxide)                \
    /* Plant group 3: fuel of each boiler and chiller */                           \
    X(86, Boiler1Fuel, "kWh", 3, BoilerFuel, 1)                                    \
    X(87, Boiler2Fuel, "kWh", 3, BoilerFuel, 2)                                    \
    X(88, Boiler3Fuel, "kWh", 3, BoilerFuel, 3)                                    \
    X(89, Boiler4Fuel, "kWh", 3, BoilerFuel, 4)                                    \
    X(90, Boiler5Fuel, "kWh", 3, BoilerFuel, 5)                                    \
    X(91, Boiler6Fuel, "kWh", 3, BoilerFuel, 6)                                    \
    X(92, Boiler7Fuel, "kWh", 3, BoilerFuel, 7)                                    \
    X(93, Boiler8Fuel, "kWh", 3, BoilerFuel, 8)                                    \
    X(94, Boiler9Fuel, "kWh", 3, BoilerFuel, 9)                                    \
    X(95, Boiler10Fuel, "kWh", 3, BoilerFuel, 10)                                  \
    X(96, Boiler11Fuel, "kWh", 3, BoilerFuel, 11)                                  \
    X(97, Boiler12Fuel, "kWh", 3, BoilerFuel, 12)                                  \
    X(98, Boiler13Fuel, "kWh", 3, BoilerFuel, 13)                                  \
    X(99, Boiler14Fuel, "kWh", 3, BoilerFuel, 14)                                  \
    X(100, Boiler15Fuel, "kWh", 3, BoilerFuel, 15)                                 \
    X(101, Boiler16Fuel, "kWh", 3, BoilerFuel, 16)                                 \
    X(102, Boiler17Fuel, "kWh", 3, BoilerFuel, 17)                                 \
    X(103, Boiler18Fuel, "kWh", 3, BoilerFuel, 18)                                 \
    X(104, Boiler19Fuel, "kWh", 3, BoilerFuel, 19)                                 \
    X(105, Boiler20Fuel, "kWh", 3, BoilerFuel, 20)                                 \
    X(106, Chiller1Fuel, "kWh", 3, ChillerFuel, 1)                                 \
    X(107, Chiller2Fuel, "kWh", 3, ChillerFuel, 2)                                 \
    X(108, Chiller3Fuel, "kWh", 3, ChillerFuel, 3)                                 \
    X(109, Chiller4Fuel, "kWh", 3, ChillerFuel, 4)                                 \
    X(110, Chiller5Fuel, "kWh", 3, ChillerFuel, 5)                                 \
    X(111, Chiller6Fuel, "kWh", 3, ChillerFuel, 6)                                 \
    X(112, Chiller7Fuel, "kWh", 3, ChillerFuel, 7)                                 \
    X(113, Chiller8Fuel, "kWh", 3, ChillerFuel, 8)                                 \
    X(114, Chiller9Fuel, "kWh", 3, ChillerFuel, 9)                                 \
    X(115, Chiller10Fuel, "kWh", 3, ChillerFuel, 10)                               \
    X(116, Chiller11Fuel, "kWh", 3, ChillerFuel, 11)                               \
    X(117, Chiller12Fuel, "kWh", 3, ChillerFuel, 12)                               \
    X(118, Chiller13Fuel, "kWh", 3, ChillerFuel, 13)                               \
    X(119, Chiller14Fuel, "kWh", 3, ChillerFuel, 14)                               \
    X(120, Chiller15Fuel, "kWh", 3, ChillerFuel, 15)                               \
    X(121, Chiller16Fuel, "kWh", 3, ChillerFuel, 16)                               \
    X(122, Chiller17Fuel, "kWh", 3, ChillerFuel, 17)                               \
    X(123, Chiller18Fuel, "kWh", 3, ChillerFuel, 18)                               \
    X(124, Chiller19Fuel, "kWh", 3, ChillerFuel, 19)                               \
    X(125, Chiller20Fuel, "kWh", 3, ChillerFuel, 20)

// Position constants: a zone sets `stepValues.Set(ZoneVariable::AirTemperature, Ta2)`.
enum class ZoneVariable : int32_t {
#define KZ7_ZONE_VARIABLE_ENUM(position, name, unit, aggregation, group) name = position,
    KZ7_ZONE_VARIABLES(KZ7_ZONE_VARIABLE_ENUM)
#undef KZ7_ZONE_VARIABLE_ENUM
};

enum class PlantVariable : int32_t {
#define KZ7_PLANT_VARIABLE_ENUM(position, name, unit, group, source, item) name = position,
    KZ7_PLANT_VARIABLES(KZ7_PLANT_VARIABLE_ENUM)
#undef KZ7_PLANT_VARIABLE_ENUM
};

constexpr int32_t kZoneVariableCount = 54;
// Cells of a record's row in the output store, and of a zone's step values:
// the most variables a record has (54) and unused cells up to whole
// eight-lane vectors, so that passes over a row have no remainder.
constexpr int32_t kRecordRowCells = 56;
constexpr int32_t kZoneOutputGroupCount = 10;
constexpr int32_t kFirstPlantPosition = 66;
constexpr int32_t kLastPlantPosition = 125;
constexpr int32_t kPlantVariableCount = kLastPlantPosition - kFirstPlantPosition + 1;
constexpr int32_t kPlantOutputGroupCount = 3;
// Boilers and chillers beyond these numbers are not reported one by one.
constexpr int32_t kReportedBoilers = 20;
constexpr int32_t kReportedChillers = 20;

struct ZoneVariableInfo {
    int32_t position;
    std::string_view name;
    std::string_view unit;
    Aggregation aggregation;
    int32_t group;
};

struct PlantVariableInfo {
    int32_t position;
    std::string_view name;
    std::string_view unit;
    int32_t group;
    PlantSource source;
    int32_t item;  // the slot for PlantSource::Slot, else the boiler or chiller number
};

// The tables in position order (entry i holds position i + 1, resp. 66 + i).
const std::array<ZoneVariableInfo, kZoneVariableCount>& ZoneVariables();
const std::array<PlantVariableInfo, kPlantVariableCount>& PlantVariables();
const ZoneVariableInfo& ZoneVariableAt(int32_t position);  // 1..54
std::string_view ZoneOutputGroupName(int32_t group);       // 1..10
std::string_view PlantOutputGroupName(int32_t group);      // 1..3

// The gain and element output tables behind the lookups below; in the
// header because zones file every gain and element through them at every step.
namespace detail {

struct GainOutputName {
    std::string_view code;
    ZoneVariable variable;
};

// "PE" is the occupancy code of the gain records.
inline constexpr std::array<GainOutputName, 5> kGainOutputNames{{
    {"PE", ZoneVariable::OccupantGains},
    {"LI", ZoneVariable::LightingGains},
    {"EQ", ZoneVariable::EquipmentGains},
    {"PR", ZoneVariable::ProcessGains},
    {"CA", ZoneVariable::CateringGains},
}};

struct ElementOutput {
    std::string_view elementCode;
    ZoneVariable variable;
    ZoneVariable total;
};

inline constexpr std::array<ElementOutput, 15> kElementOutputs{{
    {"W", ZoneVariable::WallHeatFlow, ZoneVariable::FabricHeatFlow},
    {"G", ZoneVariable::GlazingHeatFlow, ZoneVariable::FabricHeatFlow},
    {"R", ZoneVariable::RoofHeatFlow, ZoneVariable::FabricHeatFlow},
    {"L", ZoneVariable::RooflightHeatFlow, ZoneVariable::FabricHeatFlow},
    {"C", ZoneVariable::CeilingHeatFlow, ZoneVariable::FabricHeatFlow},
    {"F", ZoneVariable::FloorHeatFlow, ZoneVariable::FabricHeatFlow},
    {"S", ZoneVariable::GroundFloorHeatFlow, ZoneVariable::FabricHeatFlow},
    {"E", ZoneVariable::ExternalFloorHeatFlow, ZoneVariable::FabricHeatFlow},
    {"D", ZoneVariable::DoorHeatFlow, ZoneVariable::FabricHeatFlow},
    {"P", ZoneVariable::PartitionHeatFlow, ZoneVariable::FabricHeatFlow},
    {"O", ZoneVariable::OpeningHeatFlow, ZoneVariable::FabricHeatFlow},
    {"I", ZoneVariable::InfiltrationHeatFlow, ZoneVariable::AirExchangeHeatFlow},
    {"V", ZoneVariable::NaturalVentilationHeatFlow, ZoneVariable::AirExchangeHeatFlow},
    {"M", ZoneVariable::MechanicalVentilationHeatFlow, ZoneVariable::AirExchangeHeatFlow},
    {"A", ZoneVariable::InterzoneAirflowHeatFlow, ZoneVariable::AirExchangeHeatFlow},
}};

}  // namespace detail

// The gain output names: `HBGNCODE` of a gain is the 1-based position of its
// code in this table, 0 when the code is not in it.
int16_t GainOutputCode(std::string_view gainCode);
// The zone variable a gain's sensible output is filed under (OtherGains for 0).
inline ZoneVariable GainVariable(int16_t HBGNCODE) {
    if (HBGNCODE < 1 || HBGNCODE > static_cast<int16_t>(detail::kGainOutputNames.size()))
        return ZoneVariable::OtherGains;
    return detail::kGainOutputNames[static_cast<size_t>(HBGNCODE - 1)].variable;
}

// The element output codes: `HBELCODE` of an element is the 1-based position
// of its element code in this table, 0 when the code is not in it.
int16_t ElementOutputCode(std::string_view elementCode);
// An element's heat flow is filed under its code's variable and the total
// that variable belongs to (FabricHeatFlow or AirExchangeHeatFlow); an
// element output code of 0 under FabricHeatFlow only.
// An element output code as one byte: the code itself when the table has
// it, 0 (filed like 0) for any other.
inline uint8_t ElementOutputByte(int16_t HBELCODE) {
    const bool known =
        HBELCODE >= 1 && HBELCODE <= static_cast<int16_t>(detail::kElementOutputs.size());
    return known ? static_cast<uint8_t>(HBELCODE) : uint8_t{0};
}

}  // namespace kz7
