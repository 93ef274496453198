// fontx2sheet inspect: its options, and the report of each font.
#include "fontx2sheet/inspect_command.h"

#include "fontx2sheet/files.h"
#include "fontx2sheet/findings.h"
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/inputs.h"
#include "fontx2sheet/inspect.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <stdio.h>

CLI::App *add_inspect_command(CLI::App &app, InspectArgs *args) {
    CLI::App *inspect =
        app.add_subcommand("inspect", "Describe fonts and report their problems and notes");
    inspect->add_option("FONT", args->fonts, "FONTX2 fonts ('-': standard input)")->required();
    inspect->add_flag("-r,--recursive", args->recursive,
                      "Walk folders: every file beginning with FONTX2 under them");
    inspect->add_flag("--json", args->json, "JSON Lines: one object per font");
    inspect->add_flag("--blocks", args->blocks, "With the block table of double-byte fonts");
    return inspect;
}

int run_inspect(const InspectArgs &args) {
    std::vector<std::string> paths;
    int status = expand_inputs(args.fonts, args.recursive, &paths);
    for (const std::string &path : paths) {
        LoadedFont loaded;
        if (load_font_or_report(path, &loaded) != EXIT_FINE) {
            if (args.json) fputs(inspect_json_error(path, loaded.error).c_str(), stdout);
            status = std::max(status, (int)EXIT_NOT_A_FONT);
            continue;
        }
        std::vector<Finding> findings = find_findings(&loaded.font, loaded.layout.get());
        fputs((args.json ? inspect_json(loaded, findings)
                         : inspect_text(loaded, findings, args.blocks))
                  .c_str(),
              stdout);
        if (any_problem(findings)) status = std::max(status, (int)EXIT_PROBLEM);
    }
    fflush(stdout);
    return status;
}
