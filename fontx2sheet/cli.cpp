// The command line: subcommands and options through CLI11; every usage
// error exits 64 naming the wrong option or value.
#include "fontx2sheet/fontx2sheet.h"

#include <CLI/CLI.hpp>

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

struct RenderArgs {
    std::string font, out, order = "auto", ink = "FFFFFF", paper = "000000", settings;
    bool column = false, labels = false, composite = false, strict = false;
    uint32_t scale = 1;
    uint64_t max_pixels = DEFAULT_MAX_PIXELS;
};

void add_render(CLI::App &app, RenderArgs &a) {
    CLI::App *render = app.add_subcommand(
        "render", "Draw a font's glyph sheet as a PNG: without options exactly the picture the "
                  "plug-in gives with no settings stored");
    render->add_option("FONT", a.font, "The FONTX2 font")->required();
    render->add_option("-o,--output", a.out, "The PNG to write ('-': standard output)")->required();
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
    composite->excludes(ink)->excludes(paper);
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
    o.composite = a.composite;
    tool_settings(&o.settings);
    if (!a.settings.empty()) parse_settings(a.settings, &o.settings);
    // The command line's layout wins over the record's.
    o.column = a.column || (a.composite && o.settings.single_column);
    o.max_pixels = a.max_pixels;
    return o;
}

struct TextArgs {
    TextOptions o;
    std::string font, font2, ink = "FFFFFF", paper = "000000", wrap = "char";
};

bool is_text_argument(const std::string &text) {
    return (!text.empty() && text[0] == '@') || is_utf8(text);
}

CLI::App *add_text(CLI::App &app, TextArgs &a) {
    CLI::App *t = app.add_subcommand("text", "Draw a string as a display shows it, with one font "
                                             "or a single-byte and a double-byte font");
    t->add_option("FONT", a.font, "A font of either kind")->required();
    t->add_option("FONT2", a.font2,
                  "A font of the other kind: codes below 0x100 come from the "
                  "single-byte font, the others from the double-byte one");
    t->add_option("--text", a.o.text, "UTF-8 characters; @FILE reads a file, @- standard input")
        ->required()
        ->check(checked(is_text_argument, "UTF-8 text"));
    CLI::Option *out = t->add_option("-o,--output", a.o.out, "The PNG ('-': standard output)");
    t->add_flag("--ascii", a.o.ascii, "Print the picture at scale 1 (# ink, . paper) instead")
        ->excludes(out);
    t->add_option("--encoding", a.o.encoding, "Convert the text with this code set (iconv's name)")
        ->check(checked(text_encoding_known, "a code set iconv knows"));
    t->add_option("--width", a.o.width, "The display's width: lines wrap or are cut at it")
        ->check(CLI::Range(1, 65535));
    t->add_option("--height", a.o.height, "The display's height: lines below are not shown")
        ->check(CLI::Range(1, 65535));
    t->add_option("--line-gap", a.o.line_gap, "Paper rows between lines")
        ->check(CLI::Range(0, 255));
    t->add_option("--wrap", a.wrap, "With --width: char (default), word or none (cut)")
        ->check(CLI::IsMember({"char", "word", "none"}));
    t->add_option("--scale", a.o.scale, "Whole-pixel scale")->check(CLI::Range(1, 16));
    t->add_option("--ink", a.ink, "Glyph colour RRGGBB (default FFFFFF)")
        ->check(checked(is_colour, "a colour RRGGBB"));
    t->add_option("--paper", a.paper, "Background colour RRGGBB (default 000000)")
        ->check(checked(is_colour, "a colour RRGGBB"));
    t->add_flag("--strict", a.o.strict, "Status 1, nothing written, when a character is missing");
    return t;
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
    CLI::App app("Check and preview FONTX2 bitmap fonts.", "fontx2sheet");
    app.require_subcommand(1);
    RenderArgs r;
    add_render(app, r);
    std::vector<std::string> inspect_fonts;
    bool json = false;
    CLI::App *inspect = app.add_subcommand("inspect", "Describe fonts and report what is wrong");
    inspect->add_option("FONT", inspect_fonts, "FONTX2 fonts")->required();
    inspect->add_flag("--json", json, "JSON Lines: one object per font");
    std::string lookup_font, text;
    std::vector<std::string> code_args;
    bool lookup_strict = false;
    CLI::App *lookup = app.add_subcommand("lookup", "Show where codes' glyphs lie, and the glyphs");
    lookup->add_option("FONT", lookup_font, "The FONTX2 font")->required();
    lookup->add_option("CODE", code_args, "0x93FA or decimal: a code; U+00FC: a character")
        ->check(checked(is_code, "a code (0x93FA, decimal, at most 0xFFFF) or U+XXXX"));
    lookup->add_option("--text", text, "Characters (UTF-8), converted to the font's codes")
        ->check(checked(is_utf8, "UTF-8 text"));
    lookup->add_flag("--strict", lookup_strict, "Status 1 when the font has a problem");
    TextArgs t;
    CLI::App *text_command = add_text(app, t);
    try {
        app.parse(argc, argv);
        if (lookup->parsed() && code_args.empty() && text.empty())
            throw CLI::RequiredError("lookup needs a CODE or --text");
        if (text_command->parsed() && t.o.out.empty() && !t.o.ascii)
            throw CLI::RequiredError("text: -o OUT.png or --ascii");
    } catch (const CLI::CallForHelp &e) {
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        fprintf(stderr, "fontx2sheet: %s\nRun 'fontx2sheet --help' for the options.\n", e.what());
        return EXIT_USAGE;
    }
    if (inspect->parsed()) return run_inspect(inspect_fonts, json);
    if (text_command->parsed()) return run_text(text_options(t));
    if (lookup->parsed()) {
        std::vector<LookupCode> codes(code_args.size());
        for (size_t i = 0; i < code_args.size(); ++i) parse_code_argument(code_args[i], &codes[i]);
        return run_lookup(lookup_font, codes, text, lookup_strict);
    }
    return run_render(r.font, r.out, render_options(r), r.strict);
}
