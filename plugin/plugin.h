// The image-import plug-in interface ("00IN"): result codes, the host's
// picture-information record, the per-picture description, the exports and
// the internal operations behind them.
#pragma once

#include "common/settings/settings.h"

#include <stddef.h>
#include <stdint.h>

enum {
    PLUGIN_OK = 0,
    PLUGIN_NOT_IMPLEMENTED = -1,
    PLUGIN_ERR_UNSUPPORTED = 2,
    PLUGIN_ERR_NO_MEMORY = 4,
    PLUGIN_ERR_READ = 6,
    PLUGIN_ERR_INTERNAL = 8,
    COMPOSITE_DECLINED = -128, // internal: special processing is off
};

// IsSupported (handle form) and GetPictureInfo (file input) read this much.
enum { PLUGIN_HEADER_READ_SIZE = 32 };

#if defined(_WIN32) && !defined(_WIN64)
#define PLUGIN_API __stdcall
#else
#define PLUGIN_API
#endif

// The host's picture-information record: byte-packed, 26 bytes in the 32-bit
// interface; 32 bytes with an 8-byte handle in the 64-bit one.
#pragma pack(push, 1)
struct PictureInfo {
    int32_t offset_x;
    int32_t offset_y;
    int32_t width;
    int32_t height;
    uint16_t density_x;
    uint16_t density_y;
    int16_t colour_depth;
#if UINTPTR_MAX == 0xFFFFFFFFu
    uint32_t info_text; // local-heap handle, none (0)
#else
    uint16_t padding;
    uint64_t info_text;
#endif
};
#pragma pack(pop)

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(PictureInfo) == 26, "PictureInfo is 26 bytes in the 32-bit interface");
static_assert(offsetof(PictureInfo, info_text) == 22, "layout");
#else
static_assert(sizeof(PictureInfo) == 32, "PictureInfo is 32 bytes in the 64-bit interface");
static_assert(offsetof(PictureInfo, info_text) == 24, "layout");
#endif
static_assert(offsetof(PictureInfo, width) == 8, "layout");
static_assert(offsetof(PictureInfo, height) == 12, "layout");
static_assert(offsetof(PictureInfo, density_x) == 16, "layout");
static_assert(offsetof(PictureInfo, density_y) == 18, "layout");
static_assert(offsetof(PictureInfo, colour_depth) == 20, "layout");

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

// The DIB header block's first 40 bytes (BITMAPINFOHEADER), little-endian.
struct DibHeader {
    uint32_t size;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bit_count;
    uint32_t compression;
    uint32_t size_image;
    int32_t x_pels_per_meter;
    int32_t y_pels_per_meter;
    uint32_t colours_used;
    uint32_t colours_important;
};
static_assert(sizeof(DibHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(offsetof(DibHeader, bit_count) == 14, "layout");
static_assert(offsetof(DibHeader, size_image) == 20, "layout");
static_assert(offsetof(DibHeader, colours_used) == 32, "layout");

typedef int(PLUGIN_API *ProgressCallback)(int, int, intptr_t);

extern "C" {
int PLUGIN_API GetPluginInfo(int32_t index, char *buffer, int32_t length);
int PLUGIN_API IsSupported(const char *file_name, uintptr_t handle_or_data);
int PLUGIN_API GetPictureInfo(const char *source, intptr_t offset_or_length, uint32_t flags,
                              PictureInfo *info);
int PLUGIN_API GetPicture(const char *source, intptr_t offset_or_length, uint32_t flags,
                          void **header_slot, void **pixel_slot, ProgressCallback progress,
                          intptr_t user_data);
int PLUGIN_API GetPreview(const char *source, intptr_t offset_or_length, uint32_t flags,
                          void **header_slot, void **pixel_slot, ProgressCallback progress,
                          intptr_t user_data);

// Wide-character twins: UTF-16 file names and information strings, the same
// results.
int PLUGIN_API GetPluginInfoW(int32_t index, uint16_t *buffer, int32_t length);
int PLUGIN_API IsSupportedW(const uint16_t *file_name, uintptr_t handle_or_data);
int PLUGIN_API GetPictureInfoW(const uint16_t *source, intptr_t offset_or_length, uint32_t flags,
                               PictureInfo *info);
int PLUGIN_API GetPictureW(const uint16_t *source, intptr_t offset_or_length, uint32_t flags,
                           void **header_slot, void **pixel_slot, ProgressCallback progress,
                           intptr_t user_data);
int PLUGIN_API GetPreviewW(const uint16_t *source, intptr_t offset_or_length, uint32_t flags,
                           void **header_slot, void **pixel_slot, ProgressCallback progress,
                           intptr_t user_data);
}

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
