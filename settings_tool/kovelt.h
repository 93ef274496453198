// The settings tool's process-wide state and the routines its parts share.
// One of each, made at start and kept until the process ends.
#pragma once

#include "settings_tool/tool_logic.h"
#include "settings_tool/viewer_logic.h"

#include <windows.h>
#include <commdlg.h>

// The mutex and the viewer's window class share this name.
static const char TOOL_NAME[] = "KOVELT";

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
// The 32-bit DIB section the viewer draws into and blits from.
struct BackBuffer {
    uint8_t *top_row; // pixels_base + (buffer_height - 1) * buffer_width * 4
    int32_t row_step; // -4 * buffer_width: the DIB is bottom-up
    uint8_t *pixels_base;
    HWND owner_window;
    BITMAPINFO bitmap_info;
    HBITMAP dib_section;
    int32_t frame_x, frame_y;          // the window's screen position, kept on every move
    int32_t frame_width, frame_height; // the outer size the window keeps
};

// The tool's copies of "GINFO", "FNAME" and "CLUT"; also the shape of the
// snapshot of what was last shown.
struct ViewerHeld {
    ImageInfoRecord info;
    char name[VIEWER_NAME_BYTES];
    uint32_t palette[INFO_PALETTE_BYTES / 4];
};
static_assert(sizeof(ViewerHeld) == 8788, "held copies are compared as one block");

extern HWND status_bar;
extern int repaint_pending;
extern ViewerHeld held;
extern ViewerHeld shown_snapshot;
extern BackBuffer *back_buffer; // null while no buffer exists
extern ViewerGeometry viewer_geometry;

void service_viewer();
LRESULT CALLBACK viewer_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
int create_back_buffer(HWND window, int32_t width, int32_t height, int32_t extra);
void release_back_buffer();
void clear_back_buffer(uint32_t value);
void present_back_buffer();
void keep_viewer_size(HWND window);
void update_status(const ImageInfoRecord *info);
