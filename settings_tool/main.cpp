// kovelt: the settings tool. One instance at a time, one modeless dialog, and
// a message loop that services the palette viewer after every message.
#include "settings_tool/kovelt.h"

#include <commctrl.h>

HINSTANCE tool_instance;
HWND dialog_window;

// The shell's own state.
static struct {
    HANDLE instance_mutex; // held while the tool runs: one instance at a time
} shell;

static bool register_viewer_class(HINSTANCE instance) {
    WNDCLASSEXA type = {};
    type.cbSize = sizeof type;
    type.style = CS_VREDRAW | CS_HREDRAW | CS_BYTEALIGNCLIENT;
    type.lpfnWndProc = viewer_window_proc;
    type.hInstance = instance;
    type.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(TOOL_ICON_ID));
    type.hIconSm = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(TOOL_ICON_ID), IMAGE_ICON,
                                     SMALL_ICON_SIZE, SMALL_ICON_SIZE, LR_DEFAULTCOLOR);
    type.hCursor = LoadCursorA(NULL, IDC_ARROW);
    type.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    type.lpszClassName = TOOL_NAME;
    return RegisterClassExA(&type) != 0;
}

// While the viewer is open a paint message is always pending (see
// viewer.cpp), so the loop turns without blocking: a pause of about one
// frame keeps it from taking a whole processor.
static const DWORD LOOP_PAUSE_MS = 16;

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
        Sleep(LOOP_PAUSE_MS);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    shell.instance_mutex = CreateMutexA(NULL, TRUE, TOOL_NAME);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(shell.instance_mutex);
        return 0; // another instance runs: touch nothing
    }
    tool_instance = instance;
    // The viewer's status line is a common control: its class must exist
    // before the viewer opens. Should this fail, opening the viewer gives up.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!register_viewer_class(instance)) {
        CloseHandle(shell.instance_mutex);
        return 0;
    }
    dialog_window = open_settings_dialog(instance);
    if (!dialog_window) {
        // Nothing could ever post the quit message: give up cleanly.
        CloseHandle(shell.instance_mutex);
        return 0;
    }
    run_message_loop();
    CloseHandle(shell.instance_mutex);
    return 0;
}
