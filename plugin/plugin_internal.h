// The plug-in's own operations behind the exports: input loading, the
// picture a font becomes, the DIB blocks handed to the host and the composite
// path.
#pragma once

#include "common/settings/settings.h"
#include "plugin/plugin.h"

#include <stddef.h>
#include <stdint.h>

// The composite path's answer when special processing is off; never reaches
// the host.
enum { COMPOSITE_DECLINED = -128 };

// What GetPicture learned about the picture, handed to the composite path.
struct PictureRecord {
    int32_t colour_count;
    int32_t transparent_entry; // -1 for none
    int32_t offset_x;
    int32_t offset_y;
    uint16_t density_x;
    uint16_t density_y;
    const char *file_name;          // null for memory input
    const uint16_t *file_name_wide; // set instead when the host named the file in UTF-16
};

// A file name as the host gave it: narrow (ANSI code page) or UTF-16.
struct InputName {
    const char *narrow;
    const uint16_t *wide;
};

// Loads count bytes (0: the rest of the file) from offset into a fresh block
// with 32 zero bytes after them; *bytes_read gets the number the file gave.
int load_input_file(InputName name, int64_t offset, uint32_t count, uint8_t **block,
                    uint64_t *bytes_read);

struct FontPicture {
    uint32_t width;
    uint32_t height;
    int depth;
    int colour_count;
    int single_column;
};
// 1 when the data (size bytes) is a FONTX2 font; fills the picture laid out
// as the settings ask and, when given, entries 0 and 1 of a 256-entry palette.
int font_picture_info(const uint8_t *data, uint64_t size, const SettingsRecord *settings,
                      uint32_t *palette, FontPicture *picture);

// The DIB header block (with the colour table for bit counts up to 8) and,
// when a slot is given, the pixel block; null when an allocation fails or
// the picture is too large for a DIB.
void *make_picture_blocks(uint32_t width, uint32_t height, int bit_count, const uint32_t *palette,
                          void **pixel_slot);
uint64_t dib_stride(uint32_t width, int bit_count);

// The settings-driven route of GetPicture, with the call's one reading of
// the settings; COMPOSITE_DECLINED when special processing is off. Releases a
// file-loaded input (owned_input) on every other result.
int composite_path(const SettingsRecord *settings, int depth, void **header_slot, void **pixel_slot,
                   const uint8_t *input, uint64_t input_size, uint8_t *owned_input, uint32_t width,
                   uint32_t height, const uint32_t *palette, const PictureRecord *record,
                   int single_column);
