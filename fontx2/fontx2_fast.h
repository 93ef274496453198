// Drawing a glyph sheet a whole memory row at a time: every destination byte
// (padding included) is written exactly once, glyph rows are moved a byte or
// a word at a time with shifts, and code-to-glyph lookups follow runs of
// consecutive codes instead of searching the block table for every code.
//
// The output is identical, byte for byte, to glyph_sheet_render (which blits
// bit by bit through glyph_blit and stays the reference).
#pragma once

#include "fontx2/fontx2.h"

#include <stdint.h>

// Same contract as glyph_sheet_render: the sheet must have been laid out;
// the destination must hold glyph_sheet_bytes(sheet, row_alignment) bytes.
bool glyph_sheet_render_fast(GlyphSheet *sheet, uint32_t row_alignment, uint8_t *destination,
                             int bottom_up);

// The glyph index of code (as glyph_index_of) and, in *run_end, the last code
// up to which every following code c maps to index + (c - code), or to
// GLYPH_NONE as well when index is GLYPH_NONE. *run_end >= code.
int32_t glyph_index_run(const GlyphSheet *sheet, uint32_t code, uint32_t *run_end);
