// The picture information the plug-in publishes for every decode ("GINFO",
// "CLUT", "FNAME") and the tool polls for its palette viewer.
#pragma once

#include "common/platform/platform.h"

#include <stddef.h>
#include <stdint.h>

#define INFO_VALUE "GINFO"
#define INFO_PALETTE_VALUE "CLUT"
#define INFO_NAME_VALUE "FNAME"

enum {
    INFO_PALETTE_BYTES = 8192, // the tool's palette copy: 2048 entries
    INFO_NAME_BYTES = 522,     // the tool reads at most this much of "FNAME"
};

struct ImageInfoRecord {
    uint32_t reserved0;
    uint32_t reserved4;
    uint16_t bit_depth;
    uint16_t colour_count;
    uint32_t picture_width;
    uint32_t picture_height;
    uint32_t offset_x;
    uint32_t offset_y;
    uint32_t density_x;
    uint32_t density_y;
    uint16_t transparent_index_plus1; // 0: no transparent index
    uint16_t reserved38;
    uint32_t transparent_colour_plus1; // 0: no transparent colour
    uint8_t reserved44[28];
};

static_assert(sizeof(ImageInfoRecord) == 72, "GINFO is 72 bytes");
// Every field at the offset the tool reads it from.
static_assert(offsetof(ImageInfoRecord, bit_depth) == 8 &&
                  offsetof(ImageInfoRecord, colour_count) == 10 &&
                  offsetof(ImageInfoRecord, picture_width) == 12 &&
                  offsetof(ImageInfoRecord, picture_height) == 16 &&
                  offsetof(ImageInfoRecord, offset_x) == 20 &&
                  offsetof(ImageInfoRecord, offset_y) == 24 &&
                  offsetof(ImageInfoRecord, density_x) == 28 &&
                  offsetof(ImageInfoRecord, density_y) == 32 &&
                  offsetof(ImageInfoRecord, transparent_index_plus1) == 36 &&
                  offsetof(ImageInfoRecord, transparent_colour_plus1) == 40,
              "GINFO layout");

// Plug-in side: writes "GINFO", then "CLUT" (pictures of depth 8 or less),
// then "FNAME": empty without a name, written with the wide call for a UTF-16
// name so it loses nothing. Store failures are ignored.
int info_publish(uint32_t width, uint32_t height, uint32_t depth, ImageInfoRecord *info,
                 const uint32_t *palette, int32_t colour_count, FileName file_name);

// Tool side: 1 when the copies (palette of INFO_PALETTE_BYTES, info, name of
// at least INFO_NAME_BYTES) may have changed, 0 when nothing is new.
int info_poll(uint32_t *palette, ImageInfoRecord *info, char *name);
