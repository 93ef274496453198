// fontx2sheet fix on any bytes: when it writes a font, the count-trusting
// reader of the output finds, for every code the project's reader finds in
// the input, the same glyph bytes; and the rewrite never fails its own check.
// Input: the font.
#include "fontx2sheet/fix.h"
#include "fuzz/fuzz_support.h"

#include <vector>

// Table entries the project's reader may walk per input: each lookup walks
// the table, and a table of thousands of blocks holds thousands of codes.
static const uint64_t LOOKUP_BUDGET = 300000;

// The codes some table entry holds: the project's reader finds no other.
static std::vector<uint8_t> held_codes(const Fontx2Font *font, uint64_t *count) {
    std::vector<uint8_t> held(font->double_byte ? 0x10000 : FONTX2_SINGLE_CODES,
                              !font->double_byte);
    Fontx2Block b = {};
    while (font->double_byte && fontx2_next_block(font, &b)) {
        for (uint32_t code = b.first_code; b.at_hand && code <= b.last_code; ++code) held[code] = 1;
    }
    *count = 0;
    for (uint8_t h : held) *count += h;
    return held;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Fontx2Font in, out;
    if (fontx2_read(&in, data, size, size) != FONTX2_OK) return 0;
    FixResult r;
    const int status = fix_font(&in, &r);
    FUZZ_CHECK(status != FIX_CHECK_FAILED);
    const std::vector<uint8_t> &w = r.written.bytes;
    if (status == FIX_WRITTEN) {
        FUZZ_CHECK(fontx2_read(&out, w.data(), w.size(), w.size()) == FONTX2_OK);
        FUZZ_CHECK(out.declared_blocks == out.block_count && out.expected_size == w.size());
    }
    // Codes some entry holds: those fix keeps must be found, the others not;
    // an even sample of them when they are many.
    uint64_t count = 0;
    std::vector<uint8_t> check = held_codes(&in, &count);
    for (uint32_t code : r.glyphs.codes) check[code] = 2;
    const uint64_t stride = 1 + count * (in.block_count + 1) / LOOKUP_BUDGET;
    for (uint32_t code = 0, k = 0; code < check.size(); ++code) {
        if (check[code] && ++k % stride != 0) check[code] = 0;
    }
    for (uint32_t code = 0; code < check.size(); ++code) {
        Fontx2Glyph ours, device;
        if (!check[code]) continue;
        const bool found = fontx2_lookup(&in, code, &ours) && ours.bitmap;
        // Nothing is kept when the glyphs are 0 pixels, found or not.
        FUZZ_CHECK(found == (check[code] == 2) || (status == FIX_NO_GLYPHS && in.glyph_bytes == 0));
        if (!found || status != FIX_WRITTEN) continue;
        FUZZ_CHECK(fontx2_device_lookup(&out, code, &device) && device.bitmap);
        FUZZ_CHECK(memcmp(device.bitmap, ours.bitmap, in.glyph_bytes) == 0);
    }
    return 0;
}
