// Every example in examples/ reads without an error message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/Zone.h"

namespace kz7 {
namespace {

struct Example {
    const char* file;
    int32_t zones;
};

TEST(ExampleModelsTest, EachExampleReadsWithoutErrors) {
    for (const Example& example :
         {Example{"test-cell.kz7", 1}, Example{"small-office.kz7", 5}, Example{"house.kz7", 2}}) {
        EngineState state;
        std::vector<std::string> errors;
        state.errorHandler = [&errors](const std::string& text) { errors.push_back(text); };
        SimulateX control(state);
        control.SetSupportFilePath(KZ7_SOURCE_DIR "/support");
        control.SetInputFileName(std::string(KZ7_SOURCE_DIR "/examples/") + example.file);
        EXPECT_TRUE(control.ReadInputData()) << example.file;
        EXPECT_TRUE(errors.empty()) << example.file << ": " << (errors.empty() ? "" : errors[0]);
        EXPECT_EQ(state.zones->Count(), example.zones) << example.file;
    }
}

}  // namespace
}  // namespace kz7
