// One analysis of a font: each kind of finding, judged by what a display
// library that trusts the count byte shows, from one walk of the header, the
// table and the glyph data. Reports word it; fix plans its rewrite from it.
#include "fontx2/fontx2_analysis.h"

#include <algorithm>
#include <iterator>
#include <map>

const Fontx2KindInfo fontx2_kinds[FONTX2_KINDS] = {
    {"header-cut", FONTX2_PROBLEM, false, false, "the file"},
    {"zero-size", FONTX2_PROBLEM, false, false, "the file"},
    {"code-type-invalid", FONTX2_PROBLEM, true, false, "the file"},
    {"table-cut", FONTX2_PROBLEM, true, false, "blocks past the end of the file"},
    {"count-wrapped", FONTX2_PROBLEM, true, false, "the file"},
    {"glyphs-cut", FONTX2_PROBLEM, true, false, "glyphs past the end of the file"},
    {"block-inverted", FONTX2_PROBLEM, true, true, "blocks"},
    {"no-glyphs", FONTX2_PROBLEM, false, false, "the file"},
    {"padding-blocks", FONTX2_NOTE, true, true, "entries"},
    {"blocks-overlap", FONTX2_PROBLEM, true, true, "runs of codes two blocks hold"},
    {"table-unsorted", FONTX2_NOTE, true, false, "blocks beginning below an earlier one"},
    {"trailing-bytes", FONTX2_NOTE, true, false, "the file"},
    {"glyphs-unreached", FONTX2_PROBLEM, true, false, "whole glyphs no block reaches"},
    {"blank-range", FONTX2_NOTE, false, true, "runs of codes"},
    {"low-codes", FONTX2_NOTE, false, false, "codes below 0x100 a double-byte font holds"},
};

namespace {

// Codes claimed so far: a run's first code -> its last code and holder.
struct Claimed {
    uint32_t last_code, holder;
};
using ClaimMap = std::map<uint32_t, Claimed>;

void push_run(std::vector<Fontx2Run> *runs, const Fontx2Block &b, uint32_t first, uint32_t last,
              uint32_t holder) {
    runs->push_back({first, last, b.index, holder, b.first_glyph + first - b.first_code});
}

// A block's codes in code order: those claimed before are lost to their
// holder, the others it claims.
void claim_block(ClaimMap *claimed, const Fontx2Block &b, std::vector<Fontx2Run> *runs) {
    uint32_t code = b.first_code; // the next code to place; may pass 0xFFFF
    ClaimMap::iterator it = claimed->upper_bound(code);
    if (it != claimed->begin() && std::prev(it)->second.last_code >= code) --it;
    while (code <= b.last_code) {
        const uint32_t free_to =
            it == claimed->end() || it->first > b.last_code ? b.last_code : it->first - 1;
        if (it == claimed->end() || it->first > code) {
            push_run(runs, b, code, free_to, b.index);
            claimed->emplace_hint(it, code, Claimed{free_to, b.index});
            code = free_to + 1;
            continue;
        }
        const uint32_t end = std::min(it->second.last_code, b.last_code);
        push_run(runs, b, code, end, it->second.holder);
        code = end + 1;
        ++it;
    }
}

} // namespace

void fontx2_code_runs(const Fontx2Font *font, std::vector<Fontx2Run> *runs) {
    runs->clear();
    if (!font->double_byte) {
        runs->push_back({0, FONTX2_SINGLE_CODES - 1, 0, 0, 0});
        return;
    }
    ClaimMap claimed;
    Fontx2Block b = {};
    while (fontx2_next_block(font, &b))
        if (b.at_hand && b.first_code <= b.last_code) claim_block(&claimed, b, runs);
}

uint32_t fontx2_map_codes(const Fontx2Font *font, uint32_t *glyph, uint32_t *block) {
    std::vector<Fontx2Run> runs;
    fontx2_code_runs(font, &runs);
    const uint32_t size = font->double_byte ? FONTX2_CODES : FONTX2_SINGLE_CODES;
    for (uint32_t code = 0; code < size; ++code) glyph[code] = FONTX2_NO_GLYPH;
    uint32_t end = 0;
    for (const Fontx2Run &r : runs) {
        if (r.holder != r.block) continue;
        for (uint32_t code = r.first_code; code <= r.last_code; ++code) {
            glyph[code] = r.first_glyph + code - r.first_code;
            if (block) block[code] = r.block;
        }
        end = std::max(end, r.last_code + 1);
    }
    return end;
}

namespace {

// Kinds are added in Fontx2Kind order.
struct Walk {
    const Fontx2Font *font;
    Fontx2Analysis *out;
};

Fontx2Finding *add(Walk *w, Fontx2Kind kind, uint64_t count = 1) {
    Fontx2Finding f = {kind, count, 0, FONTX2_NO_CODE, 0, {}};
    w->out->findings.push_back(f);
    return &w->out->findings.back();
}

void header_kinds(Walk *w) {
    const Fontx2Font *font = w->font;
    const uint64_t need = font->double_byte ? FONTX2_AT_TABLE : FONTX2_SINGLE_GLYPHS_AT;
    if (font->bytes_at_hand < need) add(w, FONTX2_HEADER_CUT)->offset = font->bytes_at_hand;
    // A cut header already says why the size reads 0.
    if (font->bytes_at_hand > FONTX2_AT_HEIGHT &&
        (font->glyph_width == 0 || font->glyph_height == 0))
        add(w, FONTX2_ZERO_SIZE);
    if (font->bytes_at_hand > FONTX2_AT_CODE_TYPE && font->code_type > 1)
        add(w, FONTX2_CODE_TYPE_INVALID)->offset = FONTX2_AT_CODE_TYPE;
    if (font->double_byte && font->blocks_at_hand < font->block_count)
        add(w, FONTX2_TABLE_CUT, font->block_count - font->blocks_at_hand)->offset =
            font->bytes_at_hand;
    if (font->double_byte && font->block_count != font->declared_blocks)
        add(w, FONTX2_COUNT_WRAPPED)->offset = FONTX2_AT_BLOCK_COUNT;
}

// Glyphs cut off: how many, the lowest code whose glyph is the first cut,
// and the codes held whose glyph is cut.
void cut_kind(Walk *w) {
    const Fontx2Font *font = w->font;
    const uint64_t present = font->glyphs_present;
    if (font->glyph_bytes == 0 || present >= font->glyphs_announced) return;
    Fontx2Finding *f = add(w, FONTX2_GLYPHS_CUT, font->glyphs_announced - present);
    f->offset = font->glyph_offset + present * font->glyph_bytes;
    for (const Fontx2Run &r : w->out->runs) {
        const uint64_t last_glyph = (uint64_t)r.first_glyph + (r.last_code - r.first_code);
        if (r.holder != r.block || last_glyph < present) continue;
        f->codes += last_glyph - std::max<uint64_t>(r.first_glyph, present) + 1;
        if (r.first_glyph <= present)
            f->code = std::min(f->code, r.first_code + (uint32_t)(present - r.first_glyph));
    }
}

Fontx2Instance instance(uint32_t block, uint32_t first, uint32_t last) {
    return {block, 0, first, last};
}

// Padding: an entry of one code that an earlier block holds, its glyph
// present. Converters end tables with them; readers never reach them.
bool padding_entry(const Fontx2Font *font, const Fontx2Block &b, const Fontx2Run &run) {
    return b.first_code == b.last_code && run.holder != b.index &&
           font->glyph_offset + ((uint64_t)b.first_glyph + 1) * font->glyph_bytes <=
               font->whole_bytes;
}

// The table's blocks that hold codes, in table order; the inverted ones,
// which hold none, listed.
std::vector<Fontx2Block> held_blocks(Walk *w) {
    std::vector<Fontx2Block> held;
    std::vector<Fontx2Instance> inverted;
    Fontx2Block b = {};
    while (fontx2_next_block(w->font, &b)) {
        if (!b.at_hand) continue;
        if (b.first_code <= b.last_code)
            held.push_back(b);
        else
            inverted.push_back(instance(b.index, b.first_code, b.last_code));
    }
    if (!inverted.empty()) add(w, FONTX2_BLOCK_INVERTED, inverted.size())->instances = inverted;
    return held;
}

// Runs an earlier block holds, of the blocks before the padding.
void overlap_kind(Walk *w, size_t runs_end) {
    std::vector<Fontx2Instance> overlaps;
    uint64_t lost = 0;
    for (size_t i = 0; i < runs_end; ++i) {
        const Fontx2Run &r = w->out->runs[i];
        if (r.holder == r.block) continue;
        lost += r.last_code - r.first_code + 1;
        overlaps.push_back({r.holder, r.block, r.first_code, r.last_code});
    }
    if (overlaps.empty()) return;
    Fontx2Finding *f = add(w, FONTX2_BLOCKS_OVERLAP, overlaps.size());
    f->codes = lost;
    f->instances = std::move(overlaps);
}

void table_kinds(Walk *w) {
    const Fontx2Font *font = w->font;
    const std::vector<Fontx2Block> held = held_blocks(w);
    if (held.empty() && font->glyph_bytes > 0 && font->bytes_at_hand >= FONTX2_AT_TABLE)
        add(w, FONTX2_NO_GLYPHS);
    // A one-code block has one run; the padding entries end both lists.
    size_t kept = held.size(), runs_end = w->out->runs.size();
    while (kept > 0 && padding_entry(font, held[kept - 1], w->out->runs[runs_end - 1])) {
        --kept;
        --runs_end;
    }
    if (kept < held.size() && font->glyph_bytes > 0) {
        Fontx2Finding *f = add(w, FONTX2_PADDING_BLOCKS, held.size() - kept);
        for (size_t i = kept; i < held.size(); ++i)
            f->instances.push_back(instance(held[i].index, held[i].first_code, held[i].last_code));
    }
    overlap_kind(w, runs_end);
    uint64_t unsorted = 0;
    uint32_t highest_first = 0;
    for (size_t i = 0; i < kept; ++i) {
        unsorted += held[i].first_code < highest_first;
        highest_first = std::max(highest_first, held[i].first_code);
    }
    if (unsorted > 0) add(w, FONTX2_TABLE_UNSORTED, unsorted);
}

void size_kinds(Walk *w) {
    const Fontx2Font *font = w->font;
    if (font->glyph_bytes == 0 || font->whole_bytes <= font->expected_size) return;
    const uint64_t over = font->whole_bytes - font->expected_size;
    // Whole glyphs after a double-byte font's last are likely blocks the
    // table lost; a single-byte font has no table to lose them from.
    Fontx2Finding *f = font->double_byte && over >= font->glyph_bytes
                           ? add(w, FONTX2_GLYPHS_UNREACHED, over / font->glyph_bytes)
                           : add(w, FONTX2_TRAILING_BYTES);
    f->offset = font->expected_size;
}

// Runs of present single-byte glyphs with no ink, among the codes meant to
// have some: the controls, the space and DEL are blank in every font.
bool blank_code(const Fontx2Font *font, uint32_t code) {
    Fontx2Glyph g;
    if (code <= 0x20 || code == 0x7F || code >= FONTX2_SINGLE_CODES) return false;
    if (!fontx2_lookup(font, code, &g) || !g.bitmap) return false;
    for (uint32_t y = 0; y < font->glyph_height; ++y)
        for (uint32_t x = 0; x < font->glyph_width; ++x)
            if (fontx2_glyph_pixel(font, g.bitmap, x, y)) return false;
    return true;
}

void blank_kind(Walk *w) {
    const Fontx2Font *font = w->font;
    if (font->double_byte || font->glyph_bytes == 0) return;
    std::vector<Fontx2Instance> runs;
    for (uint32_t code = 0; code < FONTX2_SINGLE_CODES; ++code) {
        if (!blank_code(font, code)) continue;
        if (!runs.empty() && runs.back().last_code + 1 == code)
            runs.back().last_code = code;
        else
            runs.push_back(instance(0, code, code));
    }
    if (!runs.empty()) add(w, FONTX2_BLANK_RANGE, runs.size())->instances = runs;
}

// A double-byte font's codes below 0x100: display drivers' file readers look
// such codes up in a single-byte font only, so the device shows nothing there.
void low_codes_kind(Walk *w) {
    if (!w->font->double_byte) return;
    uint64_t low = 0;
    for (const Fontx2Run &r : w->out->runs)
        if (r.holder == r.block && r.first_code < 0x100)
            low += std::min(r.last_code, 0xFFu) - r.first_code + 1;
    if (low) add(w, FONTX2_LOW_CODES, low);
}

} // namespace

void fontx2_analyse(const Fontx2Font *font, Fontx2Analysis *analysis) {
    analysis->findings.clear();
    Walk w = {font, analysis};
    fontx2_code_runs(font, &analysis->runs);
    header_kinds(&w);
    cut_kind(&w);
    if (font->double_byte) table_kinds(&w);
    size_kinds(&w);
    blank_kind(&w);
    low_codes_kind(&w);
}

const Fontx2Finding *fontx2_finding(const Fontx2Analysis &analysis, Fontx2Kind kind) {
    for (const Fontx2Finding &f : analysis.findings)
        if (f.kind == kind) return &f;
    return nullptr;
}

bool fontx2_any_problem(const Fontx2Analysis &analysis) {
    for (const Fontx2Finding &f : analysis.findings)
        if (fontx2_kinds[f.kind].severity == FONTX2_PROBLEM) return true;
    return false;
}
