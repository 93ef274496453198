// fontx2sheet make: writes the font, reads it back as the project's reader and
// display libraries do, and keeps it only when both see every glyph meant.
#include "fontx2sheet/make.h"

#include <CLI/CLI.hpp>

#include <ctype.h>
#include <errno.h>
#include <memory>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

namespace {

bool c_identifier(const std::string &text) {
    if (text.empty() || (text[0] >= '0' && text[0] <= '9')) return false;
    for (char c : text)
        if (!(isalnum((unsigned char)c) || c == '_')) return false;
    return true;
}

bool font_name_ok(const std::string &text) {
    if (text.size() > FONTX2_NAME_BYTES) return false;
    for (char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

CLI::Validator make_check(bool (*ok)(const std::string &), const char *what) {
    return CLI::Validator(
        [ok, what](std::string &value) {
            return ok(value) ? std::string() : "'" + value + "' is not " + what;
        },
        "");
}

bool chars_ok(const std::string &text) {
    std::vector<bool> keep;
    std::string why;
    return (text.size() > 1 && text[0] == '@') || parse_char_ranges(text, &keep, &why);
}

// The C array's name: --symbol, else the output's file name without its
// extension, characters outside C identifiers as '_'.
std::string c_symbol(const MakeOptions &o) {
    if (!o.symbol.empty()) return o.symbol;
    std::string base = o.out == "-" ? "fontx2_font" : o.out.substr(o.out.rfind('/') + 1);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    for (char &c : base)
        if (!(isalnum((unsigned char)c) || c == '_')) c = '_';
    return base.empty() || (base[0] >= '0' && base[0] <= '9') ? "_" + base : base;
}

std::string counted(uint64_t n, const char *what) {
    return count_text(n) + " " + what + (n == 1 ? "" : "s");
}

std::string summary(const MadeGlyphs &made, const Fontx2Written &w) {
    std::string text = made.codes + " codes, " + std::to_string(made.glyphs.width) + " x " +
                       std::to_string(made.glyphs.height) + " cells, " +
                       counted(made.glyphs.codes.size(), "glyph");
    if (made.glyphs.double_byte)
        text += " in " + counted(w.blocks, "block") + ", " +
                counted(w.blank_glyphs, "blank glyph") + " added by merging";
    return text;
}

std::vector<uint8_t> c_header(const MakeOptions &o, const MadeGlyphs &made,
                              const Fontx2Written &w) {
    std::string source = o.source.substr(o.source.rfind('/') + 1), name = c_symbol(o);
    for (size_t at; (at = source.find("*/")) != std::string::npos;) source[at + 1] = '_';
    std::string text = "/* FONTX2 font made by fontx2sheet make from " + source + ":\n * " +
                       summary(made, w) + ". */\n#pragma once\n#include <stdint.h>\n\n" +
                       "const uint8_t " + name + "[] = {";
    for (size_t i = 0; i < w.bytes.size(); ++i) {
        char hex[8];
        snprintf(hex, sizeof hex, "0x%02X,", w.bytes[i]);
        text += (i % 12 ? " " : "\n    ") + std::string(hex);
    }
    text += "\n};\nconst unsigned " + name + "_size = " + std::to_string(w.bytes.size()) + ";\n";
    return std::vector<uint8_t>(text.begin(), text.end());
}

void print_report(const MakeOptions &o, const MadeGlyphs &made, const Fontx2Written &w) {
    std::string where = o.out == "-" ? "standard output" : o.out;
    report(where, summary(made, w) + ", " + counted(made.pixels_cut, "pixel") + " cut, " +
                      counted(w.bytes.size(), "byte"));
    if (!o.json) return;
    std::string file;
    for (char c : o.out) {
        char esc[8];
        snprintf(esc, sizeof esc, "\\u%04x", (unsigned char)c);
        file += c == '"' || c == '\\' || (unsigned char)c < 0x20 ? esc : std::string(1, c);
    }
    printf("{\"file\":\"%s\",\"codes\":\"%s\",\"width\":%u,\"height\":%u,\"glyphs\":%zu,"
           "\"blocks\":%u,\"blank_glyphs\":%llu,\"pixels_cut\":%llu,\"bytes\":%zu}\n",
           file.c_str(), made.codes.c_str(), made.glyphs.width, made.glyphs.height,
           made.glyphs.codes.size(), w.blocks,
           (unsigned long long)(made.glyphs.double_byte ? w.blank_glyphs : 0),
           (unsigned long long)made.pixels_cut, w.bytes.size());
    fflush(stdout);
}

int check_files(const MakeOptions &o) {
    std::vector<std::string> inputs = {o.source};
    if (!o.chars.empty() && o.chars[0] == '@') inputs.push_back(o.chars.substr(1));
    if (int status = refuse_output_over_input(o.out, inputs)) return status;
    if (o.json && o.out == "-") {
        report("--json", "writes to standard output: give -o a file");
        return EXIT_USAGE;
    }
    struct stat st;
    bool found = stat(o.source.c_str(), &st) == 0;
    if (!found || S_ISDIR(st.st_mode)) {
        report(o.source, found ? "is a folder, not a font" : strerror(errno));
        return EXIT_NOT_A_FONT;
    }
    return EXIT_FINE;
}

// The plug-in shows a double-byte font on the JIS grid only while most codes
// its blocks hold are JIS X 0208 cells; codes merged in blank count too.
bool on_jis_grid(const Fontx2Glyphs &glyphs, uint32_t max_blocks) {
    Fontx2Written w;
    Fontx2Font font;
    if (!fontx2_write_font(glyphs, max_blocks, &w) ||
        fontx2_read(&font, w.bytes.data(), w.bytes.size(), w.bytes.size()) != FONTX2_OK)
        return false;
    std::unique_ptr<Fontx2Layout> layout(new Fontx2Layout);
    fontx2_lay_out(layout.get(), &font, FONTX2_ORDER_AUTO, FONTX2_GRID);
    return layout->order == FONTX2_ORDER_JIS;
}

// A Shift-JIS font that --max-blocks would push off the JIS grid is refused,
// naming the fewest blocks that keep it there (fewer blocks merge more).
int check_grid(const MakeOptions &o, const MadeGlyphs &made) {
    if (made.codes != "sjis" || o.max_blocks >= 255 || on_jis_grid(made.glyphs, o.max_blocks) ||
        !on_jis_grid(made.glyphs, 255))
        return EXIT_FINE;
    uint32_t low = o.max_blocks, high = 255; // off the grid at low, on it at high
    while (high - low > 1) {
        uint32_t mid = (low + high) / 2;
        (on_jis_grid(made.glyphs, mid) ? high : low) = mid;
    }
    report("--max-blocks", std::to_string(o.max_blocks) +
                               " merges so many codes outside the JIS grid that viewers would "
                               "show the font in its own code order: give at least " +
                               std::to_string(high));
    return EXIT_USAGE;
}

} // namespace

CLI::App *add_make(CLI::App &app, MakeOptions *options) {
    MakeOptions &o = *options;
    CLI::App *make = app.add_subcommand(
        "make", "Make a FONTX2 font from a BDF, PCF, TrueType/OpenType or FONTX2 font");
    make->add_option("SOURCE", o.source, "The font to convert")->required();
    make->add_option("-o,--output", o.out, "The font to write ('-': standard output)")->required();
    make->add_option("--codes", o.codes,
                     "single (codes 0-255), sjis (double-byte Shift-JIS) or unicode "
                     "(double-byte, BMP code points); default by the source's charset")
        ->check(CLI::IsMember({"single", "sjis", "unicode"}));
    make->add_option("--encoding", o.encoding,
                     "With single: the code set (iconv name, e.g. CP932, ISO-8859-1) that maps "
                     "characters to single-byte codes");
    make->add_option("--size", o.size,
                     "Pixels: the strike of that height, or outlines at that "
                     "many pixels per em")
        ->check(CLI::Range(1, 255));
    make->add_option("--width", o.width, "Cell width in pixels (default: the largest advance)")
        ->check(CLI::Range(1, 255));
    make->add_option("--height", o.height, "Cell height in pixels (default: ascent + descent)")
        ->check(CLI::Range(1, 255));
    make->add_option("--chars", o.chars,
                     "Only these characters: ranges U+0020-007E,U+3040-30FF or @FILE (the "
                     "characters of a UTF-8 text file)")
        ->check(make_check(chars_ok, "ranges like U+0020-007E,U+3040-30FF or @FILE"));
    make->add_option("--name", o.name, "Font name, at most 8 printable ASCII characters")
        ->check(make_check(font_name_ok, "at most 8 printable ASCII characters"))
        ->each([&o](const std::string &) { o.name_given = true; });
    make->add_option("--max-blocks", o.max_blocks, "Most blocks in the table")
        ->check(CLI::Range(1, 255));
    make->add_option("--format", o.format, "fnt (the font) or c (a C header holding it)")
        ->check(CLI::IsMember({"fnt", "c"}));
    make->add_option("--symbol", o.symbol, "With --format c: the array's name")
        ->check(make_check(c_identifier, "a C identifier"));
    make->add_flag("--json", o.json, "The report as one JSON object on standard output");
    return make;
}

int run_make(const MakeOptions &o) {
    if (int status = check_files(o)) return status;
    MadeGlyphs made;
    if (int status = make_glyphs(o, &made)) return status;
    if (made.glyphs.codes.empty()) {
        report(o.source, "no character is kept for " + made.codes + " codes: nothing written");
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
    if (int status =
            write_output(o.out, o.format == "c" ? c_header(o, made, written) : written.bytes))
        return status;
    print_report(o, made, written);
    return EXIT_FINE;
}
