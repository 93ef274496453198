// The settings dialog: every command writes the whole record at once, so the
// next picture a host decodes already uses it. There is no OK or Apply step.
#include "settings_tool/kovelt.h"

#include <commdlg.h>
#include <shellapi.h>
#include <stdio.h>

static const wchar_t HELP_PAGE[] = L"kovelt.htm";

// The dialog's own state.
static struct {
    SettingsRecord held_settings; // what the dialog edits; always what was last written
    CHOOSECOLORA colour_chooser;
    // Greys, blues, greens, reds; not kept between runs.
    COLORREF custom_colours[16] = {0x444444, 0x888888, 0xCCCCCC, 0xFFFFFF, 0x442222, 0x882222,
                                   0xCC2222, 0xFF2222, 0x224422, 0x228822, 0x22CC22, 0x22FF22,
                                   0x222244, 0x222288, 0x2222CC, 0x2222FF};
} settings_dialog;

static int is_checked(HWND dialog, int id) {
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) != 0;
}

// At most 254 characters are read; anything longer is cut.
static void read_field_text(HWND dialog, int id, char *text) {
    text[0] = 0;
    GetDlgItemTextA(dialog, id, text, CONTROL_TEXT_BYTES - 1);
}

static void view_set_tick(void *dialog, int id, int ticked) {
    SendDlgItemMessageA((HWND)dialog, id, BM_SETCHECK, ticked, 0);
}
static void view_set_text(void *dialog, int id, const char *text) {
    SetDlgItemTextA((HWND)dialog, id, text);
}
static void view_get_text(void *dialog, int id, char *text) {
    read_field_text((HWND)dialog, id, text);
}

// Each text set here also reaches the box's own action through its change
// notification, which clamps and writes the record as the text is set; the
// read-back that follows parses the same text, so it changes nothing more.
static void populate_dialog(SettingsRecord *record, HWND dialog) {
    const ControlView view = {dialog, view_set_tick, view_set_text, view_get_text};
    control_show_and_read_back(record, &view);
}

static void setup_colour_chooser(HWND owner) {
    CHOOSECOLORA &chooser = settings_dialog.colour_chooser;
    chooser = {};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = owner;
    chooser.rgbResult = 0;
    chooser.lpCustColors = settings_dialog.custom_colours;
    chooser.Flags = CC_RGBINIT | CC_FULLOPEN;
}

static void choose_colour(uint32_t *field, HWND dialog, int edit_id) {
    if (viewer_is_open()) return; // the chooser's modal loop would starve the viewer
    CHOOSECOLORA &chooser = settings_dialog.colour_chooser;
    chooser.rgbResult = colour_swap_red_blue(*field);
    if (!ChooseColorA(&chooser)) return;
    *field = colour_swap_red_blue(chooser.rgbResult);
    char text[16];
    snprintf(text, sizeof text, "%lx", (unsigned long)*field);
    SetDlgItemTextA(dialog, edit_id, text);
}

// The page lies next to the program, so it is found whatever the current
// directory of the process is. Wide calls: a narrow module name is a
// best-fit spelling of a folder outside the code page, naming no real file.
static void open_help_page() {
    wchar_t path[1024];
    const DWORD room = (DWORD)(ARRAYSIZE(path) - ARRAYSIZE(HELP_PAGE));
    DWORD length = GetModuleFileNameW(NULL, path, room);
    wchar_t *name = path;
    if (length > 0 && length < room) {
        for (wchar_t *p = path; *p; ++p)
            if (*p == L'\\' || *p == L'/' || *p == L':') name = p + 1;
    }
    lstrcpynW(name, HELP_PAGE, ARRAYSIZE(HELP_PAGE));
    ShellExecuteW(NULL, L"open", path, NULL, NULL, SW_SHOWNORMAL);
}

static INT_PTR dialog_command(HWND dialog, int id) {
    const DialogControl *control = dialog_control(id);
    int64_t value = 0;
    switch (control && control->outcome != CONTROL_IGNORED ? control->kind : 0) {
    case CONTROL_KIND_TICK:
    case CONTROL_KIND_RADIO:
        value = is_checked(dialog, id);
        break;
    case CONTROL_KIND_DECIMAL:
    case CONTROL_KIND_HEX: {
        char text[CONTROL_TEXT_BYTES];
        read_field_text(dialog, id, text);
        value = control_text_value(id, text);
        break;
    }
    }
    SettingsRecord *held = &settings_dialog.held_settings;
    switch (control_apply(held, id, value)) {
    case CONTROL_IGNORED:
        return 0; // OK and Cancel from Enter and Escape among them
    case CONTROL_SAVE_REFILL:
        populate_dialog(held, dialog);
        break;
    case CONTROL_OPEN_HELP:
        open_help_page();
        break;
    case CONTROL_TOGGLE_VIEWER:
        press_viewer_button();
        break;
    case CONTROL_CHOOSE_COLOUR: {
        int edit_id = 0;
        uint32_t *field = control_colour_field(held, id, &edit_id);
        choose_colour(field, dialog, edit_id);
        break;
    }
    }
    settings_save(held);
    return 1;
}

// Unless the user asked to stay enabled, the plug-in goes back to plain
// pictures once the tool is gone.
static INT_PTR dialog_close() {
    SettingsRecord *held = &settings_dialog.held_settings;
    if (!(held->flags & SETTINGS_STAY_ENABLED)) held->flags = 0;
    settings_save(held);
    PostQuitMessage(0);
    return 1;
}

static INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        populate_dialog(&settings_dialog.held_settings, dialog);
        return 0; // no control takes the focus
    case WM_COMMAND:
        return dialog_command(dialog, LOWORD(wparam));
    case WM_CLOSE:
        return dialog_close();
    }
    return 0;
}

HWND open_settings_dialog(HINSTANCE instance) {
    settings_load(&settings_dialog.held_settings);
    settings_dialog.held_settings.flags |= SETTINGS_ENABLED | SETTINGS_PUBLISH_INFO;

    // Filling the dialog writes the record, flags included.
    HWND dialog =
        CreateDialogParamA(instance, MAKEINTRESOURCEA(TOOL_DIALOG_ID), NULL, dialog_proc, 0);
    if (!dialog) return NULL;
    // The dialog is the tool's only window in the task list: give it our icon.
    SendMessageA(dialog, WM_SETICON, ICON_BIG,
                 (LPARAM)LoadIconA(instance, MAKEINTRESOURCEA(TOOL_ICON_ID)));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL,
                 (LPARAM)LoadImageA(instance, MAKEINTRESOURCEA(TOOL_ICON_ID), IMAGE_ICON,
                                    SMALL_ICON_SIZE, SMALL_ICON_SIZE, LR_DEFAULTCOLOR));
    setup_colour_chooser(dialog);
    return dialog;
}
