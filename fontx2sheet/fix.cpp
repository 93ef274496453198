// fontx2sheet fix: the glyphs this project's reader finds in a font, written
// again as a font whose count byte and table every reader reads alike.
#include "fontx2sheet/fix.h"
#include "fontx2sheet/fontx2sheet.h"

#include <new>
#include <stdio.h>

namespace {

const uint64_t NO_GLYPH = UINT64_MAX;

// What the walk of a double-byte font's table met, entry by entry.
struct TableTally {
    uint64_t past_end = 0;     // entries not wholly in the file: they hold nothing
    uint64_t inverted = 0;     // last code below the first: they hold nothing
    uint64_t out_of_order = 0; // first code below an earlier entry's
    uint64_t losing = 0;       // entries some of whose codes an earlier entry holds
    uint64_t lost_codes = 0;
    uint64_t padding = 0; // of the losing entries, those padding the table's end
    uint64_t cut = 0;     // codes held whose glyph the file cuts off
};

// Where the project's reader finds each code's glyph (offset, or NO_GLYPH):
// the first entry holding a code holds it, glyph indices as fontx2_next_block
// counts them.
void walk_table(const Fontx2Font *font, std::vector<uint64_t> *at, TableTally *t) {
    std::vector<uint8_t> held(0x10000, 0), pads;
    uint32_t highest_first = 0;
    Fontx2Block b = {};
    while (fontx2_next_block(font, &b)) {
        if (!b.at_hand || b.first_code > b.last_code) {
            ++(b.at_hand ? t->inverted : t->past_end); // holding nothing, they pad nothing
            continue;
        }
        if (b.first_code < highest_first) ++t->out_of_order;
        highest_first = std::max(highest_first, b.first_code);
        uint64_t lost = 0;
        bool present = false;
        for (uint32_t code = b.first_code; code <= b.last_code; ++code) {
            uint64_t offset = font->glyph_offset +
                              (uint64_t)(b.first_glyph + code - b.first_code) * font->glyph_bytes;
            // Within the bytes at hand, which for a font read whole are all of it.
            present = offset + font->glyph_bytes <= font->bytes_at_hand;
            if (held[code]) {
                ++lost;
                continue;
            }
            held[code] = 1;
            if (present)
                (*at)[code] = offset;
            else
                ++t->cut;
        }
        // A converter pads the end of a table with one-code entries repeating
        // a code an earlier entry holds.
        pads.push_back(lost == 1 && b.first_code == b.last_code && present);
        t->losing += lost > 0;
        t->lost_codes += lost;
    }
    for (size_t i = pads.size(); i > 0 && pads[i - 1]; --i) ++t->padding;
    t->losing -= t->padding;
    t->lost_codes -= t->padding;
}

// The glyphs the project's reader finds, in code order.
void collect_glyphs(const Fontx2Font *font, const std::vector<uint64_t> &at, Fontx2Glyphs *g) {
    for (uint32_t i = 0; i < FONTX2_NAME_BYTES; ++i) g->name[i] = (char)font->name[i];
    g->width = (uint8_t)font->glyph_width;
    g->height = (uint8_t)font->glyph_height;
    g->double_byte = font->double_byte;
    for (uint32_t code = 0; code < at.size(); ++code) {
        if (at[code] == NO_GLYPH) continue;
        g->codes.push_back(code);
        g->bitmaps.insert(g->bitmaps.end(), font->data + at[code],
                          font->data + at[code] + font->glyph_bytes);
    }
}

void add(std::vector<FixChange> *changes, const char *kind, uint64_t count,
         const std::string &message) {
    if (count > 0) changes->push_back({kind, count, message});
}

void table_changes(const Fontx2Font *font, const TableTally &t, std::vector<FixChange> *c) {
    if (font->code_type > 1)
        add(c, "code-type-invalid", 1,
            "code type " + std::to_string(font->code_type) +
                " (read as double-byte) written as 1, double-byte");
    add(c, "padding-blocks", t.padding,
        count_text(t.padding) + " padding entries at the end of the table, each repeating a "
                                "code an earlier block holds, dropped");
    add(c, "blocks-overlap", t.losing,
        count_text(t.lost_codes) + " codes that earlier blocks hold dropped from " +
            count_text(t.losing) + " later blocks (the earlier block wins, as in every reader)");
    add(c, "block-inverted", t.inverted,
        count_text(t.inverted) + " blocks whose last code is below their first (holding no "
                                 "code) dropped");
    add(c, "table-unsorted", t.out_of_order,
        "the table is sorted ascending (" + count_text(t.out_of_order) +
            " blocks began below an earlier one)");
    add(c, "table-cut", t.past_end,
        count_text(t.past_end) + " table entries past the end of the file dropped");
    // A single-byte font holds all 256 codes: those cut off become blank.
    add(c, "glyphs-cut", t.cut,
        count_text(t.cut) + " codes whose glyph the file cuts off " +
            (font->double_byte ? "dropped" : "written blank"));
}

void size_changes(const Fontx2Font *font, std::vector<FixChange> *c) {
    if (font->glyph_bytes == 0 || font->whole_bytes <= font->expected_size) return;
    const uint64_t trailing = font->whole_bytes - font->expected_size;
    std::string message = count_text(trailing) + " bytes after the last glyph dropped";
    if (font->double_byte && trailing >= font->glyph_bytes)
        message += " (" + count_text(trailing / font->glyph_bytes) +
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

int fix_font(const Fontx2Font *font, FixResult *result) {
    std::vector<uint64_t> at(font->double_byte ? 0x10000 : FONTX2_SINGLE_CODES, NO_GLYPH);
    TableTally tally;
    if (font->double_byte) {
        walk_table(font, &at, &tally);
    } else {
        for (uint32_t code = 0; code < FONTX2_SINGLE_CODES; ++code) {
            Fontx2Glyph glyph;
            if (fontx2_lookup(font, code, &glyph) && glyph.bitmap)
                at[code] = glyph.offset;
            else
                ++tally.cut;
        }
    }
    collect_glyphs(font, at, &result->glyphs);
    table_changes(font, tally, &result->changes);
    size_changes(font, &result->changes);
    if (result->glyphs.codes.empty() || font->glyph_bytes == 0) return FIX_NO_GLYPHS;
    result->runs = runs_of(result->glyphs.codes);
    if (!fontx2_write_font(result->glyphs, 255, &result->written)) return FIX_CHECK_FAILED;
    write_changes(font, result);
    if (!fontx2_check_font(result->written.bytes, result->glyphs, &result->bad_code))
        return FIX_CHECK_FAILED;
    return FIX_WRITTEN;
}
