#pragma once
// Copying a stored run from one result database into another: how the runs
// of a study spread over machines, each stored in a database of its own on
// the machine that ran it, end up in one.
#include <cstdint>
#include <filesystem>

#include "ResultDatabase.h"

namespace kz7::app {

// Copies run `run` of the result database `source` (facts, parameters,
// zones, variables, time axes, series and summary) into `target` as a new
// run, in one transaction, and returns its number there. Throws
// ResultDatabaseError naming the file when `source` is not a result database
// of this layout or has no such run; `target` is then left as it was.
int64_t CopyRun(ResultDatabase& target, const std::filesystem::path& source, int64_t run);

}  // namespace kz7::app
