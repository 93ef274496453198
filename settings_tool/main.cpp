// kovelt: the settings tool. One instance at a time, one modeless dialog, and
// a message loop that services the palette viewer after every message.
#include "settings_tool/kovelt.h"

#include <commctrl.h>

SettingsRecord held_settings;
HINSTANCE tool_instance;
HWND dialog_window;
HANDLE instance_mutex;
// Greys, blues, greens, reds; not kept between runs.
COLORREF custom_colours[16] = {0x444444, 0x888888, 0xCCCCCC, 0xFFFFFF, 0x442222, 0x882222,
                               0xCC2222, 0xFF2222, 0x224422, 0x228822, 0x22CC22, 0x22FF22,
                               0x222244, 0x222288, 0x2222CC, 0x2222FF};
CHOOSECOLORA colour_chooser;
int viewer_request;
int viewer_enabled;
HWND viewer_window;

static bool register_viewer_class(HINSTANCE instance) {
    WNDCLASSEXA type = {};
    type.cbSize = sizeof type;
    type.style = CS_VREDRAW | CS_HREDRAW | CS_BYTEALIGNCLIENT;
    type.lpfnWndProc = viewer_window_proc;
    type.hInstance = instance;
    type.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(TOOL_ICON_ID));
    // The 16 x 16 image of the same group, rather than the large one shrunk.
    type.hIconSm = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(TOOL_ICON_ID), IMAGE_ICON, 16, 16,
                                     LR_DEFAULTCOLOR);
    type.hCursor = LoadCursorA(NULL, IDC_ARROW);
    type.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    type.lpszClassName = TOOL_NAME;
    return RegisterClassExA(&type) != 0;
}

static void setup_colour_chooser(HWND owner) {
    colour_chooser = {};
    colour_chooser.lStructSize = sizeof colour_chooser;
    colour_chooser.hwndOwner = owner;
    colour_chooser.rgbResult = 0;
    colour_chooser.lpCustColors = custom_colours;
    colour_chooser.Flags = CC_RGBINIT | CC_FULLOPEN;
}

static void run_message_loop() {
    MSG message;
    // GetMessageA blocks while nothing is pending, so the tool idles; -1
    // (a failed wait) ends the loop like the quit message instead of spinning.
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (!IsDialogMessageA(dialog_window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        service_viewer();
        Sleep(16);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    instance_mutex = CreateMutexA(NULL, TRUE, TOOL_NAME);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(instance_mutex);
        return 0; // another instance runs: touch nothing
    }
    tool_instance = instance;
    // The viewer's status line is a common control: its class must exist
    // before the viewer opens. Should this fail, opening the viewer gives up.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!register_viewer_class(instance)) {
        CloseHandle(instance_mutex);
        return 0;
    }
    settings_load(&held_settings);
    held_settings.flags |= SETTINGS_ENABLED | SETTINGS_PUBLISH_INFO;

    // Filling the dialog writes the record, flags included.
    dialog_window =
        CreateDialogParamA(instance, MAKEINTRESOURCEA(TOOL_DIALOG_ID), NULL, dialog_proc, 0);
    if (!dialog_window) {
        // Nothing could ever post the quit message: give up cleanly.
        CloseHandle(instance_mutex);
        return 0;
    }
    // The dialog is the tool's only window in the task list: give it our icon.
    SendMessageA(dialog_window, WM_SETICON, ICON_BIG,
                 (LPARAM)LoadIconA(instance, MAKEINTRESOURCEA(TOOL_ICON_ID)));
    SendMessageA(dialog_window, WM_SETICON, ICON_SMALL,
                 (LPARAM)LoadImageA(instance, MAKEINTRESOURCEA(TOOL_ICON_ID), IMAGE_ICON, 16, 16,
                                    LR_DEFAULTCOLOR));
    setup_colour_chooser(dialog_window);

    run_message_loop();
    CloseHandle(instance_mutex);
    return 0;
}
