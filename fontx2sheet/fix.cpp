// fontx2sheet fix: the glyphs this project's reader finds in a font, written
// again as a font whose count byte and table every reader reads alike.
#include "fontx2sheet/fix.h"
#include "fontx2sheet/fontx2sheet.h"

#include <algorithm>
#include <new>
#include <stdio.h>

namespace {

// The glyphs the project's reader finds, in code order: every code held
// whose glyph lies wholly within the file. A run's glyphs lie one after
// another, so each run is copied whole up to the first glyph cut off.
void collect_glyphs(const Fontx2Font *font, const Fontx2Analysis &a, Fontx2Glyphs *g) {
    for (uint32_t i = 0; i < FONTX2_NAME_BYTES; ++i) g->name[i] = (char)font->name[i];
    g->width = (uint8_t)font->glyph_width;
    g->height = (uint8_t)font->glyph_height;
    g->double_byte = font->double_byte;
    std::vector<Fontx2Run> held;
    for (const Fontx2Run &r : a.runs)
        if (r.holder == r.block) held.push_back(r);
    std::sort(held.begin(), held.end(),
              [](const Fontx2Run &x, const Fontx2Run &y) { return x.first_code < y.first_code; });
    if (font->glyph_bytes == 0) return;
    // Glyphs wholly within the bytes at hand (the file, or its head). Not only
    // the announced ones: a block after an inverted one reaches past them.
    const uint64_t usable = font->bytes_at_hand > font->glyph_offset
                                ? (font->bytes_at_hand - font->glyph_offset) / font->glyph_bytes
                                : 0;
    for (const Fontx2Run &r : held) {
        const uint64_t codes = r.last_code - r.first_code + 1ull;
        const uint64_t whole = usable > r.first_glyph ? std::min(codes, usable - r.first_glyph) : 0;
        if (whole == 0) continue;
        Fontx2Glyph first;
        fontx2_place_glyph(font, font->glyph_offset, r.first_glyph, &first);
        for (uint64_t k = 0; k < whole; ++k) g->codes.push_back(r.first_code + (uint32_t)k);
        g->bitmaps.insert(g->bitmaps.end(), first.bitmap, first.bitmap + whole * font->glyph_bytes);
    }
}

void add(std::vector<FixChange> *changes, const char *kind, uint64_t count,
         const std::string &message) {
    if (count > 0) changes->push_back({kind, count, message});
}

uint64_t count_of(const Fontx2Analysis &a, Fontx2Kind kind) {
    const Fontx2Finding *f = fontx2_finding(a, kind);
    return f ? f->count : 0;
}

// Blocks that lose codes to earlier ones, and how many codes they lose.
void overlap_change(const Fontx2Analysis &a, std::vector<FixChange> *c) {
    const Fontx2Finding *f = fontx2_finding(a, FONTX2_BLOCKS_OVERLAP);
    if (!f) return;
    uint64_t losing = 0;
    for (size_t i = 0; i < f->instances.size(); ++i)
        losing += i == 0 || f->instances[i].other_block != f->instances[i - 1].other_block;
    add(c, "blocks-overlap", losing,
        count_text(f->codes) + " codes that earlier blocks hold dropped from " +
            count_text(losing) + " later blocks (the earlier block wins, as in every reader)");
}

void table_changes(const Fontx2Font *font, const Fontx2Analysis &a, std::vector<FixChange> *c) {
    if (fontx2_finding(a, FONTX2_CODE_TYPE_INVALID))
        add(c, "code-type-invalid", 1,
            "code type " + std::to_string(font->code_type) +
                " (read as double-byte) written as 1, double-byte");
    const uint64_t padding = count_of(a, FONTX2_PADDING_BLOCKS);
    add(c, "padding-blocks", padding,
        count_text(padding) + " padding entries at the end of the table, each repeating a "
                              "code an earlier block holds, dropped");
    overlap_change(a, c);
    const uint64_t inverted = count_of(a, FONTX2_BLOCK_INVERTED);
    add(c, "block-inverted", inverted,
        count_text(inverted) + " blocks whose last code is below their first (holding no "
                               "code) dropped");
    const uint64_t unsorted = count_of(a, FONTX2_TABLE_UNSORTED);
    add(c, "table-unsorted", unsorted,
        "the table is sorted ascending (" + count_text(unsorted) +
            " blocks began below an earlier one)");
    const uint64_t past_end = count_of(a, FONTX2_TABLE_CUT);
    add(c, "table-cut", past_end,
        count_text(past_end) + " table entries past the end of the file dropped");
    // A single-byte font holds all 256 codes: those cut off become blank.
    const Fontx2Finding *cut = fontx2_finding(a, FONTX2_GLYPHS_CUT);
    const uint64_t cut_codes = cut ? cut->codes : 0;
    add(c, "glyphs-cut", cut_codes,
        count_text(cut_codes) + " codes whose glyph the file cuts off " +
            (font->double_byte ? "dropped" : "written blank"));
}

void size_changes(const Fontx2Font *font, const Fontx2Analysis &a, std::vector<FixChange> *c) {
    if (font->glyph_bytes == 0 || font->whole_bytes <= font->expected_size) return;
    const uint64_t trailing = font->whole_bytes - font->expected_size;
    std::string message = count_text(trailing) + " bytes after the last glyph dropped";
    const uint64_t unreached = count_of(a, FONTX2_GLYPHS_UNREACHED);
    if (unreached > 0)
        message += " (" + count_text(unreached) +
                   " whole glyphs that no block reaches: fix cannot recover them)";
    add(c, "trailing-bytes", trailing, message);
}

uint32_t runs_of(const std::vector<uint32_t> &codes) {
    uint32_t runs = 0;
    for (size_t i = 0; i < codes.size(); ++i) runs += i == 0 || codes[i] != codes[i - 1] + 1;
    return runs;
}

// What writing the table within 255 blocks changed.
void write_changes(const Fontx2Font *font, FixResult *result) {
    const Fontx2Written &w = result->written;
    std::vector<FixChange> *c = &result->changes;
    if (font->block_count != font->declared_blocks)
        c->insert(c->begin(),
                  {"count-wrapped", 1,
                   "the count byte said " + std::to_string(font->declared_blocks) +
                       " of a table of " + count_text(font->block_count) +
                       " blocks, so readers that trust it showed no glyph right; written with " +
                       std::to_string(w.blocks) + " blocks and the count byte equal to them"});
    if (font->double_byte)
        add(c, "blocks-merged", w.blank_glyphs,
            count_text(result->runs) + " runs of codes merged into " + std::to_string(w.blocks) +
                " blocks: the " + count_text(w.blank_glyphs) +
                " codes between them have blank glyphs (the fewest a table of 255 blocks allows)");
}

} // namespace

int fix_font(const Fontx2Font *font, const Fontx2Analysis &analysis, FixResult *result) {
    collect_glyphs(font, analysis, &result->glyphs);
    table_changes(font, analysis, &result->changes);
    size_changes(font, analysis, &result->changes);
    if (result->glyphs.codes.empty() || font->glyph_bytes == 0) return FIX_NO_GLYPHS;
    result->runs = runs_of(result->glyphs.codes);
    if (!fontx2_write_font(result->glyphs, 255, &result->written)) return FIX_NOT_WRITTEN;
    write_changes(font, result);
    if (!fontx2_check_font(result->written.bytes, result->glyphs, &result->bad_code))
        return FIX_CHECK_FAILED;
    return FIX_WRITTEN;
}

int fix_font(const Fontx2Font *font, FixResult *result) {
    Fontx2Analysis analysis;
    fontx2_analyse(font, &analysis);
    return fix_font(font, analysis, result);
}
