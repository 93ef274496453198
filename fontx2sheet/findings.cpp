// The font library's findings in words: what each kind means for a display
// library that trusts the count byte, and where it applies.
#include "fontx2sheet/findings.h"
#include "fontx2sheet/fontx2sheet.h"

namespace {

std::string code_range(uint32_t first, uint32_t last, bool double_byte) {
    if (first == last) return code_text(first, double_byte);
    return code_text(first, double_byte) + "-" + code_text(last, double_byte);
}

std::string n(uint64_t v) {
    return std::to_string(v);
}

std::string header_message(const Fontx2Font *f, const Fontx2Finding &x) {
    switch (x.kind) {
    case FONTX2_HEADER_CUT:
        return "the header needs " +
               count_text(f->double_byte ? FONTX2_AT_TABLE : FONTX2_SINGLE_GLYPHS_AT) +
               " bytes, the file has " + count_text(f->bytes_at_hand) +
               " (missing fields read as 0)";
    case FONTX2_ZERO_SIZE:
        return "the glyphs are " + n(f->glyph_width) + " x " + n(f->glyph_height) +
               " pixels: the sheet is empty";
    case FONTX2_CODE_TYPE_INVALID:
        return "the code type is " + n(f->code_type) +
               "; only 0 (single-byte) and 1 (double-byte) are defined. It is read as "
               "double-byte, as the plug-in does; other readers may not";
    case FONTX2_TABLE_CUT:
        return "the block table needs " + count_text(f->glyph_offset) + " bytes (" +
               count_text(f->block_count) + " blocks), the file has " +
               count_text(f->bytes_at_hand) + ": blocks " + n(f->blocks_at_hand) + " to " +
               n(f->block_count - 1) + " are missing";
    default: // FONTX2_COUNT_WRAPPED
        return "the count byte says " + count_text(f->declared_blocks) + "; the table holds " +
               count_text(f->block_count) +
               " blocks, and they fill the file exactly. Readers that trust the count byte "
               "read only the first " +
               count_text(f->declared_blocks) + " entries and take every glyph " +
               count_text(1024ull * ((f->block_count - f->declared_blocks) / 256)) +
               " bytes too early, so no code shows its own glyph; 'fontx2sheet fix' "
               "rewrites the font so they read it right";
    }
}

std::string cut_message(const Fontx2Font *f, const Fontx2Layout *layout, const Fontx2Finding &x) {
    std::string m = x.code != FONTX2_NO_CODE
                        ? "glyphs from code " + code_text(x.code, f->double_byte) + " on"
                        : "glyphs";
    m += " are missing (" + count_text(x.count) + " of " + count_text(f->glyphs_announced) +
         "): the glyph data needs " + count_text(f->expected_size) + " bytes, the file has " +
         count_text(f->whole_bytes);
    if (layout->order == FONTX2_ORDER_CODE)
        return m + "; the own code order leaves their cells out";
    if (layout->order == FONTX2_ORDER_JIS) return m + "; their cells on the JIS grid are blank";
    return m + "; their cells are blank";
}

std::string size_message(const Fontx2Font *f, const Fontx2Finding &x) {
    const uint64_t over = f->whole_bytes - f->expected_size;
    std::string sizes = "the file has " + count_text(f->whole_bytes) + ", the font needs " +
                        count_text(f->expected_size);
    if (x.kind == FONTX2_TRAILING_BYTES)
        return count_text(over) + " bytes follow the last glyph (" + sizes + ")";
    std::string m = count_text(over) + " bytes follow the last glyph (" + sizes + "): they hold " +
                    count_text(x.count) +
                    " whole glyphs that no block reaches, so the table likely misses blocks "
                    "and codes show other codes' glyphs";
    if (f->whole_bytes == FONTX2_SINGLE_GLYPHS_AT + 256ull * f->glyph_bytes)
        m += "; the file is exactly the size of a single-byte font of " + n(f->glyph_width) +
             " x " + n(f->glyph_height) + " glyphs: its code type may have been flipped";
    return m + "; 'fontx2sheet fix' cannot recover glyphs that no block reaches (it drops "
               "these bytes)";
}

std::string kind_message(const Fontx2Font *f, const Fontx2Layout *layout, const Fontx2Finding &x) {
    switch (x.kind) {
    case FONTX2_GLYPHS_CUT:
        return cut_message(f, layout, x);
    case FONTX2_BLOCK_INVERTED:
        return "blocks whose last code is below their first hold no code";
    case FONTX2_NO_GLYPHS:
        return "the block table holds no code (" + count_text(f->block_count) +
               (f->block_count ? " blocks, none with its first code at or below its last"
                               : " blocks") +
               "): no reader shows a glyph";
    case FONTX2_PADDING_BLOCKS:
        return "the table ends in " + count_text(x.count) +
               " entries of one code each that an earlier block already holds: padding; "
               "readers stop at the earlier block, and 'fontx2sheet fix' drops them";
    case FONTX2_BLOCKS_OVERLAP:
        return "blocks share codes: the earlier block's glyphs are shown, the later one's "
               "glyphs for those codes never; 'fontx2sheet fix' drops the later block's "
               "shared codes";
    case FONTX2_TABLE_UNSORTED:
        return count_text(x.count) +
               " blocks begin below an earlier block's first code: readers that walk the "
               "table find them, readers that search it by halves may not; 'fontx2sheet fix' "
               "sorts it";
    case FONTX2_TRAILING_BYTES:
    case FONTX2_GLYPHS_UNREACHED:
        return size_message(f, x);
    case FONTX2_BLANK_RANGE:
        return "single-byte codes whose glyphs have no ink (0x00-0x20 and 0x7F left out)";
    case FONTX2_LOW_CODES:
        return count_text(x.count) + (x.count == 1 ? " code" : " codes") +
               " below 0x100 in a double-byte font: display drivers' file readers never "
               "look them up (memory readers do), so the device shows nothing there; put them "
               "in a single-byte font beside it";
    default:
        return header_message(f, x);
    }
}

std::string instance_text(Fontx2Kind kind, const Fontx2Instance &i) {
    switch (kind) {
    case FONTX2_BLOCK_INVERTED:
        return "block " + n(i.block) + ": its last code " + code_text(i.last_code, true) +
               " is below its first " + code_text(i.first_code, true) + ", so it holds no code";
    case FONTX2_PADDING_BLOCKS:
        return "block " + n(i.block) + ": " + code_text(i.first_code, true);
    case FONTX2_BLOCKS_OVERLAP:
        return "blocks " + n(i.block) + " and " + n(i.other_block) + " both hold " +
               code_range(i.first_code, i.last_code, true) + "; block " + n(i.block) +
               " (earlier in the table) wins";
    default: // FONTX2_BLANK_RANGE
        return i.first_code == i.last_code
                   ? "code " + code_text(i.first_code, false) + " is blank"
                   : "codes " + code_range(i.first_code, i.last_code, false) + " are blank";
    }
}

} // namespace

std::vector<Finding> word_findings(const Fontx2Font *font, const Fontx2Layout *layout,
                                   const Fontx2Analysis &analysis) {
    std::vector<Finding> out;
    for (const Fontx2Finding &x : analysis.findings) {
        const Fontx2KindInfo &info = fontx2_kinds[x.kind];
        Finding f{
            info.name, kind_message(font, layout, x), info.severity == FONTX2_PROBLEM, x.count, {}};
        for (const Fontx2Instance &i : x.instances) f.instances.push_back(instance_text(x.kind, i));
        out.push_back(std::move(f));
    }
    return out;
}

std::vector<Finding> find_findings(const Fontx2Font *font, const Fontx2Layout *layout) {
    Fontx2Analysis analysis;
    fontx2_analyse(font, &analysis);
    return word_findings(font, layout, analysis);
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
