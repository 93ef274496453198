// What is wrong with a font (problems) and what is worth knowing (notes),
// judged by what a display library that trusts the count byte shows.
#include "fontx2sheet/findings.h"
#include "fontx2sheet/fontx2sheet.h"

#include <algorithm>

namespace {

struct Findings {
    std::vector<Finding> list;
    void add(const char *kind, const std::string &message, bool problem, uint64_t count = 1) {
        list.push_back({kind, message, problem, count, {}});
    }
    // A kind counted by its instances; nothing when there are none.
    void add_each(const char *kind, const std::string &message, bool problem,
                  std::vector<std::string> instances) {
        if (instances.empty()) return;
        list.push_back({kind, message, problem, instances.size(), std::move(instances)});
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
    if (font->bytes_at_hand > FONTX2_AT_CODE_TYPE && font->code_type > 1) {
        out->add("code-type-invalid",
                 "the code type is " + std::to_string(font->code_type) +
                     "; only 0 (single-byte) and 1 (double-byte) are defined. It is read as "
                     "double-byte, as the plug-in does; other readers may not",
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
             true, font->block_count - font->blocks_at_hand);
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
    out->add("glyphs-cut", message, true, missing);
}

struct Span {
    uint32_t index, first, last, first_glyph;
};

// The blocks at hand that hold codes; the inverted ones are reported.
std::vector<Span> table_spans(const Fontx2Font *font, Findings *out) {
    std::vector<Span> spans;
    std::vector<std::string> inverted;
    Fontx2Block b = {};
    while (fontx2_next_block(font, &b)) {
        if (!b.at_hand) continue;
        if (b.first_code <= b.last_code)
            spans.push_back({b.index, b.first_code, b.last_code, b.first_glyph});
        else
            inverted.push_back("block " + std::to_string(b.index) + ": its last code " +
                               code_text(b.last_code, true) + " is below its first " +
                               code_text(b.first_code, true) + ", so it holds no code");
    }
    out->add_each("block-inverted", "blocks whose last code is below their first hold no code",
                  true, std::move(inverted));
    if (spans.empty() && font->glyph_bytes > 0 && font->bytes_at_hand >= FONTX2_AT_TABLE)
        out->add("no-glyphs",
                 "the block table holds no code (" + count_text(font->block_count) +
                     (font->block_count ? " blocks, none with its first code at or below its last"
                                        : " blocks") +
                     "): no reader shows a glyph",
                 true);
    return spans;
}

// How many spans at the end of the table are padding: each holds one code
// an earlier block already holds, and its glyph is present. Converters add
// such entries; readers stop at the earlier block and never reach them.
size_t padding_spans(const Fontx2Font *font, const std::vector<Span> &spans) {
    std::vector<uint32_t> holder(0x10000, UINT32_MAX); // first table position holding a code
    for (const Span &s : spans)
        for (uint32_t c = s.first; c <= s.last; ++c)
            if (holder[c] == UINT32_MAX) holder[c] = s.index;
    size_t n = 0;
    for (size_t i = spans.size(); i-- > 0; ++n) {
        const Span &s = spans[i];
        uint64_t end = font->glyph_offset + ((uint64_t)s.first_glyph + 1) * font->glyph_bytes;
        if (s.first != s.last || holder[s.first] >= s.index || end > font->whole_bytes) break;
    }
    return n;
}

void padding_notes(const Fontx2Font *font, const std::vector<Span> &spans, size_t padding,
                   Findings *out) {
    std::vector<std::string> entries;
    for (size_t i = spans.size() - padding; i < spans.size(); ++i)
        entries.push_back("block " + std::to_string(spans[i].index) + ": " +
                          code_text(spans[i].first, true));
    if (entries.empty() || font->glyph_bytes == 0) return;
    std::string message = "the table ends in " + count_text(entries.size()) +
                          " entries of one code each that an earlier block already holds: "
                          "padding; readers stop at the earlier block, and 'fontx2sheet fix' "
                          "drops them";
    out->add_each("padding-blocks", message, false, std::move(entries));
}

// Sorted by first code, each block is compared with the one reaching
// furthest before it: every block that shares codes is named once.
void overlap_findings(std::vector<Span> spans, Findings *out) {
    std::sort(spans.begin(), spans.end(), [](const Span &a, const Span &b) {
        return a.first != b.first ? a.first < b.first : a.index < b.index;
    });
    std::vector<std::string> overlaps;
    for (size_t i = 1, reach = 0; i < spans.size(); ++i) {
        const Span &a = spans[reach], &b = spans[i];
        if (b.first <= a.last) {
            const Span &win = a.index < b.index ? a : b, &lose = a.index < b.index ? b : a;
            overlaps.push_back("blocks " + std::to_string(win.index) + " and " +
                               std::to_string(lose.index) + " both hold " +
                               code_range(b.first, std::min(a.last, b.last), true) + "; block " +
                               std::to_string(win.index) + " (earlier in the table) wins");
        }
        if (b.last > a.last) reach = i;
    }
    out->add_each("blocks-overlap",
                  "blocks share codes: the earlier block's glyphs are shown, the later one's "
                  "glyphs for those codes never; 'fontx2sheet fix' drops the later block's "
                  "shared codes",
                  true, std::move(overlaps));
}

void table_kinds(const Fontx2Font *font, Findings *out) {
    std::vector<Span> spans = table_spans(font, out);
    size_t padding = padding_spans(font, spans);
    padding_notes(font, spans, padding, out);
    spans.resize(spans.size() - padding);
    overlap_findings(spans, out);
}

void size_findings(const Fontx2Font *font, Findings *out) {
    if (font->glyph_bytes == 0 || font->whole_bytes <= font->expected_size) return;
    uint64_t over = font->whole_bytes - font->expected_size;
    std::string sizes = "the file has " + count_text(font->whole_bytes) + ", the font needs " +
                        count_text(font->expected_size);
    if (!font->double_byte || over < font->glyph_bytes) {
        out->add("trailing-bytes",
                 count_text(over) + " bytes follow the last glyph (" + sizes + ")", false);
        return;
    }
    uint64_t glyphs = over / font->glyph_bytes;
    std::string message = count_text(over) + " bytes follow the last glyph (" + sizes +
                          "): they hold " + count_text(glyphs) +
                          " whole glyphs that no block reaches, so the table likely misses "
                          "blocks and codes show other codes' glyphs";
    if (font->whole_bytes == FONTX2_SINGLE_GLYPHS_AT + 256ull * font->glyph_bytes)
        message += "; the file is exactly the size of a single-byte font of " +
                   std::to_string(font->glyph_width) + " x " + std::to_string(font->glyph_height) +
                   " glyphs: its code type may have been flipped";
    message += "; 'fontx2sheet fix' cannot recover glyphs that no block reaches (it drops "
               "these bytes)";
    out->add("glyphs-unreached", message, true, glyphs);
}

// A converter wrote more than 255 blocks and stored their number modulo 256.
void count_findings(const Fontx2Font *font, Findings *out) {
    if (!font->double_byte || font->block_count == font->declared_blocks) return;
    uint32_t k = (font->block_count - font->declared_blocks) / 256;
    out->add("count-wrapped",
             "the count byte says " + count_text(font->declared_blocks) + "; the table holds " +
                 count_text(font->block_count) +
                 " blocks, and they fill the file exactly. Readers that trust the count byte "
                 "read only the first " +
                 count_text(font->declared_blocks) + " entries and take every glyph " +
                 count_text(1024ull * k) +
                 " bytes too early, so no code shows its own glyph; 'fontx2sheet fix' "
                 "rewrites the font so they read it right",
             true);
}

bool glyph_blank(const Fontx2Font *font, const uint8_t *bitmap) {
    for (uint32_t row = 0; row < font->glyph_height; ++row) {
        const uint8_t *line = bitmap + row * font->glyph_row_bytes;
        for (uint32_t x = 0; x < font->glyph_width; ++x)
            if (line[x >> 3] & (0x80 >> (x & 7))) return false;
    }
    return true;
}

// A present glyph without ink, among the codes meant to have some: the
// controls, the space and DEL are blank in every font.
bool blank_code(const Fontx2Font *font, uint32_t code) {
    Fontx2Glyph g;
    if (code <= 0x20 || code == 0x7F) return false;
    return fontx2_lookup(font, code, &g) && g.bitmap && glyph_blank(font, g.bitmap);
}

// Runs of present single-byte glyphs with no ink.
void blank_notes(const Fontx2Font *font, Findings *out) {
    if (font->double_byte || font->glyph_bytes == 0) return;
    std::vector<std::string> runs;
    for (uint32_t code = 0; code < FONTX2_SINGLE_CODES;) {
        if (!blank_code(font, code)) {
            ++code;
            continue;
        }
        uint32_t last = code;
        while (last + 1 < FONTX2_SINGLE_CODES && blank_code(font, last + 1)) ++last;
        runs.push_back(code == last ? "code " + code_text(code, false) + " is blank"
                                    : "codes " + code_range(code, last, false) + " are blank");
        code = last + 1;
    }
    out->add_each("blank-range",
                  "single-byte codes whose glyphs have no ink (0x00-0x20 and 0x7F left out)", false,
                  std::move(runs));
}

} // namespace

std::vector<Finding> find_findings(const Fontx2Font *font, const Fontx2Layout *layout) {
    Findings out;
    header_findings(font, &out);
    table_findings(font, &out);
    count_findings(font, &out);
    glyph_findings(font, layout, &out);
    if (font->double_byte) table_kinds(font, &out);
    size_findings(font, &out);
    blank_notes(font, &out);
    return out.list;
}

bool any_problem(const std::vector<Finding> &findings) {
    for (const Finding &f : findings)
        if (f.problem) return true;
    return false;
}

const char *severity_name(const Finding &finding) {
    return finding.problem ? "problem" : "note";
}

int warn_problems(const std::string &path, const std::vector<Finding> &findings, bool strict) {
    for (const Finding &f : findings) {
        if (!f.problem) continue;
        std::string line = (strict ? "" : "warning: ") + f.kind + ": " + f.message;
        if (f.instances.size() == 1) line += ": " + f.instances[0];
        if (f.instances.size() > 1)
            line += ": " + f.instances[0] + ", and " + count_text(f.instances.size() - 1) +
                    " more (fontx2sheet inspect lists them)";
        report(path, line);
    }
    return strict && any_problem(findings) ? EXIT_PROBLEM : EXIT_FINE;
}
