// fontx2sheet make: its options; the block plan, from the codes alone; the
// font written once, read back as the project's reader and display
// libraries do, and kept only when both see every glyph meant.
#include "fontx2sheet/make_command.h"

#include "fontx2/fontx2_analysis.h"

#include "fontx2sheet/files.h"
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/json_line.h"
#include "fontx2sheet/make.h"
#include "fontx2sheet/options.h"

#include <stdio.h>

namespace {

bool font_name_ok(const std::string &text) {
    if (text.size() > FONTX2_NAME_BYTES) return false;
    for (char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

bool chars_ok(const std::string &text) {
    std::vector<bool> keep;
    std::string why;
    return parse_char_ranges(text, &keep, &why);
}

std::string counted(uint64_t n, const char *what) {
    return count_text(n) + " " + what + (n == 1 ? "" : "s");
}

std::string summary(const MadeGlyphs &made, const Fontx2Written &w) {
    std::string text = std::string(code_set_name(made.codes)) +
                       (made.encoding.empty() ? "" : " (" + made.encoding + ")") + " codes, " +
                       std::to_string(made.glyphs.width) + " x " +
                       std::to_string(made.glyphs.height) + " cells, " +
                       counted(made.glyphs.codes.size(), "glyph");
    if (made.glyphs.double_byte)
        text += " in " + counted(w.blocks, "block") + ", " +
                counted(w.blank_glyphs, "blank glyph") + " added by merging";
    return text;
}

// The bytes -o gets: the font, or C text holding or declaring it.
std::vector<uint8_t> output_bytes(const MakeArgs &o, const MadeGlyphs &made,
                                  const Fontx2Written &w) {
    if (o.format == MakeFormat::FNT) return w.bytes;
    COutput c;
    c.header = o.format == MakeFormat::H;
    c.symbol = o.symbol.empty() ? c_symbol_for(o.out) : o.symbol;
    c.attribute = o.attribute;
    c.source = o.source;
    c.summary = summary(made, w);
    return c_output(c, w.bytes);
}

void print_report(const MakeArgs &o, const MadeGlyphs &made, const Fontx2Written &w) {
    std::string where = o.out == "-" ? "standard output" : o.out;
    if (made.past_end)
        report(o.source, "glyphs-cut: " + counted(made.past_end, "glyph") +
                             " of its table lie past the end of the file: left out");
    report(where, summary(made, w) + ", " + counted(made.pixels_cut, "pixel") + " cut, " +
                      counted(w.bytes.size(), "byte") +
                      (made.unencoded ? "; " + counted(made.unencoded, "source glyph") +
                                            " without an encoding left out"
                                      : ""));
    for (const std::string &note : made.notes) report(where, note);
    if (!o.json) return;
    fputs(json_line({{"file", o.out},
                     {"code_set", code_set_name(made.codes)},
                     {"width", made.glyphs.width},
                     {"height", made.glyphs.height},
                     {"glyphs_kept", made.glyphs.codes.size()},
                     {"blocks", w.blocks},
                     {"merged_glyphs", made.glyphs.double_byte ? w.blank_glyphs : 0},
                     {"pixels_cut", made.pixels_cut},
                     {"bytes", w.bytes.size()},
                     {"glyphs_unencoded", made.unencoded},
                     {"glyphs_past_end", made.past_end},
                     {"encoding", made.encoding},
                     {"notes", made.notes}})
              .c_str(),
          stdout);
    fflush(stdout);
}

// A JIS X 0208 cell: a two-byte Shift-JIS code whose lead byte is at most 0xEF.
bool jis_cell(uint32_t code) {
    return fontx2_sjis_is_double_byte(code) && code >> 8 <= 0xEF;
}

// Whether the plug-in shows the font planned in at most max_blocks blocks on
// the JIS grid: while at least half of the codes its blocks hold (codes
// merged in blank count too) are JIS X 0208 cells. Decided from the plan
// alone; nothing is written.
bool on_jis_grid(const std::vector<uint32_t> &codes, uint32_t max_blocks) {
    uint64_t held = 0, cells = 0;
    for (const Fontx2Range &r : fontx2_plan_blocks(codes, max_blocks))
        for (uint32_t code = r.first_code; code <= r.last_code; ++code) {
            ++held;
            cells += jis_cell(code);
        }
    return held > 0 && 2 * cells >= held;
}

// A Shift-JIS font that --max-blocks would push off the JIS grid is refused,
// naming the fewest blocks that keep it there (fewer blocks merge more).
int check_grid(const MakeArgs &o, const MadeGlyphs &made) {
    const std::vector<uint32_t> &codes = made.glyphs.codes;
    if (made.codes != CodeSet::SJIS || o.max_blocks >= 255 || on_jis_grid(codes, o.max_blocks) ||
        !on_jis_grid(codes, 255))
        return EXIT_FINE;
    uint32_t low = o.max_blocks, high = 255; // off the grid at low, on it at high
    while (high - low > 1) {
        uint32_t mid = (low + high) / 2;
        (on_jis_grid(codes, mid) ? high : low) = mid;
    }
    report("--max-blocks", std::to_string(o.max_blocks) +
                               " merges so many codes outside the JIS grid that viewers would "
                               "show the font in its own code order: give at least " +
                               std::to_string(high));
    return EXIT_USAGE;
}

// The output may take neither the report's place nor an input's.
int check_files(const MakeArgs &o) {
    std::vector<std::string> inputs = {o.source};
    for (const std::string &file : char_files(o.chars)) inputs.push_back(file);
    if (int refused = refuse_terminal(o.out)) return refused;
    if (int refused = refuse_output_over_input(o.out, inputs)) return refused;
    // Definitions in a header give one copy per file that includes it, or none that links.
    size_t dot = o.out.rfind('.');
    std::string extension = dot == std::string::npos ? "" : o.out.substr(dot);
    if (o.format == MakeFormat::C && (extension == ".h" || extension == ".hpp")) {
        report(o.out, "--format c writes the C source that defines the font: name it .c, and "
                      "write its header with --format h");
        return EXIT_USAGE;
    }
    return refuse_json_with_standard_output(o.json, o.out);
}

// What the source gives: which characters, as which codes, at which size.
void add_source_options(CLI::App *make, MakeArgs &o) {
    add_choice_option(
        make, "--codes", &o.codes,
        {{"single", CodeSet::SINGLE},
         {"sjis", CodeSet::SJIS},
         {"unicode", CodeSet::UNICODE},
         {"double", CodeSet::DOUBLE}},
        "single (codes 0-255), sjis (double-byte Shift-JIS), unicode (double-byte, BMP code "
        "points) or double (the two-byte codes of --encoding); default by the source's charset")
        ->each([&o](const std::string &) { o.codes_given = true; });
    add_encoding_option(make, &o.encoding,
                        "With single or double: the code set (iconv name, e.g. CP932, "
                        "ISO-8859-1, EUC-KR, GBK) that maps characters to codes")
        ->check(checked(code_set_fits, "a code set of one or two bytes a character (UTF-8, "
                                       "UTF-16 and UTF-32 are not: use --codes unicode)"));
    make->add_option("--size", o.size,
                     "Pixels: the strike of that height, or outlines at that "
                     "many pixels per em")
        ->check(CLI::Range(1, 255));
    make->add_option("--chars", o.chars,
                     "Only these characters: ranges and files, comma-separated, in any order: "
                     "U+0020-007E,U+3040-30FF,@FILE (the characters of a UTF-8 text file)")
        ->check(checked(chars_ok, "ranges like U+0020-007E,U+3040-30FF and @FILE"));
}

// What is written: the cell, the name, the table, the format, the report.
void add_font_options(CLI::App *make, MakeArgs &o) {
    make->add_option("--width", o.width, "Cell width in pixels (default: the largest advance)")
        ->check(CLI::Range(1, 255));
    make->add_option("--height", o.height, "Cell height in pixels (default: ascent + descent)")
        ->check(CLI::Range(1, 255));
    make->add_option("--name", o.name, "Font name, at most 8 printable ASCII characters")
        ->check(checked(font_name_ok, "at most 8 printable ASCII characters"))
        ->each([&o](const std::string &) { o.name_given = true; });
    make->add_option("--max-blocks", o.max_blocks, "Most blocks in the table")
        ->check(CLI::Range(1, 255));
    add_choice_option(make, "--format", &o.format,
                      {{"fnt", MakeFormat::FNT}, {"c", MakeFormat::C}, {"h", MakeFormat::H}},
                      "fnt (the font), c (a C source defining it as an array) or h (a C header "
                      "declaring that array)");
    make->add_option("--symbol", o.symbol, "With --format c or h: the array's name")
        ->check(checked(c_symbol_ok, "a C identifier that is no C or C++ keyword"));
    make->add_option("--attribute", o.attribute,
                     "With --format c: a storage attribute after the array's name, e.g. PROGMEM")
        ->check(checked(c_attribute_ok, "an attribute such as PROGMEM or "
                                        "__attribute__((section(\".rodata.font\")))"));
    make->add_flag("--json", o.json, "The report as one JSON object on standard output");
}

} // namespace

CLI::App *add_make_command(CLI::App &app, MakeArgs *args) {
    CLI::App *make = app.add_subcommand(
        "make", "Make a FONTX2 font from a BDF, PCF, TrueType/OpenType or FONTX2 font");
    make->add_option("SOURCE", args->source, "The font to convert")->required();
    make->add_option("-o,--output", args->out, "The font to write ('-': standard output)")
        ->required();
    add_source_options(make, *args);
    add_font_options(make, *args);
    return make;
}

// A font just written has nothing a display library would show wrong: the
// first problem kind the analysis finds in it, or null.
static const char *made_font_problem(const std::vector<uint8_t> &bytes) {
    Fontx2Font font;
    Fontx2Analysis analysis;
    fontx2_read(&font, bytes.data(), bytes.size(), bytes.size());
    fontx2_analyse(&font, &analysis);
    for (const Fontx2Finding &f : analysis.findings)
        if (fontx2_kinds[f.kind].severity == FONTX2_PROBLEM) return fontx2_kinds[f.kind].name;
    return nullptr;
}

int run_make(const MakeArgs &o) {
    if (int status = check_files(o)) return status;
    MadeGlyphs made;
    if (int status = make_glyphs(o, &made)) return status;
    if (made.glyphs.codes.empty()) {
        report(o.source, "no character is kept for " + std::string(code_set_name(made.codes)) +
                             " codes: nothing written");
        return EXIT_PROBLEM;
    }
    if (int status = check_grid(o, made)) return status;
    Fontx2Written written;
    uint32_t bad = 0;
    if (!fontx2_write_font(made.glyphs, o.max_blocks, &written)) {
        report(o.out, "internal error: the glyphs could not be laid out; nothing written");
        return EXIT_SOFTWARE;
    }
    if (!fontx2_check_font(written.bytes, made.glyphs, &bad)) {
        report(o.out, "internal error: read back, code " + code_text(bad, true) +
                          " does not give the glyph meant for it; nothing written");
        return EXIT_SOFTWARE;
    }
    if (const char *kind = made_font_problem(written.bytes)) {
        report(o.out, std::string("internal error: the font made has a problem (") + kind +
                          "); nothing written");
        return EXIT_SOFTWARE;
    }
    if (int status = write_output(o.out, output_bytes(o, made, written))) return status;
    print_report(o, made, written);
    return EXIT_FINE;
}
