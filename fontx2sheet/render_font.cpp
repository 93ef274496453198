// render of one font: the checks before drawing, the warnings about its
// sheet, the PNG written.
#include "fontx2sheet/render_font.h"

#include "fontx2sheet/files.h"
#include "fontx2sheet/findings.h"
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/inspect.h"
#include "fontx2sheet/png.h"
#include "fontx2sheet/sheet_cells.h"

namespace {

// The smallest --per-row that brings an own-code-order sheet within the
// viewer limit, or 0.
uint32_t fitting_per_row(const Fontx2Font *font, const Fontx2Layout *layout,
                         const RenderOptions &options) {
    RenderOptions o = options;
    for (o.per_row = FONTX2_LINE_CODES; o.per_row <= PER_ROW_MAX; o.per_row += FONTX2_LINE_CODES) {
        uint64_t width = 0, height = 0;
        render_size(font, layout, o, &width, &height);
        if (width <= VIEWER_SIDE_LIMIT && height <= VIEWER_SIDE_LIMIT) return o.per_row;
    }
    return 0;
}

// Whether the picture may be made: nothing to draw, or too large.
int check_size(const std::string &path, const Fontx2Font *font, const Fontx2Layout *layout,
               const RenderOptions &options) {
    uint64_t width = 0, height = 0;
    render_size(font, layout, options, &width, &height);
    PictureSize fit = picture_size_check(width, height, options.max_pixels);
    if (fit == PictureSize::EMPTY) {
        report(path, font->glyph_width == 0 || font->glyph_height == 0
                         ? "nothing to draw: the glyphs are " + std::to_string(font->glyph_width) +
                               " x " + std::to_string(font->glyph_height) + " pixels"
                         : std::string("nothing to draw: no block holds a code"));
        return EXIT_PROBLEM;
    }
    std::string size = count_text(width) + " x " + count_text(height) + " = " +
                       count_text(width * height) + " pixels";
    if (fit == PictureSize::OVER_LIMIT) {
        report(path, "the picture would be " + size + ", more than --max-pixels " +
                         count_text(options.max_pixels));
        return EXIT_NO_OUTPUT;
    }
    if (fit == PictureSize::TOO_LARGE) {
        report(path, "the picture would be " + size + ": too large for a PNG");
        return EXIT_NO_OUTPUT;
    }
    warn_sheet(path, font, layout, options, width, height);
    return EXIT_FINE;
}

} // namespace

void warn_sheet(const std::string &path, const Fontx2Font *font, const Fontx2Layout *layout,
                const RenderOptions &options, uint64_t width, uint64_t height) {
    if (options.per_row && !per_row_applies(layout, options.per_row))
        report(path, std::string("--per-row is for the own code order's grid; ignored for this ") +
                         (layout->shape == FONTX2_COLUMN ? "column" : "sheet") + " (order " +
                         order_name(layout->order) + ")");
    if (width <= VIEWER_SIDE_LIMIT && height <= VIEWER_SIDE_LIMIT) return;
    std::string what = "the picture is " + count_text(width) + " x " + count_text(height) +
                       " pixels; many viewers open none over " + count_text(VIEWER_SIDE_LIMIT) +
                       " on a side";
    if (per_row_applies(layout, PER_ROW_MAX)) {
        uint32_t per_row = fitting_per_row(font, layout, options);
        what += per_row ? ": --per-row " + std::to_string(per_row) + " fits"
                        : ": --per-row 256 makes it shorter";
    } else if (options.scale > 1) {
        what += ": a smaller --scale makes it smaller";
    }
    report(path, what);
}

int render_font(const std::string &font_path, const std::string &out_path,
                const RenderOptions &options, bool strict) {
    if (int refused = refuse_terminal(out_path)) return refused;
    if (int refused = refuse_output_over_input(out_path, {font_path})) return refused;
    LoadedFont loaded;
    if (int status = load_font_or_report(font_path, &loaded)) return status;
    const Fontx2Font *font = &loaded.font;
    int status = warn_problems(font_path, find_findings(font, loaded.layout.get()), strict);
    if (status != EXIT_FINE) return status;
    Fontx2Layout *layout = loaded.layout.get(); // laid out again as asked
    fontx2_lay_out(layout, font, options.order, options.column ? FONTX2_COLUMN : FONTX2_GRID);
    status = check_size(font_path, font, layout, options);
    if (status != EXIT_FINE) return status;
    Picture picture;
    std::vector<uint8_t> png;
    std::string error;
    if (!render_picture(font, layout, options, &picture, &error)) {
        report(out_path, error);
        return EXIT_NO_OUTPUT;
    }
    const uint32_t palette[3] = {options.paper, options.ink, options.missing_colour};
    if (!png_encode_palette(picture, palette, picture.bits == 2 ? 3 : 2, &png, &error)) {
        report(out_path, error);
        return EXIT_NO_OUTPUT;
    }
    return write_output(out_path, png);
}
