// The settings tool's rules without a window: how edit-box text is read, how
// each control shows a SettingsRecord and what each control does to it. The
// dialog code only moves ticks and texts between these and the controls.
#pragma once

#include "common/settings/settings.h"
#include "tool/resource.h"

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
// What a control's action reads from the control before it runs.
enum {
    CONTROL_READS_NOTHING = 0,
    CONTROL_READS_TICK = 1,
    CONTROL_READS_DECIMAL = 2,
    CONTROL_READS_HEX = 3,
};
int control_reads(int id);

// What the dialog must do after control_apply.
enum {
    CONTROL_IGNORED = 0,       // not one of ours (OK, Cancel, ...): nothing is written
    CONTROL_SAVE = 1,          // write the record
    CONTROL_SAVE_REFILL = 2,   // write the record, then show it again in every control
    CONTROL_OPEN_HELP = 3,     // open the help page, then write
    CONTROL_TOGGLE_VIEWER = 4, // viewer_press, then write
    CONTROL_CHOOSE_COLOUR = 5, // colour chooser for control_colour_field, then write
};
// Runs the action of control id on record; value is the tick (0/1) or the
// parsed text, as control_reads asks.
int control_apply(SettingsRecord *record, int id, int64_t value);

// The colour field behind a colour button, and the edit box that shows it;
// null for any other id.
uint32_t *control_colour_field(SettingsRecord *record, int button_id, int *edit_id);

// ---- Showing a record -----------------------------------------------------------
// The order in which the dialog is filled: ticks, decimal texts, hex texts,
// then the radio buttons. Each list ends with 0.
extern const int CONTROL_FILL_TICKS[];
extern const int CONTROL_FILL_DECIMALS[];
extern const int CONTROL_FILL_HEXES[];
extern const int CONTROL_FILL_RADIOS[];
// 1 when the control shows ticked for this record.
int control_shown_tick(const SettingsRecord *record, int id);
// The text a decimal or hex box shows ("%d" / "%06x"); text holds 16 bytes.
void control_shown_text(const SettingsRecord *record, int id, char *text);

// ---- Colours and viewer requests ----------------------------------------------------
// 0x00RRGGBB <-> the platform's 0x00BBGGRR: bytes 0 and 2 exchange.
uint32_t colour_swap_red_blue(uint32_t colour);

enum { VIEWER_REQUEST_NONE = 0, VIEWER_REQUEST_CLOSE = 1, VIEWER_REQUEST_OPEN = 2 };
// The "ex" button: ignored while a request is pending; otherwise flips the
// wish to see the viewer and asks for it to open or close. True if taken.
bool viewer_press(int *request, int *enabled);
