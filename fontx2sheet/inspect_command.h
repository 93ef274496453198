// fontx2sheet inspect: what fonts are and what is wrong with them.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

struct InspectArgs {
    std::vector<std::string> fonts;
    bool json = false, blocks = false, recursive = false;
};
// Adds the subcommand and its options, every value checked as it is parsed.
CLI::App *add_inspect_command(CLI::App &app, InspectArgs *args);
int run_inspect(const InspectArgs &args);
