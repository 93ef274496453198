// The page's make: the command's make, its options parsed and checked as the
// command parses them, run on a source the page has put in the module's
// memory file system and writing its output there. The report goes to
// standard error, which the page shows.
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/make_command.h"

#include <CLI/CLI.hpp>
#include <emscripten.h>

#include <stdio.h>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" {

// args: count arguments after "make", each ended by a NUL byte, as they
// would follow 'fontx2sheet make' on a command line. Returns make's exit
// status.
EMSCRIPTEN_KEEPALIVE int fontx2_make(const char *args, int count) {
    // The module starts with a umask that leaves a new file no permission
    // at all, so the page could not read back what make wrote.
    umask(022);
    std::vector<std::string> words = {"fontx2sheet", "make"};
    for (int i = 0; i < count; ++i, args += words.back().size() + 1) words.push_back(args);
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(&w[0]);
    CLI::App app("make", "fontx2sheet");
    app.require_subcommand(1);
    MakeArgs options;
    add_make_command(app, &options);
    try {
        app.parse((int)argv.size(), argv.data());
    } catch (const CLI::ParseError &e) {
        // The command's words, less its pointer to --help, which the page has not.
        fprintf(stderr, "fontx2sheet: %s\n", e.what());
        return EXIT_USAGE;
    }
    return run_make(options);
}
}
