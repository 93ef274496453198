// What the settings tool's windows share. Each window keeps the rest of its
// state in its own file: the shell's in main.cpp, the dialog's in
// dialog.cpp, the viewer's in viewer.cpp.
#pragma once

#include "settings_tool/tool_logic.h"
#include "settings_tool/viewer_logic.h"

#include <windows.h>

// The mutex and the viewer's window class share this name.
static const char TOOL_NAME[] = "KOVELT";
// The icon group's small image is loaded at its own size rather than the
// large one shrunk.
enum { SMALL_ICON_SIZE = 16 };

// Made at start and kept until the process ends. The shell sets both; the
// viewer makes its windows with the instance and opens below the dialog.
extern HINSTANCE tool_instance;
extern HWND dialog_window;

// dialog.cpp
// Loads the stored settings, switched on, and opens the dialog, which writes
// them back as it fills; null when the dialog cannot be made.
HWND open_settings_dialog(HINSTANCE instance);

// viewer.cpp
// The "ex" button: asks for the viewer to open or close (see viewer_press).
void press_viewer_button();
// The colour chooser's modal loop would starve an open viewer.
bool viewer_is_open();
// Carries out a pending open or close request, then polls while open.
void service_viewer();
LRESULT CALLBACK viewer_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
