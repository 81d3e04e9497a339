#pragma once
// --json output: nlohmann's ordered JSON (keys stay in the order they were written, so the
// output reads as the text form does), printed as one line.

#include <cstdio>
#include <optional>

#include <nlohmann/json.hpp>

namespace kelvra::tool {

using Json = nlohmann::ordered_json;

// The value, or null without one.
template <typename T>
Json jsonOrNull(const std::optional<T>& maybe) {
    return maybe ? Json(*maybe) : Json(nullptr);
}

// One line; bytes that are not UTF-8 (a camera name read from a device) are replaced, never fatal.
void printJson(const Json& document, std::FILE* out = stdout);

}  // namespace kelvra::tool
