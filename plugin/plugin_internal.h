// The plug-in's own operations behind the exports: input loading, the DIB
// blocks handed to the host, the plain path and the composite path.
#pragma once

#include "common/platform/platform.h"
#include "common/settings/settings.h"
#include "plugin/font_sheet.h"
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
    FileName file_name; // both null for memory input
};

// Zero bytes after every loaded input, so a reader that looks a little past
// the data's end (a header field of a cut file) finds zeros, not heap bytes.
enum { INPUT_SPARE_BYTES = 32 };

// Loads count bytes (0: the rest of the file) from offset into a fresh block
// with INPUT_SPARE_BYTES zero bytes after them; *bytes_read gets the number
// the file gave, and *file_bytes, when asked, the bytes from the font's start
// to the end of the file.
int load_input_file(FileName name, int64_t offset, uint32_t count, uint8_t **block,
                    uint64_t *bytes_read, uint64_t *file_bytes);

// The plain picture: 1 bit per pixel, its two colours.
enum { PLAIN_DEPTH = 1, PLAIN_COLOURS = 2 };
// Entries 0 (paper, black) and 1 (ink, white) of the plain picture's palette.
void plain_palette(uint32_t *palette);

// The plain picture: the 1-bit sheet in a DIB of palette's two colours, its
// blocks in the slots. PLUGIN_ERR_INTERNAL, with the slots untouched, when
// the sheet does not draw.
int plain_path(const FontSheet *sheet, const uint32_t *palette, void **header_slot,
               void **pixel_slot);

// The DIB header block (with the colour table for bit counts up to 8) and,
// when a slot is given, the pixel block; null when an allocation fails or
// the picture is too large for a DIB.
void *make_picture_blocks(uint32_t width, uint32_t height, int bit_count, const uint32_t *palette,
                          void **pixel_slot);

// The settings-driven route of GetPicture, with the call's one reading of
// the settings; COMPOSITE_DECLINED when special processing is off. Releases a
// file-loaded input (owned_input) on every other result.
int composite_path(const SettingsRecord *settings, const FontSheet *sheet, void **header_slot,
                   void **pixel_slot, uint8_t *owned_input, const uint32_t *palette,
                   const PictureRecord *record);
