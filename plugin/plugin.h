// The image-import plug-in interface ("00IN") as a host sees it: result
// codes, the picture-information record, the DIB header block and the
// exports.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum {
    PLUGIN_OK = 0,
    PLUGIN_NOT_IMPLEMENTED = -1,
    PLUGIN_ERR_UNSUPPORTED = 2,
    PLUGIN_ERR_NO_MEMORY = 4,
    PLUGIN_ERR_READ = 6,
    PLUGIN_ERR_INTERNAL = 8,
};

// IsSupported (handle form) reads this much of the host's file.
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
