#include "common/settings/settings.h"

#include "common/platform/platform.h"

#include <string.h>

void settings_defaults(SettingsRecord *record) {
    memset(record, 0, sizeof *record);
    record->record_tag = 256;
    record->record_size = 64;
    record->flags = SETTINGS_ENABLED | SETTINGS_PUBLISH_INFO;
    record->alpha_mode = SETTINGS_ALPHA_BLEND;
    record->brightness = 1000;
    record->alpha_scale = 255;
    record->grid_colour = 0xFFFFFF;
    record->bg_colour1 = 0x808080;
    record->bg_colour2 = 0xC0C0C0;
    record->cell_width = 16;
    record->cell_height = 16;
    record->background_enabled = 1;
}

int settings_save(const SettingsRecord *record) {
    RegistryKey *key = registry_create(SETTINGS_KEY);
    if (key) {
        registry_set(key, SETTINGS_VALUE, REGISTRY_TYPE_BINARY, record, sizeof *record);
        registry_close(key);
    }
    return 1; // write failures are not reported
}

int settings_query_head(RegistryKey *key, const char *name, void *buffer, uint32_t *size) {
    const uint32_t room = *size;
    int outcome = registry_query(key, name, buffer, size);
    // The store delivers nothing with "more data"; it reports the size, so the
    // value is read again whole. A value that grows meanwhile is tried again.
    // Values of a plausible length need no heap.
    uint8_t small[1024];
    for (int attempt = 0; attempt < 4 && outcome == REGISTRY_MORE_DATA; ++attempt) {
        uint32_t whole = *size;
        if (whole <= room) break;
        uint8_t *scratch = whole <= sizeof small ? small : (uint8_t *)heap_alloc(whole);
        if (!scratch) break;
        outcome = registry_query(key, name, scratch, &whole);
        if (outcome == REGISTRY_READ) {
            *size = whole < room ? whole : room;
            memcpy(buffer, scratch, *size);
        } else {
            *size = whole;
        }
        if (scratch != small) heap_free(scratch);
    }
    if (outcome == REGISTRY_READ) return REGISTRY_READ;
    *size = 0;
    return REGISTRY_FAILED;
}

// Reads "ORDER" over a record the caller prepared and closes the key; true
// when it was read (a short value overwrites only the record's start).
static bool read_order(RegistryKey *key, SettingsRecord *record) {
    uint32_t size = sizeof *record;
    bool read = settings_query_head(key, SETTINGS_VALUE, record, &size) == REGISTRY_READ;
    registry_close(key);
    return read;
}

int settings_load(SettingsRecord *record) {
    RegistryKey *key = registry_open(SETTINGS_KEY);
    settings_defaults(record);
    if (!key) {
        settings_save(record);
        return 0;
    }
    // Whatever the store lacks comes from the defaults: an all-zero record
    // would have the tool composite every picture black.
    if (!read_order(key, record)) {
        settings_defaults(record);
        return 0;
    }
    return record->flags;
}

int settings_read(SettingsRecord *record) {
    memset(record, 0, sizeof *record);
    RegistryKey *key = registry_open(SETTINGS_KEY);
    if (!key) return 0;
    if (!read_order(key, record)) {
        memset(record, 0, sizeof *record);
        return 0;
    }
    return record->flags;
}
