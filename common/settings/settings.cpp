#include "settings.h"

#include "../platform/platform.h"

#include <string.h>

void settings_defaults(SettingsRecord *record) {
    memset(record, 0, sizeof *record);
    record->record_tag = 256;
    record->record_size = 64;
    record->flags = SETTINGS_ENABLED | SETTINGS_PUBLISH_INFO;
    record->alpha_mode = 1;
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

// Shared by both sides once the key is open: a value longer than the record
// counts as read (its head is the record); anything else leaves zeros.
static int read_order(RegistryKey *key, SettingsRecord *record) {
    memset(record, 0, sizeof *record);
    uint32_t size = sizeof *record;
    int outcome = registry_query(key, SETTINGS_VALUE, record, &size);
    registry_close(key);
    if (outcome == REGISTRY_READ || outcome == REGISTRY_MORE_DATA) return record->flags;
    memset(record, 0, sizeof *record);
    return 0;
}

int settings_load(SettingsRecord *record) {
    RegistryKey *key = registry_open(SETTINGS_KEY);
    if (!key) {
        RegistryKey *created = registry_create(SETTINGS_KEY);
        registry_close(created);
        settings_defaults(record);
        settings_save(record);
        return 0;
    }
    return read_order(key, record);
}

int settings_read(SettingsRecord *record) {
    RegistryKey *key = registry_open(SETTINGS_KEY);
    if (!key) {
        memset(record, 0, sizeof *record);
        return 0;
    }
    return read_order(key, record);
}
