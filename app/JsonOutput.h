#pragma once
// JSON printed by the commands. Texts from a model are UTF-8, but a result
// store or a file from an older tool may hold other bytes: those print as
// U+FFFD instead of ending the program.
#include <string>

#include <nlohmann/json.hpp>

namespace kz7::app {

// A template so that ordered documents (inspect) keep their reading order.
template <class Json = nlohmann::json>
std::string JsonText(const Json& json) {
    return json.dump(2, ' ', false, Json::error_handler_t::replace);
}

}  // namespace kz7::app
