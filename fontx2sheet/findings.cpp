// What is wrong with a font (problems) and what is worth knowing (notes).
#include "fontx2sheet/fontx2sheet.h"

#include <algorithm>

namespace {

// More findings of one kind than this are summed up in one more.
const size_t MAX_PER_KIND = 8;

struct Findings {
    std::vector<Finding> list;
    void add(const char *kind, const std::string &message, bool problem) {
        list.push_back({kind, message, problem});
    }
};

std::string code_range(uint32_t first, uint32_t last, bool double_byte) {
    if (first == last) return code_text(first, double_byte);
    return code_text(first, double_byte) + "-" + code_text(last, double_byte);
}

// The bytes the header fields take: the count byte of a double-byte font.
void header_findings(const Fontx2Font *font, Findings *out) {
    uint64_t need = font->double_byte ? FONTX2_AT_TABLE : FONTX2_SINGLE_GLYPHS_AT;
    if (font->bytes_at_hand < need) {
        out->add("header-cut",
                 "the header needs " + count_text(need) + " bytes, the file has " +
                     count_text(font->bytes_at_hand) + " (missing fields read as 0)",
                 true);
    }
    // A cut header already says why the size reads 0.
    if (font->bytes_at_hand > FONTX2_AT_HEIGHT &&
        (font->glyph_width == 0 || font->glyph_height == 0)) {
        out->add("zero-size",
                 "the glyphs are " + std::to_string(font->glyph_width) + " x " +
                     std::to_string(font->glyph_height) + " pixels: the sheet is empty",
                 true);
    }
}

void table_findings(const Fontx2Font *font, Findings *out) {
    if (!font->double_byte || font->blocks_at_hand == font->block_count) return;
    out->add("table-cut",
             "the block table needs " + count_text(font->glyph_offset) + " bytes (" +
                 count_text(font->block_count) + " blocks), the file has " +
                 count_text(font->bytes_at_hand) + ": blocks " +
                 std::to_string(font->blocks_at_hand) + " to " +
                 std::to_string(font->block_count - 1) + " are missing",
             true);
}

// The code of the first glyph index not wholly in the file.
bool first_missing_code(const Fontx2Font *font, uint64_t index, uint32_t *code) {
    if (!font->double_byte) {
        *code = (uint32_t)index;
        return index < FONTX2_SINGLE_CODES;
    }
    Fontx2Block b = {};
    while (fontx2_next_block(font, &b)) {
        if (!b.at_hand || b.first_code > b.last_code) continue;
        if (index >= b.first_glyph && index - b.first_glyph <= b.last_code - b.first_code) {
            *code = b.first_code + (uint32_t)(index - b.first_glyph);
            return true;
        }
    }
    return false;
}

void glyph_findings(const Fontx2Font *font, const Fontx2Layout *layout, Findings *out) {
    if (font->glyph_bytes == 0 || font->glyphs_present >= font->glyphs_announced) return;
    uint64_t missing = font->glyphs_announced - font->glyphs_present;
    uint32_t code = 0;
    std::string message = first_missing_code(font, font->glyphs_present, &code)
                              ? "glyphs from code " + code_text(code, font->double_byte) + " on"
                              : "glyphs";
    message += " are missing (" + count_text(missing) + " of " +
               count_text(font->glyphs_announced) + "): the glyph data needs " +
               count_text(font->expected_size) + " bytes, the file has " +
               count_text(font->whole_bytes);
    if (layout->order == FONTX2_ORDER_CODE)
        message += "; the own code order leaves their cells out";
    else if (layout->order == FONTX2_ORDER_JIS)
        message += "; their cells on the JIS grid are blank";
    else
        message += "; their cells are blank";
    out->add("glyphs-cut", message, true);
}

struct Span {
    uint32_t index, first, last;
};

// The blocks at hand that hold codes; the inverted ones are reported.
std::vector<Span> table_spans(const Fontx2Font *font, Findings *out) {
    std::vector<Span> spans;
    size_t inverted = 0;
    Fontx2Block b = {};
    while (fontx2_next_block(font, &b)) {
        if (!b.at_hand) continue;
        if (b.first_code <= b.last_code) {
            spans.push_back({b.index, b.first_code, b.last_code});
        } else if (++inverted <= MAX_PER_KIND) {
            out->add("block-inverted",
                     "block " + std::to_string(b.index) + ": its last code " +
                         code_text(b.last_code, true) + " is below its first " +
                         code_text(b.first_code, true) + ", so it holds no code",
                     true);
        }
    }
    if (inverted > MAX_PER_KIND)
        out->add("block-inverted",
                 "and " + count_text(inverted - MAX_PER_KIND) + " more such blocks", true);
    return spans;
}

// Sorted by first code, each block is compared with the one reaching
// furthest before it: every block that shares codes is named once.
void overlap_findings(std::vector<Span> spans, Findings *out) {
    std::sort(spans.begin(), spans.end(), [](const Span &a, const Span &b) {
        return a.first != b.first ? a.first < b.first : a.index < b.index;
    });
    size_t overlaps = 0;
    for (size_t i = 1, reach = 0; i < spans.size(); ++i) {
        const Span &a = spans[reach], &b = spans[i];
        if (b.first <= a.last && ++overlaps <= MAX_PER_KIND) {
            const Span &win = a.index < b.index ? a : b, &lose = a.index < b.index ? b : a;
            out->add("blocks-overlap",
                     "blocks " + std::to_string(win.index) + " and " + std::to_string(lose.index) +
                         " both hold " + code_range(b.first, std::min(a.last, b.last), true) +
                         "; block " + std::to_string(win.index) + " (earlier in the table) wins",
                     true);
        }
        if (b.last > a.last) reach = i;
    }
    if (overlaps > MAX_PER_KIND)
        out->add("blocks-overlap", "and " + count_text(overlaps - MAX_PER_KIND) + " more overlaps",
                 true);
}

void size_notes(const Fontx2Font *font, Findings *out) {
    if (font->whole_bytes > font->expected_size && font->glyph_bytes > 0) {
        out->add("trailing-bytes",
                 count_text(font->whole_bytes - font->expected_size) +
                     " bytes follow the last glyph (the file has " + count_text(font->whole_bytes) +
                     ", the font needs " + count_text(font->expected_size) + ")",
                 false);
    }
    // The table reader takes more entries than the count byte says only
    // when they fill the file exactly.
    if (font->double_byte && font->block_count != font->declared_blocks) {
        out->add("count-wrapped",
                 "the count byte says " + count_text(font->declared_blocks) + "; the table holds " +
                     count_text(font->block_count) + " blocks, and they fill the file exactly",
                 false);
    }
}

bool glyph_blank(const Fontx2Font *font, const uint8_t *bitmap) {
    for (uint32_t row = 0; row < font->glyph_height; ++row) {
        const uint8_t *line = bitmap + row * font->glyph_row_bytes;
        for (uint32_t x = 0; x < font->glyph_width; ++x)
            if (line[x >> 3] & (0x80 >> (x & 7))) return false;
    }
    return true;
}

// Runs of present single-byte glyphs with no ink.
void blank_notes(const Fontx2Font *font, Findings *out) {
    if (font->double_byte || font->glyph_bytes == 0) return;
    size_t runs = 0;
    for (uint32_t code = 0; code < FONTX2_SINGLE_CODES;) {
        Fontx2Glyph g;
        if (!fontx2_lookup(font, code, &g) || !g.bitmap || !glyph_blank(font, g.bitmap)) {
            ++code;
            continue;
        }
        uint32_t last = code;
        while (last + 1 < FONTX2_SINGLE_CODES && fontx2_lookup(font, last + 1, &g) && g.bitmap &&
               glyph_blank(font, g.bitmap))
            ++last;
        if (++runs <= MAX_PER_KIND)
            out->add("blank-range",
                     code == last ? "code " + code_text(code, false) + " is blank"
                                  : "codes " + code_range(code, last, false) + " are blank",
                     false);
        code = last + 1;
    }
    if (runs > MAX_PER_KIND)
        out->add("blank-range", "and " + count_text(runs - MAX_PER_KIND) + " more blank ranges",
                 false);
}

} // namespace

std::vector<Finding> find_findings(const Fontx2Font *font, const Fontx2Layout *layout) {
    Findings out;
    header_findings(font, &out);
    table_findings(font, &out);
    glyph_findings(font, layout, &out);
    if (font->double_byte) overlap_findings(table_spans(font, &out), &out);
    size_notes(font, &out);
    if (font->double_byte && layout->order == FONTX2_ORDER_CODE)
        out.add("code-order", order_reason(font, layout), false);
    blank_notes(font, &out);
    return out.list;
}

bool any_problem(const std::vector<Finding> &findings) {
    for (const Finding &f : findings)
        if (f.problem) return true;
    return false;
}

int warn_problems(const std::string &path, const std::vector<Finding> &findings, bool strict) {
    for (const Finding &f : findings)
        if (f.problem) report(path, (strict ? "" : "warning: ") + f.kind + ": " + f.message);
    return strict && any_problem(findings) ? EXIT_PROBLEM : EXIT_FINE;
}
