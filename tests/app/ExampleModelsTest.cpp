// Every example in examples/ reads through the host's loader without an error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModelFile.h"
#include "ModelRun.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/Building.h"
#include "kz7/model/Zone.h"
#include "kz7/weather/Location.h"

namespace kz7::app {
namespace {

// Every example reads without an error or a warning (a record lost to a missing closing
// line is one), every zone it names exists, its building and its location are as
// written, and it names weather that is shipped with it, so that it runs as it stands.
TEST(ExampleModelsTest, EachExampleReadsWithoutErrors) {
    struct Example {
        const char* file;
        int32_t zones;
        const char* building;
        float latitude, longitude;
    };
    for (const Example& example : {Example{"test-cell.kz7", 1, "Test cell", 39.83f, 104.65f},
                                   Example{"small-office.kz7", 5, "Small office", 42.37f, 71.02f},
                                   Example{"house.kz7", 2, "House", 42.37f, 71.02f},
                                   Example{"office.kz7", 2, "Example office", 42.37f, 71.02f},
                                   Example{"starter.kz7", 1, "Starter office", 39.83f, 104.65f},
                                   Example{"shaded-cell.kz7", 1, "Test cell (shaded)", 39.83f, 104.65f}}) {
        SCOPED_TRACE(example.file);
        EngineState state;
        std::vector<std::string> errors;
        state.errorHandler = [&errors](const std::string& text) { errors.push_back(text); };
        state.warningHandler = [&errors](const std::string& text) { errors.push_back(text); };
        SimulateX control(state);
        EXPECT_EQ(LoadModel(control, std::string(KZ7_SOURCE_DIR "/examples/") + example.file,
                            KZ7_SOURCE_DIR "/support"),
                  "");
        EXPECT_TRUE(errors.empty()) << errors.front();
        EXPECT_EQ(state.zones->Count(), example.zones);
        EXPECT_EQ(state.zones->CheckReferences(), 0);
        EXPECT_EQ(state.building->Key, example.building);
        EXPECT_EQ(state.location->Latitude, example.latitude);
        EXPECT_EQ(state.location->Longitude, example.longitude);
        EXPECT_NE(WeatherFileOf(state), "") << WeatherNotFound(state);
    }
}

}  // namespace
}  // namespace kz7::app
