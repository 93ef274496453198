// Writing FONTX2 fonts: the block plan (a block per run of codes, the smallest
// gaps merged where there are too many), the header, the table and the
// glyphs, and the check that both kinds of reader read back what was meant.
#include "fontx2/fontx2_writer.h"

#include "fontx2/fontx2.h"

#include <algorithm>
#include <numeric>
#include <stdint.h>
#include <string.h>

uint32_t fontx2_glyph_bytes(uint32_t width, uint32_t height) {
    return (width + 7) / 8 * height;
}

static std::vector<uint8_t> header(const char *name, uint8_t width, uint8_t height,
                                   uint8_t code_type) {
    std::vector<uint8_t> out(FONTX2_AT_CODE_TYPE + 1, 0);
    memcpy(out.data(), FONTX2_SIGNATURE, FONTX2_SIGNATURE_BYTES);
    for (int i = 0; i < FONTX2_NAME_BYTES; ++i) out[FONTX2_AT_NAME + i] = ' ';
    for (int i = 0; i < FONTX2_NAME_BYTES && name && name[i]; ++i)
        out[FONTX2_AT_NAME + i] = (uint8_t)name[i];
    out[FONTX2_AT_WIDTH] = width;
    out[FONTX2_AT_HEIGHT] = height;
    out[FONTX2_AT_CODE_TYPE] = code_type;
    return out;
}

std::vector<uint8_t> fontx2_write_single(const char *name, uint8_t width, uint8_t height,
                                         const std::vector<uint8_t> &glyphs) {
    std::vector<uint8_t> out = header(name, width, height, 0);
    out.insert(out.end(), glyphs.begin(), glyphs.end());
    return out;
}

std::vector<uint8_t> fontx2_write_double(const char *name, uint8_t width, uint8_t height,
                                         const std::vector<Fontx2Range> &ranges,
                                         const std::vector<uint8_t> &glyphs) {
    std::vector<uint8_t> out = header(name, width, height, 1);
    out.push_back((uint8_t)(ranges.size() & 0xFF)); // at FONTX2_AT_BLOCK_COUNT; wraps above 255
    for (const Fontx2Range &r : ranges) {
        out.push_back((uint8_t)(r.first_code & 0xFF));
        out.push_back((uint8_t)(r.first_code >> 8));
        out.push_back((uint8_t)(r.last_code & 0xFF));
        out.push_back((uint8_t)(r.last_code >> 8));
    }
    out.insert(out.end(), glyphs.begin(), glyphs.end());
    return out;
}

std::vector<Fontx2Range> fontx2_sjis_rows() {
    std::vector<Fontx2Range> rows;
    // 47 lead bytes (0x81-0x9F, 0xE0-0xEF) with two JIS rows each.
    for (uint32_t lead = 0x81; lead <= 0xEF; ++lead) {
        if (lead == 0xA0) lead = 0xE0;
        rows.push_back({(uint16_t)(lead << 8 | 0x40), (uint16_t)(lead << 8 | 0x7E)});
        rows.push_back({(uint16_t)(lead << 8 | 0x80), (uint16_t)(lead << 8 | 0xFC)});
    }
    return rows;
}

// Codes ascending and unique, each below limit.
static bool codes_ascending(const std::vector<uint32_t> &codes, uint32_t limit) {
    for (size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] >= limit || (i > 0 && codes[i] <= codes[i - 1])) return false;
    }
    return true;
}

std::vector<Fontx2Range> fontx2_plan_blocks(const std::vector<uint32_t> &codes,
                                            uint32_t max_blocks) {
    std::vector<Fontx2Range> runs;
    if (codes.empty() || max_blocks == 0 || !codes_ascending(codes, 0x10000)) return runs;
    if (max_blocks > 255) max_blocks = 255;
    for (uint32_t code : codes) {
        if (!runs.empty() && code == runs.back().last_code + 1u)
            runs.back().last_code = (uint16_t)code;
        else
            runs.push_back({(uint16_t)code, (uint16_t)code});
    }
    if (runs.size() <= max_blocks) return runs;
    // Gap i lies between run i and run i + 1. Closing a gap costs its codes
    // as blank glyphs, so the smallest go first; the stable sort keeps the
    // lower of equal gaps ahead.
    std::vector<uint32_t> order(runs.size() - 1);
    std::iota(order.begin(), order.end(), 0u);
    auto gap = [&](uint32_t i) { return runs[i + 1].first_code - runs[i].last_code - 1; };
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return gap(a) < gap(b); });
    std::vector<uint8_t> closed(order.size(), 0);
    for (size_t k = 0; k < runs.size() - max_blocks; ++k) closed[order[k]] = 1;
    std::vector<Fontx2Range> blocks;
    for (size_t i = 0; i < runs.size(); ++i) {
        if (i > 0 && closed[i - 1])
            blocks.back().last_code = runs[i].last_code;
        else
            blocks.push_back(runs[i]);
    }
    return blocks;
}

static bool glyphs_valid(const Fontx2Glyphs &glyphs) {
    if (glyphs.codes.empty() || !codes_ascending(glyphs.codes, glyphs.double_byte ? 0x10000 : 256))
        return false;
    return (uint64_t)glyphs.bitmaps.size() ==
           (uint64_t)glyphs.codes.size() * fontx2_glyph_bytes(glyphs.width, glyphs.height);
}

// The header up to the code type; the name's 8 bytes as they are.
static std::vector<uint8_t> header_of(const Fontx2Glyphs &glyphs) {
    std::vector<uint8_t> out(FONTX2_AT_BLOCK_COUNT, 0);
    memcpy(out.data(), FONTX2_SIGNATURE, FONTX2_SIGNATURE_BYTES);
    memcpy(out.data() + FONTX2_AT_NAME, glyphs.name, FONTX2_NAME_BYTES);
    out[FONTX2_AT_WIDTH] = glyphs.width;
    out[FONTX2_AT_HEIGHT] = glyphs.height;
    out[FONTX2_AT_CODE_TYPE] = glyphs.double_byte ? 1 : 0;
    return out;
}

// Appends the bitmaps of codes first to last: the given glyph where codes
// holds the code (*next walks it), else a blank one.
static void put_glyphs(const Fontx2Glyphs &glyphs, uint32_t first, uint32_t last, size_t *next,
                       Fontx2Written *out) {
    const uint32_t bytes = fontx2_glyph_bytes(glyphs.width, glyphs.height);
    for (uint32_t code = first; code <= last; ++code) {
        if (*next < glyphs.codes.size() && glyphs.codes[*next] == code) {
            const uint8_t *bitmap = glyphs.bitmaps.data() + *next * bytes;
            out->bytes.insert(out->bytes.end(), bitmap, bitmap + bytes);
            ++*next;
        } else {
            out->bytes.insert(out->bytes.end(), bytes, 0);
            ++out->blank_glyphs;
        }
        ++out->glyphs;
    }
}

bool fontx2_write_font(const Fontx2Glyphs &glyphs, uint32_t max_blocks, Fontx2Written *out) {
    if (!glyphs_valid(glyphs)) return false;
    std::vector<Fontx2Range> blocks;
    if (glyphs.double_byte) {
        blocks = fontx2_plan_blocks(glyphs.codes, max_blocks);
        if (blocks.empty()) return false;
    } else {
        blocks.push_back({0, FONTX2_SINGLE_CODES - 1});
    }
    uint64_t codes = 0;
    for (const Fontx2Range &b : blocks) codes += b.last_code - b.first_code + 1u;
    const uint64_t size = FONTX2_AT_TABLE + (uint64_t)FONTX2_ENTRY_BYTES * blocks.size() +
                          codes * fontx2_glyph_bytes(glyphs.width, glyphs.height);
    if (size > SIZE_MAX) return false;
    Fontx2Written written;
    written.bytes = header_of(glyphs);
    written.bytes.reserve((size_t)size);
    if (glyphs.double_byte) {
        written.bytes.push_back((uint8_t)blocks.size()); // at most 255: the count holds
        for (const Fontx2Range &b : blocks) {
            const uint8_t entry[FONTX2_ENTRY_BYTES] = {
                (uint8_t)(b.first_code & 0xFF), (uint8_t)(b.first_code >> 8),
                (uint8_t)(b.last_code & 0xFF), (uint8_t)(b.last_code >> 8)};
            written.bytes.insert(written.bytes.end(), entry, entry + FONTX2_ENTRY_BYTES);
        }
        written.blocks = (uint32_t)blocks.size();
    }
    size_t next = 0;
    for (const Fontx2Range &b : blocks)
        put_glyphs(glyphs, b.first_code, b.last_code, &next, &written);
    *out = std::move(written);
    return true;
}

static bool is_blank(const uint8_t *bitmap, uint32_t bytes) {
    for (uint32_t i = 0; i < bytes; ++i)
        if (bitmap[i]) return false;
    return true;
}

typedef bool (*Fontx2Reader)(const Fontx2Font *, uint32_t, Fontx2Glyph *);

// True when the reader finds want for the code, or, with want null, a blank
// glyph or none.
static bool reads_as(Fontx2Reader reader, const Fontx2Font *font, uint32_t code,
                     const uint8_t *want) {
    Fontx2Glyph glyph;
    const bool present = reader(font, code, &glyph) && glyph.bitmap;
    if (want) return present && memcmp(glyph.bitmap, want, font->glyph_bytes) == 0;
    return !present || is_blank(glyph.bitmap, font->glyph_bytes);
}

static bool header_matches(const Fontx2Font &font, const Fontx2Glyphs &glyphs) {
    return memcmp(font.name, glyphs.name, FONTX2_NAME_BYTES) == 0 &&
           font.glyph_width == glyphs.width && font.glyph_height == glyphs.height &&
           font.code_type == (glyphs.double_byte ? 1u : 0u);
}

// The codes either reader could give a glyph, and those meant to have one.
// The count-trusting reader walks the first entries of the table the
// project's reader walks (as many or more when the count wrapped), so no
// other code is held by either; looking each of 65,536 codes up would cost
// a walk of the table apiece.
static std::vector<uint8_t> codes_to_check(const Fontx2Font &font, const Fontx2Glyphs &glyphs) {
    if (!font.double_byte) return std::vector<uint8_t>(FONTX2_SINGLE_CODES, 1);
    std::vector<uint8_t> check(0x10000, 0);
    for (uint32_t code : glyphs.codes) check[code] = 1;
    Fontx2Block b = {};
    while (fontx2_next_block(&font, &b)) {
        for (uint32_t code = b.first_code; b.at_hand && code <= b.last_code; ++code)
            check[code] = 1;
    }
    return check;
}

// Both readers find the block's first and last code in it, wholly at hand,
// as far apart as the codes are; *first is the first code's glyph.
static bool block_reads_alike(const Fontx2Font &font, const Fontx2Block &b, const uint8_t **first) {
    Fontx2Glyph g[4];
    if (!fontx2_lookup(&font, b.first_code, &g[0]) || !fontx2_lookup(&font, b.last_code, &g[1]) ||
        !fontx2_device_lookup(&font, b.first_code, &g[2]) ||
        !fontx2_device_lookup(&font, b.last_code, &g[3]) || !g[0].bitmap || !g[1].bitmap)
        return false;
    *first = g[0].bitmap;
    const uint64_t apart = (uint64_t)(b.last_code - b.first_code) * font.glyph_bytes;
    return g[2].bitmap == g[0].bitmap && g[3].bitmap == g[1].bitmap &&
           (uint64_t)(g[1].bitmap - g[0].bitmap) == apart;
}

// In an ascending table no earlier block holds a block's codes, so where both
// readers place its first and last code, every code between lies between:
// each is compared without a lookup (lookups cost a walk of the table each).
static bool blocks_read_as(const Fontx2Font &font, const Fontx2Glyphs &glyphs, uint32_t *bad_code) {
    size_t next = 0;
    Fontx2Block b = {};
    while (fontx2_next_block(&font, &b)) {
        const uint8_t *at = nullptr;
        *bad_code =
            next < glyphs.codes.size() ? std::min(glyphs.codes[next], b.first_code) : b.first_code;
        if (b.first_code > b.last_code || !block_reads_alike(font, b, &at) ||
            *bad_code < b.first_code) // a glyph meant for a code no block holds
            return false;
        for (uint32_t code = b.first_code; code <= b.last_code; ++code, at += font.glyph_bytes) {
            *bad_code = code;
            const bool meant = next < glyphs.codes.size() && glyphs.codes[next] == code;
            const uint8_t *want =
                meant ? glyphs.bitmaps.data() + next++ * font.glyph_bytes : nullptr;
            if (want ? memcmp(at, want, font.glyph_bytes) != 0 : !is_blank(at, font.glyph_bytes))
                return false;
        }
    }
    if (next == glyphs.codes.size()) return true;
    *bad_code = glyphs.codes[next];
    return false;
}

bool fontx2_check_font(const std::vector<uint8_t> &bytes, const Fontx2Glyphs &glyphs,
                       uint32_t *bad_code) {
    uint32_t unused = 0;
    if (!bad_code) bad_code = &unused;
    *bad_code = glyphs.codes.empty() ? 0 : glyphs.codes[0];
    Fontx2Font font;
    if (fontx2_read(&font, bytes.data(), bytes.size(), bytes.size()) != FONTX2_OK ||
        !header_matches(font, glyphs) || !glyphs_valid(glyphs))
        return false;
    if (font.double_byte && font.table_ascending && font.blocks_at_hand == font.declared_blocks &&
        font.block_count == font.declared_blocks)
        return blocks_read_as(font, glyphs, bad_code);
    const std::vector<uint8_t> check = codes_to_check(font, glyphs);
    size_t next = 0;
    for (uint32_t code = 0; code < check.size(); ++code) {
        const uint8_t *want = nullptr;
        if (next < glyphs.codes.size() && glyphs.codes[next] == code)
            want = glyphs.bitmaps.data() + next++ * font.glyph_bytes;
        if (!check[code]) continue;
        if (!reads_as(fontx2_lookup, &font, code, want) ||
            !reads_as(fontx2_device_lookup, &font, code, want)) {
            *bad_code = code;
            return false;
        }
    }
    return true;
}
