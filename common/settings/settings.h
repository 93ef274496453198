// The settings record "ORDER" shared by the tool and the plug-in through the
// per-user key. The tool owns it; the plug-in rereads it at every use.
#pragma once

#include "common/little_endian.h"
#include "common/platform/platform.h"

#include <stddef.h>
#include <stdint.h>

#define SETTINGS_KEY "Software\\morv\\KOVELT"
#define SETTINGS_VALUE "ORDER"

enum {
    SETTINGS_ENABLED = 1,      // GetPicture composites
    SETTINGS_PUBLISH_INFO = 2, // GetPicture publishes the picture information
    SETTINGS_STAY_ENABLED = 4, // the tool keeps the flags when it closes
};

// Both bits the tool switches on while it runs; "all off" clears them.
enum { SETTINGS_ACTIVE = SETTINGS_ENABLED | SETTINGS_PUBLISH_INFO };

// alpha_mode: how a source pixel is mixed with the background by its alpha.
enum {
    SETTINGS_ALPHA_IGNORE = 0, // drawn unmixed
    SETTINGS_ALPHA_BLEND = 1,
    SETTINGS_ALPHA_ADD = 2,
    SETTINGS_ALPHA_SUBTRACT = 3,
};

// transparent_mode: which source pixels are keyed out.
enum {
    SETTINGS_TRANSPARENT_NONE = 0,
    SETTINGS_TRANSPARENT_BY_COLOUR = 1, // low 24 bits equal transparent_colour
    SETTINGS_TRANSPARENT_BY_INDEX = 2,  // palette index equals transparent_index
};

enum {
    OUTPUT_DIB32_DIRECT = 1,  // 32-bit DIB for pictures deeper than 8 bits
    OUTPUT_DIB32_PALETTE = 2, // 32-bit DIB for palette pictures
};

struct SettingsRecord {
    uint16_t record_tag;         // 256
    uint16_t record_size;        // 64
    uint8_t flags;               // SETTINGS_*
    uint8_t alpha_mode;          // SETTINGS_ALPHA_*
    uint8_t alpha_zero_opaque;   // alpha 0 draws unmixed
    uint8_t alpha_invert;        // bit 0
    uint8_t alpha_128;           // bit 0
    uint8_t transparent_mode;    // SETTINGS_TRANSPARENT_*
    uint8_t reserved10;          // read by nobody
    uint8_t output_flags;        // OUTPUT_*
    int16_t brightness;          // per mille
    int16_t alpha_scale;         // in 255ths
    int16_t clut_offset;         // palette rotation
    int16_t transparent_index;   // palette index keyed out (unrotated)
    uint32_t transparent_colour; // low 24 bits compared
    uint32_t grid_colour;        // the grid lines
    uint32_t bg_colour1;         // checker cells with (x / w + y / h) odd; a plain background
    uint32_t bg_colour2;         // checker cells with it even, the top-left one among them
    int16_t cell_width;          // checker and grid cells, pixels; 0: none
    int16_t cell_height;         // checker and grid cells, pixels; 0: none
    uint8_t reserved40;          // read by nobody
    uint8_t background_enabled;  // 0: black background, no grid
    uint8_t grid_lines;          // needs the background and both cell sizes
    uint8_t reserved43;          // kept for a check box the dialog does not show
    uint8_t single_column;       // one-column glyph sheet
    uint8_t reserved45[19];      // read by nobody
};

static_assert(sizeof(SettingsRecord) == 64, "ORDER is 64 bytes");
static_assert(offsetof(SettingsRecord, flags) == 4, "layout");
static_assert(offsetof(SettingsRecord, alpha_mode) == 5, "layout");
static_assert(offsetof(SettingsRecord, alpha_zero_opaque) == 6, "layout");
static_assert(offsetof(SettingsRecord, alpha_invert) == 7, "layout");
static_assert(offsetof(SettingsRecord, alpha_128) == 8, "layout");
static_assert(offsetof(SettingsRecord, transparent_mode) == 9, "layout");
static_assert(offsetof(SettingsRecord, output_flags) == 11, "layout");
static_assert(offsetof(SettingsRecord, brightness) == 12, "layout");
static_assert(offsetof(SettingsRecord, alpha_scale) == 14, "layout");
static_assert(offsetof(SettingsRecord, clut_offset) == 16, "layout");
static_assert(offsetof(SettingsRecord, transparent_index) == 18, "layout");
static_assert(offsetof(SettingsRecord, transparent_colour) == 20, "layout");
static_assert(offsetof(SettingsRecord, grid_colour) == 24, "layout");
static_assert(offsetof(SettingsRecord, bg_colour1) == 28, "layout");
static_assert(offsetof(SettingsRecord, bg_colour2) == 32, "layout");
static_assert(offsetof(SettingsRecord, cell_width) == 36, "layout");
static_assert(offsetof(SettingsRecord, cell_height) == 38, "layout");
static_assert(offsetof(SettingsRecord, background_enabled) == 41, "layout");
static_assert(offsetof(SettingsRecord, grid_lines) == 42, "layout");
static_assert(offsetof(SettingsRecord, reserved43) == 43, "layout");
static_assert(offsetof(SettingsRecord, single_column) == 44, "layout");

// Reads the first *size bytes of a value of any length into buffer;
// REGISTRY_READ with *size the bytes delivered, or REGISTRY_FAILED (also when
// the scratch block for a longer value cannot be had).
int settings_query_head(RegistryKey *key, const char *name, void *buffer, uint32_t *size);

// Tool side. settings_load starts from the defaults: a stored record fills
// them from its start (a short one only partly); a missing key is created
// with them.
void settings_defaults(SettingsRecord *record);
int settings_save(const SettingsRecord *record);
int settings_load(SettingsRecord *record);

// Plug-in side: never creates the key, never writes. Returns the flags byte,
// or 0 with an all-zero record when the key or value cannot be read.
int settings_read(SettingsRecord *record);
