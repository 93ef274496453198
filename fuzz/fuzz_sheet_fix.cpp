// fontx2sheet fix on any bytes: when it writes a font, the count-trusting
// reader of the output finds, for every code the project's reader finds in
// the input, the same glyph bytes; and the rewrite never fails its own check.
// Input: the font.
#include "fontx2sheet/fix.h"
#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <vector>

// Table entries the lookups of one input may walk in all: each lookup walks
// at most the whole table, so long tables get fewer sampled codes.
static const uint64_t LOOKUP_BUDGET = 10000;

// Kinds a rewrite of the font's own glyphs removes never remain in it.
static void check_fixed(const Fontx2Font *out) {
    Fontx2Analysis a;
    fontx2_analyse(out, &a);
    for (const Fontx2Finding &f : a.findings) FUZZ_CHECK(!fontx2_kinds[f.kind].fixable);
}

struct Fixed {
    const Fontx2Font *in, *out;
    int status;
    const std::vector<uint32_t> *kept;
};

// fix keeps a code exactly when the project's reader finds its glyph wholly
// in the input, and a device finds those same bytes in the output.
static void check_code(const Fixed &f, uint32_t code) {
    Fontx2Glyph ours, device;
    const bool found = fontx2_lookup(f.in, code, &ours) && ours.bitmap;
    const bool kept = std::binary_search(f.kept->begin(), f.kept->end(), code);
    // Nothing is kept when the glyphs are 0 pixels, found or not.
    FUZZ_CHECK(found == kept || (f.status == FIX_NO_GLYPHS && f.in->glyph_bytes == 0));
    if (!kept || f.status != FIX_WRITTEN) return;
    FUZZ_CHECK(fontx2_device_lookup(f.out, code, &device) && device.bitmap);
    FUZZ_CHECK(memcmp(device.bitmap, ours.bitmap, f.in->glyph_bytes) == 0);
}

// Checks every stride-th code of first to last, counting on from *at.
static void check_range(const Fixed &f, uint32_t first, uint32_t last, uint64_t stride,
                        uint64_t *at) {
    const uint64_t n = last - first + 1ull;
    for (uint64_t k = (stride - *at % stride) % stride; k < n; k += stride)
        check_code(f, first + (uint32_t)k);
    *at += n;
}

// An even sample of the codes the input's entries hold (all of a
// single-byte font's), starting where the input's size says.
static void check_codes(const Fixed &f, uint64_t seed) {
    const Fontx2Font *in = f.in;
    const uint64_t walk = in->double_byte ? std::max(in->block_count, 1u) : 1;
    uint64_t codes = in->double_byte ? 0 : 256;
    Fontx2Block b = {};
    while (in->double_byte && fontx2_next_block(in, &b))
        if (b.at_hand && b.first_code <= b.last_code) codes += b.last_code - b.first_code + 1;
    const uint64_t stride = 1 + codes * walk / LOOKUP_BUDGET;
    uint64_t at = seed;
    if (!in->double_byte) check_range(f, 0, 255, stride, &at);
    b = {};
    while (in->double_byte && fontx2_next_block(in, &b))
        if (b.at_hand && b.first_code <= b.last_code)
            check_range(f, b.first_code, b.last_code, stride, &at);
    // And the other way: what fix keeps, the reader finds.
    for (size_t i = seed % stride; i < f.kept->size(); i += stride) check_code(f, (*f.kept)[i]);
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
    check_codes({&in, &out, status, &r.glyphs.codes}, size);
    return 0;
}
