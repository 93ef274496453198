// An option check from a plain predicate: CLI11 names the value and what it
// should have been.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

inline CLI::Validator checked(bool (*ok)(const std::string &), const char *what) {
    return CLI::Validator(
        [ok, what](std::string &value) {
            return ok(value) ? std::string() : "'" + value + "' is not " + what;
        },
        "");
}
