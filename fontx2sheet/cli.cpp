// The command line: subcommands and options through CLI11; every usage
// error exits 64 naming the wrong option or value.
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/inputs.h"
#include "fontx2sheet/make.h"
#include "fontx2sheet/render_many.h"
#include "fontx2sheet/sheet_cells.h"

#include "fontx2sheet/cli_checked.h"

#include <algorithm>
#include <errno.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char *const MAX_PIXELS_HELP =
    "Refuse a final picture (after --scale and --labels) of more pixels, 1 to "
    "18446744073709551615. The default, 8589934592, lets every unscaled sheet of a valid font "
    "through: at most 65,536 glyphs of 255 x 255 pixels with their labels";

// RRGGBB or #RRGGBB: six hex digits.
bool parse_colour(std::string text, uint32_t *rgb) {
    if (!text.empty() && text[0] == '#') text.erase(0, 1);
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
bool is_pixel_limit(const std::string &text) {
    if (text.empty() || text.size() > 20 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    unsigned long long v = strtoull(text.c_str(), nullptr, 10);
    return errno == 0 && v > 0;
}
bool is_scale(const std::string &text) {
    return !text.empty() && text.size() <= 2 &&
           text.find_first_not_of("0123456789") == std::string::npos && atoi(text.c_str()) >= 1 &&
           atoi(text.c_str()) <= 16;
}
bool is_per_row(const std::string &text) {
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned long n = strtoul(text.c_str(), nullptr, 10);
    return n >= PER_ROW_MIN && n <= PER_ROW_MAX && n % FONTX2_LINE_CODES == 0;
}
bool is_utf8(const std::string &text) {
    std::vector<uint32_t> s;
    return utf8_decode(text, &s);
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

// The sheets the plug-in never shows; none of them with --composite.
void add_sheet_options(CLI::App *render, RenderArgs &a, CLI::Option *composite) {
    CLI::Option *per_row =
        render
            ->add_option("--per-row", a.per_row,
                         "Own code order: N codes a row, 16 to 256, a multiple of 16")
            ->type_name("N")
            ->check(checked(is_per_row, "a multiple of 16 from 16 to 256"));
    CLI::Option *gap = render->add_option("--gap", a.gap, "Paper pixels between cells, 0 to 16")
                           ->type_name("N")
                           ->check(CLI::Range(0u, GAP_MAX));
    CLI::Option *missing = render->add_flag(
        "--missing", a.missing, "Fill cells whose code has no glyph in the file with grey");
    render
        ->add_option("--missing-colour", a.missing_colour,
                     "Their colour, RRGGBB or #RRGGBB (default 808080)")
        ->type_name("RRGGBB")
        ->check(checked(is_colour, "a colour RRGGBB or #RRGGBB"))
        ->needs(missing);
    composite->excludes(per_row)->excludes(gap)->excludes(missing);
}

void add_render(CLI::App &app, RenderArgs &a) {
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
    render
        ->add_option("--order", a.order,
                     "Double-byte fonts: auto (the JIS grid unless most codes lie outside it), "
                     "jis (the 94 x 94 JIS X 0208 grid) or code (the font's own code order, 16 "
                     "codes a row)")
        ->type_name("ORDER")
        ->check(CLI::IsMember({"auto", "jis", "code"}));
    render->add_flag("--column", a.column, "One column, a glyph a row");
    render->add_flag("--labels", a.labels, "Codes in a margin: row codes left, columns above");
    render->add_option("--scale", a.scale, "Each pixel becomes N x N pixels, N from 1 to 16")
        ->type_name("N")
        ->check(checked(is_scale, "a scale from 1 to 16"));
    CLI::Option *ink =
        render->add_option("--ink", a.ink, "Glyph colour, RRGGBB or #RRGGBB (default FFFFFF)")
            ->type_name("RRGGBB")
            ->check(checked(is_colour, "a colour RRGGBB or #RRGGBB"));
    CLI::Option *paper = render
                             ->add_option("--paper", a.paper,
                                          "Background colour, RRGGBB or #RRGGBB (default 000000)")
                             ->type_name("RRGGBB")
                             ->check(checked(is_colour, "a colour RRGGBB or #RRGGBB"));
    CLI::Option *composite = render->add_flag(
        "--composite", a.composite,
        "The picture the gridglyph viewer plug-in gives while its settings tool (kovelt) runs: "
        "24-bit RGB");
    render
        ->add_option("--settings", a.settings,
                     "With --composite: a kovelt settings record as the tool stores it (128 hex "
                     "digits) instead of the tool's defaults")
        ->type_name("HEX")
        ->check(checked(is_settings, "a settings record of 128 hex digits"))
        ->needs(composite);
    add_sheet_options(render, a, composite->excludes(ink)->excludes(paper));
    render->add_option("--max-pixels", a.max_pixels, MAX_PIXELS_HELP)
        ->type_name("PIXELS")
        ->check(checked(is_pixel_limit, "a number of pixels from 1 to 18446744073709551615"));
    render->add_flag("--strict", a.strict,
                     "Write nothing and exit 1 when the font has a problem (else a warning)");
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

struct InspectArgs {
    std::vector<std::string> fonts;
    bool json = false, blocks = false, recursive = false;
};

void add_inspect(CLI::App &app, InspectArgs &a) {
    CLI::App *inspect =
        app.add_subcommand("inspect", "Describe fonts and report their problems and notes");
    inspect->add_option("FONT", a.fonts, "FONTX2 fonts ('-': standard input)")->required();
    inspect->add_flag("-r,--recursive", a.recursive,
                      "Walk folders: every file beginning with FONTX2 under them");
    inspect->add_flag("--json", a.json, "JSON Lines: one object per font");
    inspect->add_flag("--blocks", a.blocks, "With the block table of double-byte fonts");
}

struct LookupArgs {
    std::string font, text, encoding;
    std::vector<std::string> codes;
    bool strict = false;
};

void add_lookup(CLI::App &app, LookupArgs &a) {
    CLI::App *lookup = app.add_subcommand("lookup", "Show where codes' glyphs lie, and the glyphs");
    lookup->add_option("FONT", a.font, "The FONTX2 font ('-': standard input)")->required();
    lookup->add_option("CODE", a.codes, "0x93FA or decimal: a code; U+00FC: a character")
        ->check(checked(is_code, "a code (0x93FA, decimal, at most 0xFFFF) or U+XXXX"));
    lookup->add_option("--text", a.text, "Characters (UTF-8), converted to the font's codes")
        ->type_name("TEXT");
    lookup
        ->add_option("--encoding", a.encoding,
                     "The font's code set for --text and U+ characters, any name iconv knows "
                     "(ISO-8859-1, CP437, EUC-KR...); default CP932, or UTF-16 for a font in "
                     "its own code order")
        ->type_name("NAME");
    lookup->add_flag("--strict", a.strict, "Exit 1 when the font has a problem");
}

// Checks that need more than one option's value; throws as CLI11 does.
void check_lookup(const CLI::App *lookup, const LookupArgs &a) {
    if (!lookup->parsed()) return;
    if (a.codes.empty() && a.text.empty()) throw CLI::RequiredError("lookup: a CODE or --text");
    if (!is_utf8(a.text)) throw CLI::ValidationError("--text", "the text is not UTF-8");
    if (!a.encoding.empty() && !code_set_known(a.encoding))
        throw CLI::ValidationError("--encoding",
                                   "'" + a.encoding + "' is not a code set iconv knows");
}

// A display side in pixels, 1 to 65535; a line gap, 0 to 255.
bool is_display_side(const std::string &text) {
    return !text.empty() && text.size() <= 5 &&
           text.find_first_not_of("0123456789") == std::string::npos && atoi(text.c_str()) >= 1 &&
           atoi(text.c_str()) <= 65535;
}
bool is_line_gap(const std::string &text) {
    return !text.empty() && text.size() <= 3 &&
           text.find_first_not_of("0123456789") == std::string::npos && atoi(text.c_str()) <= 255;
}

struct TextArgs {
    TextOptions o;
    std::string font, font2, ink = "FFFFFF", paper = "000000", wrap = "char";
};

void add_text_look(CLI::App *t, TextArgs &a) {
    t->add_option("--line-gap", a.o.line_gap, "N paper rows between lines, 0 to 255 (default 0)")
        ->type_name("N")
        ->check(checked(is_line_gap, "a gap from 0 to 255"));
    t->add_option("--scale", a.o.scale, "Each pixel becomes N x N pixels, N from 1 to 16")
        ->type_name("N")
        ->check(checked(is_scale, "a scale from 1 to 16"));
    t->add_option("--ink", a.ink, "Glyph colour, RRGGBB or #RRGGBB (default FFFFFF)")
        ->type_name("RRGGBB")
        ->check(checked(is_colour, "a colour RRGGBB or #RRGGBB"));
    t->add_option("--paper", a.paper, "Background colour, RRGGBB or #RRGGBB (default 000000)")
        ->type_name("RRGGBB")
        ->check(checked(is_colour, "a colour RRGGBB or #RRGGBB"));
}

void add_text(CLI::App &app, TextArgs &a) {
    CLI::App *t = app.add_subcommand("text", "Draw a string as a display shows it, with one font "
                                             "or a single-byte and a double-byte font");
    t->add_option("FONT", a.font, "A font of either kind")->required();
    t->add_option("FONT2", a.font2,
                  "A font of the other kind: codes below 0x100 come from the single-byte font, "
                  "the others from the double-byte one");
    t->add_option("--text", a.o.text, "UTF-8 characters; @FILE reads a file, @- standard input")
        ->type_name("TEXT")
        ->required();
    t->add_option("-o,--output", a.o.out, "The PNG to write ('-': standard output, not a terminal)")
        ->type_name("PNG");
    t->add_flag("--ascii", a.o.ascii, "Print the picture at scale 1 (# ink, . paper) instead");
    t->add_option("--encoding", a.o.encoding,
                  "The code set the text is converted with, any name iconv knows; default CP932, "
                  "or code points for a double-byte font in its own code order")
        ->type_name("NAME");
    t->add_option("--width", a.o.width, "The display's width, 1 to 65535: lines wrap or are cut")
        ->type_name("PX")
        ->check(checked(is_display_side, "a width from 1 to 65535"));
    t->add_option("--height", a.o.height,
                  "The display's height, 1 to 65535: lines below it are "
                  "not shown")
        ->type_name("PX")
        ->check(checked(is_display_side, "a height from 1 to 65535"));
    t->add_option("--wrap", a.wrap, "With --width: char (default), word or none (cut at the edge)")
        ->type_name("MODE")
        ->check(CLI::IsMember({"char", "word", "none"}));
    add_text_look(t, a);
    t->add_flag("--strict", a.o.strict, "Write nothing and exit 1 when a character is missing");
}

// Checks that need more than one option's value; throws as CLI11 does.
void check_text(const CLI::App *text, const TextArgs &a) {
    if (!text->parsed()) return;
    if (a.o.out.empty() == !a.o.ascii) throw CLI::ValidationError("text", "give -o PNG or --ascii");
    if (a.o.text.compare(0, 1, "@") != 0 && !is_utf8(a.o.text))
        throw CLI::ValidationError("--text", "the text is not UTF-8");
    if (!a.o.encoding.empty() && !code_set_known(a.o.encoding))
        throw CLI::ValidationError("--encoding",
                                   "'" + a.o.encoding + "' is not a code set iconv knows");
}

TextOptions text_options(TextArgs &a) {
    a.o.fonts = {a.font};
    if (!a.font2.empty()) a.o.fonts.push_back(a.font2);
    a.o.wrap = a.wrap == "word" ? WRAP_WORD : a.wrap == "none" ? WRAP_NONE : WRAP_CHAR;
    parse_colour(a.ink, &a.o.ink);
    parse_colour(a.paper, &a.o.paper);
    return a.o;
}

} // namespace

int fontx2sheet_main(int argc, char **argv) {
    CLI::App app("Check, preview, make and fix FONTX2 bitmap fonts.", "fontx2sheet");
    app.require_subcommand(1);
    app.set_version_flag("--version", "fontx2sheet " FONTX2SHEET_VERSION);
    RenderArgs r;
    add_render(app, r);
    InspectArgs in;
    add_inspect(app, in);
    LookupArgs lu;
    add_lookup(app, lu);
    TextArgs t;
    add_text(app, t);
    FixArgs fix_args;
    add_fix(app, &fix_args);
    MakeOptions make_options;
    add_make(app, &make_options);
    if (unknown_subcommand(app, argc, argv)) return EXIT_USAGE;
    try {
        app.parse(argc, argv);
        check_lookup(app.get_subcommand("lookup"), lu);
        if (app.got_subcommand("render") && r.out.empty() && r.out_dir.empty())
            throw CLI::RequiredError("render: -o or --out-dir");
        check_text(app.get_subcommand("text"), t);
    } catch (const CLI::Success &e) { // --help, --version
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        fprintf(stderr, "fontx2sheet: %s\nRun 'fontx2sheet --help' for the options.\n", e.what());
        return EXIT_USAGE;
    }
    if (app.got_subcommand("inspect")) {
        std::vector<std::string> fonts;
        int status = expand_inputs(in.fonts, in.recursive, &fonts);
        return std::max(status, run_inspect(fonts, in.json, in.blocks));
    }
    if (app.got_subcommand("text")) return run_text(text_options(t));
    if (app.got_subcommand("fix")) return run_fix(fix_args);
    if (app.got_subcommand("make")) return run_make(make_options);
    if (app.got_subcommand("lookup")) {
        std::vector<LookupCode> codes(lu.codes.size());
        for (size_t i = 0; i < lu.codes.size(); ++i) parse_code_argument(lu.codes[i], &codes[i]);
        return run_lookup(lu.font, codes, lu.text, lu.encoding, lu.strict);
    }
    RenderTargets targets;
    targets.fonts = r.fonts;
    targets.out = r.out;
    targets.out_dir = r.out_dir;
    targets.recursive = r.recursive;
    return run_render_many(targets, render_options(r), r.strict);
}
