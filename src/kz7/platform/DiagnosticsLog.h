#pragma once
// The engine's diagnostics log: a plain text file the host names; every line
// is appended, and a log that cannot be written is silently skipped (a log
// must never stop a run).
#include <string>
#include <string_view>

namespace kz7 {

// Appends `line` and a line end to `fileName`; does nothing when the name is
// empty, and ignores any file error.
void AppendDiagnosticsLine(const std::string& fileName, std::string_view line);

}  // namespace kz7
