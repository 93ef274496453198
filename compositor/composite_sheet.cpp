// Compositing a glyph sheet band by band: drawn at 1 bit, widened to 8,
// composited into the 24-bit output rows while the band is in cache.
#include "compositor/composite_sheet.h"

#include "common/platform/platform.h"
#include "common/row_stride.h"
#include "compositor/compositor.h"
#include "raster/raster.h"

namespace {

// Bands of about this many 8-bit bytes stay in the first- or second-level
// cache between drawing, widening and compositing.
const uint64_t BAND_TARGET_BYTES = 32 * 1024;

struct BandSink {
    CompositeBands bands;
    uint32_t width;
    uint8_t *render; // one band at 8 bits a pixel
    uint64_t render_stride;
};

// One band: widened to 8 bits a pixel, then composited into its output rows.
bool composite_sheet_band(void *context, const uint8_t *band, uint32_t first_row, uint32_t rows) {
    BandSink *sink = (BandSink *)context;
    Raster bits = {};
    bool ok = raster_init(&bits, DIB_ROW_ALIGNMENT, sink->width, rows, 0, (void *)band,
                          RASTER_DEPTH_1, nullptr, 0) &&
              raster_convert_into(&bits, DIB_ROW_ALIGNMENT, 8, 0, sink->render, nullptr, 0, 0);
    if (ok)
        composite_band(&sink->bands, sink->render, (ptrdiff_t)sink->render_stride,
                       (int32_t)first_row, (int32_t)rows);
    return ok;
}

} // namespace

const uint32_t SHEET_PALETTE[SHEET_COLOURS] = {0x00000000, 0xFFFFFFFF};

int composite_sheet(const SettingsRecord *settings, const SheetSource *source, uint8_t *output) {
    const uint32_t width = source->width, height = source->height;
    BandSink sink;
    sink.width = width;
    sink.render_stride = row_stride(width, 8, DIB_ROW_ALIGNMENT);
    if (composite_bands_start(&sink.bands, settings, output, (int32_t)width, (int32_t)height, 24,
                              SHEET_PALETTE, SHEET_COLOURS) != COMPOSITE_OK)
        return COMPOSITE_SHEET_INTERNAL;
    // A band is whole cell rows; more of them when they are short.
    uint64_t rows = sink.render_stride ? BAND_TARGET_BYTES / sink.render_stride : 0;
    if (rows > height) rows = height;
    if (rows < source->cell_height) rows = source->cell_height;
    if (rows == 0) rows = 1;
    const uint64_t bits_stride = row_stride(width, 1, DIB_ROW_ALIGNMENT);
    const uint64_t bits_bytes = bits_stride * rows;
    uint8_t *scratch = (uint8_t *)heap_alloc(bits_bytes + sink.render_stride * rows);
    if (!scratch) return COMPOSITE_SHEET_NO_MEMORY;
    sink.render = scratch + bits_bytes;
    // A sheet that could not be drawn is no picture: report it rather than
    // leave rows uncomposited.
    bool ok =
        source->draw(source->sheet, scratch, bits_bytes, bits_stride, composite_sheet_band, &sink);
    heap_free(scratch);
    return ok ? COMPOSITE_SHEET_OK : COMPOSITE_SHEET_NOT_DRAWN;
}

const char *composite_sheet_message(int result) {
    switch (result) {
    case COMPOSITE_SHEET_OK:
        return "";
    case COMPOSITE_SHEET_NO_MEMORY:
        return "not enough memory to composite the sheet";
    case COMPOSITE_SHEET_NOT_DRAWN:
        return "the sheet could not be drawn";
    default:
        return "the compositor refused the sheet's colours";
    }
}
