// fontx2sheet fix on any bytes: when it writes a font, the count-trusting
// reader of the output finds, for every code the project's reader finds in
// the input, the same glyph bytes; and the rewrite never fails its own check.
// Input: the font.
#include "fontx2sheet/fix.h"
#include "fuzz/fuzz_support.h"

#include <vector>

// Table entries device lookups of the output may walk per input (each walks
// at most 255).
static const uint64_t LOOKUP_BUDGET = 300000;

// Kinds a rewrite of the font's own glyphs removes never remain in it.
static void check_fixed(const Fontx2Font *out) {
    Fontx2Analysis a;
    fontx2_analyse(out, &a);
    for (const Fontx2Finding &f : a.findings) FUZZ_CHECK(!fontx2_kinds[f.kind].fixable);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Fontx2Font in, out;
    if (fontx2_read(&in, data, size, size) != FONTX2_OK) return 0;
    Fontx2Analysis analysis;
    fontx2_analyse(&in, &analysis);
    FixResult r;
    const int status = fix_font(&in, analysis, &r);
    FUZZ_CHECK(status != FIX_CHECK_FAILED);
    const std::vector<uint8_t> &w = r.written.bytes;
    if (status == FIX_WRITTEN) {
        FUZZ_CHECK(fontx2_read(&out, w.data(), w.size(), w.size()) == FONTX2_OK);
        FUZZ_CHECK(out.declared_blocks == out.block_count && out.expected_size == w.size());
        check_fixed(&out);
    }
    // Every code some entry is first to hold: those fix keeps must have
    // their glyph wholly in the input, the others not; an even sample of the
    // kept ones is looked up in the output as a device does.
    static std::vector<uint32_t> glyph(FONTX2_CODES); // kept between inputs: 256 KB
    const uint32_t end = fontx2_map_codes(&in, glyph.data(), nullptr);
    const uint64_t stride = 1 + r.glyphs.codes.size() * 256 / LOOKUP_BUDGET;
    size_t kept = 0;
    for (uint32_t code = 0; code < end; ++code) {
        if (glyph[code] == FONTX2_NO_GLYPH) continue;
        Fontx2Glyph ours, device;
        fontx2_place_glyph(&in, in.glyph_offset, glyph[code], &ours);
        const bool is_kept = kept < r.glyphs.codes.size() && r.glyphs.codes[kept] == code;
        kept += is_kept;
        // Nothing is kept when the glyphs are 0 pixels, found or not.
        FUZZ_CHECK((ours.present && ours.bitmap) == is_kept ||
                   (status == FIX_NO_GLYPHS && in.glyph_bytes == 0));
        if (!is_kept || status != FIX_WRITTEN || kept % stride != 0) continue;
        FUZZ_CHECK(fontx2_device_lookup(&out, code, &device) && device.bitmap);
        FUZZ_CHECK(memcmp(device.bitmap, ours.bitmap, in.glyph_bytes) == 0);
    }
    FUZZ_CHECK(kept == r.glyphs.codes.size());
    return 0;
}
