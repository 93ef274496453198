// Input acquisition, the DIB blocks handed to the host and the plain picture.
#include "plugin/plugin_internal.h"

#include "common/row_stride.h"
#include "compositor/composite_sheet.h"

#include <string.h>

// The most one read asks of the file at a time (a 32-bit count).
static const uint32_t READ_CHUNK_BYTES = 0x40000000u;

int load_input_file(FileName name, int64_t offset, uint32_t count, uint8_t **block,
                    uint64_t *bytes_read, uint64_t *file_bytes) {
    *block = nullptr;
    if (bytes_read) *bytes_read = 0;
    int failure = 0;
    PlatformFile *file = file_open_named(name, &failure);
    if (!file) return failure == FILE_OPEN_NO_MEMORY ? PLUGIN_ERR_NO_MEMORY : PLUGIN_ERR_READ;
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
    if (file_bytes) *file_bytes = size;
    if (count > 0) size = count;
    uint8_t *data = (uint8_t *)heap_alloc(size + INPUT_SPARE_BYTES);
    if (!data) {
        file_close(file);
        return PLUGIN_ERR_NO_MEMORY;
    }
    uint64_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        uint64_t want = size - done;
        uint32_t chunk = want > READ_CHUNK_BYTES ? READ_CHUNK_BYTES : (uint32_t)want;
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
    memset(data + done, 0, (size_t)(size - done) + INPUT_SPARE_BYTES);
    if (bytes_read) *bytes_read = done;
    *block = data;
    return PLUGIN_OK;
}

void plain_palette(uint32_t *palette) {
    for (uint32_t i = 0; i < PLAIN_COLOURS; ++i) palette[i] = SHEET_PALETTE[i];
}

void *make_picture_blocks(uint32_t width, uint32_t height, int bit_count, const uint32_t *palette,
                          void **pixel_slot) {
    uint32_t colours = bit_count <= 8 ? 1u << bit_count : 0;
    uint64_t stride = row_stride(width, (uint32_t)bit_count, DIB_ROW_ALIGNMENT);
    uint64_t image = stride * height;
    // A DIB cannot describe a larger picture; refuse it rather than wrap.
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF || image > 0xFFFFFFFFu) return nullptr;
    uint8_t *header = (uint8_t *)heap_alloc(sizeof(DibHeader) + 4 * (uint64_t)colours);
    if (!header) return nullptr;
    memset(header, 0, sizeof(DibHeader) + 4 * (size_t)colours);
    if (palette && colours > 0) memcpy(header + sizeof(DibHeader), palette, 4 * (size_t)colours);
    if (pixel_slot) {
        void *pixels = heap_alloc(image);
        if (!pixels) {
            heap_free(header);
            return nullptr;
        }
        *pixel_slot = pixels;
    }
    DibHeader dib = {};
    dib.size = sizeof(DibHeader);
    dib.width = (int32_t)width;
    dib.height = (int32_t)height;
    dib.planes = 1;
    dib.bit_count = (uint16_t)bit_count;
    dib.size_image = (uint32_t)image;
    dib.colours_used = colours;
    memcpy(header, &dib, sizeof dib);
    return header;
}

int plain_path(const FontSheet *sheet, const uint32_t *palette, void **header_slot,
               void **pixel_slot) {
    void *pixels = nullptr;
    void *header = make_picture_blocks(sheet->width, sheet->height, PLAIN_DEPTH, palette, &pixels);
    if (!header) return PLUGIN_ERR_NO_MEMORY;
    uint64_t stride = row_stride(sheet->width, PLAIN_DEPTH, DIB_ROW_ALIGNMENT);
    if (!font_sheet_draw(sheet, (uint8_t *)pixels, stride * sheet->height, stride, 1)) {
        // An opened sheet that does not draw is the plug-in's fault, and the
        // host must not get blocks of undrawn rows.
        heap_free(header);
        heap_free(pixels);
        return PLUGIN_ERR_INTERNAL;
    }
    *header_slot = header;
    *pixel_slot = pixels;
    return PLUGIN_OK;
}
