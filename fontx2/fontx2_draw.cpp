// Drawing a glyph sheet a whole memory row at a time: glyph rows are moved a
// byte or a word at a time with shifts, and code-to-glyph lookups read the
// block table once per run of codes or window of codes, never per code.
#include "fontx2/fontx2.h"

#include "common/little_endian.h"

#include <string.h>

namespace {

// The longest glyph bitmap (255 rows of 32 bytes): cells whose bitmap is not
// wholly in the font data are drawn from here, blank.
const uint8_t BLANK_GLYPH[255 * FONTX2_MAX_GLYPH_ROW_BYTES] = {};

const uint32_t GLYPH_NONE = 0xFFFFFFFFu;
// Codes of one window of a table that is not ascending: 4 KB of the stack.
const uint32_t GLYPH_WINDOW_CODES = 1024;

// Sequential code lookup, since the sheet's codes ascend. An ascending table
// is walked once for the whole sheet, a run of codes per step. Any other
// table (thousands of blocks, in any order) is read once per window of codes
// into the glyph index of each code.
struct GlyphCursor {
    const Fontx2Font *font;
    uint32_t run_start;
    uint32_t run_end;
    uint32_t run_index; // glyph index of run_start, or GLYPH_NONE
    bool valid;
    Fontx2Block walk; // ascending tables: the first block not below the last code
    bool walking;
    bool window_valid;
    uint32_t window_base;
    uint32_t window[GLYPH_WINDOW_CODES]; // glyph indexes from window_base on
};

// The run of an ascending table holding code: the walk only moves forward.
uint32_t ascending_run(GlyphCursor *cursor, uint32_t code, uint32_t *run_end) {
    Fontx2Block *b = &cursor->walk;
    if (!cursor->walking) {
        *b = Fontx2Block{};
        cursor->walking = fontx2_next_block(cursor->font, b);
    }
    while (cursor->walking && b->last_code < code)
        cursor->walking = fontx2_next_block(cursor->font, b);
    if (!cursor->walking) {
        *run_end = 0xFFFFFFFFu;
        return GLYPH_NONE;
    }
    if (code < b->first_code) {
        *run_end = b->first_code - 1;
        return GLYPH_NONE;
    }
    *run_end = b->last_code;
    return b->first_glyph + code - b->first_code;
}

// The window of codes from base: blocks claim their codes in table order,
// so where they overlap the earlier one wins.
void fill_window(GlyphCursor *cursor, uint32_t base) {
    uint32_t *window = cursor->window;
    for (uint32_t i = 0; i < GLYPH_WINDOW_CODES; ++i) window[i] = GLYPH_NONE;
    const uint32_t end = base + GLYPH_WINDOW_CODES - 1;
    Fontx2Block b = {};
    while (fontx2_next_block(cursor->font, &b)) {
        // An entry not at hand, or running backwards, holds nothing.
        if (b.first_code > b.last_code || b.last_code < base || b.first_code > end) continue;
        const uint32_t from = b.first_code > base ? b.first_code : base;
        const uint32_t to = b.last_code < end ? b.last_code : end;
        for (uint32_t code = from; code <= to; ++code)
            if (window[code - base] == GLYPH_NONE)
                window[code - base] = b.first_glyph + code - b.first_code;
    }
    cursor->window_base = base;
    cursor->window_valid = true;
}

// The bitmap of a glyph index (a code no block holds shows the first glyph),
// or the blank glyph when it is not wholly at hand.
const uint8_t *glyph_bitmap(const Fontx2Font *font, uint32_t index) {
    uint64_t at = font->glyph_offset;
    if (index != GLYPH_NONE) at += (uint64_t)index * font->glyph_bytes;
    return at + font->glyph_bytes <= font->bytes_at_hand ? font->data + at : BLANK_GLYPH;
}

const uint8_t *glyph_cursor_glyph(GlyphCursor *cursor, uint32_t code) {
    const Fontx2Font *font = cursor->font;
    if (!font->double_byte) return glyph_bitmap(font, code);
    if (!font->table_ascending) {
        const uint32_t base = code & ~(GLYPH_WINDOW_CODES - 1);
        if (!cursor->window_valid || base != cursor->window_base) fill_window(cursor, base);
        return glyph_bitmap(font, cursor->window[code - base]);
    }
    if (!cursor->valid || code < cursor->run_start || code > cursor->run_end) {
        if (cursor->valid && code < cursor->run_start) cursor->walking = false; // start over
        cursor->run_start = code;
        cursor->run_index = ascending_run(cursor, code, &cursor->run_end);
        cursor->valid = true;
    }
    uint32_t index = cursor->run_index;
    if (index != GLYPH_NONE) index += code - cursor->run_start;
    return glyph_bitmap(font, index);
}

uint32_t load_le(const uint8_t *p, uint32_t bytes) {
    uint32_t v = 0;
    memcpy(&v, p, bytes); // little-endian hosts only: see common/little_endian.h
    return v;
}

// Byte-aligned glyph widths of 1, 2 or 4 bytes: the cells of a memory row are
// gathered into 64-bit words, so one store writes 8, 4 or 2 cells.
template <uint32_t ROW_BYTES>
void row_packed(uint8_t *line, const uint8_t *const *glyphs, uint32_t columns, uint32_t offset) {
    const uint32_t per_word = 8 / ROW_BYTES;
    uint32_t c = 0;
    for (; c + per_word <= columns; c += per_word) {
        uint64_t word = 0;
        for (uint32_t k = 0; k < per_word; ++k)
            word |= (uint64_t)load_le(glyphs[c + k] + offset, ROW_BYTES) << (8 * ROW_BYTES * k);
        memcpy(line, &word, 8);
        line += 8;
    }
    for (; c < columns; ++c, line += ROW_BYTES) memcpy(line, glyphs[c] + offset, ROW_BYTES);
}

void copy_row_bytes(uint8_t *line, const uint8_t *const *glyphs, uint32_t columns, uint32_t offset,
                    uint32_t row_bytes) {
    for (uint32_t c = 0; c < columns; ++c, line += row_bytes)
        memcpy(line, glyphs[c] + offset, row_bytes);
}

// Glyph widths that are not a multiple of 8: the cells' bits (or groups of
// narrow cells) are run through a 64-bit accumulator and leave it 32 at a
// time, most significant first.
struct BitWriter {
    uint8_t *out;
    uint64_t pending; // the low `bits` bits are not yet stored
    uint32_t bits;    // below 32 between calls
};

inline void bit_writer_put(BitWriter *w, uint32_t value, uint32_t count) {
    w->pending = (w->pending << count) | value;
    w->bits += count;
    if (w->bits >= 32) {
        w->bits -= 32;
        uint32_t word = (uint32_t)(w->pending >> w->bits);
        uint8_t bytes[4] = {(uint8_t)(word >> 24), (uint8_t)(word >> 16), (uint8_t)(word >> 8),
                            (uint8_t)word};
        memcpy(w->out, bytes, 4);
        w->out += 4;
    }
}

inline void bit_writer_flush(BitWriter *w) {
    for (; w->bits >= 8; w->bits -= 8) *w->out++ = (uint8_t)(w->pending >> (w->bits - 8));
    if (w->bits) *w->out++ = (uint8_t)(w->pending << (8 - w->bits));
    w->bits = 0;
}

// The top `count` bits (1 to 32) of the bytes at p, right-aligned.
inline uint32_t load_bits(const uint8_t *p, uint32_t count) {
    uint32_t bytes = (count + 7) / 8, v = 0;
    for (uint32_t i = 0; i < bytes; ++i) v = v << 8 | p[i];
    return v >> (8 * bytes - count);
}

void row_bits(uint8_t *line, const uint8_t *const *glyphs, uint32_t columns, uint32_t offset,
              uint32_t width) {
    BitWriter w = {line, 0, 0};
    for (uint32_t c = 0; c < columns; ++c) {
        const uint8_t *p = glyphs[c] + offset;
        uint32_t left = width;
        for (; left > 32; left -= 32, p += 4) bit_writer_put(&w, load_bits(p, 32), 32);
        bit_writer_put(&w, load_bits(p, left), left);
    }
    bit_writer_flush(&w);
}

// Narrow widths (below 16, not a multiple of 8) in rows of several cells:
// the glyphs of a cell row are first merged, a group of cells (at most 32
// bits) at a time for up to NARROW_CHUNK_ROWS glyph rows, row after row of
// each glyph (a loop compilers vectorise); each memory row then takes a
// group per accumulator step instead of a cell.
enum { NARROW_CHUNK_ROWS = 32, NARROW_MOST_GROUPS = FONTX2_JIS_SIDE / 2 };

struct NarrowGroups {
    uint32_t per_group; // cells in a group
    uint32_t groups;    // whole groups in a row
    uint32_t merged[NARROW_MOST_GROUPS][NARROW_CHUNK_ROWS];
};

template <uint32_t SOURCE_BYTES>
void merge_groups(NarrowGroups *n, const uint8_t *const *glyphs, uint32_t width, uint32_t y0,
                  uint32_t rows) {
    const uint32_t shift = 8 * SOURCE_BYTES - width;
    for (uint32_t gi = 0; gi < n->groups; ++gi) {
        uint32_t *__restrict merged = n->merged[gi];
        for (uint32_t k = 0; k < n->per_group; ++k) {
            const uint8_t *__restrict p = glyphs[gi * n->per_group + k] + y0 * SOURCE_BYTES;
            const uint32_t at = (n->per_group - 1 - k) * width; // the first cell on top
            // The first cell sets the group's rows (no clearing call), the others join it.
            const uint32_t keep = k == 0 ? 0 : 0xFFFFFFFFu;
            for (uint32_t y = 0; y < rows; ++y) {
                uint16_t row = 0; // big-endian in the glyph
                memcpy(&row, p + SOURCE_BYTES * y, SOURCE_BYTES);
                const uint32_t bits = SOURCE_BYTES == 1 ? row : __builtin_bswap16(row);
                merged[y] = (merged[y] & keep) | (bits >> shift) << at;
            }
        }
    }
}

// What every memory row of a drawing shares.
struct RowGeometry {
    uint32_t glyph_width;
    uint32_t glyph_row_bytes;
    uint32_t row_bytes; // pixel bytes of a sheet row
    uint64_t stride;
};

// One memory row of glyph row `y` across the cells: row_bytes bytes of
// pixels, then zero padding up to the stride.
void write_row(const RowGeometry *g, uint8_t *line, const uint8_t *const *glyphs, uint32_t columns,
               uint32_t y) {
    const uint32_t width = g->glyph_width, row_bytes = g->glyph_row_bytes;
    const uint32_t offset = y * row_bytes;
    if (width % 8 != 0 && columns > 1) {
        row_bits(line, glyphs, columns, offset, width);
    } else {
        switch (row_bytes) {
        case 1:
            row_packed<1>(line, glyphs, columns, offset);
            break;
        case 2:
            row_packed<2>(line, glyphs, columns, offset);
            break;
        case 4:
            row_packed<4>(line, glyphs, columns, offset);
            break;
        default:
            copy_row_bytes(line, glyphs, columns, offset, row_bytes);
            break;
        }
        // A single cell starts on a byte boundary: only its last byte may hold
        // bits beyond the glyph width, which are never drawn.
        if (width % 8 != 0) line[row_bytes - 1] &= (uint8_t)(0xFF00 >> (width % 8));
    }
    // Most sheets' rows need no padding: spare them the call.
    if (g->stride != g->row_bytes)
        memset(line + g->row_bytes, 0, (size_t)(g->stride - g->row_bytes));
}

// A single-column cell whose memory rows are one word of STRIDE bytes: each
// row is the glyph row, its bits beyond the glyph width cleared, and zeros,
// stored at once.
template <uint32_t ROW_BYTES, uint32_t STRIDE>
void column_words(uint8_t *top, int64_t step, const uint8_t *glyph, uint32_t height,
                  uint64_t keep) {
    for (uint32_t y = 0; y < height; ++y) {
        uint64_t word = 0;
        memcpy(&word, glyph + y * ROW_BYTES, ROW_BYTES);
        word &= keep;
        memcpy(top + (int64_t)y * step, &word, STRIDE);
    }
}

typedef void (*ColumnWriter)(uint8_t *, int64_t, const uint8_t *, uint32_t, uint64_t);

// The word writer for a glyph row of row_bytes in rows of stride bytes, or
// null when a row is not one word of 4 or 8 bytes.
ColumnWriter pick_column_writer(uint32_t row_bytes, uint64_t stride) {
    static const ColumnWriter words4[] = {column_words<1, 4>, column_words<2, 4>,
                                          column_words<3, 4>, column_words<4, 4>};
    static const ColumnWriter words8[] = {column_words<5, 8>, column_words<6, 8>,
                                          column_words<7, 8>, column_words<8, 8>};
    if (stride == 4 && row_bytes <= 4) return words4[row_bytes - 1];
    if (stride == 8 && row_bytes > 4 && row_bytes <= 8) return words8[row_bytes - 5];
    return nullptr;
}

// The bits of a glyph row's bytes (as a little-endian word) within the
// glyph width; rows of more than 8 bytes are never one word.
uint64_t row_keep(uint32_t width, uint32_t row_bytes) {
    if (row_bytes > 8) return ~0ull;
    uint64_t keep = row_bytes == 8 ? ~0ull : (1ull << (8 * row_bytes)) - 1;
    if (width % 8 != 0) keep &= ~((uint64_t)(0xFF >> (width % 8)) << (8 * (row_bytes - 1)));
    return keep;
}

// One memory row of merged groups (row y of the chunk), then the cells left.
void narrow_row(const RowGeometry *g, const NarrowGroups *n, uint8_t *line, uint32_t y,
                const uint8_t *const *glyphs, uint32_t columns, uint32_t glyph_y) {
    const uint32_t width = g->glyph_width, group_bits = n->per_group * width;
    BitWriter w = {line, 0, 0};
    for (uint32_t gi = 0; gi < n->groups; ++gi) bit_writer_put(&w, n->merged[gi][y], group_bits);
    for (uint32_t c = n->groups * n->per_group; c < columns; ++c)
        bit_writer_put(&w, load_bits(glyphs[c] + glyph_y * g->glyph_row_bytes, width), width);
    bit_writer_flush(&w);
}

// A whole cell row of a narrow width: rows `step` bytes apart from `top`.
void cell_row_narrow(const RowGeometry *g, uint8_t *top, int64_t step, const uint8_t *const *glyphs,
                     uint32_t columns, uint32_t height) {
    const uint32_t width = g->glyph_width;
    NarrowGroups n;
    n.per_group = 32 / width;
    n.groups = columns / n.per_group;
    for (uint32_t y0 = 0; y0 < height; y0 += NARROW_CHUNK_ROWS) {
        const uint32_t rows =
            height - y0 < (uint32_t)NARROW_CHUNK_ROWS ? height - y0 : (uint32_t)NARROW_CHUNK_ROWS;
        if (width > 8) {
            merge_groups<2>(&n, glyphs, width, y0, rows);
        } else {
            merge_groups<1>(&n, glyphs, width, y0, rows);
        }
        for (uint32_t y = 0; y < rows; ++y) {
            uint8_t *line = top + (int64_t)(y0 + y) * step;
            narrow_row(g, &n, line, y, glyphs, columns, y0 + y);
            if (g->stride != g->row_bytes)
                memset(line + g->row_bytes, 0, (size_t)(g->stride - g->row_bytes));
        }
    }
}

// The glyphs of one cell row, in column order, from the code of its first
// cell: the grids' codes follow on (JIS cells through their Shift-JIS codes),
// and an own-order line is blank where it shows no code.
void cell_row_glyphs(const Fontx2Layout *layout, GlyphCursor *cursor, uint32_t row,
                     uint32_t first_code, const uint8_t **glyphs) {
    const uint32_t columns = layout->columns;
    if (layout->order == FONTX2_ORDER_CODE && columns > 1) {
        for (uint32_t c = 0; c < columns; ++c) {
            const uint32_t code = first_code + c;
            glyphs[c] =
                fontx2_layout_shows(layout, code) ? glyph_cursor_glyph(cursor, code) : BLANK_GLYPH;
        }
    } else if (layout->order == FONTX2_ORDER_JIS && columns > 1) {
        for (uint32_t c = 0; c < columns; ++c)
            glyphs[c] = glyph_cursor_glyph(
                cursor, fontx2_jis_to_sjis((uint16_t)((0x21 + row) << 8 | (0x21 + c))));
    } else {
        for (uint32_t c = 0; c < columns; ++c)
            glyphs[c] = glyph_cursor_glyph(cursor, first_code + c);
    }
}

// A drawing's checked geometry, and the cell row walk it resumes.
struct Drawing {
    const Fontx2Font *font;
    const Fontx2Layout *layout;
    RowGeometry geometry;
    GlyphCursor cursor;
    uint32_t walk, row;
    ColumnWriter column_writer; // single-column sheets of short rows
    bool narrow;                // grids of widths below 16, not a multiple of 8
    uint64_t column_keep;
    const uint8_t *glyphs[FONTX2_JIS_SIDE];
};

// FONTX2_OK when the layout is the font's and rows of stride bytes hold its
// rows; nothing to draw leaves drawing->layout null.
int drawing_start(Drawing *d, const Fontx2Font *font, const Fontx2Layout *layout, uint64_t stride) {
    d->layout = nullptr;
    if (!fontx2_has_signature(font->data, font->bytes_at_hand)) return FONTX2_NOT_FONTX2;
    if (layout->width == 0 || layout->height == 0) return FONTX2_OK; // nothing to draw
    if (layout->columns > FONTX2_JIS_SIDE || font->glyph_row_bytes > FONTX2_MAX_GLYPH_ROW_BYTES ||
        layout->width != font->glyph_width * layout->columns ||
        layout->height != font->glyph_height * layout->cell_rows)
        return FONTX2_BAD_LAYOUT; // not this font's layout
    d->geometry = {font->glyph_width, font->glyph_row_bytes, (layout->width + 7) / 8, stride};
    if (stride < d->geometry.row_bytes) return FONTX2_BUFFER_TOO_SMALL;
    d->font = font;
    d->layout = layout;
    d->cursor = GlyphCursor{};
    d->cursor.font = font;
    d->walk = d->row = 0;
    d->column_writer =
        layout->columns == 1 ? pick_column_writer(font->glyph_row_bytes, stride) : nullptr;
    d->column_keep = row_keep(font->glyph_width, font->glyph_row_bytes);
    d->narrow = layout->columns > 1 && font->glyph_width < 16 && font->glyph_width % 8 != 0;
    return FONTX2_OK;
}

// The next cell row, its top row at `top` and each further row `step` bytes
// on (negative going up); false past the last.
bool drawing_next(Drawing *d, uint8_t *top, int64_t step) {
    uint32_t first_code = 0;
    if (!fontx2_next_row(d->layout, &d->walk, &first_code)) return false;
    cell_row_glyphs(d->layout, &d->cursor, d->row++, first_code, d->glyphs);
    if (d->column_writer) {
        d->column_writer(top, step, d->glyphs[0], d->font->glyph_height, d->column_keep);
        return true;
    }
    if (d->narrow) {
        cell_row_narrow(&d->geometry, top, step, d->glyphs, d->layout->columns,
                        d->font->glyph_height);
        return true;
    }
    for (uint32_t y = 0; y < d->font->glyph_height; ++y)
        write_row(&d->geometry, top + (int64_t)y * step, d->glyphs, d->layout->columns, y);
    return true;
}

} // namespace

int fontx2_draw(const Fontx2Font *font, const Fontx2Layout *layout, uint8_t *pixels,
                uint64_t pixels_size, uint64_t stride, Fontx2Rows rows) {
    Drawing d;
    int rc = drawing_start(&d, font, layout, stride);
    if (rc != FONTX2_OK || !d.layout) return rc;
    if (pixels_size / stride < layout->height) return FONTX2_BUFFER_TOO_SMALL;
    const uint32_t height = font->glyph_height;
    const bool bottom_up = rows == FONTX2_BOTTOM_UP;
    for (uint64_t top = 0; top < layout->height; top += height) {
        const uint64_t memory_row = bottom_up ? layout->height - 1 - top : top;
        if (!drawing_next(&d, pixels + memory_row * stride,
                          bottom_up ? -(int64_t)stride : (int64_t)stride))
            break;
    }
    return FONTX2_OK;
}

int fontx2_draw_bands(const Fontx2Font *font, const Fontx2Layout *layout, uint8_t *band,
                      uint64_t band_size, uint64_t stride, SheetBandDone done, void *sink) {
    Drawing d;
    int rc = drawing_start(&d, font, layout, stride);
    if (rc != FONTX2_OK || !d.layout) return rc;
    const uint32_t height = font->glyph_height;
    const uint64_t cells = band_size / stride / height; // whole cell rows a band holds
    if (cells == 0) return FONTX2_BUFFER_TOO_SMALL;
    uint32_t first = 0, rows = 0;
    for (;;) {
        const bool more = drawing_next(&d, band + rows * stride, (int64_t)stride);
        if (more) rows += height;
        if (rows != 0 && (!more || rows == cells * height)) {
            if (!done(sink, band, first, rows)) return FONTX2_STOPPED;
            first += rows;
            rows = 0;
        }
        if (!more) return FONTX2_OK;
    }
}

bool fontx2_sheet_bands(const void *sheet, uint8_t *band, uint64_t band_size, uint64_t stride,
                        SheetBandDone done, void *sink) {
    const Fontx2Sheet *s = (const Fontx2Sheet *)sheet;
    return fontx2_draw_bands(s->font, s->layout, band, band_size, stride, done, sink) == FONTX2_OK;
}
