#include "tool/tool_logic.h"

#include <stdio.h>
#include <string.h>

// ---- Edit-box text ------------------------------------------------------------

static int digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// The strtol scan: sign and magnitude, the magnitude saturating just above
// 32 bits so any overflow is still seen as one.
static uint64_t scan_number(const char *text, int base, bool *negative) {
    const uint64_t saturated = 0x100000000ull;
    const char *p = text;
    *negative = false;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    if (*p == '+' || *p == '-') *negative = *p++ == '-';
    // "0x" counts as a prefix only when a hex digit follows; otherwise the
    // scan reads the 0 and stops at the x.
    if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digit_value(p[2]) < 16) p += 2;
    uint64_t magnitude = 0;
    for (; digit_value(*p) < base; ++p) {
        magnitude = magnitude * (uint64_t)base + (uint64_t)digit_value(*p);
        if (magnitude > saturated) magnitude = saturated;
    }
    return magnitude;
}

int32_t field_parse_decimal(const char *text) {
    bool negative = false;
    uint64_t magnitude = scan_number(text, 10, &negative);
    if (negative) return magnitude >= 0x80000000ull ? INT32_MIN : -(int32_t)magnitude;
    return magnitude > 0x7FFFFFFFull ? INT32_MAX : (int32_t)magnitude;
}

uint32_t field_parse_hex(const char *text) {
    bool negative = false;
    uint64_t magnitude = scan_number(text, 16, &negative);
    if (magnitude > 0xFFFFFFFFull) return 0xFFFFFFFFu;
    return negative ? (uint32_t)(0u - (uint32_t)magnitude) : (uint32_t)magnitude;
}

int32_t field_clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : value > high ? high : value;
}

int16_t field_low16(int32_t value) {
    uint16_t bits = (uint16_t)((uint32_t)value & 0xFFFFu);
    return bits >= 0x8000u ? (int16_t)((int32_t)bits - 0x10000) : (int16_t)bits;
}

// ---- Controls -----------------------------------------------------------------

int control_reads(int id) {
    switch (id) {
    case CONTROL_BRIGHTNESS:
    case CONTROL_KEY_INDEX:
    case CONTROL_CLUT_OFFSET:
    case CONTROL_CELL_WIDTH:
    case CONTROL_CELL_HEIGHT:
        return CONTROL_READS_DECIMAL;
    case CONTROL_KEY_COLOUR:
    case CONTROL_BG_COLOUR1:
    case CONTROL_BG_COLOUR2:
    case CONTROL_GRID_COLOUR:
        return CONTROL_READS_HEX;
    case CONTROL_ALL_OFF:
    case CONTROL_STAY_ENABLED:
    case CONTROL_DIB32_DIRECT:
    case CONTROL_DIB32_PALETTE:
    case CONTROL_ALPHA_INVERT:
    case CONTROL_ALPHA_128:
    case CONTROL_ALPHA_ZERO_OPAQUE:
    case CONTROL_RESERVED43:
    case CONTROL_BACKGROUND:
    case CONTROL_GRID_LINES:
    case CONTROL_SINGLE_COLUMN:
    case CONTROL_KEY_NONE:
    case CONTROL_KEY_BY_COLOUR:
    case CONTROL_KEY_BY_INDEX:
    case CONTROL_ALPHA_IGNORE:
    case CONTROL_ALPHA_BLEND:
    case CONTROL_ALPHA_ADD:
    case CONTROL_ALPHA_SUBTRACT:
        return CONTROL_READS_TICK;
    }
    return CONTROL_READS_NOTHING;
}

static void set_bit(uint8_t *byte, uint8_t bit, bool on) {
    *byte = (uint8_t)(on ? (*byte | bit) : (*byte & ~bit));
}

// Decimal boxes clamp the typed 32-bit value before it is narrowed, so a
// number above the range gives the top of the range rather than whatever its
// low 16 bits happen to be. The palette offset is a rotation and keeps the
// low 16 bits of any value.
static void apply_decimal(SettingsRecord *record, int id, int32_t value) {
    switch (id) {
    case CONTROL_BRIGHTNESS:
        record->brightness = (int16_t)field_clamp(value, 0, 32767);
        break;
    case CONTROL_KEY_INDEX:
        record->transparent_index = (int16_t)field_clamp(value, 0, 255);
        break;
    case CONTROL_CELL_WIDTH:
        record->cell_width = (int16_t)field_clamp(value, 0, 1024);
        break;
    case CONTROL_CELL_HEIGHT:
        record->cell_height = (int16_t)field_clamp(value, 0, 1024);
        break;
    case CONTROL_CLUT_OFFSET:
        record->clut_offset = field_low16(value);
        break;
    }
}

static uint32_t *hex_field(SettingsRecord *record, int id) {
    switch (id) {
    case CONTROL_KEY_COLOUR:
        return &record->transparent_colour;
    case CONTROL_BG_COLOUR1:
        return &record->bg_colour1;
    case CONTROL_BG_COLOUR2:
        return &record->bg_colour2;
    case CONTROL_GRID_COLOUR:
        return &record->grid_colour;
    }
    return nullptr;
}

// Radio buttons each start a group of their own, so the platform does not
// untick the others of a set: the refill after every radio action does.
static int apply_radio(uint8_t *field, uint8_t mode, bool ticked) {
    if (ticked) *field = mode;
    return CONTROL_SAVE_REFILL;
}

int control_apply(SettingsRecord *record, int id, int64_t value) {
    bool tick = value != 0;
    switch (control_reads(id)) {
    case CONTROL_READS_DECIMAL:
        apply_decimal(record, id, (int32_t)value);
        return CONTROL_SAVE;
    case CONTROL_READS_HEX:
        *hex_field(record, id) = (uint32_t)value;
        return CONTROL_SAVE;
    }
    switch (id) {
    case CONTROL_ALL_OFF:
        set_bit(&record->flags, SETTINGS_ENABLED | SETTINGS_PUBLISH_INFO, !tick);
        return CONTROL_SAVE;
    case CONTROL_STAY_ENABLED:
        set_bit(&record->flags, SETTINGS_STAY_ENABLED, tick);
        return CONTROL_SAVE;
    case CONTROL_DIB32_DIRECT:
        set_bit(&record->output_flags, OUTPUT_DIB32_DIRECT, tick);
        return CONTROL_SAVE_REFILL;
    case CONTROL_DIB32_PALETTE:
        set_bit(&record->output_flags, OUTPUT_DIB32_PALETTE, tick);
        return CONTROL_SAVE_REFILL;
    case CONTROL_ALPHA_INVERT:
        record->alpha_invert = tick;
        return CONTROL_SAVE;
    case CONTROL_ALPHA_128:
        record->alpha_128 = tick;
        return CONTROL_SAVE;
    case CONTROL_ALPHA_ZERO_OPAQUE:
        record->alpha_zero_opaque = tick;
        return CONTROL_SAVE;
    case CONTROL_RESERVED43:
        record->reserved43 = tick;
        return CONTROL_SAVE;
    case CONTROL_BACKGROUND:
        record->background_enabled = tick;
        return CONTROL_SAVE;
    case CONTROL_GRID_LINES:
        record->grid_lines = tick;
        return CONTROL_SAVE;
    case CONTROL_SINGLE_COLUMN:
        record->single_column = tick;
        return CONTROL_SAVE_REFILL;
    case CONTROL_KEY_NONE:
        return apply_radio(&record->transparent_mode, 0, tick);
    case CONTROL_KEY_BY_COLOUR:
        return apply_radio(&record->transparent_mode, 1, tick);
    case CONTROL_KEY_BY_INDEX:
        return apply_radio(&record->transparent_mode, 2, tick);
    case CONTROL_ALPHA_IGNORE:
        return apply_radio(&record->alpha_mode, 0, tick);
    case CONTROL_ALPHA_BLEND:
        return apply_radio(&record->alpha_mode, 1, tick);
    case CONTROL_ALPHA_ADD:
        return apply_radio(&record->alpha_mode, 2, tick);
    case CONTROL_ALPHA_SUBTRACT:
        return apply_radio(&record->alpha_mode, 3, tick);
    case CONTROL_DEFAULTS:
        settings_defaults(record);
        return CONTROL_SAVE_REFILL;
    case CONTROL_HELP:
        return CONTROL_OPEN_HELP;
    case CONTROL_VIEWER:
        return CONTROL_TOGGLE_VIEWER;
    case CONTROL_PICK_BG1:
    case CONTROL_PICK_BG2:
    case CONTROL_PICK_GRID:
        return CONTROL_CHOOSE_COLOUR;
    }
    return CONTROL_IGNORED; // 1015, 1016 and everything outside the range
}

uint32_t *control_colour_field(SettingsRecord *record, int button_id, int *edit_id) {
    switch (button_id) {
    case CONTROL_PICK_BG1:
        *edit_id = CONTROL_BG_COLOUR1;
        break;
    case CONTROL_PICK_BG2:
        *edit_id = CONTROL_BG_COLOUR2;
        break;
    case CONTROL_PICK_GRID:
        *edit_id = CONTROL_GRID_COLOUR;
        break;
    default:
        return nullptr;
    }
    return hex_field(record, *edit_id);
}

// ---- Showing a record -----------------------------------------------------------

const int CONTROL_FILL_TICKS[] = {
    CONTROL_ALL_OFF,           CONTROL_STAY_ENABLED, CONTROL_DIB32_DIRECT,  CONTROL_DIB32_PALETTE,
    CONTROL_ALPHA_ZERO_OPAQUE, CONTROL_ALPHA_INVERT, CONTROL_ALPHA_128,     CONTROL_RESERVED43,
    CONTROL_BACKGROUND,        CONTROL_GRID_LINES,   CONTROL_SINGLE_COLUMN, 0};
const int CONTROL_FILL_DECIMALS[] = {CONTROL_CELL_WIDTH,
                                     CONTROL_CELL_HEIGHT,
                                     CONTROL_BRIGHTNESS,
                                     CONTROL_ALPHA_SCALE,
                                     CONTROL_CLUT_OFFSET,
                                     CONTROL_KEY_INDEX,
                                     0};
const int CONTROL_FILL_HEXES[] = {CONTROL_KEY_COLOUR, CONTROL_BG_COLOUR1, CONTROL_BG_COLOUR2,
                                  CONTROL_GRID_COLOUR, 0};
const int CONTROL_FILL_RADIOS[] = {
    CONTROL_KEY_NONE,    CONTROL_KEY_BY_COLOUR, CONTROL_KEY_BY_INDEX,   CONTROL_ALPHA_IGNORE,
    CONTROL_ALPHA_BLEND, CONTROL_ALPHA_ADD,     CONTROL_ALPHA_SUBTRACT, 0};

int control_shown_tick(const SettingsRecord *record, int id) {
    switch (id) {
    case CONTROL_ALL_OFF:
        return (record->flags & 3) == 0;
    case CONTROL_STAY_ENABLED:
        return (record->flags & SETTINGS_STAY_ENABLED) != 0;
    case CONTROL_DIB32_DIRECT:
        return (record->output_flags & OUTPUT_DIB32_DIRECT) != 0;
    case CONTROL_DIB32_PALETTE:
        return (record->output_flags & OUTPUT_DIB32_PALETTE) != 0;
    case CONTROL_ALPHA_ZERO_OPAQUE:
        return record->alpha_zero_opaque != 0;
    case CONTROL_ALPHA_INVERT:
        return record->alpha_invert != 0;
    case CONTROL_ALPHA_128:
        return record->alpha_128 != 0;
    case CONTROL_RESERVED43:
        return record->reserved43 != 0;
    case CONTROL_BACKGROUND:
        return record->background_enabled != 0;
    case CONTROL_GRID_LINES:
        return record->grid_lines != 0;
    case CONTROL_SINGLE_COLUMN:
        return record->single_column != 0;
    case CONTROL_KEY_NONE:
        return record->transparent_mode == 0;
    case CONTROL_KEY_BY_COLOUR:
        return record->transparent_mode == 1;
    case CONTROL_KEY_BY_INDEX:
        return record->transparent_mode == 2;
    case CONTROL_ALPHA_IGNORE:
        return record->alpha_mode == 0;
    case CONTROL_ALPHA_BLEND:
        return record->alpha_mode == 1;
    case CONTROL_ALPHA_ADD:
        return record->alpha_mode == 2;
    case CONTROL_ALPHA_SUBTRACT:
        return record->alpha_mode == 3;
    }
    return 0;
}

void control_shown_text(const SettingsRecord *record, int id, char *text) {
    int16_t decimal = 0;
    uint32_t word = 0;
    switch (id) {
    case CONTROL_CELL_WIDTH:
        decimal = record->cell_width;
        break;
    case CONTROL_CELL_HEIGHT:
        decimal = record->cell_height;
        break;
    case CONTROL_BRIGHTNESS:
        decimal = record->brightness;
        break;
    case CONTROL_ALPHA_SCALE:
        decimal = record->alpha_scale;
        break;
    case CONTROL_CLUT_OFFSET:
        decimal = record->clut_offset;
        break;
    case CONTROL_KEY_INDEX:
        decimal = record->transparent_index;
        break;
    case CONTROL_KEY_COLOUR:
        word = record->transparent_colour;
        break;
    case CONTROL_BG_COLOUR1:
        word = record->bg_colour1;
        break;
    case CONTROL_BG_COLOUR2:
        word = record->bg_colour2;
        break;
    case CONTROL_GRID_COLOUR:
        word = record->grid_colour;
        break;
    default:
        text[0] = 0;
        return;
    }
    if (control_reads(id) == CONTROL_READS_HEX) {
        snprintf(text, 16, "%06lx", (unsigned long)word);
        return;
    }
    snprintf(text, 16, "%d", (int)decimal);
}

// ---- Colours and viewer requests ----------------------------------------------------

uint32_t colour_swap_red_blue(uint32_t colour) {
    return (colour & 0xFF00FF00u) | ((colour & 0xFFu) << 16) | ((colour >> 16) & 0xFFu);
}

bool viewer_press(int *request, int *enabled) {
    if (*request != VIEWER_REQUEST_NONE) return false;
    *enabled = !*enabled;
    *request = *enabled ? VIEWER_REQUEST_OPEN : VIEWER_REQUEST_CLOSE;
    return true;
}
