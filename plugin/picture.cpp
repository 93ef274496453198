// Input acquisition and the DIB blocks handed to the host.
#include "plugin/plugin_internal.h"

#include "common/platform/platform.h"
#include "fontx2/fontx2.h"

#include <string.h>

int load_input_file(InputName name, int64_t offset, uint32_t count, uint8_t **block,
                    uint64_t *bytes_read) {
    *block = nullptr;
    if (bytes_read) *bytes_read = 0;
    PlatformFile *file = name.wide ? file_open_read_wide(name.wide) : file_open_read(name.narrow);
    if (!file) return PLUGIN_ERR_READ;
    uint64_t size = 0;
    if (!file_size(file, &size)) {
        file_close(file);
        return PLUGIN_ERR_READ;
    }
    // An offset at or past the end means the font starts the file.
    if (offset > 0 && (uint64_t)offset < size) {
        if (!file_seek(file, (uint64_t)offset)) {
            file_close(file);
            return PLUGIN_ERR_READ;
        }
        size -= (uint64_t)offset;
    }
    if (count > 0) size = count;
    uint8_t *data = (uint8_t *)heap_alloc(size + 32);
    if (!data) {
        file_close(file);
        return PLUGIN_ERR_NO_MEMORY;
    }
    uint64_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        uint64_t want = size - done;
        uint32_t chunk = want > 0x40000000u ? 0x40000000u : (uint32_t)want;
        uint32_t got = 0;
        ok = file_read(file, data + done, chunk, &got);
        done += got;
        if (got < chunk) break; // end of file
    }
    file_close(file);
    if (!ok) {
        heap_free(data);
        return PLUGIN_ERR_READ;
    }
    // The allocator does not clear: what the file did not deliver, and the
    // spare bytes, must read as zeros.
    memset(data + done, 0, (size_t)(size - done) + 32);
    if (bytes_read) *bytes_read = done;
    *block = data;
    return PLUGIN_OK;
}

int font_picture_info(const uint8_t *data, uint64_t size, const SettingsRecord *settings,
                      uint32_t *palette, FontPicture *picture) {
    if (!fontx2_has_signature(data, size)) return 0;
    int single_column = settings->single_column ? 1 : 0;
    GlyphSheet sheet;
    glyph_sheet_layout(&sheet, data, size, single_column);
    picture->width = sheet.sheet_width;
    picture->height = sheet.sheet_height;
    picture->depth = 1;
    picture->colour_count = 2;
    picture->single_column = single_column;
    if (palette) {
        palette[0] = 0x00000000;
        palette[1] = 0xFFFFFFFF;
    }
    return 1;
}

uint64_t dib_stride(uint32_t width, int bit_count) {
    return (((uint64_t)width * (uint32_t)bit_count + 7) / 8 + 3) & ~(uint64_t)3;
}

void *make_picture_blocks(uint32_t width, uint32_t height, int bit_count, const uint32_t *palette,
                          void **pixel_slot) {
    uint32_t colours = bit_count <= 8 ? 1u << bit_count : 0;
    uint64_t stride = dib_stride(width, bit_count);
    uint64_t image = stride * height;
    // A DIB cannot describe a larger picture; refuse it rather than wrap.
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF || image > 0xFFFFFFFFu) return nullptr;
    uint8_t *header = (uint8_t *)heap_alloc(40 + 4 * (uint64_t)colours);
    if (!header) return nullptr;
    memset(header, 0, 40 + 4 * (size_t)colours);
    if (palette && colours > 0) memcpy(header + 40, palette, 4 * (size_t)colours);
    if (pixel_slot) {
        void *pixels = heap_alloc(image);
        if (!pixels) {
            heap_free(header);
            return nullptr;
        }
        *pixel_slot = pixels;
    }
    DibHeader dib = {};
    dib.size = 40;
    dib.width = (int32_t)width;
    dib.height = (int32_t)height;
    dib.planes = 1;
    dib.bit_count = (uint16_t)bit_count;
    dib.size_image = (uint32_t)image;
    dib.colours_used = colours;
    memcpy(header, &dib, sizeof dib);
    return header;
}
