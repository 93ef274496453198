// The page's way into the font library and the command's cores: fonts held
// by handle, sheets as RGBA pixels, findings as inspect's JSON, the repaired
// font as fix writes it. Results stay in this module's memory until the next
// call that makes one, so the page reads them without freeing anything.
#include "web/api.h"

#include "fontx2/fontx2_analysis.h"
#include "fontx2sheet/code_set.h"
#include "fontx2sheet/fix.h"
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/inspect.h"
#include "fontx2sheet/json_line.h"
#include "fontx2sheet/labels.h"
#include "fontx2sheet/render.h"
#include "fontx2sheet/sheet_cells.h"

#include "common/platform/platform.h"

#include <emscripten/emscripten.h>

#include <errno.h>
#include <memory>
#include <new>
#include <string.h>
#include <unistd.h>

namespace {

std::vector<std::unique_ptr<LoadedFont>> fonts; // handle - 1; null once closed
std::string text_out;                           // the last string given
std::vector<uint8_t> bytes_out;                 // the last pixels or file given
uint32_t width_out = 0, height_out = 0;

// What the last sheet drawn needs to tell which cell a pixel lies in, and its
// picture, given to the page a band of rows at a time so that no copy of the
// whole sheet as RGBA is ever made.
struct DrawnSheet {
    int handle = 0;
    SheetGeometry geometry;
    uint32_t left = 0, top = 0; // the label margins, before the scale
    uint32_t scale = 1;
    Picture picture;
    uint32_t palette[3] = {};
} drawn;
std::vector<uint8_t> band_out; // the last band of the sheet's rows, as RGBA

// A whole picture as RGBA in bytes_out; no pixels (width 0) when memory fails.
void give_rgba(const Picture &picture, const uint32_t palette[3]) {
    if (!picture_rgba_rows(picture, palette, 0, picture.height, &bytes_out)) return;
    width_out = picture.width;
    height_out = picture.height;
}

// Draws the laid-out sheet into web_bytes_out() and keeps what web_cell_at needs.
int draw_sheet(int handle, const LoadedFont &f, const Fontx2Layout &layout,
               const RenderOptions &options, uint64_t max_pixels) {
    drawn.handle = 0; // until this one is drawn
    uint64_t width = 0, height = 0;
    render_size(&f.font, &layout, options, &width, &height);
    if (width == 0 || height == 0) {
        web_give("nothing to draw: no glyph has a cell");
        return 1;
    }
    if (width * height > max_pixels) {
        web_give("the sheet would be " + count_text(width) + " x " + count_text(height) +
                 " pixels, more than this page draws (" + count_text(max_pixels) +
                 "): choose a smaller scale");
        return 2;
    }
    std::string error;
    if (!render_picture(&f.font, &layout, options, &drawn.picture, &error)) {
        drawn.picture = Picture();
        web_give(error.empty() ? "not enough memory for the sheet" : error);
        return 3;
    }
    drawn.palette[0] = options.paper;
    drawn.palette[1] = options.ink;
    drawn.palette[2] = options.missing_colour;
    drawn.handle = handle;
    sheet_geometry(&f.font, &layout, options.per_row, options.gap, &drawn.geometry);
    Margins m = options.labels ? label_margins(drawn.geometry) : Margins{0, 0, 1};
    drawn.left = m.left;
    drawn.top = m.top;
    drawn.scale = options.scale;
    return 0;
}

// The character a code stands for in the font's code set, as UTF-8; empty
// when it has none (or the code set is not known).
std::string code_character(const LoadedFont &f, uint32_t code) {
    uint32_t c = 0;
    if (f.font.double_byte && f.layout->order == FONTX2_ORDER_CODE) {
        c = code;
        if (c >= 0xD800 && c < 0xE000) return "";
    } else if (!Transcoder("CP932").decode(code, &c)) {
        return "";
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return "";
    const uint16_t unit = (uint16_t)c; // the codes are 16-bit: no surrogate pair
    char out[8];
    utf16_to_utf8(&unit, 1, out, sizeof out);
    return out;
}

std::string cell_json(const LoadedFont &f, uint32_t code, const Fontx2Glyph &g) {
    Json json = {{"code", code_text(code, f.font.double_byte)},
                 {"character", code_character(f, code)},
                 {"held", g.held},
                 {"present", g.present && g.bitmap}};
    if (g.held) {
        json["block"] = f.font.double_byte ? (int64_t)g.block : -1;
        json["glyph"] = g.index;
        json["offset"] = g.offset;
    }
    bytes_out.clear();
    width_out = height_out = 0;
    if (g.held && g.present && g.bitmap) {
        Picture glyph;
        if (picture_alloc(&glyph, f.font.glyph_width, f.font.glyph_height, 1)) {
            for (uint32_t y = 0; y < f.font.glyph_height; ++y)
                for (uint32_t x = 0; x < f.font.glyph_width; ++x)
                    if (fontx2_glyph_pixel(&f.font, g.bitmap, x, y)) picture_put(&glyph, x, y, 1);
            const uint32_t palette[3] = {0x000000, 0xFFFFFF, 0x808080};
            give_rgba(glyph, palette);
        }
    }
    return json_line(json);
}

} // namespace

const char *web_give(const std::string &text) {
    text_out = text;
    return text_out.c_str();
}

LoadedFont *web_font(int handle) {
    if (handle < 1 || (size_t)handle > fonts.size()) return nullptr;
    return fonts[(size_t)handle - 1].get();
}

extern "C" {

EMSCRIPTEN_KEEPALIVE const char *web_text_out() {
    return text_out.c_str();
}
EMSCRIPTEN_KEEPALIVE const uint8_t *web_bytes_out() {
    return bytes_out.data();
}
EMSCRIPTEN_KEEPALIVE uint32_t web_bytes_size() {
    return (uint32_t)bytes_out.size();
}
EMSCRIPTEN_KEEPALIVE uint32_t web_width() {
    return width_out;
}
EMSCRIPTEN_KEEPALIVE uint32_t web_height() {
    return height_out;
}

// Reads the font the page put at folder/name in the module's file system, as
// the command reads a file, so it is named and refused in the command's words:
// a handle, or 0 with the reason in web_text_out().
EMSCRIPTEN_KEEPALIVE int web_open(const char *folder, const char *name) {
    std::unique_ptr<LoadedFont> loaded;
    try {
        loaded.reset(new LoadedFont);
    } catch (const std::bad_alloc &) {
        web_give("not enough memory for the font");
        return 0;
    }
    if (chdir(folder) != 0) {
        web_give(std::string(folder) + ": " + strerror(errno));
        return 0;
    }
    int status = load_font(name, loaded.get());
    chdir("/");
    if (status != EXIT_FINE) {
        web_give(loaded->error);
        return 0;
    }
    fonts.push_back(std::move(loaded));
    web_remember_folder((int)fonts.size(), folder);
    return (int)fonts.size();
}

EMSCRIPTEN_KEEPALIVE void web_close(int handle) {
    if (web_font(handle)) fonts[(size_t)handle - 1].reset();
    if (drawn.handle == handle) drawn.handle = 0;
}

// inspect --json of the font.
EMSCRIPTEN_KEEPALIVE const char *web_inspect(int handle) {
    LoadedFont *f = web_font(handle);
    if (!f) return web_give("");
    return web_give(inspect_json(*f, find_findings(&f->font, f->layout.get())));
}

// The sheet as render draws it with these options (ink, paper and the missing
// cells' colour 0xRRGGBB), its size in web_sheet_layout() and its rows through
// web_sheet_rows. 0: drawn; 1: nothing to draw, 2: larger than
// max_pixels, 3: no memory; the reason in web_text_out().
EMSCRIPTEN_KEEPALIVE int web_render(int handle, int order, int column, int labels, uint32_t scale,
                                    uint32_t per_row, uint32_t gap, int missing, uint32_t ink,
                                    uint32_t paper, uint32_t missing_colour, double max_pixels) {
    LoadedFont *f = web_font(handle);
    if (!f) return 1;
    RenderOptions options;
    options.order = (Fontx2Order)order;
    options.column = column != 0;
    options.labels = labels != 0;
    options.scale = scale;
    options.per_row = per_row;
    options.gap = gap;
    options.missing = missing != 0;
    options.ink = ink;
    options.paper = paper;
    options.missing_colour = missing_colour;
    Fontx2Layout layout;
    fontx2_lay_out(&layout, &f->font, options.order, column ? FONTX2_COLUMN : FONTX2_GRID);
    return draw_sheet(handle, *f, layout, options, (uint64_t)max_pixels);
}

// Rows [top, top + rows) of the last sheet drawn as RGBA pixels; null when
// they are not all in it or do not fit memory.
EMSCRIPTEN_KEEPALIVE const uint8_t *web_sheet_rows(uint32_t top, uint32_t rows) {
    if (!drawn.handle || !picture_rgba_rows(drawn.picture, drawn.palette, top, rows, &band_out))
        return nullptr;
    return band_out.data();
}

// The code of the cell under a pixel of the last sheet drawn; -1 on a label,
// a gap or past the cells.
EMSCRIPTEN_KEEPALIVE int web_cell_at(int handle, uint32_t x, uint32_t y) {
    if (handle != drawn.handle || !drawn.scale) return -1;
    const SheetGeometry &g = drawn.geometry;
    uint64_t sx = x / drawn.scale, sy = y / drawn.scale;
    if (sx < drawn.left || sy < drawn.top) return -1;
    sx -= drawn.left;
    sy -= drawn.top;
    const uint64_t pitch_x = g.glyph_width + g.gap, pitch_y = g.glyph_height + g.gap;
    const uint64_t column = sx / pitch_x, row = sy / pitch_y;
    if (column >= g.columns || row >= g.row_codes.size()) return -1;
    if (sx % pitch_x >= g.glyph_width || sy % pitch_y >= g.glyph_height) return -1;
    return (int)sheet_cell_code(g, (uint32_t)row, (uint32_t)column);
}

// The last sheet's size and where its cells lie, in its pixels, as JSON: the
// label margins, the distance between cells, how many across and down.
EMSCRIPTEN_KEEPALIVE const char *web_sheet_layout() {
    const SheetGeometry &g = drawn.geometry;
    const uint32_t s = drawn.scale;
    return web_give(json_line({{"width", drawn.picture.width},
                               {"height", drawn.picture.height},
                               {"left", drawn.left * s},
                               {"top", drawn.top * s},
                               {"pitchX", (g.glyph_width + g.gap) * s},
                               {"pitchY", (g.glyph_height + g.gap) * s},
                               {"columns", g.columns},
                               {"rows", g.row_codes.size()}}));
}

// Where a code's glyph is, as JSON, and its glyph as RGBA pixels (white on
// black) in web_bytes_out(); no pixels when it has no glyph at hand.
EMSCRIPTEN_KEEPALIVE const char *web_cell_info(int handle, uint32_t code) {
    LoadedFont *f = web_font(handle);
    if (!f) return web_give("");
    Fontx2Glyph g;
    fontx2_lookup(&f->font, code, &g);
    return web_give(cell_json(*f, code, g));
}

// The names of the kinds of finding a rewrite removes, as a JSON array.
EMSCRIPTEN_KEEPALIVE const char *web_fixable_kinds() {
    Json names = Json::array();
    for (const Fontx2KindInfo &k : fontx2_kinds)
        if (k.fixable) names.push_back(k.name);
    return web_give(json_line(names));
}

// fix's rewrite of the font: the bytes in web_bytes_out() and its changes as
// JSON (fix --json's "changes"); "written" false when it needs none.
EMSCRIPTEN_KEEPALIVE const char *web_fix(int handle) {
    LoadedFont *f = web_font(handle);
    if (!f) return web_give("");
    FixResult r;
    int status = fix_font(&f->font, &r);
    Json changes = Json::array();
    for (const FixChange &c : r.changes)
        changes.push_back({{"kind", c.kind}, {"count", c.count}, {"message", c.message}});
    const bool written = status == FIX_WRITTEN && !r.changes.empty();
    bytes_out = written ? r.written.bytes : std::vector<uint8_t>();
    const char *why = status == FIX_NO_GLYPHS      ? "no code has a whole glyph: nothing to keep"
                      : status == FIX_CHECK_FAILED ? "the rewrite does not read back as meant"
                      : status == FIX_NOT_WRITTEN  ? "the rewritten font could not be written"
                      : written                    ? ""
                                                   : "needs no change";
    return web_give(json_line({{"written", written}, {"why", why}, {"changes", changes}}));
}

} // extern "C"
