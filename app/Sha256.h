#pragma once
// SHA-256 of a text, as lower-case hex: the fingerprint a run keeps of its
// model (the same as `sha256sum` gives for the model file).
#include <string>
#include <string_view>

namespace kz7::app {

std::string Sha256Hex(std::string_view data);

}  // namespace kz7::app
