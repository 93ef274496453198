// The palette viewer's side of the message loop. For now only the request
// bookkeeping lives here; the window itself grows in this file.
#include "kovelt.h"

void service_viewer() {
    if (viewer_request == VIEWER_REQUEST_CLOSE && viewer_window) DestroyWindow(viewer_window);
    // An open request is taken and dropped until there is a window to open.
    viewer_request = VIEWER_REQUEST_NONE;
}

LRESULT CALLBACK viewer_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DESTROY:
        // However the window goes, the next "ex" opens it again.
        viewer_window = NULL;
        viewer_enabled = 0;
        viewer_request = VIEWER_REQUEST_NONE;
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}
