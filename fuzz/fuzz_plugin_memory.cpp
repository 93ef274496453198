// Memory-mode IsSupported, GetPictureInfo and GetPicture on any bytes, with
// any settings record (so the composite path and every compositor option are
// reached), failing registry operations and a failing k-th allocation.
//
// Input: mode byte (bits 0-3 settings placement, see fuzz_place_settings;
// bits 4-6 the input flag, 0 read as 1), failure byte (bits 0-2: fail that
// allocation, 0 none; bits 3-6 all set: decode a large picture too), the
// settings value, then the font.
#include "fuzz/fuzz_support.h"

#include "common/settings/info.h"
#include "tests/oracles/oracles.h"
#include "plugin/plugin_internal.h"
#include "tests/oracles/reference_sheet.h"

#include <vector>

namespace {

// The composited picture built from the reference sheet: what the composite
// path must deliver for these settings.
REFERENCE_UNTRACED std::vector<uint8_t> expected_composite(const std::vector<uint8_t> &sheet,
                                                           uint32_t width, uint32_t height) {
    uint64_t stride1 = fuzz_dib_stride(width, 1), stride8 = fuzz_dib_stride(width, 8);
    std::vector<uint8_t> indices(stride8 * height, 0);
    for (uint64_t row = 0; row < height; ++row) {
        for (uint64_t x = 0; x < width; ++x) {
            indices[row * stride8 + x] = sheet[row * stride1 + x / 8] >> (7 - x % 8) & 1;
        }
    }
    SettingsRecord settings;
    settings_read(&settings);
    uint32_t palette[256] = {0x00000000, 0xFFFFFFFF};
    std::vector<uint8_t> out(fuzz_dib_stride(width, 24) * height, 0xEE);
    int rc = oracle_composite_picture(&settings, out.data(), (int32_t)width, (int32_t)height, 24,
                                      palette, 2, indices.data(), (int32_t)stride8, 8);
    FUZZ_CHECK(rc == COMPOSITE_OK);
    return out;
}

// A larger picture, by cell rows: the first, the last and one the input
// picks; composited, only the first, where the background's pattern starts
// as it does for the whole picture.
void check_cell_rows(const std::vector<uint8_t> &font, const FuzzSettings &s,
                     const reference::Sheet &sheet, int bits, const uint8_t *pixels,
                     uint64_t pick) {
    const reference::Geometry &g = sheet.g;
    const uint64_t cell_rows = g.height / g.glyph_height;
    const uint64_t band = fuzz_dib_stride(g.width, bits) * g.glyph_height;
    for (uint64_t row : {(uint64_t)0, cell_rows - 1, pick % cell_rows}) {
        if (bits == 24 && row != 0) continue;
        std::vector<uint8_t> want = reference::sheet_band(font.data(), font.size(), sheet,
                                                          s.single_column, 4, true, row, 1);
        // Bottom-up rows: the first cell row ends the block.
        const uint8_t *got = pixels + (cell_rows - 1 - row) * band;
        if (bits == 24) want = expected_composite(want, (uint32_t)g.width, g.glyph_height);
        FUZZ_CHECK(want.size() == band && memcmp(got, want.data(), band) == 0);
    }
}

void check_published(const FuzzSettings &s, bool decoded, const PictureInfo &info) {
    registry_test_fail(0);
    RegistryKey *key = registry_open(SETTINGS_KEY);
    ImageInfoRecord record;
    uint32_t size = sizeof record;
    int got = key ? registry_query(key, INFO_VALUE, &record, &size) : REGISTRY_FAILED;
    char name[8];
    uint32_t name_size = sizeof name;
    int got_name = key ? registry_query(key, INFO_NAME_VALUE, name, &name_size) : REGISTRY_FAILED;
    registry_close(key);
    bool published = decoded && (s.flags & SETTINGS_PUBLISH_INFO) && s.can_publish;
    FUZZ_CHECK((got == REGISTRY_READ) == published);
    if (!published) return;
    FUZZ_CHECK(size == sizeof record);
    FUZZ_CHECK(record.bit_depth == 1 && record.colour_count == 2);
    FUZZ_CHECK(record.picture_width == (uint32_t)info.width);
    FUZZ_CHECK(record.picture_height == (uint32_t)info.height);
    FUZZ_CHECK(record.transparent_index_plus1 == 0 && record.transparent_colour_plus1 == 0);
    FUZZ_CHECK(got_name == REGISTRY_READ && name_size == 0); // memory input: no name
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzBytes in = {data, size};
    uint8_t mode = in.byte();
    uint8_t failure = in.byte();
    uint8_t fail_nth = failure & 7;
    FuzzSettings s = fuzz_place_settings(&in, mode);
    uint32_t flag = (mode >> 4) & 7;
    if (!flag) flag = 1;
    flag |= (uint32_t)(mode & 0x80) << 1; // bits above 2 are ignored

    // The font lies alone in its own block, so any read past it is seen.
    std::vector<uint8_t> font(in.data, in.data + in.size);
    const char *source = (const char *)font.data();
    intptr_t length = (intptr_t)font.size();

    // IsSupported gets no length: the host hands it a zero-padded head.
    std::vector<uint8_t> head(font);
    head.resize(head.size() < 2048 ? 2048 : head.size(), 0);
    int supported = IsSupported("x.fnt", (uintptr_t)head.data());

    heap_test_reset();
    heap_test_fail_above(FUZZ_HEAP_LIMIT);
    PictureInfo info;
    memset(&info, 0xA5, sizeof info);
    int rc_info = GetPictureInfo(source, length, flag, &info);
    FUZZ_CHECK(rc_info == PLUGIN_OK || rc_info == PLUGIN_ERR_UNSUPPORTED);
    FUZZ_CHECK(supported == (rc_info == PLUGIN_OK));
    // A host buffer needs no copy: the one block is the parsed font, freed again.
    FUZZ_CHECK(heap_test_allocations() <= 1);
    FUZZ_CHECK(heap_test_allocations() == heap_test_releases());

    reference::Sheet sheet;
    bool is_font = reference::sheet_of(font.data(), font.size(), s.single_column,
                                       reference::ORDER_AUTO, &sheet);
    const reference::Geometry &g = sheet.g;
    FUZZ_CHECK(is_font == (rc_info == PLUGIN_OK));
    if (is_font) {
        FUZZ_CHECK(info.width == (int32_t)g.width && info.height == (int32_t)g.height);
        FUZZ_CHECK(info.colour_depth == 1 && info.offset_x == 0 && info.info_text == 0);
    }

    if (is_font && !fuzz_decode_now(fuzz_picture_bytes(g.width, g.height, s), failure >> 3))
        return 0;

    heap_test_reset();
    heap_test_fail_above(FUZZ_HEAP_LIMIT);
    if (fail_nth) heap_test_fail_nth(fail_nth);
    void *sentinel = (void *)&info;
    void *header = sentinel, *pixels = sentinel;
    int rc = GetPicture(source, length, flag, &header, &pixels, nullptr, 0);
    uint64_t allocations = heap_test_allocations(), releases = heap_test_releases();
    bool failed = heap_test_failures() > 0;
    heap_test_reset();

    FUZZ_CHECK(rc == PLUGIN_OK || rc == PLUGIN_ERR_UNSUPPORTED || rc == PLUGIN_ERR_NO_MEMORY);
    FUZZ_CHECK((rc == PLUGIN_ERR_UNSUPPORTED) == !is_font);
    if (rc != PLUGIN_ERR_UNSUPPORTED)
        FUZZ_CHECK((rc == PLUGIN_ERR_NO_MEMORY) ==
                   (failed || fuzz_beyond_dib(g.width, g.height, s)));
    // The first block is the parsed font: without it nothing is read, so
    // nothing is published.
    check_published(s, is_font && fail_nth != 1, info);
    if (rc != PLUGIN_OK) {
        // Nothing the host might free, and nothing kept.
        FUZZ_CHECK(header == sentinel || header == nullptr);
        FUZZ_CHECK(pixels == sentinel || pixels == nullptr);
        FUZZ_CHECK(allocations == releases);
        return 0;
    }
    FUZZ_CHECK(allocations == releases + 2);

    const DibHeader *dib = (const DibHeader *)header;
    int bits = (s.flags & SETTINGS_ENABLED) ? 24 : 1;
    uint64_t image = fuzz_dib_stride(g.width, bits) * g.height;
    FUZZ_CHECK(dib->size == 40 && dib->planes == 1 && dib->compression == 0);
    FUZZ_CHECK(dib->width == (int32_t)g.width && dib->height == (int32_t)g.height);
    FUZZ_CHECK(dib->bit_count == bits && dib->size_image == image);
    if (bits == 1) {
        const uint32_t *table = (const uint32_t *)((const uint8_t *)header + 40);
        FUZZ_CHECK(dib->colours_used == 2 && table[0] == 0 && table[1] == 0xFFFFFFFFu);
    } else {
        FUZZ_CHECK(dib->colours_used == 0);
    }

    // Small pictures are compared pixel for pixel with the reference.
    if (image > FUZZ_WHOLE_COMPARE_BYTES) {
        check_cell_rows(font, s, sheet, bits, (const uint8_t *)pixels,
                        font.size() * 2654435761u >> 7);
    } else {
        std::vector<uint8_t> plain = reference::sheet_band(font.data(), font.size(), sheet,
                                                           s.single_column, 4, true, 0, UINT64_MAX);
        if (bits == 1) {
            FUZZ_CHECK(plain.size() == image);
            FUZZ_CHECK(image == 0 || memcmp(pixels, plain.data(), image) == 0);
        } else {
            std::vector<uint8_t> want = expected_composite(plain, g.width, g.height);
            FUZZ_CHECK(image == 0 || memcmp(pixels, want.data(), image) == 0);
        }
    }
    heap_free(header);
    heap_free(pixels);
    return 0;
}
