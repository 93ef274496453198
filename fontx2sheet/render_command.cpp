// fontx2sheet render: one font's sheet as a PNG.
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/render_many.h"

// Whether the picture may be made: nothing to draw, or too large.
static int check_size(const std::string &path, const Fontx2Font *font, const Fontx2Layout *layout,
                      const RenderOptions &options) {
    uint64_t width = 0, height = 0;
    render_size(font, layout, options, &width, &height);
    if (width == 0 || height == 0) {
        report(path, font->glyph_width == 0 || font->glyph_height == 0
                         ? "nothing to draw: the glyphs are " + std::to_string(font->glyph_width) +
                               " x " + std::to_string(font->glyph_height) + " pixels"
                         : std::string("nothing to draw: no block holds a code"));
        return EXIT_PROBLEM;
    }
    std::string size = count_text(width) + " x " + count_text(height) + " = " +
                       count_text(width * height) + " pixels";
    if (width * height > options.max_pixels) {
        report(path, "the picture would be " + size + ", more than --max-pixels " +
                         count_text(options.max_pixels));
        return EXIT_NO_OUTPUT;
    }
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) { // a PNG side is 31 bits
        report(path, "the picture would be " + size + ": too large for a PNG");
        return EXIT_NO_OUTPUT;
    }
    warn_sheet(path, font, layout, options, width, height);
    return EXIT_FINE;
}

int run_render(const std::string &font_path, const std::string &out_path,
               const RenderOptions &options, bool strict) {
    int refused = refuse_output_over_input(out_path, {font_path});
    if (refused != EXIT_FINE) return refused;
    LoadedFont loaded;
    if (load_font(font_path, &loaded) != EXIT_FINE) {
        report(font_path, loaded.error);
        return EXIT_NOT_A_FONT;
    }
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
