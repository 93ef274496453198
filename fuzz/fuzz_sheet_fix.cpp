// fontx2sheet fix on any bytes: when it writes a font, the count-trusting
// reader of the output finds, for every code the project's reader finds in
// the input, the same glyph bytes; and the rewrite never fails its own check.
// Input: the font.
#include "fontx2sheet/fix.h"
#include "fuzz/fuzz_support.h"

#include <vector>

// The codes some table entry holds: the project's reader finds no other, and
// looking every code up in a long table would take seconds.
static std::vector<uint8_t> held_codes(const Fontx2Font *font) {
    std::vector<uint8_t> held(font->double_byte ? 0x10000 : FONTX2_SINGLE_CODES,
                              !font->double_byte);
    Fontx2Block b = {};
    while (font->double_byte && fontx2_next_block(font, &b)) {
        for (uint32_t code = b.first_code; b.at_hand && code <= b.last_code; ++code) held[code] = 1;
    }
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
    const std::vector<uint8_t> held = held_codes(&in);
    uint64_t found = 0;
    for (uint32_t code = 0; code < held.size(); ++code) {
        Fontx2Glyph ours, device;
        if (!held[code] || !fontx2_lookup(&in, code, &ours) || !ours.bitmap) continue;
        ++found;
        if (status != FIX_WRITTEN) continue;
        FUZZ_CHECK(fontx2_device_lookup(&out, code, &device) && device.bitmap);
        FUZZ_CHECK(memcmp(device.bitmap, ours.bitmap, in.glyph_bytes) == 0);
    }
    // Nothing written only when nothing was found, or the glyphs are 0 pixels.
    FUZZ_CHECK(status == FIX_WRITTEN ? found == r.glyphs.codes.size()
                                     : found == 0 || in.glyph_bytes == 0);
    return 0;
}
