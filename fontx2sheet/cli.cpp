// The command line: subcommands and options through CLI11; every usage
// error exits 64 naming the wrong option or value.
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/inputs.h"
#include "fontx2sheet/render_many.h"
#include "fontx2sheet/sheet_cells.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <string.h>

namespace {

const char *const MAX_PIXELS_HELP =
    "Refuse a final picture (after --scale and --labels) of more pixels. The default, "
    "8589934592, lets every unscaled sheet of a valid font through: at most 65,536 glyphs of "
    "255 x 255 pixels with their labels";

// RRGGBB as six hex digits.
bool parse_colour(const std::string &text, uint32_t *rgb) {
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    *rgb = (uint32_t)strtoul(text.c_str(), nullptr, 16);
    return true;
}

// 128 hex digits: the 64 bytes of the record as stored.
bool parse_settings(const std::string &text, SettingsRecord *record) {
    if (text.size() != 2 * sizeof *record ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    uint8_t bytes[sizeof *record];
    for (size_t i = 0; i < sizeof bytes; ++i)
        bytes[i] = (uint8_t)strtoul(text.substr(2 * i, 2).c_str(), nullptr, 16);
    memcpy(record, bytes, sizeof bytes);
    return true;
}

CLI::Validator checked(bool (*ok)(const std::string &), const char *what) {
    return CLI::Validator(
        [ok, what](std::string &value) {
            return ok(value) ? std::string() : "'" + value + "' is not " + what;
        },
        "");
}

bool is_colour(const std::string &text) {
    uint32_t rgb;
    return parse_colour(text, &rgb);
}
bool is_settings(const std::string &text) {
    SettingsRecord r;
    return parse_settings(text, &r);
}
bool is_code(const std::string &text) {
    LookupCode c;
    return parse_code_argument(text, &c);
}
bool is_utf8(const std::string &text) {
    std::vector<uint32_t> s;
    return utf8_decode(text, &s);
}
bool is_per_row(const std::string &text) {
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned long n = strtoul(text.c_str(), nullptr, 10);
    return n >= PER_ROW_MIN && n <= PER_ROW_MAX && n % FONTX2_LINE_CODES == 0;
}

struct RenderArgs {
    std::vector<std::string> fonts;
    std::string out, out_dir, order = "auto", ink = "FFFFFF", paper = "000000", settings;
    std::string missing_colour = "808080";
    bool column = false, labels = false, composite = false, strict = false, recursive = false;
    bool missing = false;
    uint32_t scale = 1, per_row = 0, gap = 0;
    uint64_t max_pixels = DEFAULT_MAX_PIXELS;
};

void add_render(CLI::App &app, RenderArgs &a) {
    CLI::App *render = app.add_subcommand(
        "render", "Draw a font's glyph sheet as a PNG: without options exactly the picture the "
                  "plug-in gives with no settings stored");
    render->add_option("FONT", a.fonts, "FONTX2 fonts ('-': standard input)")->required();
    CLI::Option *out =
        render->add_option("-o,--output", a.out, "The PNG to write ('-': standard output)");
    render
        ->add_option("--out-dir", a.out_dir,
                     "Write each font's sheet to DIR/NAME.png, NAME its file name without the "
                     "last extension")
        ->excludes(out);
    render->add_flag("-r,--recursive", a.recursive,
                     "Walk folders: every file beginning with FONTX2 under them");
    render
        ->add_option("--order", a.order,
                     "Double-byte fonts: auto (as the plug-in chooses), "
                     "jis (the 94 x 94 grid) or code (the font's own order)")
        ->check(CLI::IsMember({"auto", "jis", "code"}));
    render->add_flag("--column", a.column, "One column, a cell a row");
    render->add_flag("--labels", a.labels, "Codes in a margin: row codes left, columns above");
    render->add_option("--scale", a.scale, "Whole-pixel scale")->check(CLI::Range(1, 16));
    CLI::Option *ink = render->add_option("--ink", a.ink, "Glyph colour RRGGBB (default FFFFFF)")
                           ->check(checked(is_colour, "a colour RRGGBB"));
    CLI::Option *paper =
        render->add_option("--paper", a.paper, "Background colour RRGGBB (default 000000)")
            ->check(checked(is_colour, "a colour RRGGBB"));
    CLI::Option *composite = render->add_flag(
        "--composite", a.composite,
        "Composite as the plug-in does while the settings tool runs, into 24-bit RGB");
    render
        ->add_option("--settings", a.settings,
                     "With --composite: a settings record as the tool stores it (128 hex digits) "
                     "instead of the tool's defaults")
        ->check(checked(is_settings, "a settings record of 128 hex digits"))
        ->needs(composite);
    CLI::Option *per_row =
        render
            ->add_option("--per-row", a.per_row,
                         "Own code order: N codes a row, 16 to 256, a multiple of 16")
            ->check(checked(is_per_row, "a multiple of 16 from 16 to 256"));
    CLI::Option *gap = render->add_option("--gap", a.gap, "Paper pixels between cells (0 to 16)")
                           ->check(CLI::Range(0u, GAP_MAX));
    CLI::Option *missing = render->add_flag(
        "--missing", a.missing, "Fill cells whose code has no glyph in the file with grey");
    render->add_option("--missing-colour", a.missing_colour, "Their colour RRGGBB (default 808080)")
        ->check(checked(is_colour, "a colour RRGGBB"))
        ->needs(missing);
    composite->excludes(ink)->excludes(paper)->excludes(per_row)->excludes(gap)->excludes(missing);
    render->add_option("--max-pixels", a.max_pixels, MAX_PIXELS_HELP)->check(CLI::PositiveNumber);
    render->add_flag("--strict", a.strict, "Stop with status 1 when the font has a problem");
}

RenderOptions render_options(const RenderArgs &a) {
    RenderOptions o;
    o.order = a.order == "jis"    ? FONTX2_ORDER_JIS
              : a.order == "code" ? FONTX2_ORDER_CODE
                                  : FONTX2_ORDER_AUTO;
    o.labels = a.labels;
    o.scale = a.scale;
    parse_colour(a.ink, &o.ink);
    parse_colour(a.paper, &o.paper);
    o.per_row = a.per_row;
    o.gap = a.gap;
    o.missing = a.missing;
    parse_colour(a.missing_colour, &o.missing_colour);
    o.composite = a.composite;
    tool_settings(&o.settings);
    if (!a.settings.empty()) parse_settings(a.settings, &o.settings);
    // The command line's layout wins over the record's.
    o.column = a.column || (a.composite && o.settings.single_column);
    o.max_pixels = a.max_pixels;
    return o;
}

} // namespace

int fontx2sheet_main(int argc, char **argv) {
    CLI::App app("Check and preview FONTX2 bitmap fonts.", "fontx2sheet");
    app.require_subcommand(1);
    RenderArgs r;
    add_render(app, r);
    std::vector<std::string> inspect_fonts;
    bool json = false, inspect_recursive = false;
    CLI::App *inspect = app.add_subcommand("inspect", "Describe fonts and report what is wrong");
    inspect->add_option("FONT", inspect_fonts, "FONTX2 fonts ('-': standard input)")->required();
    inspect->add_flag("--json", json, "JSON Lines: one object per font");
    inspect->add_flag("-r,--recursive", inspect_recursive,
                      "Walk folders: every file beginning with FONTX2 under them");
    std::string lookup_font, text;
    std::vector<std::string> code_args;
    bool lookup_strict = false;
    CLI::App *lookup = app.add_subcommand("lookup", "Show where codes' glyphs lie, and the glyphs");
    lookup->add_option("FONT", lookup_font, "The FONTX2 font ('-': standard input)")->required();
    lookup->add_option("CODE", code_args, "0x93FA or decimal: a code; U+00FC: a character")
        ->check(checked(is_code, "a code (0x93FA, decimal, at most 0xFFFF) or U+XXXX"));
    lookup->add_option("--text", text, "Characters (UTF-8), converted to the font's codes")
        ->check(checked(is_utf8, "UTF-8 text"));
    lookup->add_flag("--strict", lookup_strict, "Status 1 when the font has a problem");
    try {
        app.parse(argc, argv);
        if (lookup->parsed() && code_args.empty() && text.empty())
            throw CLI::RequiredError("lookup needs a CODE or --text");
        if (app.got_subcommand("render") && r.out.empty() && r.out_dir.empty())
            throw CLI::RequiredError("render: -o or --out-dir");
    } catch (const CLI::CallForHelp &e) {
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        fprintf(stderr, "fontx2sheet: %s\nRun 'fontx2sheet --help' for the options.\n", e.what());
        return EXIT_USAGE;
    }
    if (inspect->parsed()) {
        std::vector<std::string> fonts;
        int status = expand_inputs(inspect_fonts, inspect_recursive, &fonts);
        return std::max(status, run_inspect(fonts, json));
    }
    if (lookup->parsed()) {
        std::vector<LookupCode> codes(code_args.size());
        for (size_t i = 0; i < code_args.size(); ++i) parse_code_argument(code_args[i], &codes[i]);
        return run_lookup(lookup_font, codes, text, lookup_strict);
    }
    RenderTargets targets;
    targets.fonts = r.fonts;
    targets.out = r.out;
    targets.out_dir = r.out_dir;
    targets.recursive = r.recursive;
    return run_render_many(targets, render_options(r), r.strict);
}
