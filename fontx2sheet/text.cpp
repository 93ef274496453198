// fontx2sheet text: a string drawn as a display library on the device draws
// it. Each character becomes a code; codes below 0x100 come from the
// single-byte font when one is given, every other code from the double-byte
// font. Glyphs go left to right, top-aligned, one line per line of text,
// wrapped or cut at the display's edges; a missing glyph is an outline.
#include "fontx2sheet/text_command.h"

#include "fontx2sheet/code_set.h"
#include "fontx2sheet/files.h"
#include "fontx2sheet/findings.h"
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/lookup.h"
#include "fontx2sheet/picture.h"
#include "fontx2sheet/png.h"

#include <errno.h>
#include <set>
#include <stdio.h>
#include <string.h>

namespace {

// The fonts given: at most one of each kind.
struct TextFonts {
    const LoadedFont *single = nullptr;
    const LoadedFont *wide = nullptr; // the double-byte font
    // The font whose code set the text takes, and whose cell a character
    // without a code takes.
    const LoadedFont *main() const { return wide ? wide : single; }
};

// The code set's name in reports.
std::string code_set_name(const TextFonts &fonts, const std::string &encoding) {
    if (!encoding.empty()) return encoding;
    if (!fonts.wide) return "CP932 single bytes";
    return fonts.wide->layout->order == FONTX2_ORDER_CODE ? "Unicode" : "CP932";
}

// A character's code (of the Basic Multilingual Plane). Without an encoding
// the text takes the double-byte font's code set when there is one: CP932
// for a Shift-JIS font, the code point for a font in its own code order (so
// a single-byte partner takes Latin-1).
LookupCode text_code(const TextFonts &fonts, const std::string &encoding, uint32_t character) {
    return character_codes(*fonts.main(), character, encoding)[0];
}

// One character as it is drawn: its glyph, or an outline where it is missing.
struct Item {
    uint32_t character;
    size_t at;              // its first byte in the text
    const LoadedFont *font; // whose cell it takes
    const uint8_t *bitmap;  // null when missing
};

// Why a code of the font has no glyph to draw; empty when it has one. The
// glyph is the one a display library reads, trusting the count byte: where
// the count wrapped, that is what the device shows, not what the table holds.
std::string glyph_for(const LoadedFont &loaded, uint32_t code, Item *item) {
    const Fontx2Font *f = &loaded.font;
    Fontx2Glyph g;
    fontx2_device_lookup(f, code, &g);
    std::string head = code_text(code, f->double_byte || code > 0xFF) + ": ";
    if (!g.held && f->double_byte && f->declared_blocks < f->block_count)
        return head + "not in the first " +
               (f->declared_blocks == 1 ? "block" : count_text(f->declared_blocks) + " blocks") +
               ", all that the count byte announces (the table holds " +
               count_text(f->block_count) + ")";
    if (!g.held)
        return head + (f->double_byte ? "no block of the font holds it"
                                      : "a single-byte font holds codes 0x00-0xFF only");
    if (!g.present || !g.bitmap)
        return head + "its glyph lies past the end of the file (bytes " + count_text(g.offset) +
               " to " + count_text(g.offset + f->glyph_bytes - 1) + ", the file has " +
               count_text(f->whole_bytes) + ")";
    item->bitmap = g.bitmap;
    return "";
}

// The item of a character; *why says what is missing (empty: nothing).
Item text_item(const TextFonts &fonts, const std::string &encoding, const std::string &set,
               uint32_t character, size_t at, std::string *why) {
    Item item = {character, at, fonts.main(), nullptr};
    why->clear();
    if (character >= 0x10000) {
        *why = "lies outside the Basic Multilingual Plane: no FONTX2 font can hold it";
        return item;
    }
    LookupCode code = text_code(fonts, encoding, character);
    if (code.no_code) {
        *why = "has no code in " + set;
        return item;
    }
    if (code.code < 0x100 && fonts.single) item.font = fonts.single;
    *why = glyph_for(*item.font, code.code, &item);
    if (!why->empty()) *why = "-> " + *why;
    return item;
}

// The bytes of a character in well-formed UTF-8.
size_t utf8_length(uint32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// "U+00FC ü" (the character itself only when printable).
std::string character_name(const std::string &text, const Item &item) {
    char u[16];
    snprintf(u, sizeof u, "U+%04X", item.character);
    if (item.character < 0x20 || (item.character >= 0x7F && item.character < 0xA0)) return u;
    return u + (" " + text.substr(item.at, utf8_length(item.character)));
}

struct Place {
    size_t item;
    uint64_t x;
};
typedef std::vector<Place> Line;

uint64_t cell_width(const Item &item) {
    return item.font->font.glyph_width;
}

// Ends the line (pushing it) and gives the start of the next one: the
// glyphs after a space moved to it, when that space is given.
void break_line(const std::vector<Item> &items, Line *line, size_t space, uint64_t *x,
                std::vector<Line> *lines) {
    Line rest;
    if (space < line->size()) {
        rest.assign(line->begin() + (ptrdiff_t)space + 1, line->end());
        line->resize(space);
    }
    lines->push_back(*line);
    line->clear();
    *x = 0;
    for (const Place &p : rest) {
        line->push_back({p.item, *x});
        *x += cell_width(items[p.item]);
    }
}

// The last space of the line with a glyph before it, or the line's size.
size_t last_space(const std::vector<Item> &items, const Line &line) {
    for (size_t i = line.size(); i-- > 1;)
        if (items[line[i].item].character == ' ') return i;
    return line.size();
}

// Items [begin, end) (one line of the text) as display lines. A glyph that
// would cross the right edge starts a new line, unless it is the first.
void wrap_line(const std::vector<Item> &items, size_t begin, size_t end, const TextArgs &options,
               std::vector<Line> *lines) {
    Line line;
    uint64_t x = 0, width = options.wrap == TextWrap::NONE ? 0 : options.width;
    for (size_t i = begin; i < end; ++i) {
        uint64_t w = cell_width(items[i]);
        bool crosses = width && x > 0 && x + w > width;
        if (crosses && options.wrap == TextWrap::WORD) {
            if (items[i].character == ' ') { // the break itself, not drawn
                break_line(items, &line, line.size(), &x, lines);
                continue;
            }
            break_line(items, &line, last_space(items, line), &x, lines);
            crosses = x > 0 && x + w > width; // the word is longer than a line
        }
        if (crosses) break_line(items, &line, line.size(), &x, lines);
        line.push_back({i, x});
        x += w;
    }
    lines->push_back(line);
}

// Every line of the text: a line feed ends one (a carriage return before it
// is dropped); a final line feed starts none.
std::vector<Line> lay_out(const std::vector<Item> &items, const TextArgs &options) {
    std::vector<Line> lines;
    size_t begin = 0;
    for (size_t i = 0; i <= items.size(); ++i) {
        if (i < items.size() && items[i].character != '\n') continue;
        if (i == items.size() && begin == i && !lines.empty()) break;
        bool crlf = i < items.size() && i > begin && items[i - 1].character == '\r';
        size_t end = crlf ? i - 1 : i;
        wrap_line(items, begin, end, options, &lines);
        begin = i + 1;
    }
    return lines;
}

uint32_t line_height(const TextFonts &fonts) {
    uint32_t h = fonts.single ? fonts.single->font.glyph_height : 0;
    if (fonts.wide && fonts.wide->font.glyph_height > h) h = fonts.wide->font.glyph_height;
    return h;
}

// The picture's size before scaling.
void text_size(const std::vector<Item> &items, const std::vector<Line> &lines,
               const TextArgs &options, uint32_t line_h, uint64_t *width, uint64_t *height) {
    *width = options.width;
    if (!options.width) {
        for (const Line &line : lines)
            if (!line.empty()) {
                uint64_t end = line.back().x + cell_width(items[line.back().item]);
                if (end > *width) *width = end;
            }
    }
    *height = options.height
                  ? options.height
                  : lines.size() * (uint64_t)line_h + (lines.size() - 1) * options.line_gap;
}

// The glyph, or a 1-pixel outline on its cell's edges when it is missing.
void draw_item(Picture *picture, const Item &item, uint64_t x0, uint64_t y0) {
    const Fontx2Font &f = item.font->font;
    for (uint32_t y = 0; y < f.glyph_height; ++y) {
        for (uint32_t x = 0; x < f.glyph_width; ++x) {
            bool ink = item.bitmap
                           ? fontx2_glyph_pixel(&f, item.bitmap, x, y)
                           : x == 0 || y == 0 || x + 1 == f.glyph_width || y + 1 == f.glyph_height;
            if (ink && x0 + x < picture->width && y0 + y < picture->height)
                picture_put(picture, (uint32_t)(x0 + x), (uint32_t)(y0 + y), 1);
        }
    }
}

// Draws every placed glyph; returns how many lie wholly outside the picture.
uint64_t draw_lines(Picture *picture, const std::vector<Item> &items,
                    const std::vector<Line> &lines, uint32_t line_h, uint32_t gap) {
    uint64_t hidden = 0;
    for (size_t n = 0; n < lines.size(); ++n) {
        uint64_t y = n * ((uint64_t)line_h + gap);
        for (const Place &p : lines[n]) {
            if (y >= picture->height || p.x >= picture->width) {
                ++hidden;
                continue;
            }
            draw_item(picture, items[p.item], p.x, y);
        }
    }
    return hidden;
}

// The fonts: one of either kind, or one of each. Problems are warned of
// (with strict, EXIT_PROBLEM).
int load_fonts(const TextArgs &options, std::vector<LoadedFont> *loaded, TextFonts *fonts) {
    loaded->resize(options.fonts.size());
    int status = EXIT_FINE;
    for (size_t i = 0; i < options.fonts.size(); ++i) {
        const std::string &path = options.fonts[i];
        LoadedFont &l = (*loaded)[i];
        if (int failed = load_font_or_report(path, &l)) return failed;
        const LoadedFont *&slot = l.font.double_byte ? fonts->wide : fonts->single;
        if (slot) {
            report(path, std::string("a second ") +
                             (l.font.double_byte ? "double-byte" : "single-byte") +
                             " font: give one font, or a single-byte and a double-byte font");
            return EXIT_USAGE;
        }
        slot = &l;
        int s = warn_problems(path, find_findings(&l.font, l.layout.get()), options.strict);
        if (s > status) status = s;
    }
    return status;
}

// The text: the argument itself, or for @FILE and @- a file's or standard
// input's bytes; *source names it in reports.
int read_text(const std::string &argument, std::string *text, std::string *source) {
    if (argument.empty() || argument[0] != '@') {
        *text = argument;
        *source = "--text";
        return EXIT_FINE;
    }
    std::string path = argument.substr(1), error;
    *source = path == "-" ? "standard input" : path;
    std::vector<uint8_t> bytes;
    if (!read_input(path, &bytes, &error)) {
        report(*source, error);
        return EXIT_NO_INPUT;
    }
    text->assign(bytes.begin(), bytes.end());
    return EXIT_FINE;
}

// The items of the text's characters; each missing character is reported
// once and sets *missing. A line feed, and a carriage return before one,
// are never drawn, so they are not converted.
int text_items(const std::string &text, const std::string &source, const TextFonts &fonts,
               const TextArgs &options, std::vector<Item> *items, bool *missing) {
    std::vector<uint32_t> scalars;
    if (!utf8_decode(text, &scalars)) {
        report(source, "is not UTF-8 text");
        return EXIT_NOT_A_FONT;
    }
    const std::string set = code_set_name(fonts, options.encoding);
    const char *drawn = options.strict ? "" : " (drawn as an outline)";
    std::set<uint32_t> reported;
    size_t at = 0;
    for (size_t i = 0; i < scalars.size(); at += utf8_length(scalars[i++])) {
        uint32_t c = scalars[i];
        if (i == 0 && c == 0xFEFF && source != "--text") continue; // a file's byte-order mark
        std::string why;
        bool line_end =
            c == '\n' || (c == '\r' && i + 1 < scalars.size() && scalars[i + 1] == '\n');
        Item item = line_end ? Item{c, at, fonts.main(), nullptr}
                             : text_item(fonts, options.encoding, set, c, at, &why);
        if (!why.empty()) {
            *missing = true;
            if (reported.insert(c).second)
                report(item.font->path, character_name(text, item) + " " + why + drawn);
        } else if (!line_end && item.font->font.double_byte && reported.insert(c).second) {
            uint32_t code = text_code(fonts, options.encoding, c).code;
            // Display drivers' file readers look codes below 0x100 up in a
            // single-byte font only: the device shows nothing there.
            if (code < 0x100)
                report(item.font->path,
                       character_name(text, item) + " -> " + code_text(code, false) +
                           ": a code below 0x100 in a double-byte font; display drivers' file "
                           "readers never look it up, so draw it from a single-byte font "
                           "beside it");
        }
        items->push_back(item);
    }
    return EXIT_FINE;
}

// Whether a picture of this size (before scale) may be made.
int check_text_size(const std::string &where, uint64_t width, uint64_t height, uint32_t scale) {
    std::string size = count_text(width * scale) + " x " + count_text(height * scale) + " pixels";
    PictureSize fit = picture_size_check(width * scale, height * scale, DEFAULT_MAX_PIXELS);
    if (fit == PictureSize::EMPTY) {
        report(where, "nothing to draw: the picture would be " + size);
        return EXIT_PROBLEM;
    }
    if (fit != PictureSize::FITS) {
        report(where, "the picture would be " + size + ": too large");
        return EXIT_NO_OUTPUT;
    }
    return EXIT_FINE;
}

// One line per pixel row: # ink, . paper; a row at a time, so a large
// picture needs no second copy.
int print_ascii(const Picture &picture) {
    std::string row;
    bool ok = true;
    for (uint32_t y = 0; ok && y < picture.height; ++y) {
        row.clear();
        for (uint32_t x = 0; x < picture.width; ++x) row += picture_get(&picture, x, y) ? '#' : '.';
        row += '\n';
        ok = fwrite(row.data(), 1, row.size(), stdout) == row.size();
    }
    if (!ok || fflush(stdout) != 0) {
        report("standard output", strerror(errno));
        return EXIT_NO_OUTPUT;
    }
    return EXIT_FINE;
}

int write_png(const Picture &picture, const TextArgs &options) {
    std::vector<uint8_t> png;
    std::string error;
    if (!png_encode(picture, options.paper, options.ink, &png, &error)) {
        report(options.out, error);
        return EXIT_NO_OUTPUT;
    }
    return write_output(options.out, png);
}

// Refuses an output that is one of the inputs (a font, the text file).
int refuse_output(const TextArgs &options) {
    if (options.ascii) return EXIT_FINE;
    std::vector<std::string> inputs = options.fonts;
    if (options.text.compare(0, 1, "@") == 0) inputs.push_back(options.text.substr(1));
    if (int refused = refuse_terminal(options.out)) return refused;
    return refuse_output_over_input(options.out, inputs);
}

} // namespace

int run_text(const TextArgs &options) {
    std::vector<LoadedFont> loaded;
    TextFonts fonts;
    std::string text, source;
    std::vector<Item> items;
    bool missing = false;
    int status = refuse_output(options);
    if (status == EXIT_FINE) status = load_fonts(options, &loaded, &fonts);
    if (status == EXIT_FINE) status = read_text(options.text, &text, &source);
    if (status == EXIT_FINE) status = text_items(text, source, fonts, options, &items, &missing);
    if (status != EXIT_FINE) return status;
    if (items.empty() || (missing && options.strict)) {
        if (items.empty()) report(source, "the text is empty: nothing to draw");
        return EXIT_PROBLEM;
    }
    const std::vector<Line> lines = lay_out(items, options);
    const uint32_t line_h = line_height(fonts), scale = options.ascii ? 1 : options.scale;
    uint64_t width = 0, height = 0;
    text_size(items, lines, options, line_h, &width, &height);
    status = check_text_size(source, width, height, scale);
    if (status != EXIT_FINE) return status;
    Picture picture, scaled;
    if (!picture_alloc(&picture, (uint32_t)width, (uint32_t)height, 1)) {
        report(source, "not enough memory for the picture");
        return EXIT_NO_OUTPUT;
    }
    uint64_t hidden = draw_lines(&picture, items, lines, line_h, options.line_gap);
    if (hidden)
        report(source, count_text(hidden) + (hidden == 1 ? " character lies" : " characters lie") +
                           " wholly outside the " + count_text(width) + " x " + count_text(height) +
                           " picture: not shown");
    if (scale > 1 && !picture_scale(picture, scale, &scaled)) {
        report(source, "not enough memory for the picture");
        return EXIT_NO_OUTPUT;
    }
    const Picture &shown = scale > 1 ? scaled : picture;
    return options.ascii ? print_ascii(shown) : write_png(shown, options);
}
