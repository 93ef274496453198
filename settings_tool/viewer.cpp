// The palette viewer: a window below the dialog that shows the palette and
// the status line of the picture the plug-in decoded last. Its paint handler
// never validates, so while it is open the message loop turns continuously
// and every turn polls, blits and sets the status text.
#include "settings_tool/kovelt.h"

#include <commctrl.h>
#include <string.h>

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

// The viewer's own state.
static struct {
    // Requests: set by the "ex" button, carried out by service_viewer.
    int request; // VIEWER_REQUEST_*
    int enabled;
    HWND window; // null while the viewer is closed
    HWND status_bar;
    int repaint_pending = 1;
    ViewerHeld held;
    ViewerHeld shown_snapshot;
    bool has_buffer; // buffer holds a live DIB section
    BackBuffer buffer;
    ViewerGeometry geometry;
} viewer;

static const DWORD VIEWER_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
static const char VIEWER_CAPTION[] = "KOVELT clut";
// The viewer opens below the dialog, this far apart, so neither covers the other.
static const int VIEWER_GAP_BELOW_DIALOG = 4;

static bool ansi_lead_byte(uint8_t byte) {
    return IsDBCSLeadByte(byte) != 0;
}

static ViewerCanvas back_buffer_canvas() {
    ViewerCanvas canvas = {};
    if (viewer.has_buffer) {
        canvas.top_row = viewer.buffer.top_row;
        canvas.row_step = viewer.buffer.row_step;
        canvas.width = viewer.geometry.buffer_width;
        canvas.height = viewer.geometry.buffer_height;
    }
    return canvas;
}

// ---- Back buffer ----------------------------------------------------------------

static void release_back_buffer() {
    if (!viewer.has_buffer) return;
    if (viewer.buffer.dib_section) DeleteObject(viewer.buffer.dib_section);
    viewer.buffer = BackBuffer();
    viewer.geometry = ViewerGeometry();
    viewer.has_buffer = false;
}

static int create_back_buffer(HWND window, int32_t width, int32_t height, int32_t extra) {
    release_back_buffer();
    BackBuffer *b = &viewer.buffer;
    *b = BackBuffer();
    viewer.geometry = ViewerGeometry();
    viewer.geometry.geometry_extra = extra;
    viewer.geometry.buffer_width = width;
    viewer.geometry.buffer_height = height;
    b->owner_window = window;

    RECT client;
    GetClientRect(window, &client);
    viewer.geometry.client_width = client.right - client.left;
    viewer.geometry.client_height = client.bottom - client.top;
    if (viewer.geometry.client_width == 0 || viewer.geometry.client_height == 0) return 0;
    viewer.geometry.origin_x = client.left;
    viewer.geometry.origin_y = client.top;

    RECT frame;
    GetWindowRect(window, &frame);
    b->frame_x = frame.left;
    b->frame_y = frame.top;
    b->frame_width = frame.right - frame.left;
    b->frame_height = frame.bottom - frame.top;

    b->row_step = -4 * width;
    BITMAPINFOHEADER *header = &b->bitmap_info.bmiHeader;
    header->biSize = sizeof *header;
    header->biWidth = width;
    header->biHeight = height; // bottom-up: the last row in memory is the top
    header->biPlanes = 1;
    header->biBitCount = 32;
    header->biCompression = BI_RGB;

    HDC context = GetDC(window);
    void *pixels = NULL;
    b->dib_section = CreateDIBSection(context, &b->bitmap_info, DIB_RGB_COLORS, &pixels, NULL, 0);
    ReleaseDC(window, context);
    // Without pixels there is no buffer: drawing must not write through null.
    if (!b->dib_section || !pixels) {
        if (b->dib_section) DeleteObject(b->dib_section);
        *b = BackBuffer();
        return 0;
    }
    b->pixels_base = (uint8_t *)pixels;
    b->top_row = b->pixels_base + (size_t)(height - 1) * (size_t)width * 4;
    viewer.has_buffer = true;
    return 1;
}

// Through a compatible bitmap when one can be made, so the screen gets a
// single blit; straight from the DIB otherwise.
static void present_back_buffer() {
    if (!viewer.has_buffer) return;
    const ViewerGeometry &g = viewer.geometry;
    HWND window = viewer.buffer.owner_window;
    HDC context = GetDC(window);
    HBITMAP bitmap = CreateCompatibleBitmap(context, g.buffer_width, g.buffer_height);
    HDC memory = bitmap ? CreateCompatibleDC(context) : NULL;
    if (memory) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        SetDIBitsToDevice(memory, 0, 0, g.buffer_width, g.buffer_height, 0, 0, 0, g.buffer_height,
                          viewer.buffer.pixels_base, &viewer.buffer.bitmap_info, DIB_RGB_COLORS);
        BitBlt(context, g.origin_x, g.origin_y, g.buffer_width, g.buffer_height, memory, 0, 0,
               SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    } else {
        SetDIBitsToDevice(context, g.origin_x, g.origin_y, g.buffer_width, g.buffer_height, 0, 0, 0,
                          g.buffer_height, viewer.buffer.pixels_base, &viewer.buffer.bitmap_info,
                          DIB_RGB_COLORS);
    }
    if (bitmap) DeleteObject(bitmap);
    ReleaseDC(window, context);
}

// The viewer may be moved and minimised, but it keeps the size it had when
// its buffer was made.
static void keep_viewer_size(HWND window) {
    if (!viewer.has_buffer || !viewer.geometry.buffer_width || !viewer.geometry.buffer_height)
        return;
    RECT client, frame;
    GetClientRect(window, &client);
    viewer.geometry.origin_x = client.left;
    viewer.geometry.origin_y = client.top;
    GetWindowRect(window, &frame);
    viewer.buffer.frame_x = frame.left;
    viewer.buffer.frame_y = frame.top;
    MoveWindow(window, viewer.buffer.frame_x, viewer.buffer.frame_y, viewer.buffer.frame_width,
               viewer.buffer.frame_height, TRUE);
}

// ---- Status line ------------------------------------------------------------------

static void update_status(const ImageInfoRecord *info) {
    char text[VIEWER_STATUS_BYTES];
    viewer_status_text(info, viewer.held.name, ansi_lead_byte, text);
    if (viewer.status_bar) SendMessageA(viewer.status_bar, SB_SETTEXTA, 0, (LPARAM)text);
}

// ---- Opening, closing, polling -------------------------------------------------------

static HWND create_status_bar() {
    return CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                           viewer.window, NULL, tool_instance, NULL);
}

// False when the window or a status bar cannot be made; the caller gives up.
static bool open_viewer() {
    RECT dialog;
    GetWindowRect(dialog_window, &dialog);
    RECT outer = {0, 0, VIEWER_IMAGE_SIZE, VIEWER_IMAGE_SIZE};
    AdjustWindowRectEx(&outer, VIEWER_STYLE, FALSE, 0);
    int width = outer.right - outer.left, height = outer.bottom - outer.top;
    int x = dialog.left, y = dialog.bottom + VIEWER_GAP_BELOW_DIALOG;
    viewer.window = CreateWindowExA(0, TOOL_NAME, VIEWER_CAPTION, VIEWER_STYLE, x, y, width, height,
                                    NULL, NULL, tool_instance, NULL);
    if (!viewer.window) return false;

    // A first bar only tells how tall the status line is. Minimising does not
    // apply to a child window, so it is also hidden: it must never cover the
    // bar that carries the text.
    HWND measure = create_status_bar();
    if (!measure) return false;
    RECT bar;
    GetWindowRect(measure, &bar);
    CloseWindow(measure);
    ShowWindow(measure, SW_HIDE);

    SetWindowPos(viewer.window, dialog_window, x, y, width, height + (bar.bottom - bar.top), 0);
    ShowWindow(viewer.window, SW_SHOWNORMAL);
    viewer.status_bar = create_status_bar();
    if (!viewer.status_bar) return false;
    create_back_buffer(viewer.window, VIEWER_IMAGE_SIZE, VIEWER_IMAGE_SIZE, 0);
    UpdateWindow(viewer.window);
    present_back_buffer();
    viewer.repaint_pending = 1;
    return true;
}

static void forget_viewer() {
    release_back_buffer();
    viewer.shown_snapshot = ViewerHeld();
    viewer.window = NULL;
    viewer.status_bar = NULL;
}

static void close_viewer() {
    release_back_buffer();
    if (viewer.window) DestroyWindow(viewer.window);
    forget_viewer();
}

// While open: a poll that brings something not yet shown repaints.
static void poll_viewer() {
    if (!info_poll(viewer.held.palette, &viewer.held.info, viewer.held.name)) return;
    if (memcmp(&viewer.held, &viewer.shown_snapshot, sizeof viewer.held) == 0) return;
    InvalidateRect(viewer.window, NULL, FALSE);
    viewer.shown_snapshot = viewer.held;
    viewer.repaint_pending = 1;
}

void service_viewer() {
    if (viewer.request == VIEWER_REQUEST_OPEN && !viewer.window) {
        if (!open_viewer()) {
            // A viewer without its window or status line is no viewer at all.
            close_viewer();
            viewer.enabled = 0;
        }
    } else if (viewer.request == VIEWER_REQUEST_CLOSE) {
        close_viewer();
    }
    viewer.request = VIEWER_REQUEST_NONE;
    if (viewer.enabled && viewer.window) poll_viewer();
}

// ---- Window procedure ---------------------------------------------------------------

// No paint cycle is begun or ended: the update region stays, so a paint
// message is always pending and the loop keeps turning while the viewer is open.
static void paint_viewer() {
    if (viewer.repaint_pending) {
        ViewerCanvas canvas = back_buffer_canvas();
        draw_palette(&canvas, &viewer.held.info, viewer.held.palette);
        viewer.repaint_pending = 0;
    }
    present_back_buffer();
    update_status(&viewer.held.info);
}

LRESULT CALLBACK viewer_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        // However the window goes, the next "ex" opens it again.
        viewer.enabled = 0;
        viewer.request = VIEWER_REQUEST_NONE;
        forget_viewer();
        return 0;
    case WM_MOVE:
        keep_viewer_size(window);
        return 0;
    case WM_SIZE:
        if (wparam != SIZE_MINIMIZED && wparam != SIZE_MAXHIDE) keep_viewer_size(window);
        return 0;
    case WM_PAINT:
        paint_viewer();
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_COMMAND:
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void press_viewer_button() {
    viewer_press(&viewer.request, &viewer.enabled);
}

bool viewer_is_open() {
    return viewer.window != NULL;
}
