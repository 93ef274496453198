// The command line: each subcommand adds its options and runs; this only
// dispatches. Every usage error exits 64 naming the wrong option or value.
#include "fontx2sheet/fix_command.h"
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/inspect_command.h"
#include "fontx2sheet/lookup_command.h"
#include "fontx2sheet/make_command.h"
#include "fontx2sheet/render_command.h"
#include "fontx2sheet/text_command.h"

#include <CLI/CLI.hpp>

#include <stdio.h>

namespace {

// A first word that is no option and no subcommand is named, with the
// subcommands there are (CLI11 would only say one is required).
bool unknown_subcommand(CLI::App &app, int argc, char **argv) {
    if (argc < 2 || argv[1][0] == '-') return false;
    std::string names;
    for (const CLI::App *sub : app.get_subcommands({})) {
        if (sub->get_name() == argv[1]) return false;
        names += (names.empty() ? "" : ", ") + sub->get_name();
    }
    fprintf(stderr, "fontx2sheet: '%s' is not a subcommand; the subcommands are %s\n", argv[1],
            names.c_str());
    return true;
}

} // namespace

int fontx2sheet_main(int argc, char **argv) {
    CLI::App app("Check, preview, make and fix FONTX2 bitmap fonts.", "fontx2sheet");
    app.require_subcommand(1);
    app.set_version_flag("--version", "fontx2sheet " FONTX2SHEET_VERSION);
    app.footer("Exit statuses: 0 fine; 1 a font problem or nothing to draw; 2 an input that is "
               "not a font or cannot be read; 3 the output could not be made; 64 a usage "
               "error; 66 a text or --chars file that cannot be read; 70 a font made does not "
               "read back as meant (a bug).");
    RenderArgs render;
    InspectArgs inspect;
    LookupArgs lookup;
    TextArgs text;
    FixArgs fix;
    MakeArgs make;
    CLI::App *commands[] = {
        add_render_command(app, &render), add_inspect_command(app, &inspect),
        add_lookup_command(app, &lookup), add_text_command(app, &text),
        add_fix_command(app, &fix),       add_make_command(app, &make),
    };
    if (unknown_subcommand(app, argc, argv)) return EXIT_USAGE;
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success &e) { // --help, --version
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        return usage_error(e.what());
    }
    if (commands[1]->parsed()) return run_inspect(inspect);
    if (commands[2]->parsed()) return run_lookup(lookup);
    if (commands[3]->parsed()) return run_text(text);
    if (commands[4]->parsed()) return run_fix(fix);
    if (commands[5]->parsed()) return run_make(make);
    return run_render(render);
}
