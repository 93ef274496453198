#include "settings_tool/tool_logic.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

// ---- Edit-box text ------------------------------------------------------------

// Above every base: a character that is no digit ends any scan.
static const int NOT_A_DIGIT = 99;

static int digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return NOT_A_DIGIT;
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

#define FIELD(name) (uint8_t) offsetof(SettingsRecord, name)

namespace {

constexpr DialogControl tick(int id, uint8_t field, uint8_t outcome, uint8_t bits = 0,
                             uint8_t inverted = 0) {
    return {id, CONTROL_KIND_TICK, outcome, field, bits, inverted, 0, 0, 0, 0, 0};
}
// Radio buttons each start a group of their own, so the platform does not
// untick the others of a set: the refill after every radio action does.
constexpr DialogControl radio(int id, uint8_t field, uint8_t value) {
    return {id, CONTROL_KIND_RADIO, CONTROL_SAVE_REFILL, field, 0, 0, value, 0, 0, 0, 0};
}
// The typed 32-bit value is clamped before it is narrowed, so a number above
// the range gives the top of the range rather than whatever its low 16 bits
// happen to be.
constexpr DialogControl decimal(int id, uint8_t field, int32_t low, int32_t high,
                                uint8_t outcome = CONTROL_SAVE) {
    return {id, CONTROL_KIND_DECIMAL, outcome, field, 0, 0, 0, 0, low, high, 0};
}
constexpr DialogControl wrapping_decimal(int id, uint8_t field) {
    return {id, CONTROL_KIND_DECIMAL, CONTROL_SAVE, field, 0, 0, 0, 1, 0, 0, 0};
}
constexpr DialogControl hex(int id, uint8_t field) {
    return {id, CONTROL_KIND_HEX, CONTROL_SAVE, field, 0, 0, 0, 0, 0, 0, 0};
}
constexpr DialogControl button(int id, uint8_t kind, uint8_t outcome, int edit_id = 0) {
    return {id, kind, outcome, 0, 0, 0, 0, 0, 0, 0, edit_id};
}

} // namespace

const DialogControl DIALOG_CONTROLS[] = {
    tick(CONTROL_ALL_OFF, FIELD(flags), CONTROL_SAVE, SETTINGS_ACTIVE, 1),
    tick(CONTROL_STAY_ENABLED, FIELD(flags), CONTROL_SAVE, SETTINGS_STAY_ENABLED),
    tick(CONTROL_DIB32_DIRECT, FIELD(output_flags), CONTROL_SAVE_REFILL, OUTPUT_DIB32_DIRECT),
    tick(CONTROL_DIB32_PALETTE, FIELD(output_flags), CONTROL_SAVE_REFILL, OUTPUT_DIB32_PALETTE),
    tick(CONTROL_ALPHA_ZERO_OPAQUE, FIELD(alpha_zero_opaque), CONTROL_SAVE),
    tick(CONTROL_ALPHA_INVERT, FIELD(alpha_invert), CONTROL_SAVE),
    tick(CONTROL_ALPHA_128, FIELD(alpha_128), CONTROL_SAVE),
    tick(CONTROL_RESERVED43, FIELD(reserved43), CONTROL_SAVE), // no control in the template
    tick(CONTROL_BACKGROUND, FIELD(background_enabled), CONTROL_SAVE),
    tick(CONTROL_GRID_LINES, FIELD(grid_lines), CONTROL_SAVE),
    tick(CONTROL_SINGLE_COLUMN, FIELD(single_column), CONTROL_SAVE_REFILL),
    decimal(CONTROL_CELL_WIDTH, FIELD(cell_width), 0, 1024),
    decimal(CONTROL_CELL_HEIGHT, FIELD(cell_height), 0, 1024),
    decimal(CONTROL_BRIGHTNESS, FIELD(brightness), 0, 32767),
    decimal(CONTROL_ALPHA_SCALE, FIELD(alpha_scale), 0, 0, CONTROL_IGNORED), // shown only
    wrapping_decimal(CONTROL_CLUT_OFFSET, FIELD(clut_offset)), // a rotation: any value
    decimal(CONTROL_KEY_INDEX, FIELD(transparent_index), 0, 255),
    hex(CONTROL_KEY_COLOUR, FIELD(transparent_colour)),
    hex(CONTROL_BG_COLOUR1, FIELD(bg_colour1)),
    hex(CONTROL_BG_COLOUR2, FIELD(bg_colour2)),
    hex(CONTROL_GRID_COLOUR, FIELD(grid_colour)),
    radio(CONTROL_KEY_NONE, FIELD(transparent_mode), SETTINGS_TRANSPARENT_NONE),
    radio(CONTROL_KEY_BY_COLOUR, FIELD(transparent_mode), SETTINGS_TRANSPARENT_BY_COLOUR),
    radio(CONTROL_KEY_BY_INDEX, FIELD(transparent_mode), SETTINGS_TRANSPARENT_BY_INDEX),
    radio(CONTROL_ALPHA_IGNORE, FIELD(alpha_mode), SETTINGS_ALPHA_IGNORE),
    radio(CONTROL_ALPHA_BLEND, FIELD(alpha_mode), SETTINGS_ALPHA_BLEND),
    radio(CONTROL_ALPHA_ADD, FIELD(alpha_mode), SETTINGS_ALPHA_ADD),
    radio(CONTROL_ALPHA_SUBTRACT, FIELD(alpha_mode), SETTINGS_ALPHA_SUBTRACT),
    button(CONTROL_DEFAULTS, CONTROL_KIND_DEFAULTS, CONTROL_SAVE_REFILL),
    button(CONTROL_HELP, CONTROL_KIND_BUTTON, CONTROL_OPEN_HELP),
    button(CONTROL_VIEWER, CONTROL_KIND_BUTTON, CONTROL_TOGGLE_VIEWER),
    button(CONTROL_PICK_BG1, CONTROL_KIND_BUTTON, CONTROL_CHOOSE_COLOUR, CONTROL_BG_COLOUR1),
    button(CONTROL_PICK_BG2, CONTROL_KIND_BUTTON, CONTROL_CHOOSE_COLOUR, CONTROL_BG_COLOUR2),
    button(CONTROL_PICK_GRID, CONTROL_KIND_BUTTON, CONTROL_CHOOSE_COLOUR, CONTROL_GRID_COLOUR),
};
const uint32_t DIALOG_CONTROL_COUNT = sizeof DIALOG_CONTROLS / sizeof DIALOG_CONTROLS[0];

const DialogControl *dialog_control(int id) {
    for (const DialogControl &control : DIALOG_CONTROLS)
        if (control.id == id) return &control;
    return nullptr;
}

static uint8_t *field_byte(SettingsRecord *record, const DialogControl *c) {
    return (uint8_t *)record + c->field;
}

int control_apply(SettingsRecord *record, int id, int64_t value) {
    const DialogControl *c = dialog_control(id);
    if (!c || c->outcome == CONTROL_IGNORED) return CONTROL_IGNORED;
    uint8_t *field = field_byte(record, c);
    const bool tick = value != 0;
    switch (c->kind) {
    case CONTROL_KIND_TICK:
        if (c->bits == 0) {
            *field = tick;
        } else {
            const bool on = c->inverted ? !tick : tick;
            *field = (uint8_t)(on ? (*field | c->bits) : (*field & ~c->bits));
        }
        break;
    case CONTROL_KIND_RADIO:
        if (tick) *field = c->value;
        break;
    case CONTROL_KIND_DECIMAL: {
        const int16_t stored = c->wraps ? field_low16((int32_t)value)
                                        : (int16_t)field_clamp((int32_t)value, c->low, c->high);
        memcpy(field, &stored, sizeof stored);
        break;
    }
    case CONTROL_KIND_HEX: {
        const uint32_t word = (uint32_t)value;
        memcpy(field, &word, sizeof word);
        break;
    }
    case CONTROL_KIND_DEFAULTS:
        settings_defaults(record);
        break;
    }
    return c->outcome;
}

uint32_t *control_colour_field(SettingsRecord *record, int button_id, int *edit_id) {
    const DialogControl *button = dialog_control(button_id);
    if (!button || button->outcome != CONTROL_CHOOSE_COLOUR) return nullptr;
    *edit_id = button->edit_id;
    return (uint32_t *)field_byte(record, dialog_control(button->edit_id));
}

// ---- Showing a record -----------------------------------------------------------

int control_shown_tick(const SettingsRecord *record, int id) {
    const DialogControl *c = dialog_control(id);
    if (!c) return 0;
    const uint8_t byte = ((const uint8_t *)record)[c->field];
    switch (c->kind) {
    case CONTROL_KIND_TICK:
        if (c->bits == 0) return byte != 0;
        return c->inverted ? (byte & c->bits) == 0 : (byte & c->bits) != 0;
    case CONTROL_KIND_RADIO:
        return byte == c->value;
    }
    return 0;
}

void control_shown_text(const SettingsRecord *record, int id, char *text) {
    const DialogControl *c = dialog_control(id);
    const uint8_t *field = c ? (const uint8_t *)record + c->field : nullptr;
    text[0] = 0;
    if (c && c->kind == CONTROL_KIND_DECIMAL) {
        int16_t decimal;
        memcpy(&decimal, field, sizeof decimal);
        snprintf(text, 16, "%d", (int)decimal);
    } else if (c && c->kind == CONTROL_KIND_HEX) {
        uint32_t word;
        memcpy(&word, field, sizeof word);
        snprintf(text, 16, "%06lx", (unsigned long)word);
    }
}

int64_t control_text_value(int id, const char *text) {
    const DialogControl *c = dialog_control(id);
    return c && c->kind == CONTROL_KIND_HEX ? (int64_t)field_parse_hex(text)
                                            : (int64_t)field_parse_decimal(text);
}

void control_show_and_read_back(SettingsRecord *record, const ControlView *view) {
    for (const DialogControl &c : DIALOG_CONTROLS) {
        if (c.kind == CONTROL_KIND_TICK || c.kind == CONTROL_KIND_RADIO) {
            view->set_tick(view->context, c.id, control_shown_tick(record, c.id));
        } else if (c.kind == CONTROL_KIND_DECIMAL || c.kind == CONTROL_KIND_HEX) {
            char text[CONTROL_TEXT_BYTES];
            control_shown_text(record, c.id, text);
            view->set_text(view->context, c.id, text);
            view->get_text(view->context, c.id, text);
            control_apply(record, c.id, control_text_value(c.id, text));
        }
    }
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
