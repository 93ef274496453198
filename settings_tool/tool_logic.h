// The settings tool's rules without a window: how edit-box text is read, how
// each control shows a SettingsRecord and what each control does to it. The
// dialog code only moves ticks and texts between these and the controls.
#pragma once

#include "common/settings/settings.h"
#include "settings_tool/resource.h"

#include <stdint.h>

// ---- Edit-box text ------------------------------------------------------------
// Decimal: strtol with base 10 on a 32-bit long (also where long is wider):
// leading blanks, optional sign, digits up to the first non-digit, 0 without
// digits, INT32_MAX / INT32_MIN on overflow.
int32_t field_parse_decimal(const char *text);
// Hexadecimal colour word: the same scan with base 16 and an optional 0x/0X,
// but into an unsigned 32-bit word (strtoul on 32 bits), so every value that
// "%06x" shows reads back as itself; beyond 32 bits gives 0xFFFFFFFF.
uint32_t field_parse_hex(const char *text);
int32_t field_clamp(int32_t value, int32_t low, int32_t high);
// The low 16 bits as a signed number.
int16_t field_low16(int32_t value);

// ---- Controls -----------------------------------------------------------------
// What a control shows of the record and reads back from the dialog.
enum {
    CONTROL_KIND_TICK = 1,     // check box: a byte, or bits of a flags byte
    CONTROL_KIND_RADIO = 2,    // radio button: a mode byte equal to its value
    CONTROL_KIND_DECIMAL = 3,  // edit box: a signed 16-bit field, "%d"
    CONTROL_KIND_HEX = 4,      // edit box: a 32-bit colour word, "%06x"
    CONTROL_KIND_BUTTON = 5,   // push button: no field
    CONTROL_KIND_DEFAULTS = 6, // push button that restores the defaults
};

// What the dialog must do after control_apply.
enum {
    CONTROL_IGNORED = 0,       // not one of ours (OK, Cancel, ...): nothing is written
    CONTROL_SAVE = 1,          // write the record
    CONTROL_SAVE_REFILL = 2,   // write the record, then show it again in every control
    CONTROL_OPEN_HELP = 3,     // open the help page, then write
    CONTROL_TOGGLE_VIEWER = 4, // viewer_press, then write
    CONTROL_CHOOSE_COLOUR = 5, // colour chooser for control_colour_field, then write
};

// One control of the settings dialog.
struct DialogControl {
    int id;
    uint8_t kind;      // CONTROL_KIND_*
    uint8_t outcome;   // of its command; CONTROL_IGNORED for a control that only shows
    uint8_t field;     // offset of its field in the SettingsRecord
    uint8_t bits;      // tick on a flags byte: the bits it moves (0: the byte is the tick)
    uint8_t inverted;  // tick: ticked means the bits are clear
    uint8_t value;     // radio: the mode it stands for
    uint8_t wraps;     // decimal: keeps the low 16 bits of any value instead of clamping
    int32_t low, high; // decimal: the clamp applied to the typed value
    int edit_id;       // colour button: the box that shows its colour
};

// Every control with a field or an action, in the order the dialog is
// filled (ticks, decimal texts, hexadecimal texts, radio buttons), then the
// buttons. The dialog, its command handler and the tests read this table.
extern const DialogControl DIALOG_CONTROLS[];
extern const uint32_t DIALOG_CONTROL_COUNT;
// The control of an id, or null for ids that are not ours.
const DialogControl *dialog_control(int id);

// Runs the action of control id on record; value is the tick (0/1) or the
// parsed text, as the control's kind asks.
int control_apply(SettingsRecord *record, int id, int64_t value);

// The colour field behind a colour button, and the edit box that shows it;
// null for any other id.
uint32_t *control_colour_field(SettingsRecord *record, int button_id, int *edit_id);

// 1 when the control shows ticked for this record.
int control_shown_tick(const SettingsRecord *record, int id);
// The text a decimal or hex box shows ("%d" / "%06x"); text holds 16 bytes.
void control_shown_text(const SettingsRecord *record, int id, char *text);
// The value a box's text stands for, as control_apply takes it: hexadecimal
// for a colour box, decimal for any other.
int64_t control_text_value(int id, const char *text);

// The dialog's controls as control_show_and_read_back reaches them: the
// window's own, or a stand-in.
enum { CONTROL_TEXT_BYTES = 256 }; // room get_text has, terminator included
struct ControlView {
    void *context;
    void (*set_tick)(void *context, int id, int ticked);
    void (*set_text)(void *context, int id, const char *text);
    void (*get_text)(void *context, int id, char *text);
};

// Shows record in every control, in table order, and reads each box's text
// back into record as if it had been typed, so a value a box clamps comes
// back clamped. Ticks and radio buttons are only shown.
void control_show_and_read_back(SettingsRecord *record, const ControlView *view);

// ---- Colours and viewer requests ----------------------------------------------------
// 0x00RRGGBB <-> the platform's 0x00BBGGRR: bytes 0 and 2 exchange.
uint32_t colour_swap_red_blue(uint32_t colour);

enum { VIEWER_REQUEST_NONE = 0, VIEWER_REQUEST_CLOSE = 1, VIEWER_REQUEST_OPEN = 2 };
// The "ex" button: ignored while a request is pending; otherwise flips the
// wish to see the viewer and asks for it to open or close. True if taken.
bool viewer_press(int *request, int *enabled);
