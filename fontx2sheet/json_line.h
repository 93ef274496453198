// The one way the commands write JSON: a value as one line.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

// Keys in the order they were set, so reports read as documented.
typedef nlohmann::ordered_json Json;

// The value and a line feed: control bytes and DEL escaped as \u00xx, other
// bytes as they are; bytes that are not UTF-8 become U+FFFD.
std::string json_line(const Json &value);
