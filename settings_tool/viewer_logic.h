// The palette viewer without a window: what it draws into its 232 x 232
// image and the status text it composes. The window side (viewer.cpp) only
// moves these to the screen.
#pragma once

#include "common/settings/info.h"

#include <stdint.h>

enum {
    VIEWER_IMAGE_SIZE = 232,  // the swatch image, square
    VIEWER_NAME_BYTES = 524,  // the tool's copy of "FNAME"
    VIEWER_STATUS_BYTES = 256 // the status text with its terminator
};

// Where the image is blitted in the client area, and the sizes it was made for.
struct ViewerGeometry {
    int32_t buffer_width;
    int32_t buffer_height;
    int32_t origin_x;
    int32_t origin_y;
    int32_t client_width;
    int32_t client_height;
    int32_t geometry_extra;
};

// The pixels the drawing writes: 32-bit words 0x00RRGGBB, row y (0 at the
// top) at top_row + y * row_step. A null top_row is "no buffer": nothing is
// drawn. The window's buffer is a bottom-up DIB, so there row_step < 0.
struct ViewerCanvas {
    uint8_t *top_row;
    int32_t row_step;
    int32_t width;
    int32_t height;
};

// Cuts the rectangle to the canvas. False when nothing of it is left.
bool clip_rect(const ViewerCanvas *canvas, int32_t *x, int32_t *y, int32_t *width, int32_t *height);
void fill_rect(const ViewerCanvas *canvas, int32_t x, int32_t y, int32_t width, int32_t height,
               uint32_t colour);
void clear_canvas(const ViewerCanvas *canvas, uint32_t value);

// True when the first 256 entries mix alpha values (not all 0, not all 255):
// then each swatch carries a grey strip showing its alpha.
bool palette_shows_alpha(const uint32_t *palette);
// 16 x 16 swatches of the first 256 entries; black for pictures deeper than 8 bits.
void draw_palette(const ViewerCanvas *canvas, const ImageInfoRecord *info, const uint32_t *palette);

// Lead bytes of double-byte characters. Natively (and in tests) the Shift-JIS
// rule; the window side passes the process's ANSI code page rule instead, so
// the tool splits names the way the rest of the system reads them.
typedef bool (*ViewerLeadByte)(uint8_t byte);
bool viewer_sjis_lead_byte(uint8_t byte);

// The text after the last ':', '/' or '\'; a trail byte is never a separator.
// Null gives "".
const char *file_name_part(const char *text, ViewerLeadByte lead_byte);

// The status line, in code page 932:
// "%3dbit色 %4d*%-4d " [ "ofs(%d,%d) " ] [ "(透明=%d) " | "(透明=%06x) " ] name-part,
// cut to at most VIEWER_STATUS_BYTES - 1 bytes without splitting a character.
void viewer_status_text(const ImageInfoRecord *info, const char *name, ViewerLeadByte lead_byte,
                        char *text);
