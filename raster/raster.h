// Raster buffers: a rectangle of pixels in memory in one of eleven packings
// (indexed 1/2/4/8 bits, five 16-bit colour words, 24 and 32 bits), read and
// written pixel by pixel through one common value; conversion between rasters
// and exact reduction of colour pixels to a palette.
//
// Pixel values: for depth codes up to 8 a palette index, above 8 a colour
// 0xAARRGGBB (blue in the low byte).
#pragma once

#include <stddef.h>
#include <stdint.h>

// ---- Depth codes --------------------------------------------------------------
// The code selects the packing; several codes share one packing but remain
// different codes (conversion compares codes, not packings).
enum {
    RASTER_DEPTH_1 = 1,         // indexed, 8 pixels per byte (0 behaves like 1)
    RASTER_DEPTH_2 = 2,         // indexed, 4 pixels per byte
    RASTER_DEPTH_4 = 4,         // indexed, 2 pixels per byte (also 3)
    RASTER_DEPTH_8 = 8,         // indexed, 1 byte per pixel (also 5 to 7)
    RASTER_DEPTH_ARGB4444 = 12, // A4 R4 G4 B4 word
    RASTER_DEPTH_G6R5B5 = 13,   // G6 R5 B5 word
    RASTER_DEPTH_B5R5G6 = 14,   // B5 R5 G6 word
    RASTER_DEPTH_ARGB1555 = 15, // A1 R5 G5 B5 word
    RASTER_DEPTH_RGB565 = 16,   // R5 G6 B5 word (also 9, 10, 11)
    RASTER_DEPTH_24 = 24,       // bytes B, G, R (also 17 to 23)
    RASTER_DEPTH_32 = 32,       // word 0xAARRGGBB (also 25 to 31)
    RASTER_DEPTH_MAX = 32,      // codes above this are refused by raster_init
};

// Bits one pixel occupies in memory, by depth code 0 to 32.
extern const uint8_t RASTER_STORAGE_BITS[RASTER_DEPTH_MAX + 1];

// What a palette entry holds until it is set, and what an index without an
// entry stands for.
enum : uint32_t { RASTER_OPAQUE_BLACK = 0xFF000000u };

// ---- Flags (raster_flags) ---------------------------------------------------------
enum {
    RASTER_OWNS_MEMORY = 1,   // pixel and palette blocks come from raster_init
    RASTER_DITHER = 2,        // 2x2 ordered dithering into the 16-bit packings
    RASTER_READ_SWAPPED = 4,  // raster_get_pixel reads the reversed order
    RASTER_WRITE_SWAPPED = 8, // raster_put_pixel writes the reversed order
};

// Ordered dithering offsets, three sets of four, indexed by
// (x AND 1) + 2 * (y AND 1). Set 0 is used for the 4-bit channels of the
// A4R4G4B4 word, set 1 for 5-bit channels, set 2 for the 6-bit green channel.
extern const int8_t RASTER_DITHER_OFFSETS[3][4];

// ---- The record -------------------------------------------------------------------
struct Raster {
    uint8_t *pixels;        // row y starts at pixels + y * stride
    uint32_t width;         // pixels per row
    uint32_t height;        // rows
    uint32_t *palette;      // 0xAARRGGBB entries; null when there is none
    uint32_t palette_count; // entries in use
    uint32_t stride;        // bytes from one row to the next
    uint8_t storage_bits;   // bits per pixel in memory, from RASTER_STORAGE_BITS
    uint8_t row_alignment;  // rows are a multiple of this many bytes (1 to 128)
    uint8_t depth;          // depth code, 0 to 32
    uint8_t raster_flags;   // RASTER_*
};
// The field order, the four byte fields packed after the stride, is part of
// the record: a change of it stops the build.
static_assert(offsetof(Raster, pixels) == 0 && offsetof(Raster, width) < offsetof(Raster, height) &&
                  offsetof(Raster, height) < offsetof(Raster, palette) &&
                  offsetof(Raster, palette) < offsetof(Raster, palette_count) &&
                  offsetof(Raster, palette_count) < offsetof(Raster, stride) &&
                  offsetof(Raster, storage_bits) == offsetof(Raster, stride) + 4 &&
                  offsetof(Raster, row_alignment) == offsetof(Raster, stride) + 5 &&
                  offsetof(Raster, depth) == offsetof(Raster, stride) + 6 &&
                  offsetof(Raster, raster_flags) == offsetof(Raster, stride) + 7,
              "the raster record's field order");

// Describes caller memory (flags 0: pixels and palette are stored as given,
// nothing is copied or cleared) or allocates memory of its own from the local
// heap (flags RASTER_OWNS_MEMORY: the pixel block is copied from
// source_pixels, or zeroed when it is null; the palette block holds
// max(palette_count, 256) entries, the first palette_count set from
// source_palette or to opaque black). A negative palette_count asks for the
// default of the depth: 2^storage_bits up to 8 bits, else 0. Any owned memory
// the record held is released first.
//
// Sizes are computed in 64 bits. Returns false, with pixels and palette null:
// - when the geometry cannot be represented, leaving every field zero: a
//   row_alignment that is 0 or not a power of two, a depth code above 32, a
//   stride beyond 32 bits, or caller memory whose stride * height exceeds the
//   address space;
// - when an allocation fails, leaving the geometry set; a block of a size the
//   address space cannot hold is such a failure.
bool raster_init(Raster *raster, uint8_t row_alignment, uint32_t width, uint32_t height,
                 uint8_t flags, void *source_pixels, uint32_t depth, uint32_t *source_palette,
                 int32_t palette_count);

// Frees the owned blocks (when RASTER_OWNS_MEMORY is set), sets pixels and
// palette to null and clears RASTER_OWNS_MEMORY. Safe to repeat.
void raster_release(Raster *raster);

// All palette_count entries become 0xFF000000, then the first count entries
// (count 0 or above palette_count means palette_count) are copied from
// source when it is not null. Does nothing without palette memory.
void raster_set_palette(Raster *raster, const uint32_t *source, uint32_t count);

// Pixel (x, y); 0 outside the raster (or without pixel memory).
uint32_t raster_get_pixel(const Raster *raster, uint32_t x, uint32_t y);

// Stores pixel (x, y); nothing happens outside the raster. The 4-bit packing
// writes the even pixel's byte whole and ORs in the odd pixel, so a row must
// be written in ascending x.
void raster_put_pixel(Raster *raster, uint32_t x, uint32_t y, uint32_t value);

// 0x11223344 -> 0x44332211.
uint32_t byte_swap32(uint32_t value);

// ---- Conversion ---------------------------------------------------------------------
// Destination pixel (col, row) receives source pixel (x + col, y + row);
// source pixels outside the source read as 0. Equal depth codes with x = y = 0
// copy rows bytewise. An indexed source converted to colour looks its indices
// up in its palette; an index without an entry (no palette, or an index at or
// beyond palette_count) gives opaque black 0xFF000000. False only when a
// colour-to-indexed reduction fails. A 1-bit source into an 8-bit
// destination without offsets (the glyph sheet's case) goes through a table,
// eight pixels a step; every other pair pixel by pixel.
bool raster_convert(const Raster *source, Raster *destination, int32_t x, int32_t y);

// Converts into caller memory laid out as a raster of the source's width and
// height with the given alignment and depth code (0 for either: the
// source's). palette_count as in raster_init; palette may be null. Also false
// when that layout is refused by raster_init.
bool raster_convert_into(const Raster *source, uint8_t row_alignment, uint32_t depth,
                         int32_t palette_count, void *pixels, uint32_t *palette, int32_t x,
                         int32_t y);

// Exact reduction: when the window holds no more distinct colours than
// min(destination palette_count, 256), the destination palette becomes those
// colours in ascending unsigned order (the rest opaque black) and each pixel
// its colour's position. Otherwise, or when the destination has no palette or
// is not indexed, false with the destination untouched.
bool raster_reduce_to_palette(Raster *destination, const Raster *source, int32_t x, int32_t y);

// A sorted set of distinct colours: entries 0 to *count - 1 ascending. The
// array holds one entry more than a palette so that a colour can be inserted
// before the count is checked against the limit.
enum { RASTER_COLOUR_SET_SIZE = 257 };
void colour_set_insert(uint32_t *set, uint32_t *count, uint32_t colour);
