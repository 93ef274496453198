// The settings tool's process-wide state and the routines its parts share.
// One of each, made at start and kept until the process ends.
#pragma once

#include "tool_logic.h"

#include <windows.h>
#include <commdlg.h>

extern SettingsRecord held_settings; // what the dialog edits; always what was last written
extern HINSTANCE tool_instance;
extern HWND dialog_window;
extern HANDLE instance_mutex;
extern COLORREF custom_colours[16];
extern CHOOSECOLORA colour_chooser;

// Palette viewer requests: set by the "ex" button, carried out by service_viewer.
extern int viewer_request; // VIEWER_REQUEST_*
extern int viewer_enabled;
extern HWND viewer_window; // null while the viewer is closed

// dialog.cpp
INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
void populate_dialog(SettingsRecord *record, HWND dialog);
int is_checked(HWND dialog, int id);
int32_t read_decimal_field(HWND dialog, int id);
uint32_t read_hex_field(HWND dialog, int id);
void choose_colour(uint32_t *field, HWND dialog, int edit_id);

// viewer.cpp
void service_viewer();
LRESULT CALLBACK viewer_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
