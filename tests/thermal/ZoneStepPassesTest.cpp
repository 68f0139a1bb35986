// The zone set starts each zone's step within the gains pass, takes the
// comfort extremes within the solution pass and has each zone's results
// filed as soon as it is solved; across partitions that add to an earlier
// or a later zone's sums and air taken from a later zone this must give
// exactly what starting every zone first, then all gains, then all
// solutions, then filing every zone gives.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "kz7/model/SolvedZoneListener.h"
#include "support/ModelText.h"

namespace kz7::test {
namespace {

// Zone 1's partitions couple zone 2 (zone 2 must start in zone 1's turn);
// zone 3's glazing towards zone 1 couples zone 1, which has started by then.
std::string PartitionedZones() {
    ZoneText a;
    a.key = "1";
    a.opaque = BoxElements() + Opaque("P", "PART", 12, 3, 0, 90, "2") + Opaque("P", "LPART", 6, 3, 0, 90, "2");
    a.glazed = Window("GLZ", 4, 180);
    a.airflow = Air("I", "100", 0.5) + Air("A", "100", 1.0, "3,3");
    a.gains = Gain(900, 0.4);
    ZoneText b;
    b.key = "2";
    b.opaque = Opaque("W", "WALL", 20, 1, 0, 90) + Opaque("P", "PART", 12, 3, 0, 90, "1") +
               Opaque("P", "LPART", 6, 3, 0, 90, "1");
    ZoneText c;
    c.key = "3";
    c.opaque = BoxWithoutGround();
    c.glazed = Glazed("G", "GLZ", 3, 6, 0, 90, "-1,1");
    return ZoneRecord(a) + ZoneRecord(b) + ZoneRecord(c);
}

std::vector<uint32_t> StepState(Engine& engine) {
    std::vector<uint32_t> bits;
    for (const char* key : {"1", "2", "3"}) {
        const Zone& zone = engine.zone(key);
        for (const float value :
             {zone.step.Ta2, zone.step.Te2, zone.step.Tm2, zone.step.Tr2, zone.step.GISP2,
              zone.step.SIGKTP, zone.step.SIGKP, static_cast<float>(zone.MaxAirTemperature),
              static_cast<float>(zone.MinComfortTemperature)})
            bits.push_back(std::bit_cast<uint32_t>(value));
        for (const float flow : zone.elements.StepFlows()) bits.push_back(std::bit_cast<uint32_t>(flow));
    }
    return bits;
}

std::vector<uint32_t> FiledValues(Zone& zone) {
    zone.FileStepValues();
    const ZoneStepValues& values = zone.stepValues;
    std::vector<uint32_t> bits{static_cast<uint32_t>(values.SetPositions()),
                               static_cast<uint32_t>(values.SetPositions() >> 32)};
    for (size_t p = 0; p < values.Values().size() && p < 64; ++p)
        if ((values.SetPositions() >> p) & 1u)
            bits.push_back(std::bit_cast<uint32_t>(values.Values()[p]));
    return bits;
}

// What each zone files as soon as it is solved, in the order filed.
struct FiledAtSolution : SolvedZoneListener {
    std::vector<int32_t> positions;
    std::vector<std::vector<uint32_t>> values;
    void ZoneSolved(int32_t position, Zone& zone) override {
        positions.push_back(position);
        values.push_back(FiledValues(zone));
    }
};

TEST(ZoneStepPasses, FusedPassesChangeNoBit) {
    Engine fused(PartitionedZones());
    Engine separate(PartitionedZones());
    fused.Start();
    separate.Start();
    for (int step = 0; step < 200; ++step) {
        const float toa = 2.0f + 0.05f * static_cast<float>(step);
        for (Engine* engine : {&fused, &separate})
            engine->SetWeather(toa, 0.4f, 2.8f + 0.002f * static_cast<float>(step), 400.0f, 90.0f, 3);
        FiledAtSolution filed;
        fused.state.zones->InitTimeStep();
        ASSERT_TRUE(fused.state.zones->SimulateStep(&filed));
        fused.state.zones->EndStep();
        for (Zone& zone : *separate.state.zones) zone.InitTimeStep();
        for (Zone& zone : *separate.state.zones) {
            zone.SolveGains();
            zone.Acum();
        }
        for (Zone& zone : *separate.state.zones) zone.SolveKZ7();
        for (Zone& zone : *separate.state.zones) zone.EndStep();
        ASSERT_EQ(StepState(fused), StepState(separate)) << "step " << step;
        ASSERT_EQ(filed.positions, (std::vector<int32_t>{1, 2, 3}));
        for (size_t z = 0; z < 3; ++z)
            ASSERT_EQ(filed.values[z],
                      FiledValues(separate.state.zones->Item(static_cast<int32_t>(z) + 1)))
                << "step " << step << ", zone " << z + 1;
    }
    EXPECT_NE(fused.zone("2").step.SIGKP, 0.0f);
}

}  // namespace
}  // namespace kz7::test
