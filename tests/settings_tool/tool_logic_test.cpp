// The settings tool's rules without a window: edit-box parsing, clamps, what
// each control shows and what its action does to the record.
#include "settings_tool/tool_logic.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>

namespace {

SettingsRecord patterned_record() {
    SettingsRecord r;
    unsigned char *b = (unsigned char *)&r;
    for (size_t i = 0; i < sizeof r; ++i) b[i] = (unsigned char)(0x11 * (i % 7) + 3);
    return r;
}

// Offsets of the bytes that differ between two records.
std::string changed_bytes(const SettingsRecord &a, const SettingsRecord &b) {
    std::string out;
    const unsigned char *pa = (const unsigned char *)&a, *pb = (const unsigned char *)&b;
    for (size_t i = 0; i < sizeof a; ++i)
        if (pa[i] != pb[i]) out += std::to_string(i) + " ";
    return out;
}

// Runs an edit box's action on the text as the dialog reads it.
void type_into(SettingsRecord *r, int id, const char *text) {
    ASSERT_EQ(control_apply(r, id, control_text_value(id, text)), CONTROL_SAVE) << id;
}

// A dialog without a window: boxes hold what they are given, ticks are kept.
struct StandInDialog {
    std::map<int, std::string> texts;
    std::map<int, int> ticks;
};
void stand_in_set_tick(void *dialog, int id, int ticked) {
    ((StandInDialog *)dialog)->ticks[id] = ticked;
}
void stand_in_set_text(void *dialog, int id, const char *text) {
    ((StandInDialog *)dialog)->texts[id] = text;
}
void stand_in_get_text(void *dialog, int id, char *text) {
    snprintf(text, CONTROL_TEXT_BYTES, "%s", ((StandInDialog *)dialog)->texts[id].c_str());
}

// What filling the dialog does to a record.
StandInDialog fill_boxes(SettingsRecord *r) {
    StandInDialog dialog;
    const ControlView view = {&dialog, stand_in_set_tick, stand_in_set_text, stand_in_get_text};
    control_show_and_read_back(r, &view);
    return dialog;
}

TEST(FieldParse, DecimalFollowsStrtolOnThirtyTwoBits) {
    // strtoll clamped to 32 bits is the reference; it saturates on its own
    // overflow, so the clamp sees the right sign.
    const char *cases[] = {"",
                           "abc",
                           "  42",
                           "\t-17x",
                           "+5",
                           "-0",
                           "2147483647",
                           "2147483648",
                           "-2147483648",
                           "-2147483649",
                           "4294967296",
                           "99999999999999999999999",
                           "-99999999999999999999",
                           "0x10",
                           "- 5",
                           "12 34",
                           "\n\v\f\r 7",
                           "007",
                           "+-3",
                           "1e5"};
    for (const char *text : cases) {
        long long reference = strtoll(text, nullptr, 10);
        if (reference > INT32_MAX) reference = INT32_MAX;
        if (reference < INT32_MIN) reference = INT32_MIN;
        EXPECT_EQ(field_parse_decimal(text), reference) << '"' << text << '"';
    }
    TestRandom random(7);
    for (int i = 0; i < 2000; ++i) {
        std::string text = (random.next() % 3 == 0) ? "-" : "";
        int digits = 1 + (int)(random.next() % 14);
        for (int d = 0; d < digits; ++d) text += (char)('0' + random.next() % 10);
        long long reference = strtoll(text.c_str(), nullptr, 10);
        if (reference > INT32_MAX) reference = INT32_MAX;
        if (reference < INT32_MIN) reference = INT32_MIN;
        ASSERT_EQ(field_parse_decimal(text.c_str()), reference) << text;
    }
}

TEST(FieldParse, HexIsAThirtyTwoBitWord) {
    const struct {
        const char *text;
        uint32_t word;
    } cases[] = {{"0x1f", 0x1F},
                 {"1F", 0x1F},
                 {"0X0a", 0x0A},
                 {"  +ff ", 0xFF},
                 {"80000000", 0x80000000u},
                 {"ffffffff", 0xFFFFFFFFu},
                 {"100000000", 0xFFFFFFFFu},
                 {"fffffffffffffffffff", 0xFFFFFFFFu},
                 {"-1", 0xFFFFFFFFu},
                 {"-0x10", 0xFFFFFFF0u},
                 {"0x", 0},
                 {"0xg", 0},
                 {"zz", 0},
                 {"", 0},
                 {"12g4", 0x12},
                 {"00000000ff", 0xFF},
                 {"0x0x5", 0}};
    for (const auto &c : cases) EXPECT_EQ(field_parse_hex(c.text), c.word) << c.text;
}

TEST(FieldParse, EveryShownTextReadsBackAsItsValue) {
    const uint32_t edges[] = {0x80000000u, 0xFFFFFFFFu, 0, 0x7FFFFFFFu};
    TestRandom random(11);
    for (int i = 0; i < 5000; ++i) {
        SettingsRecord r = patterned_record();
        uint32_t word = i < 4 ? edges[i] : (uint32_t)random.next();
        r.bg_colour2 = word;
        r.cell_height = (int16_t)(random.next() % 1025);
        r.clut_offset = (int16_t)(random.next() & 0xFFFF);
        SettingsRecord before = r;
        fill_boxes(&r);
        ASSERT_EQ(r.bg_colour2, word);
        ASSERT_EQ(r.cell_height, before.cell_height);
        ASSERT_EQ(r.clut_offset, before.clut_offset);
    }
}

TEST(FieldParse, ClampAndLow16) {
    EXPECT_EQ(field_clamp(-1, 0, 9), 0);
    EXPECT_EQ(field_clamp(10, 0, 9), 9);
    EXPECT_EQ(field_clamp(INT32_MIN, -5, 5), -5);
    EXPECT_EQ(field_low16(70000), 4464);
    EXPECT_EQ(field_low16(40000), -25536);
    EXPECT_EQ(field_low16(-1), -1);
    EXPECT_EQ(field_low16(INT32_MIN), 0);
    EXPECT_EQ(field_low16(0x7FFF8000), -32768);
}

TEST(ControlActions, DecimalBoxesClampTheTypedValue) {
    const struct {
        int id;
        const char *text;
        int16_t stored;
    } cases[] = {
        {CONTROL_BRIGHTNESS, "-5", 0},
        {CONTROL_BRIGHTNESS, "40000", 32767},
        {CONTROL_BRIGHTNESS, "70000", 32767},
        {CONTROL_BRIGHTNESS, "abc", 0},
        {CONTROL_BRIGHTNESS, "32767", 32767},
        {CONTROL_BRIGHTNESS, "1500x", 1500},
        {CONTROL_BRIGHTNESS, "-99999999999", 0},
        {CONTROL_KEY_INDEX, "300", 255},
        {CONTROL_KEY_INDEX, "-1", 0},
        {CONTROL_KEY_INDEX, "255", 255},
        {CONTROL_KEY_INDEX, "65537", 255},
        {CONTROL_CELL_WIDTH, "2000", 1024},
        {CONTROL_CELL_WIDTH, "-7", 0},
        {CONTROL_CELL_WIDTH, "1024", 1024},
        {CONTROL_CELL_WIDTH, "66000", 1024},
        {CONTROL_CELL_HEIGHT, "2000", 1024},
        {CONTROL_CELL_HEIGHT, "0", 0},
        {CONTROL_CLUT_OFFSET, "-3", -3},
        {CONTROL_CLUT_OFFSET, "70000", 4464},
        {CONTROL_CLUT_OFFSET, "40000", -25536},
        {CONTROL_CLUT_OFFSET, "q", 0},
    };
    for (const auto &c : cases) {
        SettingsRecord r = patterned_record();
        SettingsRecord before = r;
        type_into(&r, c.id, c.text);
        int16_t *field = c.id == CONTROL_BRIGHTNESS    ? &r.brightness
                         : c.id == CONTROL_KEY_INDEX   ? &r.transparent_index
                         : c.id == CONTROL_CELL_WIDTH  ? &r.cell_width
                         : c.id == CONTROL_CELL_HEIGHT ? &r.cell_height
                                                       : &r.clut_offset;
        EXPECT_EQ(*field, c.stored) << c.id << " " << c.text;
        *field = *(int16_t *)((char *)&before + ((char *)field - (char *)&r));
        EXPECT_EQ(changed_bytes(before, r), "") << c.id << " touched other fields";
    }
}

TEST(ControlActions, HexBoxesStoreTheWordUnchanged) {
    const struct {
        int id;
        uint32_t SettingsRecord::*field;
    } boxes[] = {{CONTROL_KEY_COLOUR, &SettingsRecord::transparent_colour},
                 {CONTROL_BG_COLOUR1, &SettingsRecord::bg_colour1},
                 {CONTROL_BG_COLOUR2, &SettingsRecord::bg_colour2},
                 {CONTROL_GRID_COLOUR, &SettingsRecord::grid_colour}};
    for (const auto &box : boxes) {
        for (const char *text : {"0x1f", "80000000", "-1", "zz"}) {
            SettingsRecord r = patterned_record();
            SettingsRecord before = r;
            type_into(&r, box.id, text);
            EXPECT_EQ(r.*box.field, field_parse_hex(text)) << box.id << " " << text;
            r.*box.field = before.*box.field;
            EXPECT_EQ(changed_bytes(before, r), "") << box.id;
        }
    }
}

TEST(ControlActions, CheckBoxesSetExactlyTheirOwnBits) {
    const struct {
        int id;
        size_t offset;
        uint8_t ticked, unticked; // from a byte of 0x00 / 0xFF
        int outcome;
    } boxes[] = {
        {CONTROL_STAY_ENABLED, 4, 0x04, 0xFB, CONTROL_SAVE},
        {CONTROL_DIB32_DIRECT, 11, 0x01, 0xFE, CONTROL_SAVE_REFILL},
        {CONTROL_DIB32_PALETTE, 11, 0x02, 0xFD, CONTROL_SAVE_REFILL},
        {CONTROL_ALPHA_ZERO_OPAQUE, 6, 1, 0, CONTROL_SAVE},
        {CONTROL_ALPHA_INVERT, 7, 1, 0, CONTROL_SAVE},
        {CONTROL_ALPHA_128, 8, 1, 0, CONTROL_SAVE},
        {CONTROL_RESERVED43, 43, 1, 0, CONTROL_SAVE},
        {CONTROL_BACKGROUND, 41, 1, 0, CONTROL_SAVE},
        {CONTROL_GRID_LINES, 42, 1, 0, CONTROL_SAVE},
        {CONTROL_SINGLE_COLUMN, 44, 1, 0, CONTROL_SAVE_REFILL},
    };
    for (const auto &box : boxes) {
        SettingsRecord zero = {}, full;
        memset(&full, 0xFF, sizeof full);
        SettingsRecord r = zero;
        EXPECT_EQ(control_apply(&r, box.id, 1), box.outcome) << box.id;
        EXPECT_EQ(((unsigned char *)&r)[box.offset], box.ticked) << box.id;
        EXPECT_EQ(changed_bytes(zero, r), std::to_string(box.offset) + " ") << box.id;
        EXPECT_EQ(control_shown_tick(&r, box.id), 1) << box.id;
        r = full;
        EXPECT_EQ(control_apply(&r, box.id, 0), box.outcome) << box.id;
        EXPECT_EQ(((unsigned char *)&r)[box.offset], box.unticked) << box.id;
        EXPECT_EQ(control_shown_tick(&r, box.id), 0) << box.id;
    }
}

TEST(ControlActions, AllOffMovesBothFlagsTogether) {
    SettingsRecord r = {};
    r.flags = SETTINGS_ENABLED | SETTINGS_PUBLISH_INFO | SETTINGS_STAY_ENABLED;
    EXPECT_EQ(control_shown_tick(&r, CONTROL_ALL_OFF), 0);
    EXPECT_EQ(control_apply(&r, CONTROL_ALL_OFF, 1), CONTROL_SAVE);
    EXPECT_EQ(r.flags, SETTINGS_STAY_ENABLED); // closing now stores 4
    EXPECT_EQ(control_shown_tick(&r, CONTROL_ALL_OFF), 1);
    control_apply(&r, CONTROL_ALL_OFF, 0);
    EXPECT_EQ(r.flags, 7);
    // Only one of the two bits set still counts as switched on.
    r.flags = SETTINGS_PUBLISH_INFO;
    EXPECT_EQ(control_shown_tick(&r, CONTROL_ALL_OFF), 0);
    r.flags = SETTINGS_STAY_ENABLED;
    EXPECT_EQ(control_shown_tick(&r, CONTROL_ALL_OFF), 1);
}

TEST(ControlActions, RadioSetsStayExclusiveByRefill) {
    const struct {
        int id;
        uint8_t SettingsRecord::*field;
        uint8_t mode;
    } radios[] = {{CONTROL_KEY_NONE, &SettingsRecord::transparent_mode, 0},
                  {CONTROL_KEY_BY_COLOUR, &SettingsRecord::transparent_mode, 1},
                  {CONTROL_KEY_BY_INDEX, &SettingsRecord::transparent_mode, 2},
                  {CONTROL_ALPHA_IGNORE, &SettingsRecord::alpha_mode, 0},
                  {CONTROL_ALPHA_BLEND, &SettingsRecord::alpha_mode, 1},
                  {CONTROL_ALPHA_ADD, &SettingsRecord::alpha_mode, 2},
                  {CONTROL_ALPHA_SUBTRACT, &SettingsRecord::alpha_mode, 3}};
    for (const auto &radio : radios) {
        SettingsRecord r = patterned_record();
        r.*radio.field = 9;
        SettingsRecord before = r;
        // A focus notification of an unticked button changes nothing but refills.
        EXPECT_EQ(control_apply(&r, radio.id, 0), CONTROL_SAVE_REFILL);
        EXPECT_EQ(changed_bytes(before, r), "");
        EXPECT_EQ(control_shown_tick(&r, radio.id), 0); // 9 is out of range: none ticked
        EXPECT_EQ(control_apply(&r, radio.id, 1), CONTROL_SAVE_REFILL);
        EXPECT_EQ(r.*radio.field, radio.mode);
        for (const auto &other : radios) {
            if (other.field != radio.field) continue;
            EXPECT_EQ(control_shown_tick(&r, other.id), other.id == radio.id) << other.id;
        }
    }
}

TEST(ControlActions, ButtonsAndForeignIds) {
    SettingsRecord r = patterned_record();
    SettingsRecord before = r;
    EXPECT_EQ(control_apply(&r, CONTROL_HELP, 0), CONTROL_OPEN_HELP);
    EXPECT_EQ(control_apply(&r, CONTROL_VIEWER, 0), CONTROL_TOGGLE_VIEWER);
    for (int id : {CONTROL_PICK_BG1, CONTROL_PICK_BG2, CONTROL_PICK_GRID})
        EXPECT_EQ(control_apply(&r, id, 0), CONTROL_CHOOSE_COLOUR);
    // OK and Cancel (Enter, Escape), the two ids without an action, and ids
    // outside the dialog's range are not ours.
    for (int id : {1, 2, CONTROL_UNUSED, CONTROL_ALPHA_SCALE, 999, 1035, 0xFFFF})
        EXPECT_EQ(control_apply(&r, id, 1), CONTROL_IGNORED) << id;
    EXPECT_EQ(changed_bytes(before, r), "");

    SettingsRecord defaults;
    settings_defaults(&defaults);
    EXPECT_EQ(control_apply(&r, CONTROL_DEFAULTS, 0), CONTROL_SAVE_REFILL);
    EXPECT_EQ(changed_bytes(defaults, r), "");
    EXPECT_EQ(control_shown_tick(&r, CONTROL_STAY_ENABLED), 0);
    EXPECT_EQ(control_shown_tick(&r, CONTROL_ALL_OFF), 0);

    int edit = 0;
    EXPECT_EQ(control_colour_field(&r, CONTROL_PICK_BG1, &edit), &r.bg_colour1);
    EXPECT_EQ(edit, CONTROL_BG_COLOUR1);
    EXPECT_EQ(control_colour_field(&r, CONTROL_PICK_BG2, &edit), &r.bg_colour2);
    EXPECT_EQ(edit, CONTROL_BG_COLOUR2);
    EXPECT_EQ(control_colour_field(&r, CONTROL_PICK_GRID, &edit), &r.grid_colour);
    EXPECT_EQ(edit, CONTROL_GRID_COLOUR);
    EXPECT_EQ(control_colour_field(&r, CONTROL_BG_COLOUR1, &edit), nullptr);
}

TEST(ShownRecord, FillingNormalisesWhatTheBoxesClamp) {
    SettingsRecord r;
    settings_defaults(&r);
    r.brightness = -5;
    r.cell_width = 2000;
    r.transparent_index = -1;
    r.alpha_scale = 77;
    r.bg_colour1 = 0x80000000u;
    char text[16];
    control_shown_text(&r, CONTROL_BRIGHTNESS, text);
    EXPECT_STREQ(text, "-5");
    control_shown_text(&r, CONTROL_CELL_WIDTH, text);
    EXPECT_STREQ(text, "2000");
    control_shown_text(&r, CONTROL_BG_COLOUR1, text);
    EXPECT_STREQ(text, "80000000");
    control_shown_text(&r, CONTROL_GRID_COLOUR, text);
    EXPECT_STREQ(text, "ffffff");
    control_shown_text(&r, CONTROL_KEY_COLOUR, text);
    EXPECT_STREQ(text, "000000");
    control_shown_text(&r, CONTROL_ALPHA_SCALE, text);
    EXPECT_STREQ(text, "77");
    const StandInDialog shown = fill_boxes(&r);
    EXPECT_EQ(shown.texts.at(CONTROL_CELL_WIDTH), "2000"); // shown as stored, read back clamped
    EXPECT_EQ(shown.ticks.at(CONTROL_ALPHA_BLEND), 1);
    EXPECT_EQ(shown.ticks.at(CONTROL_ALPHA_ADD), 0);
    EXPECT_EQ(shown.ticks.at(CONTROL_BACKGROUND), 1);
    EXPECT_EQ(r.brightness, 0);
    EXPECT_EQ(r.cell_width, 1024);
    EXPECT_EQ(r.transparent_index, 0);
    EXPECT_EQ(r.alpha_scale, 77); // no box of the dialog edits it
    EXPECT_EQ(r.bg_colour1, 0x80000000u);
}

TEST(Colours, ChooserOrderSwapsRedAndBlue) {
    EXPECT_EQ(colour_swap_red_blue(0x0000FFu), 0xFF0000u);
    EXPECT_EQ(colour_swap_red_blue(0x123456u), 0x563412u);
    EXPECT_EQ(colour_swap_red_blue(0xAB00FF00u), 0xAB00FF00u);
    TestRandom random(3);
    for (int i = 0; i < 1000; ++i) {
        uint32_t c = (uint32_t)random.next();
        ASSERT_EQ(colour_swap_red_blue(colour_swap_red_blue(c)), c);
    }
}

TEST(Viewer, ExButtonRequestsOpenAndCloseInTurn) {
    int request = VIEWER_REQUEST_NONE, enabled = 0;
    EXPECT_TRUE(viewer_press(&request, &enabled));
    EXPECT_EQ(enabled, 1);
    EXPECT_EQ(request, VIEWER_REQUEST_OPEN);
    // A second press before the loop has served the first is ignored.
    EXPECT_FALSE(viewer_press(&request, &enabled));
    EXPECT_EQ(enabled, 1);
    EXPECT_EQ(request, VIEWER_REQUEST_OPEN);
    request = VIEWER_REQUEST_NONE;
    EXPECT_TRUE(viewer_press(&request, &enabled));
    EXPECT_EQ(enabled, 0);
    EXPECT_EQ(request, VIEWER_REQUEST_CLOSE);
}

} // namespace
