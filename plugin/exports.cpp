// The five exported entry points of the plug-in.
#include "plugin/plugin_internal.h"

#include "common/platform/platform.h"
#include "fontx2/fontx2.h"

#include <string.h>

static const char *const plugin_info_strings[] = {
    "00IN",  "fontx2 to DIB v0.60 (KOVELT)", "*.fnt;*.fnx;*.fx2;*.tlf", "FontX2", "",
    nullptr, // end marker
};

static uint32_t plugin_info_count() {
    uint32_t n = 0;
    while (plugin_info_strings[n]) ++n;
    return n;
}

// Copies entry index into buffer (narrow or UTF-16: the strings are ASCII).
template <typename Char> static int copy_info(int32_t index, Char *buffer, int32_t length) {
    if ((uint32_t)index >= plugin_info_count() || !buffer || length == 0) return 0;
    const char *entry = plugin_info_strings[index];
    uint32_t n = (uint32_t)strlen(entry);
    if (n >= (uint32_t)length) n = (uint32_t)length - 1;
    buffer[0] = 0;
    if (n > 0) {
        for (uint32_t i = 0; i < n; ++i) buffer[i] = (Char)(unsigned char)entry[i];
        buffer[n] = 0;
    }
    return (int)n;
}

extern "C" int PLUGIN_API GetPluginInfo(int32_t index, char *buffer, int32_t length) {
    return copy_info(index, buffer, length);
}

extern "C" int PLUGIN_API GetPluginInfoW(int32_t index, uint16_t *buffer, int32_t length) {
    return copy_info(index, buffer, length);
}

extern "C" int PLUGIN_API IsSupported(const char *, uintptr_t handle_or_data) {
    if (handle_or_data <= 0xFFFF) {
        // A handle the host opened: read from wherever it left the position.
        uint8_t *work = (uint8_t *)heap_alloc(PLUGIN_HEADER_READ_SIZE + 4);
        if (!work) return PLUGIN_ERR_NO_MEMORY;
        PlatformFile *file = file_from_handle(handle_or_data);
        if (!file) {
            heap_free(work);
            return PLUGIN_ERR_NO_MEMORY;
        }
        uint32_t got = 0;
        bool ok = file_read(file, work, PLUGIN_HEADER_READ_SIZE, &got);
        file_close_borrowed(file);
        int answer = ok && fontx2_has_signature(work, got);
        heap_free(work);
        return answer;
    }
    // The host's head of the file: it holds at least the signature's length.
    return fontx2_has_signature((const uint8_t *)handle_or_data, FONTX2_SIGNATURE_LENGTH);
}

extern "C" int PLUGIN_API IsSupportedW(const uint16_t *, uintptr_t handle_or_data) {
    return IsSupported(nullptr, handle_or_data);
}

// Bits 0 to 2 of the input flag: all clear means a file name and offset.
static bool is_memory_input(uint32_t flags) {
    return (flags & 7) != 0;
}

// The font data of one call: the host's buffer, or a block loaded from a
// file that this call owns.
struct Input {
    const uint8_t *data;
    uint64_t size;
    uint8_t *owned;
};

// The first argument of the picture calls: a file name (narrow or UTF-16) or,
// in memory mode, the data.
struct Source {
    const void *pointer;
    bool wide;
};

static int acquire_input(Source source, intptr_t offset_or_length, uint32_t flags, uint32_t count,
                         Input *input) {
    input->owned = nullptr;
    if (is_memory_input(flags)) {
        input->data = (const uint8_t *)source.pointer;
        input->size = offset_or_length > 0 ? (uint64_t)offset_or_length : 0;
        return PLUGIN_OK;
    }
    InputName name = {};
    if (source.wide) {
        name.wide = (const uint16_t *)source.pointer;
    } else {
        name.narrow = (const char *)source.pointer;
    }
    uint64_t bytes = 0;
    int rc = load_input_file(name, offset_or_length, count, &input->owned, &bytes);
    input->data = input->owned;
    input->size = bytes;
    return rc;
}

static int picture_info(Source source, intptr_t offset_or_length, uint32_t flags,
                        PictureInfo *info) {
    Input input;
    // The header with the whole block table: which layout a double-byte font
    // takes depends on the codes its blocks hold.
    int rc = acquire_input(source, offset_or_length, flags, FONTX2_HEADER_BYTES, &input);
    if (rc != PLUGIN_OK) return rc;
    SettingsRecord settings;
    settings_read(&settings);
    FontPicture picture;
    int is_font = font_picture_info(input.data, input.size, &settings, nullptr, &picture);
    heap_free(input.owned);
    if (!is_font) return PLUGIN_ERR_UNSUPPORTED;
    memset(info, 0, sizeof *info);
    info->width = (int32_t)picture.width;
    info->height = (int32_t)picture.height;
    info->colour_depth = 1;
    return PLUGIN_OK;
}

static int picture(Source source, intptr_t offset_or_length, uint32_t flags, void **header_slot,
                   void **pixel_slot) {
    Input input;
    int rc = acquire_input(source, offset_or_length, flags, 0, &input);
    if (rc != PLUGIN_OK) return rc;
    // One reading of the settings serves the whole call: the layout that
    // sized the picture is the one drawn.
    SettingsRecord settings;
    settings_read(&settings);
    uint32_t palette[256] = {};
    FontPicture picture;
    if (!font_picture_info(input.data, input.size, &settings, palette, &picture)) {
        heap_free(input.owned);
        return PLUGIN_ERR_UNSUPPORTED;
    }
    PictureRecord record = {};
    record.colour_count = picture.colour_count;
    record.transparent_entry = -1;
    if (!is_memory_input(flags)) {
        if (source.wide) {
            record.file_name_wide = (const uint16_t *)source.pointer;
        } else {
            record.file_name = (const char *)source.pointer;
        }
    }

    rc = composite_path(&settings, picture.depth, header_slot, pixel_slot, input.data, input.size,
                        input.owned, picture.width, picture.height, palette, &record,
                        picture.single_column);
    if (rc != COMPOSITE_DECLINED) return rc; // the input is released there

    void *pixels = nullptr;
    void *header = make_picture_blocks(picture.width, picture.height, 1, palette, &pixels);
    if (!header) {
        heap_free(input.owned);
        return PLUGIN_ERR_NO_MEMORY;
    }
    *header_slot = header;
    *pixel_slot = pixels;
    draw_font_sheet(input.data, input.size, (uint8_t *)pixels, picture.single_column);
    heap_free(input.owned);
    return PLUGIN_OK;
}

extern "C" int PLUGIN_API GetPictureInfo(const char *source, intptr_t offset_or_length,
                                         uint32_t flags, PictureInfo *info) {
    return picture_info({source, false}, offset_or_length, flags, info);
}

extern "C" int PLUGIN_API GetPictureInfoW(const uint16_t *source, intptr_t offset_or_length,
                                          uint32_t flags, PictureInfo *info) {
    return picture_info({source, true}, offset_or_length, flags, info);
}

// The progress callback is never called and the user data never consulted.
extern "C" int PLUGIN_API GetPicture(const char *source, intptr_t offset_or_length, uint32_t flags,
                                     void **header_slot, void **pixel_slot, ProgressCallback,
                                     intptr_t) {
    return picture({source, false}, offset_or_length, flags, header_slot, pixel_slot);
}

extern "C" int PLUGIN_API GetPictureW(const uint16_t *source, intptr_t offset_or_length,
                                      uint32_t flags, void **header_slot, void **pixel_slot,
                                      ProgressCallback, intptr_t) {
    return picture({source, true}, offset_or_length, flags, header_slot, pixel_slot);
}

extern "C" int PLUGIN_API GetPreview(const char *, intptr_t, uint32_t, void **, void **,
                                     ProgressCallback, intptr_t) {
    return PLUGIN_NOT_IMPLEMENTED;
}

extern "C" int PLUGIN_API GetPreviewW(const uint16_t *, intptr_t, uint32_t, void **, void **,
                                      ProgressCallback, intptr_t) {
    return PLUGIN_NOT_IMPLEMENTED;
}
