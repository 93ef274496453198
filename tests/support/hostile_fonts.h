// Fonts with a valid signature and whatever else, made from a seed so a
// failure repeats: the reliability tests and the guard-page tests feed them to
// the plug-in.
#pragma once

#include "tests/support/test_support.h"

#include <stdint.h>
#include <string.h>
#include <vector>

namespace hostile {

// A font with a valid signature and whatever else: random header bytes, block
// tables that point past the end, overlap or run backwards, and glyph data cut
// anywhere. Glyph sizes stay small except now and then, so a run stays quick.
inline std::vector<uint8_t> hostile_font(uint64_t seed) {
    TestRandom r(seed);
    uint32_t kind = r.below(6);
    std::vector<uint8_t> f(17, 0);
    memcpy(f.data(), "FONTX2", 6);
    for (int i = 6; i < 14; ++i) f[i] = (uint8_t)r.next();
    // Large glyphs only in single-byte fonts: a double-byte sheet of them
    // takes gigabytes, which the largest-sheet tests cover on their own.
    f[16] = (uint8_t)(r.below(3) == 0 ? 0 : 1 + r.below(255));
    bool big = f[16] == 0 && r.below(15) == 0;
    f[14] = (uint8_t)(big ? 200 + r.below(56) : r.below(14));
    f[15] = (uint8_t)(big ? 200 + r.below(56) : r.below(14));
    uint32_t glyph_bytes = (f[14] + 7) / 8 * f[15];
    uint32_t glyphs = 0;
    if (f[16] != 0) {
        uint32_t blocks = r.below(256);
        f.push_back((uint8_t)blocks);
        for (uint32_t i = 0; i < blocks; ++i) {
            uint32_t first, last;
            switch (kind) {
            case 0: // plausible rows
                first = 0x8140 + 0x100 * r.below(0x6F) + r.below(0x40);
                last = first + r.below(0xBC);
                break;
            case 1: // inverted
                last = 0x8140 + r.below(0x6000);
                first = last + 1 + r.below(0x100);
                break;
            case 2: // overlapping the same codes
                first = 0x8140 + r.below(0x200);
                last = first + r.below(0x800);
                break;
            default: // anything
                first = r.next() & 0xFFFF;
                last = r.next() & 0xFFFF;
                break;
            }
            for (uint32_t v : {first & 0xFF, first >> 8 & 0xFF, last & 0xFF, last >> 8 & 0xFF})
                f.push_back((uint8_t)v);
            glyphs += (last - first + 1) & 0xFFFF;
        }
    } else {
        glyphs = 256;
    }
    // Glyph data: complete, short of the table's promise, or none at all.
    uint64_t promised = (uint64_t)glyphs * glyph_bytes;
    uint64_t data = kind == 4 ? 0 : kind == 5 ? r.below(4096) : promised;
    if (data > promised) data = promised;
    if (r.below(3) == 0 && data > 0) data -= 1 + r.below((uint32_t)(data < 64 ? data : 64));
    if (data > (1u << 21)) data = 1u << 21;
    size_t at = f.size();
    f.resize(at + data);
    for (uint64_t i = 0; i < data; i += 4) {
        uint32_t word = r.next();
        memcpy(&f[at + i], &word, data - i < 4 ? data - i : 4);
    }
    // The table itself cut short now and then.
    if (kind == 3 && f.size() > 18) f.resize(18 + r.below((uint32_t)f.size() - 17));
    return f;
}

} // namespace hostile
