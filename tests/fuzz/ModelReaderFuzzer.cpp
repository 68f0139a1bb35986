// The model document reader, as the host reaches it: the control clears the
// engine and reads the document from its file; then the checks a host makes
// on what was read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/Zone.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kz7;
    EngineState state;
    state.errorHandler = [](const std::string&) {};
    SimulateX control(state);
    control.MessageChange = [](std::string&) {};
    control.SetInputFileName(fuzz::WriteInput(".kz7", data, size));
    if (control.ReadInputData()) {
        std::vector<std::string> renumbered, positional;
        state.zones->ResultNumbers(&renumbered, &positional);
        state.zones->CheckReferences();
        state.zones->MatchPartitions();
    }
    return 0;
}
