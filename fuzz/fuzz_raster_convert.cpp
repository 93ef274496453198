// raster_convert and raster_convert_into between rasters whose geometry,
// depth codes, flags, palettes and pixels come from the input. Every block is
// sized exactly, so a read or write outside a raster is seen.
//
// Input: source description, destination description (see describe), route
// byte, offsets, then palette entries and pixel bytes for both.
#include "fuzz/fuzz_support.h"

#include "raster/raster.h"

#include <vector>

namespace {

struct Description {
    uint8_t alignment;
    uint32_t width, height, depth;
    uint8_t flags;
    int32_t palette_count;
    bool palette_given;
};

Description describe(FuzzBytes *in) {
    Description d;
    uint8_t a = in->byte();
    // Mostly powers of two; now and then anything, which must be refused.
    d.alignment = (a & 0x80) ? (uint8_t)(a << 1) : (uint8_t)(1u << (a % 8));
    d.width = in->byte() % 48;
    d.height = in->byte() % 24;
    d.depth = in->byte() % 40;
    d.flags = in->byte() & (RASTER_DITHER | RASTER_READ_SWAPPED | RASTER_WRITE_SWAPPED);
    uint8_t p = in->byte();
    d.palette_count = p == 0xFF ? -1 : p < 0xF0 ? p : 256 + (p - 0xF0) * 16;
    d.palette_given = !(in->byte() & 1);
    return d;
}

// Entries a palette of this description holds.
uint32_t palette_entries(const Description &d, uint32_t depth) {
    if (d.palette_count >= 0) return (uint32_t)d.palette_count;
    uint32_t bits = depth <= RASTER_DEPTH_MAX ? RASTER_STORAGE_BITS[depth] : 32;
    return bits <= 8 ? 1u << bits : 0;
}

struct Memory {
    std::vector<uint8_t> pixels;
    std::vector<uint32_t> palette;
};

// Describes caller memory of exactly the size the layout needs; false when
// raster_init refuses the layout.
bool make_raster(const Description &d, FuzzBytes *in, Raster *r, Memory *m) {
    Raster probe = {};
    if (!raster_init(&probe, d.alignment, d.width, d.height, 0, nullptr, d.depth, nullptr,
                     d.palette_count))
        return false;
    m->pixels.resize((size_t)probe.stride * d.height);
    in->take(m->pixels.data(), m->pixels.size());
    m->palette.resize(palette_entries(d, d.depth));
    for (uint32_t &entry : m->palette) entry = in->u32();
    *r = {};
    bool ok = raster_init(r, d.alignment, d.width, d.height, 0,
                          m->pixels.empty() ? nullptr : m->pixels.data(), d.depth,
                          d.palette_given && !m->palette.empty() ? m->palette.data() : nullptr,
                          d.palette_count);
    FUZZ_CHECK(ok);
    r->raster_flags = d.flags;
    return true;
}

int32_t offset(FuzzBytes *in) {
    uint8_t b = in->byte();
    if (b == 0x80) return INT32_MIN;
    if (b == 0x7F) return INT32_MAX;
    return (int8_t)b;
}

// Into a raster: caller memory (route 0) or memory of the raster's own.
// False when the destination cannot be made: the input is done with.
bool convert_into_raster(const Raster &source, const Description &dd, FuzzBytes *in, uint8_t route,
                         int32_t x, int32_t y) {
    Raster destination = {};
    Memory dm;
    if (route == 0) {
        if (!make_raster(dd, in, &destination, &dm)) return false;
    } else if (!raster_init(&destination, dd.alignment, dd.width, dd.height, RASTER_OWNS_MEMORY,
                            nullptr, dd.depth, nullptr, dd.palette_count)) {
        raster_release(&destination);
        FUZZ_CHECK(heap_test_allocations() == heap_test_releases());
        return false;
    } else {
        destination.raster_flags |= dd.flags;
    }
    uint64_t bytes = (uint64_t)destination.stride * destination.height;
    std::vector<uint8_t> before(destination.pixels, destination.pixels + bytes);
    std::vector<uint32_t> palette_before;
    if (destination.palette)
        palette_before.assign(destination.palette, destination.palette + destination.palette_count);
    bool ok = raster_convert(&source, &destination, x, y);
    // Only a reduction of colours to a palette may fail, and it then
    // leaves the pixels as they were (and the palette, unless the
    // source's palette was handed on before the reduction).
    if (source.depth <= 8 || destination.depth > 8) FUZZ_CHECK(ok);
    if (!ok) {
        FUZZ_CHECK(bytes == 0 || memcmp(before.data(), destination.pixels, bytes) == 0);
        bool handed_on = source.palette && source.palette_count;
        FUZZ_CHECK(palette_before.empty() || handed_on ||
                   memcmp(palette_before.data(), destination.palette, palette_before.size() * 4) ==
                       0);
    }
    raster_release(&destination);
    return true;
}

// Into caller memory laid out from the destination description.
void convert_into_memory(const Raster &source, const Description &dd, int32_t x, int32_t y) {
    Raster probe = {};
    bool layout = raster_init(&probe, dd.alignment ? dd.alignment : source.row_alignment,
                              source.width, source.height, 0, nullptr,
                              dd.depth ? dd.depth : source.depth, nullptr, dd.palette_count);
    std::vector<uint8_t> pixels(layout ? (size_t)probe.stride * source.height : 0, 0x5A);
    uint32_t depth = dd.depth ? dd.depth : source.depth;
    std::vector<uint32_t> palette(palette_entries(dd, depth), 0x12345678);
    bool ok = raster_convert_into(&source, dd.alignment, dd.depth, dd.palette_count,
                                  pixels.empty() ? nullptr : pixels.data(),
                                  palette.empty() ? nullptr : palette.data(), x, y);
    if (!layout) FUZZ_CHECK(!ok);
    if (layout && (source.depth <= 8 || depth > 8)) FUZZ_CHECK(ok);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzBytes in = {data, size};
    Description sd = describe(&in), dd = describe(&in);
    uint8_t route = in.byte() % 3;
    int32_t x = offset(&in), y = offset(&in);

    Raster source;
    Memory sm;
    if (!make_raster(sd, &in, &source, &sm)) return 0;
    heap_test_reset();
    if (route == 0 || route == 1) {
        if (!convert_into_raster(source, dd, &in, route, x, y)) return 0;
    } else {
        convert_into_memory(source, dd, x, y);
    }
    FUZZ_CHECK(heap_test_allocations() == heap_test_releases());
    return 0;
}
