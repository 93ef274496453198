// The plug-in's exported entry points, each in a narrow and a wide-character
// form: plug-in information, the format check, picture information, the
// picture, and the preview (not offered).
#include "plugin/plugin_internal.h"

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
        int answer = ok && font_sheet_recognised(work, got);
        heap_free(work);
        return answer;
    }
    // The host's head of the file: it holds at least the signature's length.
    return font_sheet_recognised((const uint8_t *)handle_or_data, PLUGIN_HEADER_READ_SIZE);
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
    uint64_t size;       // bytes at hand
    uint64_t whole_size; // the font data's whole length
    uint8_t *owned;
};

// The first argument of the picture calls: a file name (narrow or UTF-16) or,
// in memory mode, the data.
static int acquire_input(const void *source, bool wide, intptr_t offset_or_length, uint32_t flags,
                         uint32_t count, Input *input) {
    input->owned = nullptr;
    if (is_memory_input(flags)) {
        input->data = (const uint8_t *)source;
        input->size = offset_or_length > 0 ? (uint64_t)offset_or_length : 0;
        input->whole_size = input->size;
        return PLUGIN_OK;
    }
    FileName name = {};
    if (wide) {
        name.wide = (const uint16_t *)source;
    } else {
        name.narrow = (const char *)source;
    }
    uint64_t bytes = 0;
    int rc =
        load_input_file(name, offset_or_length, count, &input->owned, &bytes, &input->whole_size);
    input->data = input->owned;
    input->size = bytes;
    return rc;
}

// The head of the font, which sizes the picture: in file mode, what the
// format asks for first, and more when that shows its table runs on.
static int acquire_head(const void *source, bool wide, intptr_t offset_or_length, uint32_t flags,
                        Input *input) {
    int rc = acquire_input(source, wide, offset_or_length, flags, font_sheet_head_bytes(), input);
    if (rc != PLUGIN_OK || is_memory_input(flags) || input->size >= input->whole_size) return rc;
    uint64_t needed = font_sheet_head_needed(input->data, input->size, input->whole_size);
    if (needed <= input->size) return rc;
    heap_free(input->owned);
    // A 32-bit count, or the whole file beyond it.
    uint32_t count = needed < input->whole_size && needed <= 0xFFFFFFFFu ? (uint32_t)needed : 0;
    return acquire_input(source, wide, offset_or_length, flags, count, input);
}

// The parsed font and its layout (about 20 KB): too much for a host's stack,
// so they live on the heap for the call. Only data of a format we read gets
// that block: anything else is declined, never answered "no memory", so the
// host goes on to its other plug-ins.
static int open_sheet(const Input &input, bool single_column, FontSheet **sheet) {
    if (!font_sheet_recognised(input.data, input.size)) return PLUGIN_ERR_UNSUPPORTED;
    *sheet = (FontSheet *)heap_alloc(sizeof(FontSheet));
    if (!*sheet) return PLUGIN_ERR_NO_MEMORY;
    if (font_sheet_open(*sheet, input.data, input.size, input.whole_size, single_column))
        return PLUGIN_OK;
    heap_free(*sheet);
    *sheet = nullptr;
    return PLUGIN_ERR_UNSUPPORTED;
}

static int picture_info(const void *source, bool wide, intptr_t offset_or_length, uint32_t flags,
                        PictureInfo *info) {
    Input input;
    int rc = acquire_head(source, wide, offset_or_length, flags, &input);
    if (rc != PLUGIN_OK) return rc;
    SettingsRecord settings;
    settings_read(&settings);
    // The whole length decides which glyphs are there, as the whole data does
    // for the picture itself.
    FontSheet *sheet = nullptr;
    rc = open_sheet(input, settings.single_column, &sheet);
    heap_free(input.owned);
    if (rc != PLUGIN_OK) return rc;
    const uint32_t width = sheet->width, height = sheet->height;
    heap_free(sheet);
    memset(info, 0, sizeof *info);
    info->width = (int32_t)width;
    info->height = (int32_t)height;
    info->colour_depth = PLAIN_DEPTH;
    return PLUGIN_OK;
}

// A picture of the sheet: composited when the settings ask, else plain.
static int sheet_picture(const FontSheet *sheet, const SettingsRecord *settings, const void *source,
                         bool wide, uint32_t flags, uint8_t *owned_input, void **header_slot,
                         void **pixel_slot) {
    uint32_t palette[256] = {};
    plain_palette(palette);
    PictureRecord record = {};
    record.colour_count = PLAIN_COLOURS;
    record.transparent_entry = -1;
    if (!is_memory_input(flags)) {
        if (wide) {
            record.file_name.wide = (const uint16_t *)source;
        } else {
            record.file_name.narrow = (const char *)source;
        }
    }
    int rc =
        composite_path(settings, sheet, header_slot, pixel_slot, owned_input, palette, &record);
    if (rc != COMPOSITE_DECLINED) return rc; // the input is released there
    rc = plain_path(sheet, palette, header_slot, pixel_slot);
    heap_free(owned_input);
    return rc;
}

static int picture(const void *source, bool wide, intptr_t offset_or_length, uint32_t flags,
                   void **header_slot, void **pixel_slot) {
    Input input;
    int rc = acquire_input(source, wide, offset_or_length, flags, 0, &input);
    if (rc != PLUGIN_OK) return rc;
    // One reading of the settings serves the whole call: the layout that
    // sized the picture is the one drawn.
    SettingsRecord settings;
    settings_read(&settings);
    FontSheet *sheet = nullptr;
    rc = open_sheet(input, settings.single_column, &sheet);
    if (rc != PLUGIN_OK) {
        heap_free(input.owned);
        return rc;
    }
    rc = sheet_picture(sheet, &settings, source, wide, flags, input.owned, header_slot, pixel_slot);
    heap_free(sheet);
    return rc;
}

extern "C" int PLUGIN_API GetPictureInfo(const char *source, intptr_t offset_or_length,
                                         uint32_t flags, PictureInfo *info) {
    return picture_info(source, false, offset_or_length, flags, info);
}

extern "C" int PLUGIN_API GetPictureInfoW(const uint16_t *source, intptr_t offset_or_length,
                                          uint32_t flags, PictureInfo *info) {
    return picture_info(source, true, offset_or_length, flags, info);
}

// The progress callback is never called and the user data never consulted.
extern "C" int PLUGIN_API GetPicture(const char *source, intptr_t offset_or_length, uint32_t flags,
                                     void **header_slot, void **pixel_slot, ProgressCallback,
                                     intptr_t) {
    return picture(source, false, offset_or_length, flags, header_slot, pixel_slot);
}

extern "C" int PLUGIN_API GetPictureW(const uint16_t *source, intptr_t offset_or_length,
                                      uint32_t flags, void **header_slot, void **pixel_slot,
                                      ProgressCallback, intptr_t) {
    return picture(source, true, offset_or_length, flags, header_slot, pixel_slot);
}

extern "C" int PLUGIN_API GetPreview(const char *, intptr_t, uint32_t, void **, void **,
                                     ProgressCallback, intptr_t) {
    return PLUGIN_NOT_IMPLEMENTED;
}

extern "C" int PLUGIN_API GetPreviewW(const uint16_t *, intptr_t, uint32_t, void **, void **,
                                      ProgressCallback, intptr_t) {
    return PLUGIN_NOT_IMPLEMENTED;
}
