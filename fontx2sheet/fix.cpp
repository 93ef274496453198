// fontx2sheet fix: the glyphs this project's reader finds in a font, written
// again as a font whose count byte and table every reader reads alike.
#include "fontx2sheet/fix.h"
#include "fontx2sheet/fontx2sheet.h"

#include <CLI/CLI.hpp>

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

// ---- the command ------------------------------------------------------------------

CLI::App *add_fix(CLI::App &app, FixArgs *args) {
    CLI::App *fix = app.add_subcommand(
        "fix", "Rewrite a font so that readers which trust its count byte read every glyph it "
               "holds: wrapped counts, padding, overlapping, inverted and unsorted blocks, cut "
               "glyphs and trailing bytes");
    fix->add_option("FONT", args->font, "The FONTX2 font")->required();
    fix->add_option("-o,--output", args->out, "The font to write (never FONT itself)")->required();
    fix->add_flag("--force", args->force, "Write the font even when it needs no change");
    fix->add_flag("--json", args->json, "One JSON object on standard output: the changes");
    return fix;
}

namespace {

std::string json_string(const std::string &s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += (char)c;
        } else if (c < 0x20 || c == 0x7F) {
            char e[8];
            snprintf(e, sizeof e, "\\u%04x", c);
            out += e;
        } else {
            out += (char)c;
        }
    }
    return out + "\"";
}

std::string fix_json(const FixArgs &args, const FixResult &r, bool written) {
    std::string changes;
    for (const FixChange &c : r.changes)
        changes += std::string(changes.empty() ? "" : ",") + "{\"kind\":" + json_string(c.kind) +
                   ",\"count\":" + std::to_string(c.count) +
                   ",\"message\":" + json_string(c.message) + "}";
    const Fontx2Written &w = r.written;
    return "{\"file\":" + json_string(args.font) + ",\"output\":" + json_string(args.out) +
           ",\"written\":" + (written ? "true" : "false") + ",\"changes\":[" + changes +
           "],\"codes\":" + std::to_string(r.glyphs.codes.size()) +
           ",\"blocks\":" + std::to_string(w.blocks) + ",\"glyphs\":" + std::to_string(w.glyphs) +
           ",\"blank_glyphs\":" + std::to_string(w.blank_glyphs) +
           ",\"bytes\":" + std::to_string(w.bytes.size()) + "}\n";
}

// One line per kind of change, then what was written.
void fix_text(const FixArgs &args, const FixResult &r, bool written) {
    for (const FixChange &c : r.changes) report(args.font, c.kind + ": " + c.message);
    if (!written) {
        report(args.font, "needs no change: nothing written (--force writes it anyway)");
        return;
    }
    const Fontx2Written &w = r.written;
    std::string blocks = !r.glyphs.double_byte ? ""
                         : w.blocks == 1       ? "1 block, "
                                               : std::to_string(w.blocks) + " blocks, ";
    report(args.out == "-" ? "standard output" : args.out,
           "written: " + blocks + count_text(w.glyphs) + " glyphs (" + count_text(w.blank_glyphs) +
               " blank), " + count_text(w.bytes.size()) +
               " bytes, read back alike by both readers");
}

int nothing_to_keep(const FixArgs &args, const LoadedFont &loaded, const FixResult &r) {
    const Fontx2Font &f = loaded.font;
    report(args.font, f.glyph_bytes == 0
                          ? "the glyphs are " + std::to_string(f.glyph_width) + " x " +
                                std::to_string(f.glyph_height) + " pixels: nothing to keep"
                          : std::string("no code has a whole glyph: nothing to keep"));
    report(args.out, "nothing written");
    if (args.json) fputs(fix_json(args, r, false).c_str(), stdout);
    return EXIT_PROBLEM;
}

} // namespace

int run_fix(const FixArgs &args) {
    if (args.json && args.out == "-") {
        report(args.out,
               "--json and -o - would both use standard output: write the font to a file");
        return EXIT_USAGE;
    }
    int refused = refuse_output_over_input(args.out, {args.font});
    if (refused != EXIT_FINE) {
        if (args.out != "-") report(args.out, "write the fixed font to a new file, then rename it");
        return refused;
    }
    LoadedFont loaded;
    if (load_font(args.font, &loaded) != EXIT_FINE) {
        report(args.font, loaded.error);
        return EXIT_NOT_A_FONT;
    }
    FixResult r;
    int status = FIX_WRITTEN;
    try {
        status = fix_font(&loaded.font, &r);
    } catch (const std::bad_alloc &) {
        report(args.out, "not enough memory for the rewritten font; nothing written");
        return EXIT_NO_OUTPUT;
    }
    if (status == FIX_NO_GLYPHS) return nothing_to_keep(args, loaded, r);
    if (status == FIX_CHECK_FAILED) {
        report(args.font, "bug: the rewritten font reads code " +
                              code_text(r.bad_code, loaded.font.double_byte) +
                              " wrong; nothing written");
        return EXIT_SOFTWARE;
    }
    const bool write = !r.changes.empty() || args.force;
    if (write) {
        status = write_output(args.out, r.written.bytes);
        if (status != EXIT_FINE) return status;
    }
    if (args.json)
        fputs(fix_json(args, r, write).c_str(), stdout);
    else
        fix_text(args, r, write);
    fflush(stdout);
    return EXIT_FINE;
}
