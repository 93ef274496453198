// fontx2sheet render: its options, and the fonts it draws and where to.
#include "fontx2sheet/render_command.h"

#include "fontx2sheet/files.h"
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/inputs.h"
#include "fontx2sheet/options.h"
#include "fontx2sheet/render_font.h"
#include "fontx2sheet/sheet_cells.h"

#include <algorithm>
#include <map>
#include <string.h>
#include <sys/stat.h>

namespace {

const char *const MAX_PIXELS_HELP =
    "Refuse a final picture (after --scale and --labels) of more pixels, 1 to "
    "18446744073709551615. The default, 8589934592, lets every unscaled sheet of a valid font "
    "through: at most 65,536 glyphs of 255 x 255 pixels with their labels";

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

bool is_settings(const std::string &text) {
    SettingsRecord r;
    return parse_settings(text, &r);
}
bool is_pixel_limit(const std::string &text) {
    return decimal_within(text, 1, UINT64_MAX);
}
bool is_per_row(const std::string &text) {
    return decimal_within(text, PER_ROW_MIN, PER_ROW_MAX) &&
           strtoul(text.c_str(), nullptr, 10) % FONTX2_LINE_CODES == 0;
}

// The sheets the plug-in never shows; none of them with --composite.
void add_sheet_options(CLI::App *render, RenderOptions &o, CLI::Option *composite) {
    CLI::Option *per_row =
        render
            ->add_option("--per-row", o.per_row,
                         "Own code order: N codes a row, 16 to 256, a multiple of 16")
            ->type_name("N")
            ->check(checked(is_per_row, "a multiple of 16 from 16 to 256"));
    CLI::Option *gap = render->add_option("--gap", o.gap, "Paper pixels between cells, 0 to 16")
                           ->type_name("N")
                           ->check(CLI::Range(0u, GAP_MAX));
    CLI::Option *missing = render->add_flag(
        "--missing", o.missing, "Fill cells whose code has no glyph in the file with grey");
    add_colour_option(render, "--missing-colour", &o.missing_colour,
                      "Their colour, RRGGBB or #RRGGBB (default 808080)")
        ->needs(missing);
    composite->excludes(per_row)->excludes(gap)->excludes(missing);
}

// How the sheet looks: order, shape, labels, scale, colours, compositing.
void add_look_options(CLI::App *render, RenderOptions &o) {
    add_choice_option(
        render, "--order", &o.order,
        {{"auto", FONTX2_ORDER_AUTO}, {"jis", FONTX2_ORDER_JIS}, {"code", FONTX2_ORDER_CODE}},
        "Double-byte fonts: auto (the JIS grid unless most codes lie outside it), "
        "jis (the 94 x 94 JIS X 0208 grid) or code (the font's own code order, 16 "
        "codes a row)")
        ->type_name("ORDER");
    render->add_flag("--column", o.column, "One column, a glyph a row");
    render->add_flag("--labels", o.labels, "Codes in a margin: row codes left, columns above");
    add_scale_option(render, &o.scale);
    CLI::Option *ink = add_colour_option(render, "--ink", &o.ink,
                                         "Glyph colour, RRGGBB or #RRGGBB (default FFFFFF)");
    CLI::Option *paper = add_colour_option(render, "--paper", &o.paper,
                                           "Background colour, RRGGBB or #RRGGBB (default 000000)");
    CLI::Option *composite = render->add_flag(
        "--composite", o.composite,
        "The picture the gridglyph viewer plug-in gives while its settings tool (kovelt) runs: "
        "24-bit RGB");
    tool_settings(&o.settings);
    render
        ->add_option_function<std::string>(
            "--settings", [&o](const std::string &hex) { parse_settings(hex, &o.settings); },
            "With --composite: a kovelt settings record as the tool stores it (128 hex "
            "digits) instead of the tool's defaults")
        ->type_name("HEX")
        ->check(checked(is_settings, "a settings record of 128 hex digits"))
        ->needs(composite);
    add_sheet_options(render, o, composite->excludes(ink)->excludes(paper));
}

// ASCII letters in lower case: names a case-insensitive file system (macOS's
// default) takes for one file.
std::string folded(std::string name) {
    for (char &c : name)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return name;
}

// Each font's PNG in the folder, or a usage error when two would share one.
int output_paths(const std::vector<std::string> &fonts, const std::string &dir,
                 std::vector<std::string> *outputs) {
    std::map<std::string, std::string> taken; // folded NAME -> the font that has it
    for (const std::string &font : fonts) {
        if (font == "-") return usage_error("standard input has no name for --out-dir: use -o");
        const std::string name = output_name(font);
        auto it = taken.find(folded(name));
        if (it != taken.end())
            return usage_error("--out-dir: " + it->second + " and " + font +
                               " would both be written to " + name + ".png");
        taken[folded(name)] = font;
        outputs->push_back((dir.back() == '/' ? dir : dir + "/") + name + ".png");
    }
    return EXIT_FINE;
}

// --out-dir: a PNG for each font, none of them over any font, in a folder
// that exists.
int folder_outputs(const RenderArgs &args, const std::vector<std::string> &fonts,
                   std::vector<std::string> *outputs) {
    if (output_paths(fonts, args.out_dir, outputs) != EXIT_FINE) return EXIT_USAGE;
    // No sheet may replace any of the fonts, whichever font it is drawn from.
    for (const std::string &output : *outputs)
        if (refuse_output_over_input(output, fonts) != EXIT_FINE) return EXIT_USAGE;
    struct stat st;
    if (stat(args.out_dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        report(args.out_dir, "is not a folder: --out-dir needs one that exists");
        return EXIT_NO_OUTPUT;
    }
    return EXIT_FINE;
}

} // namespace

CLI::App *add_render_command(CLI::App &app, RenderArgs *args) {
    RenderArgs &a = *args;
    CLI::App *render = app.add_subcommand(
        "render", "Draw a font's glyph sheet as a PNG: one cell per glyph, in code order");
    render->add_option("FONT", a.fonts, "FONTX2 fonts ('-': standard input)")->required();
    CLI::Option *out =
        render
            ->add_option("-o,--output", a.out,
                         "The PNG of the one font ('-': standard output, not a terminal); never "
                         "the font")
            ->type_name("PNG");
    render
        ->add_option("--out-dir", a.out_dir,
                     "Write each font's sheet to DIR/NAME.png, NAME its file name without the "
                     "last extension")
        ->type_name("DIR")
        ->excludes(out);
    render->add_flag("-r,--recursive", a.recursive,
                     "Walk folders: every file beginning with FONTX2 under them");
    add_look_options(render, a.options);
    render->add_option("--max-pixels", a.options.max_pixels, MAX_PIXELS_HELP)
        ->type_name("PIXELS")
        ->check(checked(is_pixel_limit, "a number of pixels from 1 to 18446744073709551615"));
    render->add_flag("--strict", a.strict,
                     "Write nothing and exit 1 when the font has a problem (else a warning)");
    render->final_callback([&a] {
        if (a.out.empty() && a.out_dir.empty()) throw CLI::RequiredError("render: -o or --out-dir");
    });
    return render;
}

int run_render(const RenderArgs &args) {
    RenderOptions options = args.options;
    // The command line's layout wins over the record's.
    options.column = options.column || (options.composite && options.settings.single_column);
    std::vector<std::string> fonts, outputs;
    int status = expand_inputs(args.fonts, args.recursive, &fonts);
    if (args.out_dir.empty()) {
        if (fonts.size() > 1)
            return usage_error("-o writes one font's sheet, and " + std::to_string(fonts.size()) +
                               " fonts were given: use --out-dir");
        outputs.assign(fonts.size(), args.out);
    } else if (int refused = folder_outputs(args, fonts, &outputs)) {
        return refused == EXIT_USAGE ? refused : std::max(status, refused);
    }
    for (size_t i = 0; i < fonts.size(); ++i)
        status = std::max(status, render_font(fonts[i], outputs[i], options, args.strict));
    return status;
}
