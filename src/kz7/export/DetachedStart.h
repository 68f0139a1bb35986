#pragma once
// Starts a program without waiting for it.
#include <string>
#include <vector>

namespace kz7 {

// Starts `words[0]` with the other words as its arguments and returns at
// once. The program runs on its own: a short-lived shell puts it in the
// background with its standard streams on /dev/null and ends, and that shell
// is reaped here, so the caller keeps no child process (and no zombie). Every
// word is quoted, so no word can run anything. False when the shell could
// not be started; whether the program itself starts is not known here.
bool StartDetached(const std::vector<std::string>& words);

}  // namespace kz7
