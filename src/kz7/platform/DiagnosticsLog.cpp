#include "kz7/platform/DiagnosticsLog.h"

#include <fstream>

namespace kz7 {

void AppendDiagnosticsLine(const std::string& fileName, std::string_view line) {
    if (fileName.empty()) return;
    std::ofstream log(fileName, std::ios::binary | std::ios::app);
    if (!log) return;
    log << line << '\n';
}

}  // namespace kz7
