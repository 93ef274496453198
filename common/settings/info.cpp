#include "common/settings/info.h"

#include "common/platform/platform.h"
#include "common/settings/settings.h"

#include <string.h>

int info_publish(uint32_t width, uint32_t height, uint32_t depth, ImageInfoRecord *info,
                 const uint32_t *palette, int32_t colour_count, FileName file_name) {
    if (colour_count < 0) colour_count = 0;
    info->picture_width = width;
    info->picture_height = height;
    info->bit_depth = (uint16_t)depth;
    info->colour_count = (uint16_t)colour_count;
    info->reserved4 = 0;
    RegistryKey *key = registry_create(SETTINGS_KEY);
    if (!key) return 1;
    registry_set(key, INFO_VALUE, REGISTRY_TYPE_BINARY, info, sizeof *info);
    if (depth <= 8) {
        if (colour_count < 256) {
            uint32_t padded[256] = {};
            if (palette) memcpy(padded, palette, 4 * (size_t)colour_count);
            registry_set(key, INFO_PALETTE_VALUE, REGISTRY_TYPE_BINARY, padded, sizeof padded);
        } else if (palette) {
            registry_set(key, INFO_PALETTE_VALUE, REGISTRY_TYPE_BINARY, palette,
                         4 * (uint32_t)colour_count);
        }
    }
    if (file_name.wide) {
        registry_set_text_wide(key, INFO_NAME_VALUE, file_name.wide, utf16_length(file_name.wide));
    } else {
        const char *name = file_name.narrow ? file_name.narrow : "";
        registry_set(key, INFO_NAME_VALUE, REGISTRY_TYPE_SZ, name, (uint32_t)strlen(name));
    }
    registry_close(key);
    return 1;
}

// ASCII letters only: the name's other bytes (Shift-JIS among them) compare
// exactly.
static bool same_name_ignoring_case(const char *a, const char *b) {
    for (;; ++a, ++b) {
        unsigned char x = (unsigned char)*a, y = (unsigned char)*b;
        if (x >= 'A' && x <= 'Z') x = (unsigned char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = (unsigned char)(y - 'A' + 'a');
        if (x != y) return false;
        if (!x) return true;
    }
}

int info_poll(uint32_t *palette, ImageInfoRecord *info, char *name) {
    ImageInfoRecord local;
    memset(&local, 0, sizeof local);
    RegistryKey *key = registry_open(SETTINGS_KEY);
    if (!key) {
        memset(info, 0, sizeof *info);
        return 0;
    }

    // One byte is kept for the terminator: a name that fills the buffer
    // counts as too long.
    char local_name[INFO_NAME_BYTES];
    uint32_t size = INFO_NAME_BYTES - 1;
    if (registry_query(key, INFO_NAME_VALUE, local_name, &size) == REGISTRY_READ) {
        local_name[size] = 0;
    } else {
        local_name[0] = 0;
    }

    // A palette longer than the copy still gives its head.
    size = INFO_PALETTE_BYTES;
    if (settings_query_head(key, INFO_PALETTE_VALUE, palette, &size) != REGISTRY_READ) {
        memset(palette, 0, INFO_PALETTE_BYTES);
    }

    size = sizeof local;
    int outcome = registry_query(key, INFO_VALUE, &local, &size);
    registry_close(key);
    if (outcome != REGISTRY_READ) {
        memset(&local, 0, sizeof local); // missing or longer than the record
    } else if (memcmp(&local, info, sizeof local) == 0) {
        if (local_name[0] == 0) {
            memcpy(info, &local, sizeof local);
            return 1;
        }
        if (same_name_ignoring_case(local_name, name)) return 0;
    }
    if (local_name[0]) memcpy(name, local_name, strlen(local_name) + 1);
    memcpy(info, &local, sizeof local);
    return 1;
}
