// Reading a FONTX2 font (its header and block table) and looking its codes
// up: where each glyph lies, as the sheet reads it and as a device does.
#include "fontx2/fontx2.h"

#include <string.h>

// A header byte, or 0 when the data is too short to hold it.
static uint8_t header_byte(const uint8_t *data, uint64_t size, uint64_t at) {
    return at < size ? data[at] : 0;
}

bool fontx2_has_signature(const uint8_t *data, uint64_t size) {
    return data && size >= FONTX2_SIGNATURE_BYTES &&
           memcmp(data, FONTX2_SIGNATURE, FONTX2_SIGNATURE_BYTES) == 0;
}

// Entry i of the block table, or false when it is not wholly at hand.
static bool table_entry(const Fontx2Font *font, uint32_t i, uint32_t *first, uint32_t *last) {
    uint64_t at = FONTX2_AT_TABLE + (uint64_t)FONTX2_ENTRY_BYTES * i;
    if (at + FONTX2_ENTRY_BYTES > font->bytes_at_hand) return false;
    const uint8_t *e = font->data + at;
    *first = (uint32_t)(e[0] | e[1] << 8);
    *last = (uint32_t)(e[2] | e[3] << 8);
    return true;
}

bool fontx2_next_block(const Fontx2Font *font, Fontx2Block *block) {
    if (block->next >= font->block_count) return false;
    block->index = block->next++;
    block->first_glyph = block->next_glyph;
    block->at_hand = table_entry(font, block->index, &block->first_code, &block->last_code);
    if (!block->at_hand) {
        // An entry missing from the data holds no code and no glyph.
        block->first_code = 0xFFFF;
        block->last_code = 0;
        return true;
    }
    // The glyph counter is 16 bits wide, as every reader of the format counts.
    block->next_glyph = (block->next_glyph + block->last_code - block->first_code + 1) & 0xFFFF;
    return true;
}

// Adds the glyphs of entries from to to - 1 to *total; false when one of
// them is not at hand or runs backwards.
static bool entries_are_blocks(const Fontx2Font *font, uint64_t from, uint64_t to,
                               uint64_t *total) {
    for (uint64_t i = from; i < to; ++i) {
        uint32_t first = 0, last = 0;
        if (!table_entry(font, (uint32_t)i, &first, &last) || first > last) return false;
        *total += last - first + 1;
    }
    return true;
}

// Bytes of a font whose table holds count entries announcing total glyphs.
static uint64_t font_bytes(const Fontx2Font *font, uint64_t count, uint64_t total) {
    return FONTX2_AT_TABLE + FONTX2_ENTRY_BYTES * count + total * font->glyph_bytes;
}

// True, with the declared entries' glyphs in *total, when the count byte may
// have wrapped.
static bool count_may_have_wrapped(const Fontx2Font *font, uint64_t *total) {
    *total = 0;
    return entries_are_blocks(font, 0, font->declared_blocks, total) &&
           font_bytes(font, font->declared_blocks, *total) < font->whole_bytes;
}

// Some converters store a count above 255 modulo 256. The declared entries
// then leave bytes over, and the entries after them go on as blocks. The
// count is taken as n + 256k only when that table and its glyphs fill the
// data to the byte; otherwise the count byte stands.
static uint32_t table_length(const Fontx2Font *font) {
    const uint32_t declared = font->declared_blocks;
    uint64_t total = 0;
    if (!count_may_have_wrapped(font, &total)) return declared;
    for (uint64_t count = declared + 256;; count += 256) {
        if (FONTX2_AT_TABLE + FONTX2_ENTRY_BYTES * count > font->whole_bytes ||
            !entries_are_blocks(font, count - 256, count, &total) || total >= 0x10000)
            return declared;
        uint64_t bytes = font_bytes(font, count, total);
        if (bytes == font->whole_bytes) return (uint32_t)count;
        if (bytes > font->whole_bytes) return declared;
    }
}

// How many bytes from the start hold every entry the table could have: each
// block holds a glyph at least, and fewer than 65,536 in all.
static uint64_t head_needed(const Fontx2Font *font) {
    const uint64_t declared = FONTX2_AT_TABLE + FONTX2_ENTRY_BYTES * font->declared_blocks;
    uint64_t total = 0;
    if (!count_may_have_wrapped(font, &total)) return declared;
    uint64_t most =
        (font->whole_bytes - FONTX2_AT_TABLE) / (FONTX2_ENTRY_BYTES + font->glyph_bytes);
    if (most > 0xFFFF) most = 0xFFFF;
    uint64_t bytes = FONTX2_AT_TABLE + FONTX2_ENTRY_BYTES * most;
    return bytes > declared ? bytes : declared;
}

// The block table's totals: glyphs announced, and whether its entries are
// all at hand and ascending without overlap.
static void read_table(Fontx2Font *font) {
    font->declared_blocks = header_byte(font->data, font->bytes_at_hand, FONTX2_AT_BLOCK_COUNT);
    font->head_needed = head_needed(font);
    font->block_count = table_length(font);
    font->glyph_offset = FONTX2_AT_TABLE + (uint64_t)FONTX2_ENTRY_BYTES * font->block_count;
    font->glyphs_announced = 0;
    font->blocks_at_hand = 0;
    font->table_ascending = 1;
    uint32_t previous_last = 0;
    Fontx2Block block = {};
    while (fontx2_next_block(font, &block)) {
        if (!block.at_hand) {
            font->table_ascending = 0;
            continue;
        }
        ++font->blocks_at_hand;
        if (block.first_code <= block.last_code)
            font->glyphs_announced += block.last_code - block.first_code + 1;
        if (block.first_code > block.last_code ||
            (block.index > 0 && block.first_code <= previous_last))
            font->table_ascending = 0;
        previous_last = block.last_code;
    }
}

int fontx2_read(Fontx2Font *font, const uint8_t *data, uint64_t size, uint64_t whole_size) {
    memset(font, 0, sizeof *font);
    if (!fontx2_has_signature(data, size)) return FONTX2_NOT_FONTX2;
    font->data = data;
    font->bytes_at_hand = size;
    font->whole_bytes = whole_size > size ? whole_size : size;
    for (uint32_t i = 0; i < FONTX2_NAME_BYTES; ++i)
        font->name[i] = header_byte(data, size, FONTX2_AT_NAME + i);
    font->glyph_width = header_byte(data, size, FONTX2_AT_WIDTH);
    font->glyph_height = header_byte(data, size, FONTX2_AT_HEIGHT);
    font->glyph_row_bytes = (font->glyph_width + 7) / 8;
    font->glyph_bytes = font->glyph_height * font->glyph_row_bytes;
    font->code_type = header_byte(data, size, FONTX2_AT_CODE_TYPE);
    font->double_byte = font->code_type != 0;
    if (font->double_byte) {
        read_table(font);
    } else {
        font->glyph_offset = FONTX2_SINGLE_GLYPHS_AT;
        font->head_needed = FONTX2_SINGLE_GLYPHS_AT;
        font->glyphs_announced = FONTX2_SINGLE_CODES;
    }
    uint64_t glyph_space =
        font->whole_bytes > font->glyph_offset ? font->whole_bytes - font->glyph_offset : 0;
    uint64_t whole_glyphs = font->glyph_bytes ? glyph_space / font->glyph_bytes : 0;
    font->glyphs_present =
        whole_glyphs < font->glyphs_announced ? whole_glyphs : font->glyphs_announced;
    font->expected_size = font->glyph_offset + font->glyphs_announced * font->glyph_bytes;
    return FONTX2_OK;
}

const char *fontx2_result_message(int result) {
    static const char *const messages[] = {
        "success",                                        // FONTX2_OK
        "not a FONTX2 font (no FONTX2 signature)",        // FONTX2_NOT_FONTX2
        "the sheet's layout is not one this font has",    // FONTX2_BAD_LAYOUT
        "the sheet does not fit the memory given for it", // FONTX2_BUFFER_TOO_SMALL
        "drawing was stopped by its receiver",            // FONTX2_STOPPED
    };
    const int known = (int)(sizeof messages / sizeof messages[0]);
    return result >= 0 && result < known ? messages[result] : "unknown result";
}

void fontx2_place_glyph(const Fontx2Font *font, uint64_t glyphs_at, uint64_t index,
                        Fontx2Glyph *glyph) {
    glyph->index = (uint32_t)index;
    glyph->offset = glyphs_at + index * font->glyph_bytes;
    glyph->present = glyph->offset + font->glyph_bytes <= font->whole_bytes;
    glyph->bitmap = glyph->offset + font->glyph_bytes <= font->bytes_at_hand
                        ? font->data + glyph->offset
                        : nullptr;
}

bool fontx2_lookup(const Fontx2Font *font, uint32_t code, Fontx2Glyph *glyph) {
    memset(glyph, 0, sizeof *glyph);
    glyph->code = code;
    if (!font->double_byte) {
        glyph->held = code < FONTX2_SINGLE_CODES;
        fontx2_place_glyph(font, font->glyph_offset, glyph->held ? code : 0, glyph);
    } else {
        Fontx2Block block = {};
        while (fontx2_next_block(font, &block)) {
            if (block.first_code <= code && code <= block.last_code) {
                glyph->held = 1;
                glyph->block = block.index;
                fontx2_place_glyph(font, font->glyph_offset,
                                   block.first_glyph + code - block.first_code, glyph);
                break;
            }
        }
        if (!glyph->held) fontx2_place_glyph(font, font->glyph_offset, 0, glyph);
    }
    if (!glyph->held) glyph->present = 0;
    return glyph->present;
}

bool fontx2_device_lookup(const Fontx2Font *font, uint32_t code, Fontx2Glyph *glyph) {
    if (!font->double_byte) return fontx2_lookup(font, code, glyph);
    memset(glyph, 0, sizeof *glyph);
    glyph->code = code;
    const uint64_t glyphs_at =
        FONTX2_AT_TABLE + (uint64_t)FONTX2_ENTRY_BYTES * font->declared_blocks;
    uint64_t index = 0; // no 16-bit wrap: at most 255 entries of 65,536 codes
    for (uint32_t i = 0; i < font->declared_blocks; ++i) {
        uint32_t first = 0, last = 0;
        if (!table_entry(font, i, &first, &last)) break; // past the bytes at hand: nothing
        if (first > last) continue;                      // holds no code, counts none
        if (code < first || code > last) {
            index += last - first + 1;
            continue;
        }
        glyph->held = 1;
        glyph->block = i;
        fontx2_place_glyph(font, glyphs_at, index + code - first, glyph);
        break;
    }
    return glyph->present;
}
