// Every example in examples/ reads through the host's loader without an error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModelFile.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/Zone.h"

namespace kz7::app {
namespace {

TEST(ExampleModelsTest, EachExampleReadsWithoutErrors) {
    for (const auto& [file, zones] :
         {std::pair{"test-cell.kz7", 1}, std::pair{"small-office.kz7", 5},
          std::pair{"house.kz7", 2}}) {
        EngineState state;
        std::vector<std::string> errors;
        state.errorHandler = [&errors](const std::string& text) { errors.push_back(text); };
        SimulateX control(state);
        EXPECT_EQ(LoadModel(control, std::string(KZ7_SOURCE_DIR "/examples/") + file,
                            KZ7_SOURCE_DIR "/support"),
                  "");
        EXPECT_TRUE(errors.empty()) << file << ": " << (errors.empty() ? "" : errors[0]);
        EXPECT_EQ(state.zones->Count(), zones) << file;
    }
}

}  // namespace
}  // namespace kz7::app
