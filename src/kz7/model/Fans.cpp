#include "kz7/model/Fans.h"

#include "kz7/engine/EngineState.h"

namespace kz7 {

void Fans::Read() {
    LineReader& reader = state_.reader;
    reader.NextLine();
    SYSPRESS = reader.NextSingle();
    SYSEFF = reader.NextSingle() / 100.0f;
    SYSMEFF = reader.NextSingle() / 100.0f;
    SYSPU = reader.NextSingle() / 100.0f;
    reader.NextLine();
    if (reader.AtEnd()) state_.ShowError("Fans is cut off by the end of the file");
}

}  // namespace kz7
